// pytket's classical registers and barriers. `create_creg(N)` makes a
// register of N bits (1 to 64); each register is a run of bits of the result
// register `c`, the first starting after the results the entry point reserves
// (required_num_results), the next ones following in the order they are made.
// A register's value is the two's complement number of its bits, bit 0 the
// lowest, so bit 63 weighs -2^63. A bit of `c` is only ever assigned a
// comparison or a truth constant, never an integer.
#include <algorithm>
#include <limits>
#include <string>

#include "builders/builders_internal.h"
#include "ir/lexer.h"
#include "support/text.h"
#include "values/state_tracking.h"

namespace corvane {
namespace {

constexpr std::int64_t kMaxRegisterBits = 64;

TranslateError register_error(std::string_view callee, std::string_view what,
                              ErrorClass cls = ErrorClass::Unsupported) {
  std::string message = "call of ";
  append_quoted(message, callee);
  message += ": ";
  message += what;
  return lowering_error(std::move(message), cls);
}

// The declared parameters must be as many as the runtime function has.
Status check_param_count(const Signature& signature, std::size_t expected) {
  if (signature.param_types.size() == expected) return ok_status();
  std::string message = "pytket register function ";
  append_quoted(message, signature.name);
  message += " is declared with " + std::to_string(signature.param_types.size()) +
             " parameter(s); it takes " + std::to_string(expected);
  return lowering_error(std::move(message), ErrorClass::Malformed);
}

Result<BitRegister> register_operand(const LoweringContext& context, const Operand& operand,
                                     std::string_view callee) {
  if (const auto* ssa = std::get_if<Ssa>(&operand)) {
    const auto found = context.bit_registers.find(ssa->name);
    if (found != context.bit_registers.end()) return found->second;
  }
  return register_error(callee,
                        "register pointer does not come from a call of 'create_creg' with a "
                        "constant size; registers must be made by 'create_creg'");
}

Result<std::int64_t> constant_int(const Operand& operand, std::string_view callee,
                                  std::string_view what) {
  if (const auto* value = std::get_if<ConstInt>(&operand)) {
    if (value->value >= std::numeric_limits<std::int64_t>::min() &&
        value->value <= std::numeric_limits<std::int64_t>::max()) {
      return static_cast<std::int64_t>(value->value);
    }
  }
  return register_error(callee, std::string(what) + " is not a compile-time constant");
}

// The result bit `c[base + index]` of a register bit named by a constant index.
Result<IndexedIdent> register_bit(LoweringContext& context, const Operand& reg,
                                  const Operand& index, std::string_view callee) {
  ASSIGN_OR_RETURN(BitRegister bits, register_operand(context, reg, callee));
  ASSIGN_OR_RETURN(std::int64_t position, constant_int(index, callee, "register bit index"));
  if (position < 0 || position >= bits.size) {
    return register_error(callee,
                          "register bit index " + std::to_string(position) +
                              " lies outside its register of " + std::to_string(bits.size) +
                              " bit(s)",
                          ErrorClass::Malformed);
  }
  return IndexedIdent{"c", bits.base + position};
}

bool is_truth_expr(const Expr& expr) {
  if (std::holds_alternative<BoolLit>(expr.node)) return true;
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) return unary->op == UnaryOp::Not;
  const auto* binary = std::get_if<BinaryExpr>(&expr.node);
  return binary != nullptr && binary_op_is_boolean(binary->op);
}

// An i1 operand as a truth value: constants as `true`/`false`, a value held
// as 0/1 compared with 1.
Result<Expr> truth_operand(const LoweringContext& context, const Operand& operand,
                           std::string_view callee) {
  if (const auto* value = std::get_if<ConstBool>(&operand)) return Expr(BoolLit{value->value});
  if (const auto* value = std::get_if<ConstInt>(&operand)) return Expr(BoolLit{value->value != 0});
  if (const auto* ssa = std::get_if<Ssa>(&operand)) {
    ASSIGN_OR_RETURN(Expr value, context.lookup(ssa->name));
    if (const auto* number = std::get_if<IntLit>(&value.node)) {
      return Expr(BoolLit{number->value != 0});
    }
    if (is_truth_expr(value)) return value;
    return make_binary_expr(BinaryOp::Eq, std::move(value), IntLit{1});
  }
  return register_error(callee, "unsupported bit value operand");
}

// Whether bit `bit` of `value` is set: `(value & 2^bit) != 0`, and
// `value < 0` for the sign bit.
Expr bit_test(Expr value, std::int64_t bit) {
  if (const auto* number = std::get_if<IntLit>(&value.node)) {
    return BoolLit{((static_cast<std::uint64_t>(number->value) >> bit) & 1u) != 0};
  }
  if (bit == 63) return make_binary_expr(BinaryOp::Lt, std::move(value), IntLit{0});
  Expr mask = IntLit{static_cast<std::int64_t>(std::uint64_t{1} << bit)};
  return make_binary_expr(BinaryOp::Ne,
                          make_binary_expr(BinaryOp::BitAnd, std::move(value), std::move(mask)),
                          IntLit{0});
}

Status build_create(const Signature& signature, std::span<const Operand> operands,
                    std::optional<std::string_view> result, LoweringContext& context) {
  RETURN_IF_ERROR(check_param_count(signature, 1));
  if (context.tracker != nullptr && context.tracker->streaming()) {
    // Where the registers start is an attribute of the entry point, read
    // after its body: a streamed run gives up before it gets here.
    return internal_error("a register created while the entry point is streamed");
  }
  ASSIGN_OR_RETURN(std::int64_t size, constant_int(operands[0], signature.name, "register size"));
  if (size < 1 || size > kMaxRegisterBits) {
    return register_error(signature.name, "register size " + std::to_string(size) +
                                              " is not supported; a register holds 1 to 64 bits");
  }
  if (context.max_measured_result >= context.first_register_bit) {
    return register_error(
        signature.name, "result " + std::to_string(context.max_measured_result) +
                            " is measured into directly, but registers take the result bits from " +
                            std::to_string(context.first_register_bit) +
                            " (required_num_results) on; a module cannot use both for one bit");
  }
  if (context.next_register_bit > std::numeric_limits<std::int64_t>::max() - size) {
    return register_error(signature.name, "too many register bits", ErrorClass::Limit);
  }
  const BitRegister bits{context.next_register_bit, size};
  context.next_register_bit += size;
  context.max_result_index = std::max(context.max_result_index, bits.base + size - 1);
  if (result.has_value()) context.bit_registers.insert_or_assign(*result, bits);
  return ok_status();
}

Status build_measure_to_register(const Signature& signature, std::span<const Operand> operands,
                                 LoweringContext& context, std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_param_count(signature, 3));
  ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, operands[0], signature.name));
  ASSIGN_OR_RETURN(IndexedIdent bit,
                   register_bit(context, operands[1], operands[2], signature.name));
  out.emplace_back(Measure{std::move(qubit), std::move(bit)});
  return ok_status();
}

