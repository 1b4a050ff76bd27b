// Classical instructions become expressions: comparisons, i1 logic, integer
// arithmetic, bitwise operations, shifts, divisions, conversions and select.
// Operands are read left to right, so the first failing operand decides the
// message; a failing instruction binds nothing.
//
// Integer values follow the conventions of values/int_range.h (canonical iN forms in a
// 64-bit int). An operation whose plain form is exact for every value the
// operands' ranges allow is printed plainly; any other gets a correction that
// names each operand once, so an expression grows by a few nodes, never doubles.
// Where no such form exists (`>>` or `/` of a 64-bit value that may be
// negative, a shift by a variable amount) the instruction is refused; a shift or
// division of two constants is computed here instead.
#include "translator/classical.h"

#include <array>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ir/parser_util.h"
#include "support/text.h"

namespace corvane {
namespace {

bool fits_i64(int128 value) {
  return value >= std::numeric_limits<std::int64_t>::min() &&
         value <= std::numeric_limits<std::int64_t>::max();
}

Expr int_lit(std::int64_t value) { return IntLit{value}; }

}  // namespace

std::optional<BinaryOp> icmp_operator(std::string_view predicate) {
  if (predicate == "eq") return BinaryOp::Eq;
  if (predicate == "ne") return BinaryOp::Ne;
  if (predicate == "ult" || predicate == "slt") return BinaryOp::Lt;
  if (predicate == "ule" || predicate == "sle") return BinaryOp::Le;
  if (predicate == "ugt" || predicate == "sgt") return BinaryOp::Gt;
  if (predicate == "uge" || predicate == "sge") return BinaryOp::Ge;
  return std::nullopt;
}

I1Class classify_i1(const Operand& operand) {
  if (const auto* boolean = std::get_if<ConstBool>(&operand)) {
    return boolean->value ? I1Class::True : I1Class::False;
  }
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (integer->value == 0) return I1Class::False;
    if (integer->value == 1) return I1Class::True;
  }
  return I1Class::Other;
}

Result<Expr> int_operand_expr(const Operand& operand, const LoweringContext& context) {
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (!fits_i64(integer->value)) {
      return lowering_error("integer constant " + int128_to_string(integer->value) +
                            " does not fit in i64; wider integer constants are not yet supported");
    }
    return int_lit(static_cast<std::int64_t>(integer->value));
  }
  if (const auto* boolean = std::get_if<ConstBool>(&operand))
    return int_lit(boolean->value ? 1 : 0);
  if (const auto* ssa = std::get_if<Ssa>(&operand)) return context.lookup(ssa->name);
  return lowering_error("could not interpret integer operand " +
                        quote_text(operand_debug(operand)));
}

Result<Expr> int_operand_expr(const Operand& operand, std::uint32_t width,
                              const LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr value, int_operand_expr(operand, context));
  if (auto* literal = std::get_if<IntLit>(&value.node); literal != nullptr && width >= 1) {
    literal->value = canonical_constant(literal->value, width);
  }
  return value;
}

Result<Expr> i1_operand_expr(const Operand& operand, const LoweringContext& context) {
  if (const auto* boolean = std::get_if<ConstBool>(&operand))
    return int_lit(boolean->value ? 1 : 0);
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (integer->value == 0 || integer->value == 1) {
      return int_lit(static_cast<std::int64_t>(integer->value));
    }
    return lowering_error("could not interpret i1 constant operand " +
                          int128_to_string(integer->value));
  }
  if (const auto* ssa = std::get_if<Ssa>(&operand)) return context.lookup(ssa->name);
  return lowering_error("could not interpret i1 constant operand " +
                        quote_text(operand_debug(operand)));
}

bool is_comparison_or_logic(const Expr& expr) {
  const auto* binary = std::get_if<BinaryExpr>(&expr.node);
  return binary != nullptr && binary_op_is_boolean(binary->op);
}

