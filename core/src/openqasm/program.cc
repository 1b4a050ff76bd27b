// Operator tables and construction helpers of the OpenQASM program tree. The
// operator numbering follows binding strength, so both tables are plain
// switches over the enum.
#include "openqasm/program.h"

namespace corvane {

const char* binary_op_text(BinaryOp op) {
  switch (op) {
    case BinaryOp::Or:
      return "||";
    case BinaryOp::And:
      return "&&";
    case BinaryOp::BitOr:
      return "|";
    case BinaryOp::BitXor:
      return "^";
    case BinaryOp::BitAnd:
      return "&";
    case BinaryOp::Eq:
      return "==";
    case BinaryOp::Ne:
      return "!=";
    case BinaryOp::Lt:
      return "<";
    case BinaryOp::Le:
      return "<=";
    case BinaryOp::Gt:
      return ">";
    case BinaryOp::Ge:
      return ">=";
    case BinaryOp::Shl:
      return "<<";
    case BinaryOp::Shr:
      return ">>";
    case BinaryOp::Add:
      return "+";
    case BinaryOp::Sub:
      return "-";
    case BinaryOp::Mul:
      return "*";
    case BinaryOp::Div:
      return "/";
    case BinaryOp::Mod:
      return "%";
    case BinaryOp::Pow:
      return "**";
  }
  return "";  // unreachable for valid enumerators
}

bool binary_op_is_boolean(BinaryOp op) {
  switch (op) {
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

int binary_op_precedence(BinaryOp op) {
  switch (op) {
    case BinaryOp::Or:
      return 1;
    case BinaryOp::And:
      return 2;
    case BinaryOp::BitOr:
      return 3;
    case BinaryOp::BitXor:
      return 4;
    case BinaryOp::BitAnd:
      return 5;
    case BinaryOp::Eq:
    case BinaryOp::Ne:
      return 6;
    case BinaryOp::Lt:
    case BinaryOp::Le:
    case BinaryOp::Gt:
    case BinaryOp::Ge:
      return 7;
    case BinaryOp::Shl:
    case BinaryOp::Shr:
      return 8;
    case BinaryOp::Add:
    case BinaryOp::Sub:
      return 9;
    case BinaryOp::Mul:
    case BinaryOp::Div:
    case BinaryOp::Mod:
      return 10;
    case BinaryOp::Pow:
      return 12;
  }
  return 0;  // unreachable for valid enumerators
}

Expr make_binary_expr(BinaryOp op, Expr lhs, Expr rhs) {
  return BinaryExpr{op, std::move(lhs), std::move(rhs)};
}

Expr make_not(Expr operand) { return UnaryExpr{UnaryOp::Not, std::move(operand)}; }

Expr make_index(std::string name, std::int64_t index) {
  return Index{Expr(Ident{std::move(name)}), Expr(IntLit{index})};
}

bool is_record_mark(const Stmt& stmt) { return std::holds_alternative<RecordMark>(stmt.node); }

std::size_t count_unmarked(const std::vector<Stmt>& list) {
  std::size_t count = 0;
  for (const Stmt& stmt : list) count += is_record_mark(stmt) ? 0 : 1;
  return count;
}

}  // namespace corvane
