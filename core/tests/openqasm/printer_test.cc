// Printing of expressions, statements and programs, float literals, and the
// generated-by trailer, each checked against the exact expected text. (The
// golden cases show the common statements; here are parentheses, the rare
// forms and the edge cases.)
#include "openqasm/printer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "expr_builders.h"
#include "openqasm/program.h"
#include "translator/translate.h"

namespace corvane {
namespace {

using namespace expr_builders;

Expr num(std::int64_t value) { return IntLit{value}; }
Expr fl(double value) { return FloatLit{value}; }
Expr neg(Expr operand) { return UnaryExpr{UnaryOp::Neg, std::move(operand)}; }
Expr index(Expr base, Expr at) { return Index{std::move(base), std::move(at)}; }

IndexedIdent qubit(std::int64_t i) { return IndexedIdent{"q", i}; }
IndexedIdent cbit(std::int64_t i) { return IndexedIdent{"c", i}; }

Stmt gate(const char* name, std::vector<IndexedIdent> qubits, std::vector<Expr> params = {},
          std::vector<GateModifier> modifiers = {}) {
  return GateCall{std::move(modifiers), name, std::move(params), std::move(qubits)};
}
Stmt if_stmt(Expr cond, std::vector<Stmt> then_body, std::vector<Stmt> else_body = {}) {
  return If{std::move(cond), std::move(then_body), std::move(else_body)};
}
Stmt while_stmt(Expr cond, std::vector<Stmt> body) {
  return While{std::move(cond), std::move(body)};
}

std::string stmt_text(const Stmt& stmt, unsigned indent = 0) {
  std::string out;
  Printer printer{out, indent};
  print_statement(printer, stmt);
  EXPECT_EQ(printer.indent, indent) << "indentation not restored after:\n" << out;
  return out;
}

struct ExprRow {
  Expr expr;
  const char* text;
};

void check_rows(const std::vector<ExprRow>& rows) {
  for (const ExprRow& row : rows) EXPECT_EQ(text_of(row.expr), row.text);
}

TEST(PrintExprTest, AtomsAndOperatorTexts) {
  check_rows({
      {id("cint_0"), "cint_0"},
      {num(42), "42"},
      {num(-7), "-7"},
      // -2^63 as a difference: its digits alone would not fit a 64-bit literal.
      {num(std::numeric_limits<std::int64_t>::min()), "(-9223372036854775807 - 1)"},
      {bin(BinaryOp::BitXor, id("a"), num(std::numeric_limits<std::int64_t>::min())),
       "a ^ (-9223372036854775807 - 1)"},
      {num(std::numeric_limits<std::int64_t>::min() + 1), "-9223372036854775807"},
      {fl(0.5), "0.5"},
      {fl(2.0), "2.0"},
      {fl(-0.0), "-0.0"},
      {Expr(BoolLit{true}), "true"},
      {Expr(BoolLit{false}), "false"},
      {make_index("q", 3), "q[3]"},
      {make_index("c", -1), "c[-1]"},
      {make_not(id("x")), "!x"},
      {neg(id("x")), "-x"},
  });
  // Every binary operator, in numbering order.
  const char* const texts[] = {"||", "&&", "|",  "^", "&", "==", "!=", "<", "<=", ">",
                               ">=", "<<", ">>", "+", "-", "*",  "/",  "%", "**"};
  for (int op = 0; op <= static_cast<int>(BinaryOp::Pow); ++op) {
    EXPECT_EQ(text_of(bin(static_cast<BinaryOp>(op), id("a"), id("b"))),
              std::string("a ") + texts[op] + " b");
  }
}

TEST(PrintExprTest, LeftOperandParentheses) {
  check_rows({
      // Same operator on the left: a left-nested chain stays bare.
      {bin(BinaryOp::Sub, bin(BinaryOp::Sub, id("a"), id("b")), id("c")), "a - b - c"},
      {bin(BinaryOp::Or, bin(BinaryOp::Or, id("a"), id("b")), id("c")), "a || b || c"},
      // A different operator of equal precedence keeps its parentheses.
      {bin(BinaryOp::Add, bin(BinaryOp::Sub, id("a"), id("b")), id("c")), "(a - b) + c"},
      {bin(BinaryOp::Sub, bin(BinaryOp::Add, id("a"), id("b")), id("c")), "(a + b) - c"},
      {bin(BinaryOp::Lt, bin(BinaryOp::Gt, id("a"), id("b")), id("c")), "(a > b) < c"},
      // Tighter on the left: bare; looser on the left: parenthesised.
      {bin(BinaryOp::Add, bin(BinaryOp::Mul, id("a"), id("b")), id("c")), "a * b + c"},
      {bin(BinaryOp::Eq, bin(BinaryOp::Lt, id("a"), id("b")), id("c")), "a < b == c"},
      {bin(BinaryOp::Mul, bin(BinaryOp::Add, id("a"), id("b")), id("c")), "(a + b) * c"},
      {bin(BinaryOp::And, bin(BinaryOp::Or, id("a"), id("b")), id("c")), "(a || b) && c"},
      // Unary operands on the left are parenthesised only under "**".
      {bin(BinaryOp::Pow, neg(id("a")), id("b")), "(-a) ** b"},
      {bin(BinaryOp::Pow, make_not(id("a")), id("b")), "(!a) ** b"},
      {bin(BinaryOp::Mul, neg(id("a")), id("b")), "-a * b"},
      {bin(BinaryOp::And, make_not(id("a")), id("b")), "!a && b"},
      // "**" groups to the right: a left-nested power needs its parentheses,
      // and so does a negative literal, whose sign would read as a negation.
      {bin(BinaryOp::Pow, bin(BinaryOp::Pow, id("a"), id("b")), id("c")), "(a ** b) ** c"},
      {bin(BinaryOp::Pow, num(-2), id("a")), "(-2) ** a"},
      {bin(BinaryOp::Pow, fl(-0.5), id("a")), "(-0.5) ** a"},
      {bin(BinaryOp::Pow, fl(-0.0), id("a")), "(-0.0) ** a"},
      {bin(BinaryOp::Pow, num(2), id("a")), "2 ** a"},
      {bin(BinaryOp::Mul, num(-2), id("a")), "-2 * a"},
      {bin(BinaryOp::Pow, make_index("q", 0), id("a")), "q[0] ** a"},
  });
}

TEST(PrintExprTest, RightOperandParentheses) {
  check_rows({
      {bin(BinaryOp::Sub, id("a"), bin(BinaryOp::Sub, id("b"), id("c"))), "a - (b - c)"},
      {bin(BinaryOp::Add, id("a"), bin(BinaryOp::Add, id("b"), id("c"))), "a + (b + c)"},
      {bin(BinaryOp::Pow, id("a"), bin(BinaryOp::Pow, id("b"), id("c"))), "a ** (b ** c)"},
      {bin(BinaryOp::Add, id("a"), bin(BinaryOp::Mul, id("b"), id("c"))), "a + b * c"},
      {bin(BinaryOp::Or, id("a"), bin(BinaryOp::And, id("b"), id("c"))), "a || b && c"},
      {bin(BinaryOp::Mul, id("a"), bin(BinaryOp::Add, id("b"), id("c"))), "a * (b + c)"},
      {bin(BinaryOp::Mul, id("a"), bin(BinaryOp::Pow, id("b"), id("c"))), "a * b ** c"},
      {bin(BinaryOp::Mul, id("a"), neg(id("b"))), "a * -b"},
      {bin(BinaryOp::And, id("a"), make_not(id("b"))), "a && !b"},
      {bin(BinaryOp::Pow, id("a"), neg(id("b"))), "a ** (-b)"},
      {bin(BinaryOp::Sub, id("a"), num(-1)), "a - -1"},
  });
}

TEST(PrintExprTest, UnaryOperandAndIndexBaseParentheses) {
  check_rows({
      {neg(bin(BinaryOp::Pow, id("a"), id("b"))), "-a ** b"},
      {make_not(make_not(id("x"))), "!(!x)"},
      {neg(neg(id("x"))), "-(-x)"},
      {make_not(bin(BinaryOp::And, id("a"), id("b"))), "!(a && b)"},
      {neg(bin(BinaryOp::Mul, id("a"), id("b"))), "-(a * b)"},
      {neg(make_index("q", 0)), "-q[0]"},
      {make_not(Expr(BoolLit{true})), "!true"},
      {index(bin(BinaryOp::Add, id("a"), id("b")), id("i")), "(a + b)[i]"},
      {index(neg(id("a")), num(0)), "(-a)[0]"},
      {index(id("q"), bin(BinaryOp::Add, id("i"), num(1))), "q[i + 1]"},
      {index(make_index("q", 0), num(1)), "q[0][1]"},
      {make_not(bin(BinaryOp::Eq, index(id("c"), bin(BinaryOp::Sub, id("n"), num(1))), fl(1.0))),
       "!(c[n - 1] == 1.0)"},
  });
}

TEST(PrintExprTest, VeryDeepExpressionPrints) {
  constexpr int kDepth = 200000;
  Expr expr = id("x");
  std::string expected = "x";
  for (int i = 0; i < kDepth; ++i) {
    expr = bin(BinaryOp::Sub, std::move(expr), num(1));
    expected += " - 1";
  }
  EXPECT_EQ(text_of(expr), expected);
  // Take the chain apart from the top so that destruction does not recurse.
  while (auto* node = std::get_if<BinaryExpr>(&expr.node)) {
    std::unique_ptr<Expr> lhs = node->lhs.release_cell();
    Expr next = std::move(*lhs);
    expr = std::move(next);
  }
}

// Statement forms the golden cases do not show; indentation is restored after
// every statement, and nested blocks indent by two spaces per level.
TEST(PrintStatementTest, RareFormsAndNesting) {
  struct Row {
    Stmt stmt;
    unsigned indent;
    const char* text;
  };
  const std::vector<Row> rows = {
      {QubitDecl{"q", std::numeric_limits<std::uint64_t>::max()}, 0,
       "qubit[18446744073709551615] q;\n"},
      {Assign{cbit(0), Expr(BoolLit{true})}, 0, "c[0] = true;\n"},
      {gate("t", {qubit(2)}, {}, {GateModifier::Inv, GateModifier::Inv}), 0,
       "inv @ inv @ t q[2];\n"},
      {gate("cu", {qubit(0), qubit(1)}, {fl(1.0), fl(-2.5), bin(BinaryOp::Mul, id("a"), fl(2.0))}),
       0, "cu(1.0, -2.5, a * 2.0) q[0], q[1];\n"},
      {gate("barrier", {}), 0, "barrier ;\n"},
      {gate("gphase", {}, {fl(3.0)}), 0, "gphase(3.0) ;\n"},
      {gate("x", {IndexedIdent{"anc", std::nullopt}}), 0, "x anc;\n"},
      {gate("rz", {qubit(0)}, {fl(0.25)}, {GateModifier::Inv}), 3, "      inv @ rz(0.25) q[0];\n"},
      {if_stmt(id("b"), {}), 0, "if (b) {\n}\n"},
      {while_stmt(Expr(BoolLit{true}), {}), 1, "  while (true) {\n  }\n"},
      {if_stmt(id("a"), {gate("h", {qubit(0)})},
               {while_stmt(id("b"), {if_stmt(id("c"), {}, {Reset{qubit(2)}})}),
                Measure{qubit(2), cbit(0)}}),
       0,
       "if (a) {\n"
       "  h q[0];\n"
       "} else {\n"
       "  while (b) {\n"
       "    if (c) {\n"
       "    } else {\n"
       "      reset q[2];\n"
       "    }\n"
       "  }\n"
       "  c[0] = measure q[2];\n"
       "}\n"},
  };
  for (const Row& row : rows) EXPECT_EQ(stmt_text(row.stmt, row.indent), row.text);
}

// A program is appended to the text already there; without a version it has
// no version line.
TEST(PrintProgramTest, AppendsToExistingText) {
  std::string out = "kept\n";
  print_program(Program{"3.0", {Include{"a.inc"}}, {Reset{qubit(0)}}, {}}, out);
  EXPECT_EQ(out, "kept\nOPENQASM 3.0;\ninclude \"a.inc\";\nreset q[0];\n");
  print_program(Program{"", {}, {gate("h", {qubit(0)})}, {}}, out);
  EXPECT_EQ(out, "kept\nOPENQASM 3.0;\ninclude \"a.inc\";\nreset q[0];\nh q[0];\n");
}

TEST(FormatFloatTest, ShortestFixedText) {
  struct Row {
    double value;
    std::string text;
  };
  const std::vector<Row> rows = {
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {2.0, "2.0"},
      {3.0, "3.0"},
      {2.5, "2.5"},
      {0.5, "0.5"},
      {-1.25, "-1.25"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 / 3.0, "0.3333333333333333"},
      {123456789.125, "123456789.125"},
      // Equally close shortest candidates: the larger magnitude is written.
      {2160932012667731.25, "2160932012667731.3"},
      {-278256965960893.625, "-278256965960893.63"},
      {4132212325766.53125, "4132212325766.5313"},
      {4350000000000000.5, "4350000000000000.5"},
      {1e15, "1000000000000000.0"},
      {9007199254740993.0 * 2.0, "18014398509481984.0"},
      {1e21, "1000000000000000000000.0"},
      {1e22, "10000000000000000000000.0"},
      {-1.5e20, "-150000000000000000000.0"},
      {1e300, "1" + std::string(300, '0') + ".0"},
      {DBL_MAX, "17976931348623157" + std::string(292, '0') + ".0"},
      {1e-7, "0.0000001"},
      {-2.5e-5, "-0.000025"},
      {1.2345e-7, "0.00000012345"},
      {5e-324, "0." + std::string(323, '0') + "5"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "nan"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const Row& row : rows) EXPECT_EQ(format_float(row.value), row.text) << row.value;
}

TEST(RenderTrailerTest, MembersAndEscaping) {
  const std::string head =
      std::string("// generated-by: {\"name\":\"corvane\",\"version\":\"") + kVersion + "\"";
  struct Row {
    std::optional<std::string> producer;
    std::optional<std::string_view> profile;
    const char* members;
  };
  const std::vector<Row> rows = {
      {std::nullopt, "", ",\"profile\":\"\""},
      {"mylib 0.1.2", std::nullopt, ",\"producer\":\"mylib 0.1.2\""},
      {"a\"b\\c\nd\001e", std::nullopt, ",\"producer\":\"a\\\"b\\\\c\\nd\\u0001e\""},
      {std::string("\b\t\f\r\x1f\x7f/ ~") + '\0', std::nullopt,
       ",\"producer\":\"\\b\\t\\f\\r\\u001f\\u007f/ ~\\u0000\""},
      {"Zürich ✓ 量子", "adaptive_profile",
       ",\"profile\":\"adaptive_profile\",\"producer\":\"Zürich ✓ 量子\""},
      {std::nullopt, "odd\"profile\n", ",\"profile\":\"odd\\\"profile\\n\""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(render_trailer(row.producer, row.profile), head + row.members + "}\n");
  }
}

}  // namespace
}  // namespace corvane
