// Operand resolution and the gate, measurement, reset and read-result
// builders. Qubit and result operands must be compile-time constant indices
// (q[i], c[i]); each one resolved raises the matching register maximum in the
// context. Declared "ptr" parameters are read through a per-position view
// (signature_view_type) instead of a rewritten copy of the signature.
#include <algorithm>
#include <limits>
#include <numbers>
#include <string>
#include <type_traits>

#include "builders/builders_internal.h"
#include "support/text.h"

namespace corvane {
namespace {

constexpr std::string_view kQubitType = "Qubit";
constexpr std::string_view kResultType = "Result";

template <typename... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <typename... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

TranslateError callee_error(std::string_view prefix, std::string_view callee,
                            std::string_view suffix) {
  std::string message(prefix);
  append_quoted(message, callee);
  message += suffix;
  return lowering_error(std::move(message));
}

// The error for a qubit or result operand (`what`) of `callee` that names no
// constant: a pointer loaded from memory says so, anything else is `otherwise`.
TranslateError not_constant_error(const LoweringContext& context, std::string_view name,
                                  std::string_view what, std::string_view callee,
                                  std::string_view otherwise) {
  const auto loaded = context.loaded_pointers.find(name);
  if (loaded == context.loaded_pointers.end()) {
    return callee_error(std::string(what) + " operand for ", callee, otherwise);
  }
  std::string message(what);
  message += " operand for ";
  append_quoted(message, callee);
  message += " is a pointer loaded from memory at ";
  append_quoted(message, loaded->second);
  message += ", such as an element of a constant array of ";
  message += what;
  message += "s read at an index known only at run time; ";
  message += what;
  message += "s must be addressed by constant indices";
  return lowering_error(std::move(message));
}

TranslateError negative_index_error(std::string_view what, std::string_view callee,
                                    std::int64_t index) {
  std::string message(what);
  message += " operand for ";
  append_quoted(message, callee);
  message += " has negative index ";
  message += std::to_string(index);
  message += "; qubit and result indices must be non-negative";
  return lowering_error(std::move(message));
}

IndexedIdent register_element(const char* name, std::int64_t index) {
  return IndexedIdent{name, index};
}

// Fails unless the view's parameter list equals `expected` entry by entry.
Status check_signature(BuilderKind kind, const Signature& signature,
                       std::span<const std::string_view> expected, std::string_view label) {
  const std::size_t count = signature.param_types.size();
  bool matches = count == expected.size();
  for (std::size_t i = 0; matches && i < count; ++i) {
    matches = signature_view_type(kind, signature, i) == expected[i];
  }
  if (matches) return ok_status();
  std::string message(label);
  message += " intrinsic ";
  append_quoted(message, signature.name);
  message += " has unexpected signature [";
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) message += ", ";
    append_quoted(message, signature_view_type(kind, signature, i));
  }
  message += "]; expected (";
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (i != 0) message += ", ";
    message += '"';
    message += expected[i];
    message += '"';
  }
  if (expected.size() == 1) message += ',';
  message += ')';
  return lowering_error(std::move(message));
}

// The builders index operands by parameter position. The call path makes the
// counts equal before any builder runs; this keeps direct callers safe.
Status check_operand_count(const Signature& signature, std::span<const Operand> operands) {
  if (operands.size() == signature.param_types.size()) return ok_status();
  std::string message = "builder for ";
  append_quoted(message, signature.name);
  message += " received " + std::to_string(operands.size()) + " operand(s) for " +
             std::to_string(signature.param_types.size()) + " declared parameter(s)";
  return internal_error(std::move(message));
}

}  // namespace

std::string_view signature_view_type(BuilderKind kind, const Signature& signature,
                                     std::size_t position) {
  const std::string_view declared = signature.param_types[position];
  if (declared != "ptr") return declared;
  switch (kind) {
    case BuilderKind::Gate:
    case BuilderKind::Decomposed:
    case BuilderKind::Reset:
    case BuilderKind::Barrier:
      return kQubitType;
    case BuilderKind::RegisterMeasure:
      return position == 0 ? kQubitType : declared;
    case BuilderKind::Measure:
    case BuilderKind::MeasureAndReset:
      if (position == 0) return kQubitType;
      if (position == 1) return kResultType;
      return declared;
    case BuilderKind::ReadResult:
      return kResultType;
    case BuilderKind::Ignore:
    case BuilderKind::GeneralizedControlled:
    case BuilderKind::RegisterCreate:
    case BuilderKind::RegisterGetBit:
    case BuilderKind::RegisterSetBit:
    case BuilderKind::RegisterSetInt:
    case BuilderKind::RegisterGetInt:
      return declared;
  }
  return declared;
}