Expr truth_value(Expr expr) {
  if (is_comparison_or_logic(expr)) return expr;
  return make_binary_expr(BinaryOp::Eq, std::move(expr), int_lit(1));
}

Expr read_int_variable(const std::string& variable, bool truth) {
  if (!truth) return Ident{variable};
  return make_binary_expr(BinaryOp::Eq, Ident{variable}, IntLit{1});
}

namespace {

// The refusal of an integer operation on a type the output cannot hold: no
// integer type (`width` 0) or one wider than 64 bits.
TranslateError unsupported_width_error(std::string_view opcode, std::uint32_t width,
                                       std::string_view result) {
  if (width == 0) {
    return lowering_error("`" + std::string(opcode) + "` (SSA value " + quote_text(result) +
                          ") on a type other than an integer type iN is not supported");
  }
  return lowering_error("`" + std::string(opcode) + " i" + std::to_string(width) + "` (SSA value " +
                        quote_text(result) +
                        ") is not supported: integers wider than 64 bits do not fit the output's "
                        "64-bit int");
}

bool fits_output(std::uint32_t width) { return width >= 1 && width <= 64; }

// The operator that compares i1 values under a signed predicate: true is -1
// there, so the order of 0 and 1 is reversed.
BinaryOp mirrored(BinaryOp op) {
  switch (op) {
    case BinaryOp::Lt:
      return BinaryOp::Gt;
    case BinaryOp::Le:
      return BinaryOp::Ge;
    case BinaryOp::Gt:
      return BinaryOp::Lt;
    case BinaryOp::Ge:
      return BinaryOp::Le;
    default:
      return op;
  }
}

}  // namespace

Status lower_icmp(const ICmp& icmp, const BinaryOperands& operands, LoweringContext& context) {
  const std::optional<BinaryOp> op = icmp_operator(icmp.predicate);
  if (!op.has_value()) {
    return lowering_error(
        "icmp predicate " + quote_text(icmp.predicate) +
        " is not supported; supported predicates are [\"eq\", \"ne\", \"ult\", \"slt\", \"ule\", "
        "\"sle\", \"ugt\", \"sgt\", \"uge\", \"sge\"]");
  }
  ASSIGN_OR_RETURN(Expr lhs, int_operand_expr(operands.lhs, icmp.width, context));
  ASSIGN_OR_RETURN(Expr rhs, int_operand_expr(operands.rhs, icmp.width, context));
  if (!fits_output(icmp.width)) return unsupported_width_error("icmp", icmp.width, icmp.result);
  BinaryOp comparison = *op;
  const bool is_signed = icmp.predicate.front() == 's';
  const bool is_unsigned = icmp.predicate.front() == 'u';
  if (icmp.width == 1) {
    // i1 values are held as 0/1, which is already their unsigned order.
    if (is_signed) comparison = mirrored(comparison);
  } else if (is_unsigned && (expr_range(lhs, context.variable_ranges).lo < 0 ||
                             expr_range(rhs, context.variable_ranges).lo < 0)) {
    // Flipping the sign bit maps unsigned order onto signed order; the
    // canonical (sign-extended) form keeps the unsigned order of an iN.
    lhs = flip_sign_bit(std::move(lhs));
    rhs = flip_sign_bit(std::move(rhs));
  }
  return bind_checked(context, icmp.result,
                      make_binary_expr(comparison, std::move(lhs), std::move(rhs)));
}

namespace {

// An i1 operand of add/sub/mul with any integer constant cut to its low bit
// (LLVM truncates constants to the type).
Operand i1_bit_operand(const Operand& operand) {
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    return ConstBool{(integer->value & 1) != 0};
  }
  return operand;
}

// The refusal of an operation the output cannot compute exactly; `reason`
// completes the sentence.
TranslateError inexact_error(const Arith& arith, std::string_view reason) {
  return lowering_error("`" + std::string(opcode_name(arith.op)) + " i" +
                        std::to_string(arith.width) + "` (SSA value " + quote_text(arith.result) +
                        ") is not supported: " + std::string(reason));
}

