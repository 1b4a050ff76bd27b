// Interval arithmetic over the output's 64-bit integers, and the corrections
// that give an LLVM iN result its canonical form. Bounds are computed with
// overflow checks: a bound that would wrap makes the range unknown, since the
// value itself may then wrap.
#include "values/int_range.h"

#include <algorithm>
#include <array>
#include <utility>

namespace corvane {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// Beyond this depth expr_range answers "unknown" instead of recursing further.
constexpr int kMaxRangeDepth = 48;

constexpr IntRange kBool{0, 1};

// The bit register that measurements write (see the call builders).
constexpr std::string_view kResultRegister = "c";

IntRange add(IntRange a, IntRange b) {
  IntRange out;
  if (__builtin_add_overflow(a.lo, b.lo, &out.lo) || __builtin_add_overflow(a.hi, b.hi, &out.hi)) {
    return IntRange::full();
  }
  return out;
}

IntRange sub(IntRange a, IntRange b) {
  IntRange out;
  if (__builtin_sub_overflow(a.lo, b.hi, &out.lo) || __builtin_sub_overflow(a.hi, b.lo, &out.hi)) {
    return IntRange::full();
  }
  return out;
}

IntRange mul(IntRange a, IntRange b) {
  const std::array<std::pair<std::int64_t, std::int64_t>, 4> corners{
      {{a.lo, b.lo}, {a.lo, b.hi}, {a.hi, b.lo}, {a.hi, b.hi}}};
  IntRange out{std::numeric_limits<std::int64_t>::max(), kMin};
  for (const auto& [x, y] : corners) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(x, y, &product)) return IntRange::full();
    out.lo = std::min(out.lo, product);
    out.hi = std::max(out.hi, product);
  }
  return out;
}

IntRange negate(IntRange a) {
  if (a.lo == kMin) return IntRange::full();
  return {-a.hi, -a.lo};
}

// All ones up to the highest set bit of a non-negative `value`.
std::int64_t ones_through(std::int64_t value) {
  auto bits = static_cast<std::uint64_t>(value);
  bits |= bits >> 1;
  bits |= bits >> 2;
  bits |= bits >> 4;
  bits |= bits >> 8;
  bits |= bits >> 16;
  bits |= bits >> 32;
  return static_cast<std::int64_t>(bits);
}

IntRange bit_and(IntRange a, IntRange b) {
  // A non-negative operand bounds the result from above and clears its sign.
  if (a.lo >= 0 && b.lo >= 0) return {0, std::min(a.hi, b.hi)};
  if (a.lo >= 0) return {0, a.hi};
  if (b.lo >= 0) return {0, b.hi};
  return IntRange::full();
}

IntRange bit_or_xor(IntRange a, IntRange b) {
  if (a.lo >= 0 && b.lo >= 0) return {0, ones_through(std::max(a.hi, b.hi))};
  return IntRange::full();
}

// `<<` by a constant below 63 is a product by a power of two; other amounts
// are unknown.
IntRange shift_left(IntRange a, IntRange amount) {
  if (amount.lo != amount.hi || amount.lo < 0 || amount.lo > 62) return IntRange::full();
  return mul(a, IntRange::point(std::int64_t{1} << amount.lo));
}

// `>>`, `/` and `%` are only printed on non-negative operands (a divisor of
// at least 1); anything else is unknown.
IntRange shift_right(IntRange a, IntRange amount) {
  if (a.lo < 0 || amount.lo < 0 || amount.hi > 63) return IntRange::full();
  return {a.lo >> amount.hi, a.hi >> amount.lo};
}

IntRange divide(IntRange a, IntRange b) {
  if (a.lo < 0 || b.lo < 1) return IntRange::full();
  return {a.lo / b.hi, a.hi / b.lo};
}

IntRange remainder(IntRange a, IntRange b) {
  if (a.lo < 0 || b.lo < 1) return IntRange::full();
  return {0, std::min(a.hi, b.hi - 1)};
}