Result<IndexedIdent> resolve_qubit_operand(LoweringContext& context, const Operand& operand,
                                           std::string_view callee) {
  constexpr std::string_view kNotConstant =
      " is not a compile-time constant; runtime qubit allocation is not supported";
  std::int64_t index = 0;
  Status found = std::visit(
      Overloaded{
          [&](const PtrConst& ptr) -> Status {
            index = ptr.index;
            return ok_status();
          },
          [&](const Ssa& ssa) -> Status {
            const std::optional<std::int64_t> recorded = context.lookup_int_pointer(ssa.name);
            if (!recorded.has_value()) {
              return not_constant_error(context, ssa.name, "qubit", callee, kNotConstant);
            }
            index = *recorded;
            return ok_status();
          },
          [&](const GlobalRef&) -> Status {
            return callee_error("qubit operand for ", callee, kNotConstant);
          },
          [&](const GetElementPtr&) -> Status {
            return callee_error("qubit operand for ", callee, kNotConstant);
          },
          [&](const auto&) -> Status {
            return callee_error("could not resolve qubit operand for ", callee, "");
          },
      },
      operand);
  if (!found.ok()) return std::move(found).error();
  if (index < 0) return negative_index_error("qubit", callee, index);
  context.max_qubit_index = std::max(context.max_qubit_index, index);
  return register_element("q", index);
}

Result<IndexedIdent> resolve_result_target(LoweringContext& context, const Operand& operand,
                                           std::string_view callee) {
  std::optional<std::int64_t> index;
  if (const auto* ptr = std::get_if<PtrConst>(&operand)) {
    index = ptr->index;
  } else if (const auto* ssa = std::get_if<Ssa>(&operand)) {
    index = context.lookup_int_pointer(ssa->name);
  }
  if (!index.has_value()) {
    const auto* ssa = std::get_if<Ssa>(&operand);
    return not_constant_error(
        context, ssa != nullptr ? ssa->name : std::string_view(), "result", callee,
        " is not a compile-time constant; runtime result allocation is not supported");
  }
  if (*index < 0) return negative_index_error("result", callee, *index);
  context.max_result_index = std::max(context.max_result_index, *index);
  return register_element("c", *index);
}

Result<Expr> resolve_result_operand(LoweringContext& context, const Operand& operand,
                                    std::string_view callee) {
  ASSIGN_OR_RETURN(IndexedIdent target, resolve_result_target(context, operand, callee));
  if (!target.index.has_value()) return internal_error("result register element has no index");
  return make_index(target.name.str(), *target.index);
}

Result<Expr> resolve_scalar_operand(LoweringContext& context, const Operand& operand,
                                    std::string_view callee) {
  return std::visit(
      Overloaded{
          [&](const ConstInt& value) -> Result<Expr> {
            if (value.value < std::numeric_limits<std::int64_t>::min() ||
                value.value > std::numeric_limits<std::int64_t>::max()) {
              return lowering_error("integer constant " + int128_to_string(value.value) +
                                    " does not fit in i64; larger widths are not supported");
            }
            return Expr(IntLit{static_cast<std::int64_t>(value.value)});
          },
          [&](const ConstBool& value) -> Result<Expr> { return Expr(BoolLit{value.value}); },
          [&](const ConstFloat& value) -> Result<Expr> { return Expr(FloatLit{value.value}); },
          // Gate angles are the one use a double computed by float arithmetic may have.
          [&](const Ssa& ssa) -> Result<Expr> { return context.lookup_angle(ssa.name); },
          [&](const auto&) -> Result<Expr> {
            return callee_error("unsupported scalar operand form for ", callee, "");
          },
      },
      operand);
}

namespace {

Status fill_gate_call(const Builder& builder, const Signature& signature,
                      std::span<const Operand> operands, std::size_t qubit_count,
                      LoweringContext& context, GateCall& call) {
  if (builder.adjoint) call.modifiers.push_back(GateModifier::Inv);
  call.name = builder.gate;
  call.qubits.reserve(qubit_count);
  call.params.reserve(operands.size() - qubit_count);
  for (std::size_t i = 0; i < operands.size(); ++i) {
    if (signature_view_type(BuilderKind::Gate, signature, i) == kQubitType) {
      ASSIGN_OR_RETURN(IndexedIdent qubit,
                       resolve_qubit_operand(context, operands[i], signature.name));
      call.qubits.push_back(std::move(qubit));
    } else {
      ASSIGN_OR_RETURN(Expr param, resolve_scalar_operand(context, operands[i], signature.name));
      call.params.push_back(std::move(param));
    }
  }
  return ok_status();
}

}  // namespace