// The N-bit pattern of a canonical value, as an unsigned number.
std::uint64_t pattern_of(std::int64_t value, std::uint32_t width) {
  const auto bits = static_cast<std::uint64_t>(value);
  return width >= 64 ? bits : bits & ((std::uint64_t{1} << width) - 1);
}

// The canonical form of an N-bit pattern.
std::int64_t from_pattern(std::uint64_t bits, std::uint32_t width) {
  if (width >= 64) return static_cast<std::int64_t>(bits);
  return canonical_constant(static_cast<int128>(bits), width);
}

// A shift or division of two canonical constants, as LLVM computes it on N-bit patterns;
// nothing where LLVM's result is poison or undefined (a shift by N or more, a
// division by zero, the most negative value divided by -1). `width` is 2 to 64.
std::optional<std::int64_t> fold_constants(ArithOp op, std::int64_t a, std::int64_t b,
                                           std::uint32_t width) {
  const std::uint64_t ua = pattern_of(a, width);
  const std::uint64_t ub = pattern_of(b, width);
  const std::int64_t most_negative = from_pattern(std::uint64_t{1} << (width - 1), width);
  switch (op) {
    case ArithOp::Add:
    case ArithOp::Sub:
    case ArithOp::Mul:
    case ArithOp::And:
    case ArithOp::Or:
    case ArithOp::Xor:
      return std::nullopt;  // printed as operations, not folded
    case ArithOp::Shl:
      if (ub >= width) return std::nullopt;
      return from_pattern(ua << ub, width);
    case ArithOp::LShr:
      if (ub >= width) return std::nullopt;
      return from_pattern(ua >> ub, width);
    case ArithOp::AShr:
      if (ub >= width) return std::nullopt;
      // Shifting the complement of a negative value keeps its sign bits.
      if (a < 0) return static_cast<std::int64_t>(~(~static_cast<std::uint64_t>(a) >> ub));
      return a >> ub;
    case ArithOp::UDiv:
      if (ub == 0) return std::nullopt;
      return from_pattern(ua / ub, width);
    case ArithOp::URem:
      if (ub == 0) return std::nullopt;
      return from_pattern(ua % ub, width);
    case ArithOp::SDiv:
      if (b == 0 || (a == most_negative && b == -1)) return std::nullopt;
      return from_pattern(static_cast<std::uint64_t>(a / b), width);
    case ArithOp::SRem:
      if (b == 0 || (a == most_negative && b == -1)) return std::nullopt;
      return a % b;
  }
  return std::nullopt;
}

// `shl`, `lshr` or `ashr` of a canonical iN value (N 2 to 64) by a constant.
Result<Expr> lower_shift(const Arith& arith, Expr value, const Expr& amount,
                         const LoweringContext& context) {
  const auto* literal = std::get_if<IntLit>(&amount.node);
  if (literal == nullptr) {
    return inexact_error(arith,
                         "its shift amount is not a constant, and the output's shifts are "
                         "exact only by a constant amount");
  }
  const std::uint64_t shift = pattern_of(literal->value, arith.width);
  if (const auto* constant = std::get_if<IntLit>(&value.node)) {
    // Poison (a shift by N or more) may be any value.
    return Expr(int_lit(
        fold_constants(arith.op, constant->value, literal->value, arith.width).value_or(0)));
  }
  // LLVM's result is poison here: any value will do.
  if (shift >= arith.width) return Expr(int_lit(0));
  if (shift == 0) return value;
  const auto k = static_cast<std::int64_t>(shift);
  if (arith.op == ArithOp::Shl) {
    Expr shifted = make_binary_expr(BinaryOp::Shl, std::move(value), int_lit(k));
    if (arith.width < 64 &&
        !expr_range(shifted, context.variable_ranges).within(width_range(arith.width))) {
      shifted = sign_extend_low_bits(std::move(shifted), arith.width);
    }
    return shifted;
  }
  if (expr_range(value, context.variable_ranges).lo >= 0) {
    // A non-negative value shifts the same either way.
    return make_binary_expr(BinaryOp::Shr, std::move(value), int_lit(k));
  }
  if (arith.width == 64) {
    return inexact_error(arith,
                         "its operand may be negative, and the output's `>>` is exact only on "
                         "non-negative values");
  }
  if (arith.op == ArithOp::LShr) {
    // The N-bit pattern as a non-negative number; shifted by one or more it
    // fits the positive half of iN.
    return make_binary_expr(BinaryOp::Shr, low_bits(std::move(value), arith.width), int_lit(k));
  }
  // value + 2^(N-1) is non-negative, and 2^(N-1) is a multiple of 2^k, so the
  // floor of the quotient moves by exactly 2^(N-1-k).
  const std::int64_t half = std::int64_t{1} << (arith.width - 1);
  return make_binary_expr(
      BinaryOp::Sub,
      make_binary_expr(BinaryOp::Shr,
                       make_binary_expr(BinaryOp::Add, std::move(value), int_lit(half)),
                       int_lit(k)),
      int_lit(half >> k));
}