IntRange range_at(const Expr& expr, const VariableRanges& variables, int depth) {
  if (depth > kMaxRangeDepth) return IntRange::full();
  if (const auto* lit = std::get_if<IntLit>(&expr.node)) return IntRange::point(lit->value);
  if (std::holds_alternative<BoolLit>(expr.node)) return kBool;
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    // A bit of the result register; any other indexed value is unknown.
    const auto* base = std::get_if<Ident>(&index->base->node);
    return base != nullptr && base->name == kResultRegister ? kBool : IntRange::full();
  }
  if (const auto* ident = std::get_if<Ident>(&expr.node)) return variables.get(ident->name);
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    switch (unary->op) {
      case UnaryOp::Not:
        return kBool;
      case UnaryOp::Neg:
        return negate(range_at(*unary->operand, variables, depth + 1));
    }
    return IntRange::full();
  }
  if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    if (binary_op_is_boolean(binary->op)) return kBool;
    if (binary->op == BinaryOp::Pow) return IntRange::full();
    const IntRange lhs = range_at(*binary->lhs, variables, depth + 1);
    const IntRange rhs = range_at(*binary->rhs, variables, depth + 1);
    switch (binary->op) {
      case BinaryOp::Add:
        return add(lhs, rhs);
      case BinaryOp::Sub:
        return sub(lhs, rhs);
      case BinaryOp::Mul:
        return mul(lhs, rhs);
      case BinaryOp::BitAnd:
        return bit_and(lhs, rhs);
      case BinaryOp::Shl:
        return shift_left(lhs, rhs);
      case BinaryOp::Shr:
        return shift_right(lhs, rhs);
      case BinaryOp::Div:
        return divide(lhs, rhs);
      case BinaryOp::Mod:
        return remainder(lhs, rhs);
      case BinaryOp::BitOr:
      case BinaryOp::BitXor:
        return bit_or_xor(lhs, rhs);
      case BinaryOp::Pow:
      case BinaryOp::Or:
      case BinaryOp::And:
      case BinaryOp::Eq:
      case BinaryOp::Ne:
      case BinaryOp::Lt:
      case BinaryOp::Le:
      case BinaryOp::Gt:
      case BinaryOp::Ge:
        break;  // answered before the operands' ranges
    }
  }
  return IntRange::full();  // a float has no integer range
}

// 2^(width - 1) and 2^width - 1 for 1 <= width <= 63.
std::int64_t half_of(std::uint32_t width) { return std::int64_t{1} << (width - 1); }
std::int64_t mask_of(std::uint32_t width) {
  return static_cast<std::int64_t>((std::uint64_t{1} << width) - 1);
}

}  // namespace

IntRange width_range(std::uint32_t width) {
  if (width <= 1) return kBool;
  if (width >= 64) return IntRange::full();
  return {-half_of(width), half_of(width) - 1};
}

void VariableRanges::widen(std::string_view name, IntRange range) {
  const auto found = ranges_.find(name);
  if (found == ranges_.end()) {
    ranges_.emplace(std::string(name), range);
  } else {
    found->second = found->second.join(range);
  }
}

IntRange VariableRanges::get(std::string_view name) const {
  const auto found = ranges_.find(name);
  return found == ranges_.end() ? IntRange::full() : found->second;
}

IntRange expr_range(const Expr& expr, const VariableRanges& variables) {
  return range_at(expr, variables, 1);
}

std::int64_t canonical_constant(int128 value, std::uint32_t width) {
  if (width >= 64) return static_cast<std::int64_t>(value);
  const auto bits = static_cast<std::uint64_t>(value) & static_cast<std::uint64_t>(mask_of(width));
  if (width == 1) return static_cast<std::int64_t>(bits);
  const auto half = static_cast<std::uint64_t>(half_of(width));
  // Below 2^(N-1) the bits are the value; from there on they stand for bits - 2^N.
  if (bits < half) return static_cast<std::int64_t>(bits);
  return static_cast<std::int64_t>(bits - (half << 1));
}

Expr sign_extend_low_bits(Expr value, std::uint32_t width) {
  const std::int64_t half = half_of(width);
  return make_binary_expr(
      BinaryOp::Sub,
      make_binary_expr(BinaryOp::BitAnd,
                       make_binary_expr(BinaryOp::Add, std::move(value), IntLit{half}),
                       IntLit{mask_of(width)}),
      IntLit{half});
}

Expr low_bits(Expr value, std::uint32_t width) {
  return make_binary_expr(BinaryOp::BitAnd, std::move(value), IntLit{mask_of(width)});
}

Expr flip_sign_bit(Expr value) {
  if (const auto* lit = std::get_if<IntLit>(&value.node)) {
    return IntLit{static_cast<std::int64_t>(static_cast<std::uint64_t>(lit->value) ^
                                            static_cast<std::uint64_t>(kMin))};
  }
  return make_binary_expr(BinaryOp::BitXor, std::move(value), IntLit{kMin});
}

}  // namespace corvane