Status build_get_bit(const Signature& signature, std::span<const Operand> operands,
                     std::optional<std::string_view> result, LoweringContext& context) {
  RETURN_IF_ERROR(check_param_count(signature, 2));
  ASSIGN_OR_RETURN(IndexedIdent bit,
                   register_bit(context, operands[0], operands[1], signature.name));
  if (result.has_value()) context.bind(*result, make_index("c", *bit.index));
  return ok_status();
}

Status build_set_bit(const Signature& signature, std::span<const Operand> operands,
                     LoweringContext& context, std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_param_count(signature, 3));
  ASSIGN_OR_RETURN(IndexedIdent bit,
                   register_bit(context, operands[0], operands[1], signature.name));
  ASSIGN_OR_RETURN(Expr value, truth_operand(context, operands[2], signature.name));
  out.emplace_back(Assign{std::move(bit), std::move(value)});
  return ok_status();
}

Status build_set_int(const Signature& signature, std::span<const Operand> operands,
                     LoweringContext& context, std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_param_count(signature, 2));
  ASSIGN_OR_RETURN(BitRegister bits, register_operand(context, operands[0], signature.name));
  const auto* ssa = std::get_if<Ssa>(&operands[1]);
  std::optional<std::int64_t> constant;
  if (ssa == nullptr) {
    ASSIGN_OR_RETURN(constant, constant_int(operands[1], signature.name, "register value"));
  }
  // Each bit is assigned in turn. The value is read anew for every bit as a
  // step of its own, so that when it reads a bit assigned before (b = b + 1),
  // the state tracker sees the write in between and has the value captured
  // into a variable where it is defined.
  std::vector<Stmt> assigned;
  assigned.reserve(static_cast<std::size_t>(bits.size));
  for (std::int64_t i = 0; i < bits.size; ++i) {
    if (i != 0 && context.tracker != nullptr) context.tracker->next_step();
    Expr value = IntLit{constant.value_or(0)};
    if (ssa != nullptr) {
      ASSIGN_OR_RETURN(value, context.lookup(ssa->name));
    }
    assigned.emplace_back(Assign{IndexedIdent{"c", bits.base + i}, bit_test(std::move(value), i)});
    if (context.tracker != nullptr) {
      context.tracker->note_writes(assigned, assigned.size() - 1, context.tracker->point);
    }
  }
  for (Stmt& stmt : assigned) out.push_back(std::move(stmt));
  return ok_status();
}