// `udiv`, `sdiv`, `urem` or `srem` of canonical iN values (N 2 to 64).
Result<Expr> lower_division(const Arith& arith, Expr lhs, Expr rhs,
                            const LoweringContext& context) {
  const auto* lhs_literal = std::get_if<IntLit>(&lhs.node);
  const auto* rhs_literal = std::get_if<IntLit>(&rhs.node);
  if (rhs_literal != nullptr && lhs_literal != nullptr) {
    // Poison and undefined results (a zero divisor, say) may be any value.
    return Expr(int_lit(
        fold_constants(arith.op, lhs_literal->value, rhs_literal->value, arith.width).value_or(0)));
  }
  if (rhs_literal != nullptr && rhs_literal->value == 0) return Expr(int_lit(0));
  const bool is_unsigned = arith.op == ArithOp::UDiv || arith.op == ArithOp::URem;
  const BinaryOp op =
      arith.op == ArithOp::UDiv || arith.op == ArithOp::SDiv ? BinaryOp::Div : BinaryOp::Mod;
  const bool lhs_negative = expr_range(lhs, context.variable_ranges).lo < 0;
  const bool rhs_negative = expr_range(rhs, context.variable_ranges).lo < 0;
  if (lhs_negative || rhs_negative) {
    if (!is_unsigned || arith.width == 64) {
      return inexact_error(arith, op == BinaryOp::Div
                                      ? "an operand may be negative, and the output's `/` is "
                                        "exact only on non-negative values"
                                      : "an operand may be negative, and the output's `%` is "
                                        "exact only on non-negative values");
    }
    // Below 64 bits the unsigned reading of an iN is its pattern.
    if (lhs_negative) lhs = low_bits(std::move(lhs), arith.width);
    if (rhs_negative) rhs = low_bits(std::move(rhs), arith.width);
  }
  Expr value = make_binary_expr(op, std::move(lhs), std::move(rhs));
  if (arith.width < 64 &&
      !expr_range(value, context.variable_ranges).within(width_range(arith.width))) {
    value = sign_extend_low_bits(std::move(value), arith.width);
  }
  return value;
}

