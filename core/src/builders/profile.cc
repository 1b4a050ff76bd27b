// The profile (registry of recognised QIR functions), the base profile's
// table, and the handling of one call: signature lookup, builder lookup,
// shape check against the declaration, then the builder. Exact lookups are
// one hash probe; only "llvm." callees that miss scan the entries, in
// insertion order, for the first name that is a prefix of the callee.
#include "builders/profile.h"

#include <array>
#include <string>

#include "builders/builders_internal.h"
#include "support/text.h"

namespace corvane {
namespace {

struct ProfileEntry {
  std::string_view name;
  BuilderKind kind;
  std::string_view gate;
  bool adjoint;
};

// The base profile, in insertion order (which the prefix rule depends on).
constexpr std::array<ProfileEntry, 49> kBaseProfile = {{
    {"__quantum__qis__h__body", BuilderKind::Gate, "h", false},
    {"__quantum__qis__x__body", BuilderKind::Gate, "x", false},
    {"__quantum__qis__y__body", BuilderKind::Gate, "y", false},
    {"__quantum__qis__z__body", BuilderKind::Gate, "z", false},
    {"__quantum__qis__s__body", BuilderKind::Gate, "s", false},
    {"__quantum__qis__s__adj", BuilderKind::Gate, "s", true},
    {"__quantum__qis__t__body", BuilderKind::Gate, "t", false},
    {"__quantum__qis__t__adj", BuilderKind::Gate, "t", true},
    {"__quantum__qis__cnot__body", BuilderKind::Gate, "cnot", false},
    {"__quantum__qis__cx__body", BuilderKind::Gate, "cnot", false},
    {"__quantum__qis__cy__body", BuilderKind::Gate, "cy", false},
    {"__quantum__qis__cz__body", BuilderKind::Gate, "cz", false},
    {"__quantum__qis__swap__body", BuilderKind::Gate, "swap", false},
    {"__quantum__qis__rx__body", BuilderKind::Gate, "rx", false},
    {"__quantum__qis__ry__body", BuilderKind::Gate, "ry", false},
    {"__quantum__qis__rz__body", BuilderKind::Gate, "rz", false},
    {"__quantum__qis__rxx__body", BuilderKind::Gate, "xx", false},
    {"__quantum__qis__ryy__body", BuilderKind::Gate, "yy", false},
    {"__quantum__qis__rzz__body", BuilderKind::Gate, "zz", false},
    {"__quantum__qis__ccx__body", BuilderKind::Gate, "ccnot", false},
    {"__quantum__qis__ccnot__body", BuilderKind::Gate, "ccnot", false},
    {"__quantum__qis__phasedx__body", BuilderKind::Gate, "prx", false},
    // The phase gate diag(1, e^{i a}) is rz(a) up to the global phase e^{i a/2}.
    {"__quantum__qis__r1__body", BuilderKind::Gate, "rz", false},
    {"__quantum__qis__u3__body", BuilderKind::Decomposed, "u3", false},
    {"__quantum__qis__zzmax__body", BuilderKind::Decomposed, "zzmax", false},
    {"__quantum__qis__mz__body", BuilderKind::Measure, "", false},
    {"__quantum__qis__m__body", BuilderKind::Measure, "", false},
    {"__quantum__qis__mresetz__body", BuilderKind::MeasureAndReset, "", false},
    {"__quantum__qis__reset__body", BuilderKind::Reset, "", false},
    {"__quantum__qis__read_result__body", BuilderKind::ReadResult, "", false},
    {"__quantum__rt__read_result", BuilderKind::ReadResult, "", false},
    {"generalizedInvokeWithRotationsControlsTargets", BuilderKind::GeneralizedControlled, "",
     false},
    {"create_creg", BuilderKind::RegisterCreate, "", false},
    {"mz_to_creg_bit", BuilderKind::RegisterMeasure, "", false},
    {"get_creg_bit", BuilderKind::RegisterGetBit, "", false},
    {"set_creg_bit", BuilderKind::RegisterSetBit, "", false},
    {"set_creg_to_int", BuilderKind::RegisterSetInt, "", false},
    {"get_int_from_creg", BuilderKind::RegisterGetInt, "", false},
    {"__quantum__rt__result_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__array_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__tuple_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__integer_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__int_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__bool_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__double_record_output", BuilderKind::Ignore, "", false},
    {"__quantum__rt__initialize", BuilderKind::Ignore, "", false},
    {"malloc", BuilderKind::Ignore, "", false},
    {"free", BuilderKind::Ignore, "", false},
    {"llvm.memcpy", BuilderKind::Ignore, "", false},
}};

Status check_arity(std::string_view callee, std::size_t supplied, std::size_t expected) {
  if (supplied == expected) return ok_status();
  std::string message = "arity mismatch calling ";
  append_quoted(message, callee);
  message += ": IR supplied ";
  message += std::to_string(supplied);
  message += " operand(s) but signature expects ";
  message += std::to_string(expected);
  return lowering_error(std::move(message), ErrorClass::Malformed);
}

}  // namespace

void Profile::extend(std::string function_name, Builder builder) {
  const auto it = index_.find(std::string_view(function_name));
  if (it != index_.end()) {
    entries_[it->second].second = std::move(builder);
    return;
  }
  index_.emplace(function_name, entries_.size());
  entries_.emplace_back(std::move(function_name), std::move(builder));
}

const Builder* Profile::lookup(std::string_view callee) const {
  const auto it = index_.find(callee);
  if (it != index_.end()) return &entries_[it->second].second;
  if (is_barrier_name(callee)) {
    static const Builder kBarrier{BuilderKind::Barrier, "barrier", false};
    return &kBarrier;
  }
  if (callee.starts_with("llvm.")) {
    for (const auto& [name, builder] : entries_) {
      if (callee.starts_with(name)) return &builder;
    }
  }
  return nullptr;
}

Profile base_profile() {
  Profile profile("base_profile");
  for (const ProfileEntry& entry : kBaseProfile) {
    profile.extend(std::string(entry.name),
                   Builder{entry.kind, std::string(entry.gate), entry.adjoint});
  }
  return profile;
}

Status lower_call(const Profile& profile, const SignatureMap& signatures, std::string_view callee,
                  std::span<const Operand> operands, std::optional<std::string_view> result,
                  LoweringContext& context, std::vector<Stmt>& out) {
  return lower_resolved_call(signatures.find(callee), profile.lookup(callee), callee, operands,
                             result, context, out);
}

namespace {

// Runtime functions that allocate or release qubits.
bool is_qubit_management(std::string_view callee) {
  return callee == "__quantum__rt__qubit_allocate" ||
         callee == "__quantum__rt__qubit_allocate_array" ||
         callee == "__quantum__rt__qubit_release" || callee == "__quantum__rt__qubit_release_array";
}

}  // namespace

std::optional<TranslateError> unbuildable_call(const Signature* signature, const Builder* builder,
                                               std::string_view callee) {
  if (signature == nullptr) {
    std::string message = "no signature for callee ";
    append_quoted(message, callee);
    message += " in QIR source";
    return lowering_error(std::move(message), ErrorClass::Malformed);
  }
  if (builder == nullptr) {
    if (signature->is_variadic) {
      return lowering_error(
          "variadic QIR function '" + std::string(callee) +
          "' is not supported; only 'generalizedInvokeWithRotationsControlsTargets' is; "
          "multi-controlled gates must be decomposed into single- and two-qubit gates before "
          "translation");
    }
    if (is_qubit_management(callee)) {
      return lowering_error("dynamic qubit allocation is not supported: '" + std::string(callee) +
                            "' allocates or releases qubits at run time; address qubits by "
                            "constant indices instead");
    }
    return lowering_error("no builder registered for declared QIR function '" +
                          std::string(callee) + "'; extend the Profile to support it");
  }
  return std::nullopt;
}

Status lower_resolved_call(const Signature* signature, const Builder* builder,
                           std::string_view callee, std::span<const Operand> operands,
                           std::optional<std::string_view> result, LoweringContext& context,
                           std::vector<Stmt>& out) {
  if (signature == nullptr || builder == nullptr) {
    return *unbuildable_call(signature, builder, callee);
  }
  switch (builder->kind) {
    case BuilderKind::Gate:
    case BuilderKind::Decomposed:
    case BuilderKind::Measure:
    case BuilderKind::MeasureAndReset:
    case BuilderKind::Reset:
    case BuilderKind::ReadResult:
    case BuilderKind::Barrier:
    case BuilderKind::RegisterCreate:
    case BuilderKind::RegisterMeasure:
    case BuilderKind::RegisterGetBit:
    case BuilderKind::RegisterSetBit:
    case BuilderKind::RegisterSetInt:
    case BuilderKind::RegisterGetInt:
      if (signature->is_variadic) {
        std::string message = "QIR function ";
        append_quoted(message, callee);
        message +=
            " is variadic and cannot be lowered by the default dispatch; variadic lowering "
            "requires a specialized builder that inspects the runtime operand list";
        return lowering_error(std::move(message));
      }
      RETURN_IF_ERROR(check_arity(callee, operands.size(), signature->param_types.size()));
      break;
    case BuilderKind::Ignore:
    case BuilderKind::GeneralizedControlled:
      if (!signature->is_variadic) {
        RETURN_IF_ERROR(check_arity(callee, operands.size(), signature->param_types.size()));
      }
      break;
  }
  return invoke_builder(*builder, *signature, operands, result, context, out);
}

Status invoke_builder(const Builder& builder, const Signature& signature,
                      std::span<const Operand> operands, std::optional<std::string_view> result,
                      LoweringContext& context, std::vector<Stmt>& out) {
  switch (builder.kind) {
    case BuilderKind::Gate:
      return build_gate(builder, signature, operands, context, out);
    case BuilderKind::Decomposed:
      return build_decomposed(builder, signature, operands, context, out);
    case BuilderKind::Measure:
    case BuilderKind::MeasureAndReset:
      return build_measure(builder.kind, signature, operands, context, out);
    case BuilderKind::Reset:
      return build_reset(signature, operands, context, out);
    case BuilderKind::ReadResult:
      return build_read_result(signature, operands, result, context);
    case BuilderKind::Ignore:
      return ok_status();
    case BuilderKind::GeneralizedControlled:
      return build_generalized_controlled(signature, operands, context, out);
    case BuilderKind::Barrier:
      return build_barrier(signature, operands, context, out);
    case BuilderKind::RegisterCreate:
    case BuilderKind::RegisterMeasure:
    case BuilderKind::RegisterGetBit:
    case BuilderKind::RegisterSetBit:
    case BuilderKind::RegisterSetInt:
    case BuilderKind::RegisterGetInt:
      return build_register_call(builder.kind, signature, operands, result, context, out);
  }
  return internal_error("unknown builder kind");
}

}  // namespace corvane