Status build_gate(const Builder& builder, const Signature& signature,
                  std::span<const Operand> operands, LoweringContext& context,
                  std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_operand_count(signature, operands));
  std::size_t qubit_count = 0;
  for (std::size_t i = 0; i < operands.size(); ++i) {
    if (signature_view_type(BuilderKind::Gate, signature, i) == kQubitType) ++qubit_count;
  }
  // The call is built in its final place in `out` (and removed again on
  // failure), which spares moving and destroying a whole statement per gate.
  GateCall& call = *std::get_if<GateCall>(&out.emplace_back(GateCall{}).node);
  Status filled = fill_gate_call(builder, signature, operands, qubit_count, context, call);
  if (!filled.ok()) out.pop_back();
  return filled;
}

Status build_decomposed(const Builder& builder, const Signature& signature,
                        std::span<const Operand> operands, LoweringContext& context,
                        std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_operand_count(signature, operands));
  std::size_t qubit_count = 0;
  for (std::size_t i = 0; i < operands.size(); ++i) {
    if (signature_view_type(BuilderKind::Gate, signature, i) == kQubitType) ++qubit_count;
  }
  if (builder.gate == "zzmax" && qubit_count == 2 && operands.size() == 2) {
    // pytket's ZZMax is exp(-i pi/4 Z(x)Z), which is zz(pi/2).
    GateCall call;
    const Builder plain{BuilderKind::Gate, "zz", false};
    RETURN_IF_ERROR(fill_gate_call(plain, signature, operands, qubit_count, context, call));
    call.params.push_back(FloatLit{std::numbers::pi / 2});
    out.emplace_back(std::move(call));
    return ok_status();
  }
  if (builder.gate != "u3" || qubit_count != 1 || operands.size() != 4) {
    std::string message = "gate ";
    append_quoted(message, signature.name);
    message += " is declared with " + std::to_string(operands.size() - qubit_count) +
               " angle(s) and " + std::to_string(qubit_count) + " qubit(s); its operation ``" +
               builder.gate + "`` takes " +
               (builder.gate == "zzmax" ? "no angle and 2 qubits" : "3 angles and 1 qubit");
    return lowering_error(std::move(message));
  }
  GateCall call;
  const Builder plain{BuilderKind::Gate, builder.gate, false};
  RETURN_IF_ERROR(fill_gate_call(plain, signature, operands, qubit_count, context, call));
  emit_u3(call.params[0], call.params[1], call.params[2], call.qubits[0], out);
  return ok_status();
}

Status build_measure(BuilderKind kind, const Signature& signature,
                     std::span<const Operand> operands, LoweringContext& context,
                     std::vector<Stmt>& out) {
  constexpr std::string_view kExpected[] = {kQubitType, kResultType};
  const bool and_reset = kind == BuilderKind::MeasureAndReset;
  RETURN_IF_ERROR(
      check_signature(kind, signature, kExpected, and_reset ? "measure-and-reset" : "measurement"));
  RETURN_IF_ERROR(check_operand_count(signature, operands));
  ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, operands[0], signature.name));
  ASSIGN_OR_RETURN(IndexedIdent bit, resolve_result_target(context, operands[1], signature.name));
  if (!context.bit_registers.empty() && *bit.index >= context.first_register_bit) {
    std::string message = "measurement ";
    append_quoted(message, signature.name);
    message += " into result " + std::to_string(*bit.index) +
               ", which lies among the bits of the registers made by 'create_creg' (from " +
               std::to_string(context.first_register_bit) +
               ", the entry point's required_num_results, on)";
    return lowering_error(std::move(message));
  }
  context.max_measured_result = std::max(context.max_measured_result, *bit.index);
  if (and_reset) {
    Reset reset{qubit};
    out.emplace_back(Measure{std::move(qubit), std::move(bit)});
    out.emplace_back(std::move(reset));
  } else {
    out.emplace_back(Measure{std::move(qubit), std::move(bit)});
  }
  return ok_status();
}

Status build_reset(const Signature& signature, std::span<const Operand> operands,
                   LoweringContext& context, std::vector<Stmt>& out) {
  constexpr std::string_view kExpected[] = {kQubitType};
  RETURN_IF_ERROR(check_signature(BuilderKind::Reset, signature, kExpected, "reset"));
  RETURN_IF_ERROR(check_operand_count(signature, operands));
  ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, operands[0], signature.name));
  out.emplace_back(Reset{std::move(qubit)});
  return ok_status();
}

Status build_read_result(const Signature& signature, std::span<const Operand> operands,
                         std::optional<std::string_view> result, LoweringContext& context) {
  constexpr std::string_view kExpected[] = {kResultType};
  RETURN_IF_ERROR(check_signature(BuilderKind::ReadResult, signature, kExpected, "read_result"));
  RETURN_IF_ERROR(check_operand_count(signature, operands));
  ASSIGN_OR_RETURN(Expr bit, resolve_result_operand(context, operands[0], signature.name));
  if (result.has_value()) context.bind(*result, std::move(bit));
  return ok_status();
}

}  // namespace corvane
