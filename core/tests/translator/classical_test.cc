// Classical lowering: comparisons, i1 logic, arithmetic and select bind
// expression trees; every failure carries its full message.
#include "translator/classical.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <vector>

#include "expr_builders.h"
#include "openqasm/printer.h"

namespace corvane {
namespace {

using namespace expr_builders;
Expr neg(Expr e) { return make_not(std::move(e)); }

Operand ssa(const char* name) { return Ssa{name}; }
Operand cint(std::int64_t value) { return ConstInt{value}; }
Operand cbool(bool value) { return ConstBool{value}; }

// A context where m and n are measured bits, a and b integers, lt a comparison.
LoweringContext make_context() {
  LoweringContext context;
  context.bind("m", bit(0));
  context.bind("n", bit(1));
  context.bind("a", id("a"));
  context.bind("b", id("b"));
  context.bind("lt", bin(BinaryOp::Lt, id("a"), id("b")));
  return context;
}

Expr bound(const LoweringContext& context, const char* name) {
  auto it = context.env.find(name);
  EXPECT_NE(it, context.env.end()) << name;
  return it == context.env.end() ? Expr{} : it->second;
}

std::string text_of(const Expr& expr) {
  std::string out;
  Printer printer{out};
  print_expr(printer, expr);
  return out;
}

TEST(ClassicalLoweringTest, IcmpMapsEveryPredicate) {
  struct Row {
    const char* predicate;
    BinaryOp op;
  };
  const Row rows[] = {
      {"eq", BinaryOp::Eq},  {"ne", BinaryOp::Ne},  {"ult", BinaryOp::Lt}, {"slt", BinaryOp::Lt},
      {"ule", BinaryOp::Le}, {"sle", BinaryOp::Le}, {"ugt", BinaryOp::Gt}, {"sgt", BinaryOp::Gt},
      {"uge", BinaryOp::Ge}, {"sge", BinaryOp::Ge},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_icmp(ICmp{row.predicate, 0, "t"}, {ssa("a"), cint(5)}, context).ok())
        << row.predicate;
    EXPECT_EQ(bound(context, "t"), bin(row.op, id("a"), lit(5))) << row.predicate;
  }
}

TEST(ClassicalLoweringTest, OperandForms) {
  struct Row {
    Operand operand;
    Expr int_expr;
    Expr i1_expr;
  };
  const Row rows[] = {
      {cint(-3), lit(-3), Expr{}},
      {cint(0), lit(0), lit(0)},
      {cint(1), lit(1), lit(1)},
      {cbool(true), lit(1), lit(1)},
      {cbool(false), lit(0), lit(0)},
      {ssa("m"), bit(0), bit(0)},
      {ConstInt{std::numeric_limits<std::int64_t>::min()},
       lit(std::numeric_limits<std::int64_t>::min()), Expr{}},
  };
  LoweringContext context = make_context();
  for (const Row& row : rows) {
    Result<Expr> as_int = int_operand_expr(row.operand, context);
    ASSERT_TRUE(as_int.ok()) << operand_debug(row.operand);
    EXPECT_EQ(*as_int, row.int_expr);
    if (row.i1_expr == Expr{}) continue;
    Result<Expr> as_i1 = i1_operand_expr(row.operand, context);
    ASSERT_TRUE(as_i1.ok()) << operand_debug(row.operand);
    EXPECT_EQ(*as_i1, row.i1_expr);
  }
}

TEST(ClassicalLoweringTest, TruthValueKeepsComparisonsAndLogic) {
  struct Row {
    Expr input;
    Expr expected;
  };
  std::vector<Row> rows;
  for (BinaryOp op : {BinaryOp::Or, BinaryOp::And, BinaryOp::Eq, BinaryOp::Ne, BinaryOp::Lt,
                      BinaryOp::Le, BinaryOp::Gt, BinaryOp::Ge}) {
    rows.push_back({bin(op, id("x"), id("y")), bin(op, id("x"), id("y"))});
  }
  for (BinaryOp op : {BinaryOp::Add, BinaryOp::Sub, BinaryOp::Mul, BinaryOp::BitAnd}) {
    rows.push_back({bin(op, id("x"), id("y")), eq1(bin(op, id("x"), id("y")))});
  }
  rows.push_back({bit(0), eq1(bit(0))});
  rows.push_back({lit(1), eq1(lit(1))});
  rows.push_back({neg(id("x")), eq1(neg(id("x")))});
  for (const Row& row : rows) EXPECT_EQ(truth_value(row.input), row.expected);
}

TEST(ClassicalLoweringTest, ArithmeticBindsUnfoldedOperations) {
  struct Row {
    ArithOp op;
    Operand lhs;
    Operand rhs;
    Expr expected;
  };
  const Row rows[] = {
      {ArithOp::Add, ssa("a"), cint(1), bin(BinaryOp::Add, id("a"), lit(1))},
      {ArithOp::Sub, ssa("a"), ssa("b"), bin(BinaryOp::Sub, id("a"), id("b"))},
      {ArithOp::Mul, cint(2), cint(3), bin(BinaryOp::Mul, lit(2), lit(3))},
      {ArithOp::Add, cbool(true), ssa("m"), bin(BinaryOp::Add, lit(1), bit(0))},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_arith(Arith{row.op, 0, "s"}, {row.lhs, row.rhs}, context).ok());
    EXPECT_EQ(bound(context, "s"), row.expected);
  }
}