// An i1 shift or division: by the only amount or divisor that is not poison
// (0 for a shift, 1 for a division) the value is unchanged and a remainder is 0.
Status lower_i1_arith(const Arith& arith, const BinaryOperands& operands,
                      LoweringContext& context) {
  switch (arith.op) {
    case ArithOp::Add:
    case ArithOp::Sub:
    case ArithOp::Mul:
    case ArithOp::And:
    case ArithOp::Or:
    case ArithOp::Xor: {
      // Modulo 2, a sum and a difference are the xor and a product is the and.
      const Operand lhs = i1_bit_operand(operands.lhs);
      const Operand rhs = i1_bit_operand(operands.rhs);
      LogicOp logic = LogicOp::Xor;
      if (arith.op == ArithOp::Mul || arith.op == ArithOp::And) logic = LogicOp::And;
      if (arith.op == ArithOp::Or) logic = LogicOp::Or;
      return lower_logic(Logic{logic, 0, arith.result}, {lhs, rhs}, context);
    }
    case ArithOp::Shl:
    case ArithOp::LShr:
    case ArithOp::AShr:
    case ArithOp::UDiv:
    case ArithOp::SDiv: {
      ASSIGN_OR_RETURN(Expr value, int_operand_expr(operands.lhs, 1, context));
      ASSIGN_OR_RETURN(Expr unused, int_operand_expr(operands.rhs, 1, context));
      (void)unused;
      return bind_checked(context, arith.result, std::move(value));
    }
    case ArithOp::URem:
    case ArithOp::SRem: {
      ASSIGN_OR_RETURN(Expr unused_lhs, int_operand_expr(operands.lhs, 1, context));
      ASSIGN_OR_RETURN(Expr unused_rhs, int_operand_expr(operands.rhs, 1, context));
      (void)unused_lhs;
      (void)unused_rhs;
      return bind_checked(context, arith.result, int_lit(0));
    }
  }
  return internal_error("unknown arithmetic operator");
}

}  // namespace

Status lower_arith(const Arith& arith, const BinaryOperands& operands, LoweringContext& context) {
  if (arith.width == 1) return lower_i1_arith(arith, operands, context);
  ASSIGN_OR_RETURN(Expr lhs, int_operand_expr(operands.lhs, arith.width, context));
  ASSIGN_OR_RETURN(Expr rhs, int_operand_expr(operands.rhs, arith.width, context));
  if (!fits_output(arith.width)) {
    return unsupported_width_error(opcode_name(arith.op), arith.width, arith.result);
  }
  BinaryOp op = BinaryOp::Add;
  switch (arith.op) {
    case ArithOp::Add:
      op = BinaryOp::Add;
      break;
    case ArithOp::Sub:
      op = BinaryOp::Sub;
      break;
    case ArithOp::Mul:
      op = BinaryOp::Mul;
      break;
    case ArithOp::And:
    case ArithOp::Or:
    case ArithOp::Xor: {
      // Sign-extended forms stay sign-extended under bitwise operations.
      const BinaryOp bitwise = arith.op == ArithOp::And
                                   ? BinaryOp::BitAnd
                                   : (arith.op == ArithOp::Or ? BinaryOp::BitOr : BinaryOp::BitXor);
      return bind_checked(context, arith.result,
                          make_binary_expr(bitwise, std::move(lhs), std::move(rhs)));
    }
    case ArithOp::Shl:
    case ArithOp::LShr:
    case ArithOp::AShr: {
      ASSIGN_OR_RETURN(Expr value, lower_shift(arith, std::move(lhs), rhs, context));
      return bind_checked(context, arith.result, std::move(value));
    }
    case ArithOp::UDiv:
    case ArithOp::SDiv:
    case ArithOp::URem:
    case ArithOp::SRem: {
      ASSIGN_OR_RETURN(Expr value, lower_division(arith, std::move(lhs), std::move(rhs), context));
      return bind_checked(context, arith.result, std::move(value));
    }
  }
  Expr value = make_binary_expr(op, std::move(lhs), std::move(rhs));
  // At 64 bits the output's int wraps as LLVM does; a narrower result is
  // wrapped into its width unless its range shows it cannot leave it.
  if (arith.width < 64 &&
      !expr_range(value, context.variable_ranges).within(width_range(arith.width))) {
    value = sign_extend_low_bits(std::move(value), arith.width);
  }
  return bind_checked(context, arith.result, std::move(value));
}

