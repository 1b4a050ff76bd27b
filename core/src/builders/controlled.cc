// The generalized controlled invocation: a variadic call whose fixed prefix
// (numRotations, adjoint, numControls, numTargets, innerFn) describes a
// controlled operation and whose trailing operands are its qubits. The
// calling convention is checked step by step in a fixed order, the first
// failure ending the call; the inner function's name selects the native gate,
// or else a sequence of native gates (decompose.cc). A rotation passes its
// angle (numRotations = 1) before the qubits.
#include <array>
#include <limits>
#include <string>

#include "builders/builders_internal.h"
#include "support/text.h"

namespace corvane {
namespace {

constexpr std::string_view kCallee = "generalizedInvokeWithRotationsControlsTargets";
constexpr std::string_view kInnerPrefix = "__quantum__qis__";
constexpr std::string_view kInnerSuffix = "__ctl";

struct ControlledGate {
  std::string_view op;
  std::int64_t num_controls;
  std::int64_t num_targets;
  std::string_view gate;
};

constexpr std::array<ControlledGate, 6> kControlledGates = {{
    {"x", 1, 1, "cnot"},
    {"x", 2, 1, "ccnot"},
    {"y", 1, 1, "cy"},
    {"z", 1, 1, "cz"},
    {"swap", 1, 2, "cswap"},
    {"phaseshift", 1, 1, "cphaseshift"},
}};

Status check_calling_signature(const Signature& signature) {
  const std::vector<std::string>& params = signature.param_types;
  bool matches = signature.name == kCallee && params.size() >= 5 && signature.is_variadic;
  for (std::size_t i = 0; matches && i < 4; ++i) matches = params[i] == "i64";
  matches = matches && (params[4] == "i8" || params[4] == "ptr");
  if (matches) return ok_status();
  std::string message = "generalized-controlled intrinsic ";
  append_quoted(message, signature.name);
  message += " has unexpected signature [";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i != 0) message += ", ";
    append_quoted(message, params[i]);
  }
  message += "] (variadic=";
  message += signature.is_variadic ? "true" : "false";
  message += "); expected callee ";
  append_quoted(message, kCallee);
  message +=
      " with parameter prefix (\"i64\", \"i64\", \"i64\", \"i64\", \"i8\"|\"ptr\", ...) and "
      "is_variadic=true";
  return lowering_error(std::move(message));
}

// One of the four leading integer operands, which must be an i64 constant.
Result<std::int64_t> integer_operand(const Operand& operand, std::string_view name) {
  const auto* constant = std::get_if<ConstInt>(&operand);
  if (constant == nullptr) {
    return lowering_error(std::string(kCallee) + ": " + std::string(name) +
                          " must be an i64 constant, got " + operand_debug(operand));
  }
  if (constant->value < std::numeric_limits<std::int64_t>::min() ||
      constant->value > std::numeric_limits<std::int64_t>::max()) {
    return lowering_error(std::string(kCallee) + ": " + std::string(name) + " = " +
                          int128_to_string(constant->value) + " does not fit in i64");
  }
  return static_cast<std::int64_t>(constant->value);
}

}  // namespace

std::optional<std::string_view> controlled_gate_name(std::string_view op, std::int64_t num_controls,
                                                     std::int64_t num_targets) {
  for (const ControlledGate& entry : kControlledGates) {
    if (entry.op == op && entry.num_controls == num_controls && entry.num_targets == num_targets) {
      return entry.gate;
    }
  }
  return std::nullopt;
}