TEST(ClassicalLoweringTest, LogicBindsByConstantClass) {
  struct Row {
    LogicOp op;
    Operand lhs;
    Operand rhs;
    Expr expected;
    const char* printed;
  };
  const Row rows[] = {
      {LogicOp::And, ssa("lt"), ssa("n"),
       bin(BinaryOp::And, bin(BinaryOp::Lt, id("a"), id("b")), eq1(bit(1))), "a < b && c[1] == 1"},
      {LogicOp::Or, ssa("m"), cbool(true), bin(BinaryOp::Or, eq1(bit(0)), eq1(lit(1))),
       "c[0] == 1 || 1 == 1"},
      {LogicOp::Xor, ssa("m"), cbool(true), bin(BinaryOp::Eq, bit(0), lit(0)), "c[0] == 0"},
      {LogicOp::Xor, cint(1), ssa("m"), bin(BinaryOp::Eq, bit(0), lit(0)), "c[0] == 0"},
      {LogicOp::Xor, cbool(false), ssa("m"), bit(0), "c[0]"},
      {LogicOp::Xor, ssa("lt"), cint(0), bin(BinaryOp::Lt, id("a"), id("b")), "a < b"},
      {LogicOp::Xor, ssa("m"), ssa("n"), bin(BinaryOp::Ne, eq1(bit(0)), eq1(bit(1))),
       "(c[0] == 1) != (c[1] == 1)"},
      {LogicOp::Xor, cbool(true), cint(0), bin(BinaryOp::Ne, eq1(lit(1)), eq1(lit(0))),
       "(1 == 1) != (0 == 1)"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_logic(Logic{row.op, 0, "r"}, {row.lhs, row.rhs}, context).ok())
        << row.printed;
    EXPECT_EQ(bound(context, "r"), row.expected) << row.printed;
    EXPECT_EQ(text_of(bound(context, "r")), row.printed);
  }
}

TEST(ClassicalLoweringTest, SelectOnI1ByConstantPair) {
  const Expr c = eq1(bit(0));
  const Expr t = eq1(bit(1));
  const Expr e = bin(BinaryOp::Lt, id("a"), id("b"));
  struct Row {
    Operand then_value;
    Operand else_value;
    Expr expected;
  };
  const Row rows[] = {
      {cbool(true), cbool(false), c},
      {cint(0), cint(1), neg(c)},
      {ssa("n"), cbool(false), bin(BinaryOp::And, c, t)},
      {ssa("n"), cbool(true), bin(BinaryOp::Or, neg(c), t)},
      {cbool(true), ssa("lt"), bin(BinaryOp::Or, c, e)},
      {cbool(false), ssa("lt"), bin(BinaryOp::And, neg(c), e)},
      {ssa("n"), ssa("lt"),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, t), bin(BinaryOp::And, neg(c), e))},
      {cbool(true), cint(1),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, eq1(lit(1))),
           bin(BinaryOp::And, neg(c), eq1(lit(1))))},
      {cbool(false), cbool(false),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, eq1(lit(0))),
           bin(BinaryOp::And, neg(c), eq1(lit(0))))},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(
        lower_select(Select{0, "i1", "s"}, {ssa("m"), row.then_value, row.else_value}, context)
            .ok());
    EXPECT_EQ(bound(context, "s"), row.expected) << text_of(row.expected);
  }
}