namespace {

// The source of a cast as an expression: a bound value, or a constant in the
// canonical form of its type.
Result<Expr> cast_source(const IntCast& cast, const LoweringContext& context) {
  if (!cast.constant_source) return context.lookup(cast.source);
  if (cast.source == "true" || cast.source == "false")
    return int_lit(cast.source == "true" ? 1 : 0);
  const std::optional<int128> value = parse_int_literal(cast.source, cast.from_width);
  if (!value.has_value() || !fits_i64(*value) || !fits_output(cast.from_width)) {
    return lowering_error("cast source constant " + quote_text(cast.source) + " (SSA value " +
                          quote_text(cast.result) + ") does not fit in i64");
  }
  return int_lit(canonical_constant(*value, cast.from_width));
}

}  // namespace

Status lower_int_cast(const IntCast& cast, LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr value, cast_source(cast, context));
  const std::string_view opcode = opcode_name(cast.op);
  if (cast.op == CastOp::Trunc) {
    if (!fits_output(cast.from_width)) {
      return unsupported_width_error("trunc", cast.from_width, cast.result);
    }
    if (cast.to_width == 0 || cast.to_width >= cast.from_width) {
      return lowering_error("`trunc` (SSA value " + quote_text(cast.result) +
                            ") is not supported: it must truncate an integer type iN to a "
                            "narrower one");
    }
  } else {
    if (!fits_output(cast.to_width)) {
      return unsupported_width_error(std::string(opcode) + " ... to", cast.to_width, cast.result);
    }
    if (cast.from_width == 0 || cast.from_width >= cast.to_width) {
      return lowering_error("`" + std::string(opcode) + "` (SSA value " + quote_text(cast.result) +
                            ") is not supported: it must extend an integer type iN to a wider "
                            "one");
    }
  }
  switch (cast.op) {
    case CastOp::Zext:
      // An i1 is already held as 0/1; a wider value that may be negative keeps
      // its low bits only.
      if (cast.from_width > 1 && expr_range(value, context.variable_ranges).lo < 0) {
        value = low_bits(std::move(value), cast.from_width);
      }
      break;
    case CastOp::Sext:
      // A wider iN is held sign-extended already; an i1 turns 0/1 into 0/-1.
      if (cast.from_width == 1)
        value = make_binary_expr(BinaryOp::Sub, int_lit(0), std::move(value));
      break;
    case CastOp::Trunc:
      if (cast.to_width == 1) {
        value = make_binary_expr(BinaryOp::BitAnd, std::move(value), int_lit(1));
      } else if (!expr_range(value, context.variable_ranges).within(width_range(cast.to_width))) {
        value = sign_extend_low_bits(std::move(value), cast.to_width);
      }
      break;
  }
  return bind_checked(context, cast.result, std::move(value));
}

namespace {

Result<Expr> truth_operand(const Operand& operand, const LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr value, i1_operand_expr(operand, context));
  return truth_value(std::move(value));
}

// The general xor and the and/or forms: both operands as truth values, lhs first.
Status bind_truth_pair(LoweringContext& context, const Logic& logic, const BinaryOperands& operands,
                       BinaryOp op) {
  ASSIGN_OR_RETURN(Expr lhs, truth_operand(operands.lhs, context));
  ASSIGN_OR_RETURN(Expr rhs, truth_operand(operands.rhs, context));
  return bind_checked(context, logic.result, make_binary_expr(op, std::move(lhs), std::move(rhs)));
}

Status lower_xor(const Logic& logic, const BinaryOperands& operands, LoweringContext& context) {
  const I1Class lhs_class = classify_i1(operands.lhs);
  const I1Class rhs_class = classify_i1(operands.rhs);
  const bool lhs_other = lhs_class == I1Class::Other;
  const bool rhs_other = rhs_class == I1Class::Other;
  if (lhs_other != rhs_other) {
    const Operand& other = lhs_other ? operands.lhs : operands.rhs;
    const I1Class constant = lhs_other ? rhs_class : lhs_class;
    ASSIGN_OR_RETURN(Expr value, i1_operand_expr(other, context));
    if (constant == I1Class::False) return bind_checked(context, logic.result, std::move(value));
    return bind_checked(context, logic.result,
                        make_binary_expr(BinaryOp::Eq, std::move(value), int_lit(0)));
  }
  return bind_truth_pair(context, logic, operands, BinaryOp::Ne);
}

}  // namespace

