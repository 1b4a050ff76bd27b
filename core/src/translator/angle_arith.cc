#include "translator/angle_arith.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "support/text.h"
#include "translator/classical.h"
#include "values/int_range.h"

namespace corvane {
namespace {

// Integers whose every value a double holds exactly.
constexpr std::int64_t kExactLimit = std::int64_t{1} << 53;
constexpr IntRange kExactRange{-kExactLimit, kExactLimit};

// One operand of a float operation: its expression, and whether that is an
// integer expression (whose value the double holds exactly).
struct AngleOperand {
  Expr expr;
  bool integral = false;
};

// "`fadd` (SSA value %x)", the way messages name the instruction.
std::string named(const FloatArith& arith) {
  return "`" + std::string(opcode_name(arith.op)) + "` (SSA value " + quote_text(arith.result) +
         ")";
}

Result<AngleOperand> angle_operand(const Operand& operand, const FloatArith& arith,
                                   const LoweringContext& context) {
  if (const auto* number = std::get_if<ConstFloat>(&operand)) {
    return AngleOperand{FloatLit{number->value}, false};
  }
  if (const auto* ssa = std::get_if<Ssa>(&operand)) {
    const auto angle = context.angle_values.find(ssa->name);
    if (angle != context.angle_values.end()) {
      ASSIGN_OR_RETURN(Expr value, context.lookup_angle(ssa->name));
      return AngleOperand{std::move(value), angle->second.integral};
    }
    ASSIGN_OR_RETURN(Expr value, context.lookup(ssa->name));
    // A double bound elsewhere is a constant (a forwarded load).
    if (std::holds_alternative<FloatLit>(value.node)) return AngleOperand{std::move(value), false};
  }
  return lowering_error(named(arith) + " has an operand " + quote_text(operand_debug(operand)) +
                        " that is not a double the output can state");
}

// The constant double of a folded operand, if it is one.
std::optional<double> constant_of(const AngleOperand& operand) {
  if (const auto* number = std::get_if<FloatLit>(&operand.expr.node)) return number->value;
  return std::nullopt;
}

Status bind_angle(LoweringContext& context, const FloatArith& arith, Expr value, bool integral) {
  RETURN_IF_ERROR(bind_checked(context, arith.result, std::move(value)));
  context.angle_values.insert_or_assign(arith.result, AngleValue{opcode_name(arith.op), integral});
  return ok_status();
}

Status bind_constant(LoweringContext& context, const FloatArith& arith, double value) {
  if (!std::isfinite(value)) {
    return lowering_error(named(arith) + " computes " + debug_float(value) +
                          ", which the output cannot state as an angle");
  }
  return bind_angle(context, arith, FloatLit{value}, false);
}

BinaryOp binary_op(FloatOp op) {
  switch (op) {
    case FloatOp::FSub:
      return BinaryOp::Sub;
    case FloatOp::FMul:
      return BinaryOp::Mul;
    case FloatOp::FDiv:
      return BinaryOp::Div;
    default:
      return BinaryOp::Add;
  }
}

double fold(FloatOp op, double lhs, double rhs) {
  switch (op) {
    case FloatOp::FSub:
      return lhs - rhs;
    case FloatOp::FMul:
      return lhs * rhs;
    case FloatOp::FDiv:
      return lhs / rhs;
    default:
      return lhs + rhs;
  }
}

Status lower_binary(const FloatArith& arith, const Function& function, LoweringContext& context) {
  const BinaryOperands operands = function.binary_operands(arith);
  ASSIGN_OR_RETURN(AngleOperand lhs, angle_operand(operands.lhs, arith, context));
  ASSIGN_OR_RETURN(AngleOperand rhs, angle_operand(operands.rhs, arith, context));
  const std::optional<double> a = constant_of(lhs);
  const std::optional<double> b = constant_of(rhs);
  if (a && b) return bind_constant(context, arith, fold(arith.op, *a, *b));
  if (arith.op == FloatOp::FDiv) {
    // The output's `/` divides integers only.
    return lowering_error(named(arith) + " of a value known only at run time is not supported: " +
                          "the output has no float division");
  }
  const bool integral = lhs.integral && rhs.integral;
  Expr value = make_binary_expr(binary_op(arith.op), std::move(lhs.expr), std::move(rhs.expr));
  // Two integers are added (or multiplied) as integers: exact as long as the
  // result is one the double holds exactly, as the double operation's is then.
  if (integral && !expr_range(value, context.variable_ranges).within(kExactRange)) {
    return lowering_error(named(arith) +
                          " of integers whose result may lie beyond 2^53 in magnitude is not "
                          "supported: the output cannot state its rounding to double");
  }
  return bind_angle(context, arith, std::move(value), integral);
}

Status lower_conversion(const FloatArith& arith, const Function& function,
                        LoweringContext& context) {
  const std::uint32_t width = arith.from_width;
  if (width < 1 || width > 64) {
    return lowering_error(named(arith) + " is supported from integer types i1 to i64 only");
  }
  const bool is_signed = arith.op == FloatOp::SIToFP;
  const Operand& source = function.operands[arith.first_operand];
  ASSIGN_OR_RETURN(Expr value, int_operand_expr(source, width, context));
  if (const auto* literal = std::get_if<IntLit>(&value.node)) {
    // The canonical form holds an i1 as 0/1 and wider types sign-extended.
    std::int64_t v = literal->value;
    if (width == 1 && is_signed) v = -v;
    if (is_signed || v >= 0 || width == 1) {
      return bind_constant(context, arith, static_cast<double>(v));
    }
    const std::uint64_t bits =
        width == 64 ? static_cast<std::uint64_t>(v)
                    : static_cast<std::uint64_t>(v) & ((std::uint64_t{1} << width) - 1);
    return bind_constant(context, arith, static_cast<double>(bits));
  }
  if (width == 1) {
    // LLVM reads an i1 true as -1 when signed.
    if (is_signed) value = make_binary_expr(BinaryOp::Sub, IntLit{0}, std::move(value));
  } else if (!is_signed && expr_range(value, context.variable_ranges).lo < 0) {
    if (width == 64) {
      return lowering_error(named(arith) +
                            " of an i64 that may be negative is not supported: its unsigned "
                            "value may lie beyond 2^53, where the output cannot state its "
                            "rounding to double");
    }
    value = low_bits(std::move(value), width);
  }
  if (!expr_range(value, context.variable_ranges).within(kExactRange)) {
    return lowering_error(named(arith) +
                          " of an integer that may lie beyond 2^53 in magnitude is not "
                          "supported: the output cannot state its rounding to double");
  }
  return bind_angle(context, arith, std::move(value), true);
}

}  // namespace

Status lower_float_arith(const FloatArith& arith, const Function& function,
                         LoweringContext& context) {
  if (arith.ty != "double") {
    return lowering_error(named(arith) + " on type " + quote_text(arith.ty) +
                          " is not supported; only double values are");
  }
  switch (arith.op) {
    case FloatOp::FAdd:
    case FloatOp::FSub:
    case FloatOp::FMul:
    case FloatOp::FDiv:
      return lower_binary(arith, function, context);
    case FloatOp::FNeg: {
      ASSIGN_OR_RETURN(AngleOperand operand,
                       angle_operand(function.operands[arith.first_operand], arith, context));
      if (const std::optional<double> v = constant_of(operand)) {
        return bind_constant(context, arith, -*v);
      }
      return bind_angle(context, arith, Expr(UnaryExpr{UnaryOp::Neg, std::move(operand.expr)}),
                        operand.integral);
    }
    case FloatOp::SIToFP:
    case FloatOp::UIToFP:
      return lower_conversion(arith, function, context);
  }
  return internal_error("unknown float operation");
}

}  // namespace corvane