Status build_get_int(const Signature& signature, std::span<const Operand> operands,
                     std::optional<std::string_view> result, LoweringContext& context) {
  RETURN_IF_ERROR(check_param_count(signature, 1));
  ASSIGN_OR_RETURN(BitRegister bits, register_operand(context, operands[0], signature.name));
  if (!result.has_value()) return ok_status();
  // c[b] + c[b + 1] * 2 + ... (+ c[b + 63] * -2^63).
  Expr sum = make_index("c", bits.base);
  for (std::int64_t i = 1; i < bits.size; ++i) {
    const auto weight = static_cast<std::int64_t>(std::uint64_t{1} << i);
    sum = make_binary_expr(
        BinaryOp::Add, std::move(sum),
        make_binary_expr(BinaryOp::Mul, make_index("c", bits.base + i), IntLit{weight}));
  }
  return bind_checked(context, *result, std::move(sum));
}

// `__quantum__qis__barrierN__body`: the N its name gives, or absent for the
// plain `__quantum__qis__barrier__body`.
std::optional<std::int64_t> barrier_width(std::string_view name) {
  constexpr std::string_view kPrefix = "__quantum__qis__barrier";
  constexpr std::string_view kSuffix = "__body";
  const std::string_view digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  std::int64_t width = 0;
  for (const char c : digits) width = width * 10 + (c - '0');
  return width;
}

}  // namespace

bool is_barrier_name(std::string_view name) {
  constexpr std::string_view kPrefix = "__quantum__qis__barrier";
  constexpr std::string_view kSuffix = "__body";
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix) ||
      name.size() < kPrefix.size() + kSuffix.size()) {
    return false;
  }
  const std::string_view digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  return std::all_of(digits.begin(), digits.end(), is_digit);
}

Status build_register_call(BuilderKind kind, const Signature& signature,
                           std::span<const Operand> operands,
                           std::optional<std::string_view> result, LoweringContext& context,
                           std::vector<Stmt>& out) {
  switch (kind) {
    case BuilderKind::RegisterCreate:
      return build_create(signature, operands, result, context);
    case BuilderKind::RegisterMeasure:
      return build_measure_to_register(signature, operands, context, out);
    case BuilderKind::RegisterGetBit:
      return build_get_bit(signature, operands, result, context);
    case BuilderKind::RegisterSetBit:
      return build_set_bit(signature, operands, context, out);
    case BuilderKind::RegisterSetInt:
      return build_set_int(signature, operands, context, out);
    case BuilderKind::RegisterGetInt:
      return build_get_int(signature, operands, result, context);
    default:
      break;
  }
  return internal_error("not a register builder");
}

Status build_barrier(const Signature& signature, std::span<const Operand> operands,
                     LoweringContext& context, std::vector<Stmt>& out) {
  const std::optional<std::int64_t> width = barrier_width(signature.name);
  if (width.has_value() && *width != static_cast<std::int64_t>(operands.size())) {
    return register_error(signature.name,
                          "barrier on " + std::to_string(*width) + " qubit(s) is given " +
                              std::to_string(operands.size()) + " operand(s)",
                          ErrorClass::Malformed);
  }
  // A barrier prints as a call-shaped statement: `barrier q[i], q[j];`, or
  // `barrier q;` over every qubit when it names none.
  GateCall call;
  call.name = "barrier";
  if (operands.empty()) {
    call.qubits.push_back(IndexedIdent{"q", std::nullopt});
    context.barrier_on_all_qubits = true;
  }
  for (const Operand& operand : operands) {
    ASSIGN_OR_RETURN(IndexedIdent qubit, resolve_qubit_operand(context, operand, signature.name));
    call.qubits.push_back(std::move(qubit));
  }
  out.emplace_back(std::move(call));
  return ok_status();
}

}  // namespace corvane