TEST(ClassicalLoweringTest, SelectOnIntegersBlends) {
  for (const char* ty : {"i32", "i64"}) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_select(Select{0, ty, "v"}, {ssa("m"), cint(5), cint(7)}, context).ok());
    const Expr expected = bin(BinaryOp::Add, bin(BinaryOp::Mul, bit(0), lit(5)),
                              bin(BinaryOp::Mul, bin(BinaryOp::Sub, lit(1), bit(0)), lit(7)));
    EXPECT_EQ(bound(context, "v"), expected);
    EXPECT_EQ(text_of(bound(context, "v")), "c[0] * 5 + (1 - c[0]) * 7");
  }
}

// Builds the instruction of one failing row and lowers it.
using Lower = Status (*)(LoweringContext&);

TEST(ClassicalLoweringTest, FailuresCarryTheirMessagesAndBindNothing) {
  struct Row {
    Lower lower;
    const char* message;
  };
  const Row rows[] = {
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"foo", 0, "r"}, {ssa("unbound"), cint(2)}, c);
       },
       "icmp predicate \"foo\" is not supported; supported predicates are [\"eq\", \"ne\", "
       "\"ult\", \"slt\", \"ule\", \"sle\", \"ugt\", \"sgt\", \"uge\", \"sge\"]"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"EQ", 0, "r"}, {cint(1), cint(2)}, c);
       },
       "icmp predicate \"EQ\" is not supported; supported predicates are [\"eq\", \"ne\", "
       "\"ult\", \"slt\", \"ule\", \"sle\", \"ugt\", \"sgt\", \"uge\", \"sge\"]"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {ssa("a"), ConstInt{int128{1} << 63}}, c);
       },
       "integer constant 9223372036854775808 does not fit in i64; wider integer constants are not "
       "yet supported"},
      {[](LoweringContext& c) {
         const Operand below_min = ConstInt{-(int128{1} << 63) - 1};
         return lower_arith(Arith{ArithOp::Sub, 0, "r"}, {below_min, cint(1)}, c);
       },
       "integer constant -9223372036854775809 does not fit in i64; wider integer constants are "
       "not yet supported"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {ssa("x\"y"), cint(1)}, c);
       },
       "SSA value \"x\\\"y\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r"}, {GlobalRef{"g"}, cint(1)}, c);
       },
       "could not interpret integer operand \"GlobalRef(\\\"g\\\")\""},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {cint(1), ConstFloat{0.5}}, c);
       },
       "could not interpret integer operand \"ConstFloat(0.5)\""},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::And, 0, "r"}, {ssa("m"), cint(2)}, c);
       },
       "could not interpret i1 constant operand 2"},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::Xor, 0, "r"}, {cbool(false), cint(-1)}, c);
       },
       "could not interpret i1 constant operand -1"},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::Or, 0, "r"}, {I8Null{}, ssa("m")}, c);
       },
       "could not interpret i1 constant operand \"I8Null\""},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "double", "r"}, {ssa("m"), cbool(true), cbool(false)}, c);
       },
       "`select i1 %cond, double ..., double ...` is not supported: OpenQASM 3 has no classical "
       "ternary expression for value-typed selects. Apply each branch in its own `if` arm, or "
       "precompute the value before the circuit."},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i8", "r"}, {ssa("zz"), cint(1), cint(2)}, c);
       },
       "`select i1 %cond, i8 ..., i8 ...` is not supported: OpenQASM 3 has no classical ternary "
       "expression for value-typed selects. Apply each branch in its own `if` arm, or precompute "
       "the value before the circuit."},
      // The else value is looked at only after the then value.
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i1", "r"}, {ssa("m"), ssa("t1"), ssa("e1")}, c);
       },
       "SSA value \"t1\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i1", "r"}, {ssa("m"), cint(3), cbool(true)}, c);
       },
       "could not interpret i1 constant operand 3"},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i64", "r"}, {cint(2), cint(3), cint(4)}, c);
       },
       "could not interpret i1 constant operand 2"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    Status status = row.lower(context);
    ASSERT_FALSE(status.ok()) << row.message;
    EXPECT_EQ(status.error(), lowering_error(row.message));
    EXPECT_EQ(context.env.count("r"), 0u) << row.message;
  }
}

