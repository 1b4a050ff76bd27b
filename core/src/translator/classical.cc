// Classical instructions become expressions: comparisons, i1 logic, integer
// arithmetic, zext and select. Operands are read left to right, so the first
// failing operand decides the message; a failing instruction binds nothing.
//
// Integer values follow the conventions of int_range.h (canonical iN forms in a
// 64-bit int). An operation whose plain form is exact for every value the
// operands' ranges allow is printed plainly; any other gets a correction that
// names each operand once, so an expression grows by a few nodes, never doubles.
#include "translator/classical.h"

#include <array>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ir/parser_util.h"
#include "ir/text.h"

namespace corvane {
namespace {

bool fits_i64(int128 value) {
  return value >= std::numeric_limits<std::int64_t>::min() &&
         value <= std::numeric_limits<std::int64_t>::max();
}

Expr int_lit(std::int64_t value) { return IntLit{value}; }

// A node of measure_expr's explicit stack and the depth at which it sits.
struct MeasureFrame {
  const Expr* expr = nullptr;
  std::uint64_t depth = 0;
};

// Writes the children of `expr` (one level deeper) to `out`; returns their number.
std::size_t children_of(const Expr& expr, std::uint64_t depth, std::array<MeasureFrame, 2>& out) {
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    out = {MeasureFrame{&*index->base, depth + 1}, MeasureFrame{&*index->index, depth + 1}};
    return 2;
  }
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    out[0] = {&*unary->operand, depth + 1};
    return 1;
  }
  if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    out = {MeasureFrame{&*binary->lhs, depth + 1}, MeasureFrame{&*binary->rhs, depth + 1}};
    return 2;
  }
  return 0;
}

bool is_atom(const Expr& expr) {
  return std::holds_alternative<Ident>(expr.node) || std::holds_alternative<IntLit>(expr.node) ||
         std::holds_alternative<FloatLit>(expr.node) || std::holds_alternative<BoolLit>(expr.node);
}

}  // namespace

ExprMetrics measure_expr(const Expr& expr) {
  if (is_atom(expr)) return {1, 1};
  // Most expressions are small (c[0], a comparison of two bits): walk them on a
  // fixed local stack and move to the heap only for large trees.
  constexpr std::size_t kLocalFrames = 64;
  std::array<MeasureFrame, kLocalFrames> local;
  std::size_t local_size = 0;
  std::vector<MeasureFrame> heap;
  ExprMetrics metrics;
  local[local_size++] = {&expr, 1};
  while (local_size > 0 || !heap.empty()) {
    MeasureFrame frame;
    if (!heap.empty()) {
      frame = heap.back();
      heap.pop_back();
    } else {
      frame = local[--local_size];
    }
    ++metrics.nodes;
    if (frame.depth > metrics.depth) metrics.depth = frame.depth;
    std::array<MeasureFrame, 2> children;
    const std::size_t count = children_of(*frame.expr, frame.depth, children);
    for (std::size_t i = 0; i < count; ++i) {
      if (heap.empty() && local_size < kLocalFrames) {
        local[local_size++] = children[i];
      } else {
        heap.push_back(children[i]);
      }
    }
  }
  return metrics;
}

Status bind_checked(LoweringContext& context, std::string_view name, Expr value) {
  const ExprMetrics metrics = measure_expr(value);
  if (metrics.depth > kMaxExprDepth) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                          " exceeds the limit of " + std::to_string(kMaxExprDepth) +
                          " nested operations");
  }
  if (metrics.nodes > kMaxExprNodes) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                          " exceeds the limit of " + std::to_string(kMaxExprNodes) + " nodes");
  }
  context.bind(name, std::move(value));
  return ok_status();
}

Status charge_copied_nodes(const LoweringContext& context, std::string_view name,
                           std::uint64_t nodes) {
  if (nodes > context.copy_budget || context.copied_nodes > context.copy_budget - nodes) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                          " cannot be copied into another use: the translation has used up its "
                          "budget of " +
                          std::to_string(context.copy_budget) + " copied expression nodes");
  }
  context.copied_nodes += nodes;
  return ok_status();
}

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
  if (binary == nullptr) return false;
  switch (binary->op) {
    case BinaryOp::Or:
    case BinaryOp::And:
    case BinaryOp::Eq:
    case BinaryOp::Ne:
    case BinaryOp::Lt:
    case BinaryOp::Le:
    case BinaryOp::Gt:
    case BinaryOp::Ge:
      return true;
    case BinaryOp::BitOr:
    case BinaryOp::BitXor:
    case BinaryOp::BitAnd:
    case BinaryOp::Shl:
    case BinaryOp::Shr:
    case BinaryOp::Add:
    case BinaryOp::Sub:
    case BinaryOp::Mul:
    case BinaryOp::Div:
    case BinaryOp::Mod:
    case BinaryOp::Pow:
      return false;
  }
  return false;
}

Expr truth_value(Expr expr) {
  if (is_comparison_or_logic(expr)) return expr;
  return make_binary_expr(BinaryOp::Eq, std::move(expr), int_lit(1));
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

std::string_view arith_opcode(ArithOp op) {
  switch (op) {
    case ArithOp::Add:
      return "add";
    case ArithOp::Sub:
      return "sub";
    case ArithOp::Mul:
      return "mul";
  }
  return "";
}

// An i1 operand of add/sub/mul with any integer constant cut to its low bit
// (LLVM truncates constants to the type).
Operand i1_bit_operand(const Operand& operand) {
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    return ConstBool{(integer->value & 1) != 0};
  }
  return operand;
}

}  // namespace

Status lower_arith(const Arith& arith, const BinaryOperands& operands, LoweringContext& context) {
  if (arith.width == 1) {
    // Modulo 2, a sum and a difference are the xor and a product is the and.
    const Operand lhs = i1_bit_operand(operands.lhs);
    const Operand rhs = i1_bit_operand(operands.rhs);
    const LogicOp logic = arith.op == ArithOp::Mul ? LogicOp::And : LogicOp::Xor;
    return lower_logic(Logic{logic, 0, arith.result}, {lhs, rhs}, context);
  }
  ASSIGN_OR_RETURN(Expr lhs, int_operand_expr(operands.lhs, arith.width, context));
  ASSIGN_OR_RETURN(Expr rhs, int_operand_expr(operands.rhs, arith.width, context));
  if (!fits_output(arith.width)) {
    return unsupported_width_error(arith_opcode(arith.op), arith.width, arith.result);
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

Status lower_zext(const Zext& zext, LoweringContext& context) {
  ASSIGN_OR_RETURN(Expr value, context.lookup(zext.source));
  if (!fits_output(zext.to_width)) {
    return unsupported_width_error("zext ... to", zext.to_width, zext.result);
  }
  if (zext.from_width == 0 || zext.from_width >= zext.to_width) {
    return lowering_error("`zext` (SSA value " + quote_text(zext.result) +
                          ") is not supported: it must extend an integer type iN to a wider "
                          "one");
  }
  // An i1 is already held as 0/1; a wider value that may be negative keeps
  // its low bits only.
  if (zext.from_width > 1 && expr_range(value, context.variable_ranges).lo < 0) {
    value = low_bits(std::move(value), zext.from_width);
  }
  return bind_checked(context, zext.result, std::move(value));
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
