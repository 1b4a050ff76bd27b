// Evaluation of classical expressions by the output's integer rules.
#include "openqasm/evaluate.h"

#include <variant>

namespace corvane {
namespace {

std::int64_t wrap(std::uint64_t bits) { return static_cast<std::int64_t>(bits); }

std::uint64_t pattern(std::int64_t value) { return static_cast<std::uint64_t>(value); }

// a ** b for b >= 0, modulo 2^64.
std::int64_t wrapped_power(std::int64_t base, std::int64_t exponent) {
  std::uint64_t result = 1;
  std::uint64_t factor = pattern(base);
  for (std::uint64_t e = pattern(exponent); e != 0; e >>= 1) {
    if ((e & 1) != 0) result *= factor;
    factor *= factor;
  }
  return wrap(result);
}

}  // namespace

std::optional<std::int64_t> apply_binary(BinaryOp op, std::int64_t a, std::int64_t b) {
  switch (op) {
    case BinaryOp::Or:
      return (a != 0 || b != 0) ? 1 : 0;
    case BinaryOp::And:
      return (a != 0 && b != 0) ? 1 : 0;
    case BinaryOp::BitOr:
      return a | b;
    case BinaryOp::BitXor:
      return a ^ b;
    case BinaryOp::BitAnd:
      return a & b;
    case BinaryOp::Eq:
      return a == b ? 1 : 0;
    case BinaryOp::Ne:
      return a != b ? 1 : 0;
    case BinaryOp::Lt:
      return a < b ? 1 : 0;
    case BinaryOp::Le:
      return a <= b ? 1 : 0;
    case BinaryOp::Gt:
      return a > b ? 1 : 0;
    case BinaryOp::Ge:
      return a >= b ? 1 : 0;
    case BinaryOp::Shl:
      if (b < 0 || b >= 64) return std::nullopt;
      return wrap(pattern(a) << b);
    case BinaryOp::Shr:
      if (a < 0 || b < 0 || b >= 64) return std::nullopt;
      return a >> b;
    case BinaryOp::Add:
      return wrap(pattern(a) + pattern(b));
    case BinaryOp::Sub:
      return wrap(pattern(a) - pattern(b));
    case BinaryOp::Mul:
      return wrap(pattern(a) * pattern(b));
    case BinaryOp::Div:
      if (a < 0 || b <= 0) return std::nullopt;
      return a / b;
    case BinaryOp::Mod:
      if (a < 0 || b <= 0) return std::nullopt;
      return a % b;
    case BinaryOp::Pow:
      if (b < 0) return std::nullopt;
      return wrapped_power(a, b);
  }
  return std::nullopt;
}

std::int64_t apply_unary(UnaryOp op, std::int64_t a) {
  switch (op) {
    case UnaryOp::Not:
      return a == 0 ? 1 : 0;
    case UnaryOp::Neg:
      return wrap(std::uint64_t{0} - pattern(a));
  }
  return 0;
}

// Recursion follows the expression's depth, which binding keeps within
// kMaxExprDepth.
std::optional<std::int64_t> evaluate_expr(const Expr& expr, std::span<const std::uint8_t> bits) {
  return evaluate_expr(expr, bits, nullptr);
}

std::optional<std::int64_t> evaluate_expr(const Expr& expr, std::span<const std::uint8_t> bits,
                                          const GivenValue& given) {
  if (given) {
    if (const std::optional<std::int64_t> value = given(expr)) return value;
  }
  if (const auto* literal = std::get_if<IntLit>(&expr.node)) return literal->value;
  if (const auto* literal = std::get_if<BoolLit>(&expr.node)) return literal->value ? 1 : 0;
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    const auto* base = std::get_if<Ident>(&index->base->node);
    const auto* at = std::get_if<IntLit>(&index->index->node);
    if (base == nullptr || at == nullptr || base->name != "c" || at->value < 0 ||
        static_cast<std::uint64_t>(at->value) >= bits.size()) {
      return std::nullopt;
    }
    return bits[static_cast<std::size_t>(at->value)] != 0 ? 1 : 0;
  }
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    const std::optional<std::int64_t> operand = evaluate_expr(*unary->operand, bits, given);
    if (!operand) return std::nullopt;
    return apply_unary(unary->op, *operand);
  }
  if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    const std::optional<std::int64_t> lhs = evaluate_expr(*binary->lhs, bits, given);
    if (!lhs) return std::nullopt;
    if (binary->op == BinaryOp::Or && *lhs != 0) return 1;
    if (binary->op == BinaryOp::And && *lhs == 0) return 0;
    const std::optional<std::int64_t> rhs = evaluate_expr(*binary->rhs, bits, given);
    if (!rhs) return std::nullopt;
    return apply_binary(binary->op, *lhs, *rhs);
  }
  return std::nullopt;  // identifiers and floats: not given by the bits
}

}  // namespace corvane
