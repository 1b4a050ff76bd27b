// Short constructors for the expression trees that the lowering tests expect.
#pragma once

#include <cstdint>
#include <utility>

#include "openqasm/program.h"

namespace corvane::expr_builders {

/// A plain identifier.
inline Expr id(const char* name) { return Ident{name}; }
/// An integer literal.
inline Expr lit(std::int64_t value) { return IntLit{value}; }
/// The result-register bit c[index].
inline Expr bit(std::int64_t index) { return Index{id("c"), lit(index)}; }
/// lhs op rhs.
inline Expr bin(BinaryOp op, Expr lhs, Expr rhs) {
  return make_binary_expr(op, std::move(lhs), std::move(rhs));
}
/// e == 1, the truth value of a non-comparison.
inline Expr eq1(Expr e) { return bin(BinaryOp::Eq, std::move(e), lit(1)); }

}  // namespace corvane::expr_builders