Status lower_logic(const Logic& logic, const BinaryOperands& operands, LoweringContext& context) {
  switch (logic.op) {
    case LogicOp::And:
      return bind_truth_pair(context, logic, operands, BinaryOp::And);
    case LogicOp::Or:
      return bind_truth_pair(context, logic, operands, BinaryOp::Or);
    case LogicOp::Xor:
      return lower_xor(logic, operands, context);
  }
  return internal_error("unknown logic operator");
}

namespace {

Result<Expr> select_i1(const SelectOperands& select, const LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr c, truth_operand(select.cond, context));
  const I1Class then_class = classify_i1(select.then_value);
  const I1Class else_class = classify_i1(select.else_value);
  const bool then_const = then_class != I1Class::Other;
  const bool else_const = else_class != I1Class::Other;
  if (then_const && else_const && then_class != else_class) {
    if (then_class == I1Class::True) return c;
    return make_not(std::move(c));
  }
  if (!then_const && else_const) {
    ASSIGN_OR_RETURN(Expr t, truth_operand(select.then_value, context));
    if (else_class == I1Class::False)
      return make_binary_expr(BinaryOp::And, std::move(c), std::move(t));
    return make_binary_expr(BinaryOp::Or, make_not(std::move(c)), std::move(t));
  }
  if (then_const && !else_const) {
    ASSIGN_OR_RETURN(Expr e, truth_operand(select.else_value, context));
    if (then_class == I1Class::True)
      return make_binary_expr(BinaryOp::Or, std::move(c), std::move(e));
    return make_binary_expr(BinaryOp::And, make_not(std::move(c)), std::move(e));
  }
  // Both constant and equal, or both other: the general two-arm form.
  ASSIGN_OR_RETURN(Expr t, truth_operand(select.then_value, context));
  ASSIGN_OR_RETURN(Expr e, truth_operand(select.else_value, context));
  Expr c_copy = c;
  return make_binary_expr(
      BinaryOp::Or, make_binary_expr(BinaryOp::And, std::move(c), std::move(t)),
      make_binary_expr(BinaryOp::And, make_not(std::move(c_copy)), std::move(e)));
}

Result<Expr> select_int(const SelectOperands& select, std::uint32_t width,
                        const LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr c, i1_operand_expr(select.cond, context));
  ASSIGN_OR_RETURN(Expr a, int_operand_expr(select.then_value, width, context));
  ASSIGN_OR_RETURN(Expr b, int_operand_expr(select.else_value, width, context));
  Expr c_copy = c;
  return make_binary_expr(
      BinaryOp::Add, make_binary_expr(BinaryOp::Mul, std::move(c), std::move(a)),
      make_binary_expr(BinaryOp::Mul,
                       make_binary_expr(BinaryOp::Sub, int_lit(1), std::move(c_copy)),
                       std::move(b)));
}

}  // namespace

Status lower_select(const Select& select, const SelectOperands& operands,
                    LoweringContext& context) {
  if (select.ty == "i1") {
    ASSIGN_OR_RETURN(Expr value, select_i1(operands, context));
    return bind_checked(context, select.result, std::move(value));
  }
  if (select.ty == "i32" || select.ty == "i64") {
    ASSIGN_OR_RETURN(Expr value, select_int(operands, integer_type_width(select.ty), context));
    return bind_checked(context, select.result, std::move(value));
  }
  const std::string ty(select.ty);
  return lowering_error("`select i1 %cond, " + ty + " ..., " + ty +
                        " ...` is not supported: OpenQASM 3 has no classical ternary expression "
                        "for value-typed selects. Apply each branch in its own `if` arm, or "
                        "precompute the value before the circuit.");
}

}  // namespace corvane
