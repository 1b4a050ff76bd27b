// Placeholder; replaced by the program model helpers.
#include "openqasm/program.h"
namespace corvane {
Expr make_binary_expr(BinaryOp op, Expr lhs, Expr rhs) {
  return BinaryExpr{op, std::move(lhs), std::move(rhs)};
}
Expr make_not(Expr operand) { return UnaryExpr{UnaryOp::Not, std::move(operand)}; }
}  // namespace corvane