Status build_generalized_controlled(const Signature& signature, std::span<const Operand> operands,
                                    LoweringContext& context, std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_calling_signature(signature));
  if (operands.size() < 5) {
    return lowering_error(std::string(kCallee) +
                          " expects at least 5 operands (numRotations, adjoint, numControls, "
                          "numTargets, innerFn); got " +
                          std::to_string(operands.size()) + " operand(s)");
  }
  ASSIGN_OR_RETURN(const std::int64_t num_rotations, integer_operand(operands[0], "numRotations"));
  ASSIGN_OR_RETURN(const std::int64_t adjoint, integer_operand(operands[1], "adjoint"));
  ASSIGN_OR_RETURN(const std::int64_t num_controls, integer_operand(operands[2], "numControls"));
  ASSIGN_OR_RETURN(const std::int64_t num_targets, integer_operand(operands[3], "numTargets"));
  if (num_rotations != 0 && num_rotations != 1) {
    return lowering_error(std::string(kCallee) +
                          " with numRotations=" + std::to_string(num_rotations) +
                          " is not supported; only controlled gates with no rotation angle or "
                          "one (numRotations 0 or 1) are handled");
  }
  if (num_controls < 0 || num_targets < 0) {
    return lowering_error(std::string(kCallee) +
                          " had negative numControls=" + std::to_string(num_controls) +
                          " or numTargets=" + std::to_string(num_targets));
  }

  std::string_view inner;
  if (const auto* bitcast = std::get_if<BitcastGlobal>(&operands[4])) {
    inner = bitcast->name;
  } else if (const auto* global = std::get_if<GlobalRef>(&operands[4])) {
    inner = global->name;
  } else {
    return lowering_error(std::string(kCallee) +
                          ": inner-function operand must be a bitcast of a named global (e.g. "
                          "``i8* bitcast (T* @__quantum__qis__<op>__ctl to i8*)``) or a bare "
                          "global reference; got " +
                          operand_debug(operands[4]));
  }
  if (inner.size() < kInnerPrefix.size() + kInnerSuffix.size() ||
      !inner.starts_with(kInnerPrefix) || !inner.ends_with(kInnerSuffix)) {
    std::string message(kCallee);
    message += ": inner callee ";
    append_quoted(message, inner);
    message += " does not match the expected `__quantum__qis__<op>__ctl` pattern";
    return lowering_error(std::move(message));
  }
  const std::string_view op =
      inner.substr(kInnerPrefix.size(), inner.size() - kInnerPrefix.size() - kInnerSuffix.size());

  // Both counts are non-negative i64 values here, so their sum fits in u64.
  const std::uint64_t expected =
      static_cast<std::uint64_t>(num_controls) + static_cast<std::uint64_t>(num_targets);
  const std::span<const Operand> trailing = operands.subspan(5);
  if (trailing.size() != expected + static_cast<std::uint64_t>(num_rotations)) {
    std::string message = std::string(kCallee) + ": expected ";
    if (num_rotations != 0) message += "1 rotation angle and ";
    message += std::to_string(expected) + " qubit operand(s) after the fixed prefix (numControls=" +
               std::to_string(num_controls) + " + numTargets=" + std::to_string(num_targets) +
               "); got " + std::to_string(trailing.size()) + " trailing operand(s)";
    return lowering_error(std::move(message));
  }
  if (is_rotation_op(op) != (num_rotations == 1)) {
    return lowering_error(std::string(kCallee) + ": controlled ``" + std::string(op) + "`` takes " +
                          (is_rotation_op(op) ? "one rotation angle" : "no angle") +
                          ", but numRotations=" + std::to_string(num_rotations));
  }
  // The rotation angle comes first, then the controls and the targets.
  std::optional<Expr> angle;
  if (num_rotations == 1) {
    ASSIGN_OR_RETURN(angle, resolve_scalar_operand(context, trailing[0], kCallee));
  }

  GateCall call;
  call.qubits.reserve(trailing.size());
  for (const Operand& operand : trailing.subspan(static_cast<std::size_t>(num_rotations))) {
    if (std::holds_alternative<I8Null>(operand)) {
      const Operand null_qubit = PtrConst{std::nullopt, 0};
      ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, null_qubit, kCallee));
      call.qubits.push_back(std::move(qubit));
    } else {
      ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, operand, kCallee));
      call.qubits.push_back(std::move(qubit));
    }
  }

  const std::optional<std::string_view> gate = controlled_gate_name(op, num_controls, num_targets);
  if (gate.has_value() && !angle.has_value()) {
    if (adjoint != 0) call.modifiers.push_back(GateModifier::Inv);
    call.name = std::string(*gate);
    out.emplace_back(std::move(call));
    return ok_status();
  }
  const std::span<const IndexedIdent> qubits(call.qubits.data(), call.qubits.size());
  if (!emit_controlled(op, num_controls, num_targets, angle, adjoint != 0, qubits, out)) {
    std::string message = std::string(kCallee) + ": no Ostrel-native gate for controlled ``" +
                          std::string(op) + "`` with ";
    if (angle.has_value()) message += "numRotations=1, ";
    message += "numControls=" + std::to_string(num_controls) +
               ", numTargets=" + std::to_string(num_targets) +
               ". Extend the decomposition pipeline upstream, or add a gate mapping here.";
    return lowering_error(std::move(message));
  }
  return ok_status();
}

}  // namespace corvane
