// The output's integer rules, in one place: how a classical expression of the
// printed program evaluates once the bits of `c` are known. Every value is a
// 64-bit two's-complement integer, truth values held as 0 and 1; `+`, `-`,
// `*`, `**` and `<<` wrap modulo 2^64, comparisons are signed, and `>>`, `/`,
// `%` on a negative operand (or a shift outside 0..63, a divisor below 1)
// have no settled meaning, which evaluation reports as no value.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "openqasm/program.h"

namespace corvane {

/// `a op b` by the output's rules (for `&&` and `||` both operands already
/// evaluated); nullopt where the operation has no settled meaning.
[[nodiscard]] std::optional<std::int64_t> apply_binary(BinaryOp op, std::int64_t a, std::int64_t b);
/// `op a` by the output's rules (`!` gives 0 or 1, `-` wraps).
[[nodiscard]] std::int64_t apply_unary(UnaryOp op, std::int64_t a);

/// The value of `expr` with `c[k]` read as `bits[k]` (0 or 1). nullopt where
/// an operation has no settled meaning, and for what the bits do not give:
/// variables, floats, a bit outside `bits`. `&&` and `||` evaluate their right
/// operand only when the left one does not decide.
[[nodiscard]] std::optional<std::int64_t> evaluate_expr(const Expr& expr,
                                                        std::span<const std::uint8_t> bits);
/// The value of a node given from outside the bits (a variable, a part taken
/// as it is), or nullopt to evaluate the node as usual.
using GivenValue = std::function<std::optional<std::int64_t>(const Expr& node)>;
/// As above, with each node first looked up in `given`.
[[nodiscard]] std::optional<std::int64_t> evaluate_expr(const Expr& expr,
                                                        std::span<const std::uint8_t> bits,
                                                        const GivenValue& given);

}  // namespace corvane
