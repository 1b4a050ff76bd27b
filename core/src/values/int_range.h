// The output's integers, and the ranges that decide where LLVM's integer
// operations need a correction.
//
// The output's integers, defined once for the whole translator:
// - `int` is a 64-bit two's-complement integer. `+`, `-`, `*` and `<<` by a
//   constant below 64 wrap modulo 2^64; `&`, `|` and `^` act on the
//   two's-complement bits; comparisons are signed.
// - `>>`, `/` and `%` have no settled meaning on negative operands, so they are
//   never printed where an operand may be negative.
// - An LLVM `iN` value is held in an `int` in canonical form: an `i1` as 0 or 1
//   (a bit, a comparison, a 0/1 literal), any wider `iN` (N up to 64)
//   sign-extended from its N bits, so signed comparisons and equality are the
//   plain operators. Wider types are refused.
// - Where LLVM's own result is poison (a wrapping `add nsw`, say) any value is
//   acceptable; the translation prints the wrapped one.
//
// Every range here is an interval of the 64-bit value an expression computes
// under these rules; it is sound (it holds every value the expression can
// take) and may be wider than needed. The full i64 range means "unknown".
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ir/ir.h"
#include "openqasm/program.h"

namespace corvane {

/// A closed interval of 64-bit values, lo <= hi.
struct IntRange {
  std::int64_t lo = std::numeric_limits<std::int64_t>::min();
  std::int64_t hi = std::numeric_limits<std::int64_t>::max();

  /// Every 64-bit value: nothing is known.
  [[nodiscard]] static constexpr IntRange full() { return {}; }
  /// The one value `value`.
  [[nodiscard]] static constexpr IntRange point(std::int64_t value) { return {value, value}; }
  /// Whether every value of this range lies in `outer`.
  [[nodiscard]] constexpr bool within(IntRange outer) const {
    return lo >= outer.lo && hi <= outer.hi;
  }
  /// The smallest range that holds both.
  [[nodiscard]] constexpr IntRange join(IntRange other) const {
    return {lo < other.lo ? lo : other.lo, hi > other.hi ? hi : other.hi};
  }
  friend bool operator==(const IntRange&, const IntRange&) = default;
};

/// The values of an `iN` in canonical form: [0, 1] for i1, else
/// [-2^(N-1), 2^(N-1) - 1]; `width` is 1 to 64.
[[nodiscard]] IntRange width_range(std::uint32_t width);

/// The ranges of the output's `int` variables, by name. A variable holds one of
/// the values assigned to it (its initialiser included), so its range is the
/// join of theirs; a name never registered has the full i64 range.
///
/// Whoever declares or assigns a variable registers the assigned value's range
/// with widen() (before any expression that reads the variable is lowered);
/// expr_range reads them through get().
class VariableRanges {
 public:
  /// Widens the range of `name` to hold `range` as well.
  void widen(std::string_view name, IntRange range);
  /// The range of `name`; the full range when it was never registered.
  [[nodiscard]] IntRange get(std::string_view name) const;

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };
  std::unordered_map<std::string, IntRange, Hash, std::equal_to<>> ranges_;
};

/// The range of the value `expr` computes; bits, comparisons and logic are
/// [0, 1], variables as registered, and sums, differences and products of
/// known ranges that cannot wrap are computed, as are `<<` by a constant and
/// `>>`, `/` and `%` of non-negative operands. Walks at most a few dozen levels
/// deep (deeper parts count as unknown), so it cannot exhaust the stack.
[[nodiscard]] IntRange expr_range(const Expr& expr, const VariableRanges& variables);

/// An LLVM constant of type iN in canonical form: its low N bits, as 0/1 for
/// i1 and sign-extended otherwise (LLVM truncates a constant to its type).
/// `width` is 1 to 64; `value` lies in the i64 range.
[[nodiscard]] std::int64_t canonical_constant(int128 value, std::uint32_t width);

/// The low `width` bits of `value`, sign-extended: (value + 2^(N-1) & 2^N - 1) -
/// 2^(N-1), naming `value` once. `width` is 2 to 63.
[[nodiscard]] Expr sign_extend_low_bits(Expr value, std::uint32_t width);

/// The low `width` bits of `value` as a non-negative number: value & 2^N - 1.
/// `width` is 1 to 63.
[[nodiscard]] Expr low_bits(Expr value, std::uint32_t width);

/// `value` with its sign bit flipped (value ^ -2^63), which turns unsigned
/// order into signed order; a literal is flipped in place.
[[nodiscard]] Expr flip_sign_bit(Expr value);

}  // namespace corvane