TEST(ClassicalLoweringTest, MeasureCountsNodesAndDepth) {
  EXPECT_EQ(measure_expr(lit(1)), (ExprMetrics{1, 1}));
  EXPECT_EQ(measure_expr(bit(0)), (ExprMetrics{3, 2}));
  EXPECT_EQ(measure_expr(eq1(neg(bit(0)))), (ExprMetrics{6, 4}));
}

TEST(ClassicalLoweringTest, DeepChainsStopAtTheDepthLimit) {
  LoweringContext context;
  context.bind("v0", id("x"));
  std::vector<std::string> names{"v0"};
  names.reserve(kMaxExprDepth + 8);  // the context keeps views of these names
  Status status = ok_status();
  std::size_t failed_at = 0;
  for (std::size_t i = 1; i < kMaxExprDepth + 5 && status.ok(); ++i) {
    names.push_back("v" + std::to_string(i));
    status = lower_arith(Arith{ArithOp::Add, 0, names[i]}, {Ssa{names[i - 1]}, cint(1)}, context);
    failed_at = i;
  }
  ASSERT_FALSE(status.ok());
  // v_i has depth i + 1, so v_1000 is the first too deep.
  EXPECT_EQ(failed_at, kMaxExprDepth);
  EXPECT_EQ(status.error(), lowering_error("expression for SSA value \"v1000\" exceeds the limit "
                                           "of 1000 nested operations"));
  EXPECT_EQ(context.env.count("v1000"), 0u);
}

TEST(ClassicalLoweringTest, DoublingStopsAtTheNodeLimit) {
  LoweringContext context;
  context.bind("d0", id("x"));
  std::vector<std::string> names{"d0"};
  names.reserve(64);  // the context keeps views of these names
  Status status = ok_status();
  for (std::size_t i = 1; i < 40 && status.ok(); ++i) {
    names.push_back("d" + std::to_string(i));
    status = lower_arith(Arith{ArithOp::Mul, 0, names[i]}, {Ssa{names[i - 1]}, Ssa{names[i - 1]}},
                         context);
  }
  ASSERT_FALSE(status.ok());
  // d_i has 2^(i+1) - 1 nodes: d16 has 131071, the first above 100,000.
  EXPECT_EQ(status.error(),
            lowering_error("expression for SSA value \"d16\" exceeds the limit of 100000 nodes"));
}

TEST(ClassicalLoweringTest, CopiesAreChargedAgainstTheBudget) {
  LoweringContext context;
  context.copy_budget = 10;
  context.bind("m", bit(0));  // three nodes per copy
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r1"}, {ssa("m"), cbool(false)}, context).ok());
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r2"}, {ssa("m"), cbool(false)}, context).ok());
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r3"}, {ssa("m"), cbool(false)}, context).ok());
  EXPECT_EQ(context.copied_nodes, 9u);
  Status status = lower_logic(Logic{LogicOp::Xor, 0, "r4"}, {ssa("m"), cbool(false)}, context);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error(),
            lowering_error("expression for SSA value \"m\" cannot be copied into another use: the "
                           "translation has used up its budget of 10 copied expression nodes"));
}

// Copies, prints and destroys the deepest accepted expression on a small stack.
void* exercise_deep_expression(void* arg) {
  auto* printed = static_cast<std::string*>(arg);
  Expr deep = id("x");
  for (std::uint64_t i = 1; i < kMaxExprDepth + 8; ++i) {
    deep = make_binary_expr(BinaryOp::Sub, IntLit{1}, std::move(deep));
  }
  Expr copy = deep;
  Printer printer{*printed};
  print_expr(printer, copy);
  return nullptr;
}

// Optimised builds get a 512 KiB stack, as a small interpreter thread might
// have; unoptimised and sanitizer builds spend many times more stack per
// recursion level, so they get more room.
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSmallStack = 512 * 1024;
#else
constexpr std::size_t kSmallStack = 8 * 1024 * 1024;
#endif

TEST(ClassicalLoweringTest, DeepestAcceptedExpressionFitsASmallThreadStack) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, kSmallStack), 0);
  std::string printed;
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, exercise_deep_expression, &printed), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(printed.rfind("1 - (1 - (", 0), 0u);
  EXPECT_EQ(printed.size(), 6 * (kMaxExprDepth + 7) - 1);
}

}  // namespace
}  // namespace corvane
