// The output's integer rules as evaluate_expr applies them: the same rows as
// the differential simulator's own table (python/tests/test_proof_harness.py,
// test_simulator_integers), so the two stay equal, plus reads of c.
#include "openqasm/evaluate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;  // NOLINT: test shorthand

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct Row {
  const char* name;
  Expr expr;
  std::optional<std::int64_t> value;  // nullopt: no settled meaning
};

Expr op(BinaryOp o, Expr a, Expr b) { return bin(o, std::move(a), std::move(b)); }
Expr neg(Expr a) { return UnaryExpr{UnaryOp::Neg, std::move(a)}; }

TEST(EvaluateTest, FollowsTheOutputsIntegerRules) {
  const std::vector<std::uint8_t> bits = {1, 0, 1};
  const std::vector<Row> rows = {
      {"+ wraps", op(BinaryOp::Add, lit(kMax), lit(1)), kMin},
      {"- wraps", op(BinaryOp::Sub, lit(kMin), lit(1)), kMax},
      {"* wraps", op(BinaryOp::Mul, lit(4294967296), lit(4294967296)), 0},
      {"negation wraps", neg(lit(kMin)), kMin},
      {"1 << 63", op(BinaryOp::Shl, lit(1), lit(63)), kMin},
      {"& on two's complement", op(BinaryOp::BitAnd, lit(-1), lit(4294967295)), 4294967295},
      {"^ on two's complement", op(BinaryOp::BitXor, lit(-2), lit(kMin)), 9223372036854775806},
      {"| on two's complement", op(BinaryOp::BitOr, lit(-8), lit(3)), -5},
      {"signed comparison", op(BinaryOp::Lt, lit(-1), lit(0)), 1},
      {">> of non-negative", op(BinaryOp::Shr, lit(kMax), lit(62)), 1},
      {"/ truncates", op(BinaryOp::Div, lit(7), lit(2)), 3},
      {"%", op(BinaryOp::Mod, lit(7), lit(3)), 1},
      {"** wraps", op(BinaryOp::Pow, lit(3), lit(41)), -420491770248316829},
      {"-1 >> 1", op(BinaryOp::Shr, lit(-1), lit(1)), std::nullopt},
      {"1 >> 64", op(BinaryOp::Shr, lit(1), lit(64)), std::nullopt},
      {"1 << 64", op(BinaryOp::Shl, lit(1), lit(64)), std::nullopt},
      {"-7 / 2", op(BinaryOp::Div, lit(-7), lit(2)), std::nullopt},
      {"7 / 0", op(BinaryOp::Div, lit(7), lit(0)), std::nullopt},
      {"7 % -2", op(BinaryOp::Mod, lit(7), lit(-2)), std::nullopt},
      {"-7 % 2", op(BinaryOp::Mod, lit(-7), lit(2)), std::nullopt},
      {"c bits", op(BinaryOp::Add, op(BinaryOp::Shl, bit(2), lit(1)), bit(1)), 2},
      {"! of an int", UnaryExpr{UnaryOp::Not, lit(5)}, 0},
      {"a truth value in arithmetic", op(BinaryOp::Add, eq1(bit(0)), eq1(bit(0))), 2},
      {"&& leaves an unsettled right side unread",
       op(BinaryOp::And, bit(1), op(BinaryOp::Div, lit(1), lit(0))), 0},
      {"|| leaves an unsettled right side unread",
       op(BinaryOp::Or, bit(0), op(BinaryOp::Div, lit(1), lit(0))), 1},
      {"a bit outside c", bit(3), std::nullopt},
      {"a variable", id("x"), std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(evaluate_expr(row.expr, bits), row.value) << row.name;
  }
}

}  // namespace
}  // namespace corvane
