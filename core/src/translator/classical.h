// Lowering of classical instructions: integer comparisons, i1 logic, integer
// arithmetic, conversions and select become OpenQASM expressions bound to the instruction's
// SSA name; they never produce statements.
//
// Every bound value is copied into each later use, so a short input can ask for
// an exponentially large or very deep expression. Every binding made here goes
// through bind_checked, which enforces kMaxExprDepth and kMaxExprNodes; copies
// out of the environment are charged against the context's copy budget.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "support/error.h"
#include "translator/lowering.h"
#include "values/int_range.h"

namespace corvane {

/// Operator of an icmp predicate on operands of one sign (signed and unsigned
/// forms share one; lower_icmp corrects for the sign), if supported.
[[nodiscard]] std::optional<BinaryOp> icmp_operator(std::string_view predicate);

/// Constant classification of an i1 operand.
enum class I1Class : std::uint8_t { False, True, Other };

/// False for `false`/0, True for `true`/1, Other for everything else.
[[nodiscard]] I1Class classify_i1(const Operand& operand);

/// An integer operand as an expression (literal or bound value).
[[nodiscard]] Result<Expr> int_operand_expr(const Operand& operand, const LoweringContext& context);

/// An operand of type iN (`width` 1 to 64) as an expression in canonical form: a
/// constant is cut to its N bits (see values/int_range.h), a bound value is as bound.
[[nodiscard]] Result<Expr> int_operand_expr(const Operand& operand, std::uint32_t width,
                                            const LoweringContext& context);

/// An i1 operand as an expression: 0/1 literal or bound value.
[[nodiscard]] Result<Expr> i1_operand_expr(const Operand& operand, const LoweringContext& context);

/// Whether `expr` is a comparison or a logical operation (a truth value).
[[nodiscard]] bool is_comparison_or_logic(const Expr& expr);

/// `expr` when it already is a comparison or logical operation, else `expr == 1`.
[[nodiscard]] Expr truth_value(Expr expr);

/// A read of the int variable `variable`; a truth value (an i1) reads as a
/// comparison with 1.
[[nodiscard]] Expr read_int_variable(const std::string& variable, bool truth);

/// Binds the result of an `icmp`: signed predicates on i1 read true as -1, and
/// unsigned predicates on operands that may be negative compare with the sign
/// bit flipped.
[[nodiscard]] Status lower_icmp(const ICmp& icmp, const BinaryOperands& operands,
                                LoweringContext& context);
/// Binds the result of an i1 `and`, `or` or `xor`.
[[nodiscard]] Status lower_logic(const Logic& logic, const BinaryOperands& operands,
                                 LoweringContext& context);
/// Binds the result of a two-operand integer operation: `add`, `sub` and `mul`
/// wrapped to their width where the plain operation may leave it (i1 as xor and
/// and), bitwise operations plainly, shifts by a constant and divisions where
/// the output computes them exactly; anything else is refused with a message
/// that names the instruction. Poison results may be any value.
[[nodiscard]] Status lower_arith(const Arith& arith, const BinaryOperands& operands,
                                 LoweringContext& context);
/// Binds the result of a `select` on i1, i32 or i64 values.
[[nodiscard]] Status lower_select(const Select& select, const SelectOperands& operands,
                                  LoweringContext& context);
/// Binds the result of a `zext`, `sext` or `trunc`: a zext source that may be
/// negative keeps only its low bits, an i1 sext becomes 0/-1, and a truncated
/// value is cut to its width where its range may leave it.
[[nodiscard]] Status lower_int_cast(const IntCast& cast, LoweringContext& context);

}  // namespace corvane
