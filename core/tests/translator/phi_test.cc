// Phi patterns on hand-built block records: short-circuit merges in every
// branch orientation, materialised Booleans, integer if-merges (literal and
// computed init, variable reuse), the general lowering's copies on edges and
// every failure message.
#include "translator/phi.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;
Stmt assign(const char* name, Expr value) {
  return Assign{IndexedIdent{name, std::nullopt}, std::move(value)};
}
Stmt reset(std::int64_t qubit) { return Reset{IndexedIdent{"q", qubit}}; }

BlockLowering block(const char* label, std::vector<const char*> successors,
                    std::optional<Expr> condition = std::nullopt,
                    std::vector<Stmt> statements = {}) {
  BlockLowering record;
  record.label = label;
  for (const char* successor : successors) record.successors.emplace_back(successor);
  record.condition = std::move(condition);
  record.statements = std::move(statements);
  return record;
}

// One phi lowering run: records, context, hoisted declarations.
struct Fixture {
  ProcessedBlocks processed;
  HoistedDecls hoisted;
  LoweringContext context;

  explicit Fixture(std::vector<BlockLowering> blocks) {
    for (BlockLowering& record : blocks) processed.append(std::move(record));
    context.bind("m", bit(0));
    context.bind("n", bit(1));
    context.bind("x", bin(BinaryOp::Lt, id("a"), id("b")));
    context.bind("k", id("k"));
  }

  Status run(const char* ty, std::vector<Incoming> incomings, const char* block_label) {
    Phi phi{ty, Range{0, static_cast<std::uint32_t>(incomings.size())}, "r"};
    return lower_phi(phi, incomings, block_label, processed, hoisted, context);
  }

  Expr result() const {
    auto it = context.env.find("r");
    EXPECT_NE(it, context.env.end());
    return it == context.env.end() ? Expr{} : it->second;
  }
};

Incoming in(Operand value, const char* pred) { return Incoming{std::move(value), pred}; }

TEST(PhiLoweringTest, ShortCircuitFollowsTheBranchDirection) {
  const Expr c = eq1(bit(0));
  const Expr x = bin(BinaryOp::Lt, id("a"), id("b"));
  struct Row {
    const char* name;
    std::vector<const char*> head_successors;  // head branches on %m
    std::vector<Incoming> incomings;
    Expr expected;
  };
  const std::vector<Row> rows = {
      // a || b: the constant arrives on the head's true edge.
      {"or",
       {"merge", "rhs"},
       {in(ConstBool{true}, "head"), in(Ssa{"x"}, "rhs")},
       bin(BinaryOp::Or, c, x)},
      // a && b: the constant arrives on the head's false edge.
      {"and",
       {"rhs", "merge"},
       {in(Ssa{"x"}, "rhs"), in(ConstBool{false}, "head")},
       bin(BinaryOp::And, c, x)},
      // true on the false edge: !a || b.
      {"or-negated",
       {"rhs", "merge"},
       {in(ConstBool{true}, "head"), in(Ssa{"x"}, "rhs")},
       bin(BinaryOp::Or, make_not(c), x)},
      // false on the true edge: !a && b.
      {"and-negated",
       {"merge", "rhs"},
       {in(ConstInt{0}, "head"), in(Ssa{"x"}, "rhs")},
       bin(BinaryOp::And, make_not(c), x)},
      // An integer 1 counts as true.
      {"int-one",
       {"merge", "rhs"},
       {in(Ssa{"x"}, "rhs"), in(ConstInt{1}, "head")},
       bin(BinaryOp::Or, c, x)},
      // The phi block is neither successor of the head: the plain forms.
      {"indirect-or",
       {"rhs", "mid"},
       {in(ConstBool{true}, "head"), in(Ssa{"x"}, "rhs")},
       bin(BinaryOp::Or, c, x)},
      {"indirect-and",
       {"rhs", "mid"},
       {in(ConstBool{false}, "head"), in(Ssa{"x"}, "rhs")},
       bin(BinaryOp::And, c, x)},
      // The rhs value passes through the truth value too.
      {"bit-rhs",
       {"merge", "rhs"},
       {in(ConstBool{true}, "head"), in(Ssa{"n"}, "rhs")},
       bin(BinaryOp::Or, c, eq1(bit(1)))},
  };
  for (const Row& row : rows) {
    Fixture fixture({block("head", row.head_successors, bit(0)), block("rhs", {"merge"})});
    ASSERT_TRUE(fixture.run("i1", row.incomings, "merge").ok()) << row.name;
    EXPECT_EQ(fixture.result(), row.expected) << row.name;
    EXPECT_EQ(fixture.hoisted.size(), 0u) << row.name;
  }
}

TEST(PhiLoweringTest, ConstantBranchConditionIsRecordedForShortCircuit) {
  Fixture fixture({block("head", {"merge", "rhs"}, Expr(BoolLit{true})), block("rhs", {"merge"})});
  ASSERT_TRUE(fixture.run("i1", {in(ConstBool{true}, "head"), in(Ssa{"m"}, "rhs")}, "merge").ok());
  EXPECT_EQ(fixture.result(), bin(BinaryOp::Or, eq1(BoolLit{true}), eq1(bit(0))));
}

TEST(PhiLoweringTest, MaterialisedBooleanUsesTheBranchCondition) {
  const Expr cond = bin(BinaryOp::Lt, id("a"), id("b"));
  struct Row {
    std::vector<Incoming> incomings;
    Expr expected;
  };
  const std::vector<Row> rows = {
      {{in(ConstInt{1}, "t"), in(ConstInt{0}, "f")}, cond},
      {{in(ConstInt{0}, "t"), in(ConstInt{1}, "f")}, bin(BinaryOp::Sub, lit(1), cond)},
      {{in(ConstInt{1}, "f"), in(ConstBool{false}, "t")}, bin(BinaryOp::Sub, lit(1), cond)},
      {{in(ConstBool{false}, "f"), in(ConstInt{1}, "t")}, cond},
  };
  for (const Row& row : rows) {
    Fixture fixture({block("d", {"t", "f"}, cond), block("t", {"j"}), block("f", {"j"})});
    ASSERT_TRUE(fixture.run("i64", row.incomings, "j").ok());
    EXPECT_EQ(fixture.result(), row.expected);
    EXPECT_EQ(fixture.hoisted.size(), 0u);
  }
}

TEST(PhiLoweringTest, IfMergeDeclaresAssignsAndReuses) {
  // p1 branches on %m to p2 or j; p2 updates; j merges. Then a second merge
  // q1/q2/k over the first result, and a third over an unrelated value.
  Fixture fixture(
      {block("p1", {"p2", "j"}, bit(0), {reset(0)}), block("p2", {"j"}, std::nullopt, {reset(1)})});
  // Literal init: declared with its value, update assigned at the end of p2.
  fixture.context.bind("u", bin(BinaryOp::Add, lit(5), lit(1)));
  ASSERT_TRUE(fixture.run("i64", {in(ConstInt{5}, "p1"), in(Ssa{"u"}, "p2")}, "j").ok());
  EXPECT_EQ(fixture.result(), id("cint_0"));
  ASSERT_EQ(fixture.hoisted.statements(), (std::vector<Stmt>{IntDecl{"cint_0", lit(5)}}));
  const std::vector<BlockLowering>& blocks = fixture.processed.blocks();
  EXPECT_EQ(blocks[0].statements, (std::vector<Stmt>{reset(0)}));
  EXPECT_EQ(blocks[1].statements,
            (std::vector<Stmt>{reset(1), assign("cint_0", bin(BinaryOp::Add, lit(5), lit(1)))}));

  // Reuse: the init is cint_0 itself; incomings in the other order.
  fixture.context.bind("r0", id("cint_0"));
  fixture.processed.append(block("q1", {"k", "q2"}, bit(1)));
  fixture.processed.append(block("q2", {"k"}));
  fixture.context.bind("w", bin(BinaryOp::Mul, id("cint_0"), lit(2)));
  ASSERT_TRUE(fixture.run("i32", {in(Ssa{"w"}, "q2"), in(Ssa{"r0"}, "q1")}, "k").ok());
  EXPECT_EQ(fixture.result(), id("cint_0"));
  EXPECT_EQ(fixture.hoisted.size(), 1u);
  EXPECT_EQ(fixture.processed.blocks()[2].statements, std::vector<Stmt>{});
  EXPECT_EQ(fixture.processed.blocks()[3].statements,
            (std::vector<Stmt>{assign("cint_0", bin(BinaryOp::Mul, id("cint_0"), lit(2)))}));

  // An update that is the variable itself adds no assignment.
  fixture.processed.append(block("s1", {"s2", "l"}, bit(0)));
  fixture.processed.append(block("s2", {"l"}));
  ASSERT_TRUE(fixture.run("i64", {in(Ssa{"r0"}, "s1"), in(Ssa{"r0"}, "s2")}, "l").ok());
  EXPECT_EQ(fixture.processed.blocks()[5].statements, std::vector<Stmt>{});

  // An independent value: the next variable is numbered by the declarations so far.
  fixture.processed.append(block("v1", {"v2", "o"}, bit(0)));
  fixture.processed.append(block("v2", {"o"}));
  ASSERT_TRUE(fixture.run("i64", {in(ConstBool{true}, "v1"), in(ConstInt{-7}, "v2")}, "o").ok());
  EXPECT_EQ(fixture.result(), id("cint_1"));
  EXPECT_EQ(fixture.hoisted.statements(),
            (std::vector<Stmt>{IntDecl{"cint_0", lit(5)}, IntDecl{"cint_1", lit(1)}}));
  EXPECT_EQ(fixture.processed.blocks()[7].statements,
            (std::vector<Stmt>{assign("cint_1", lit(-7))}));
}

TEST(PhiLoweringTest, IfMergeWithComputedInitAssignsItInTheInitBlock) {
  struct Row {
    const char* init;
    Expr init_value;
  };
  const Row rows[] = {{"m", bit(0)}, {"x", bin(BinaryOp::Lt, id("a"), id("b"))}, {"k", id("k")}};
  for (const Row& row : rows) {
    Fixture fixture({block("p1", {"p2", "j"}, bit(0), {reset(0)}), block("p2", {"j"})});
    ASSERT_TRUE(fixture.run("i64", {in(Ssa{"n"}, "p2"), in(Ssa{row.init}, "p1")}, "j").ok());
    EXPECT_EQ(fixture.result(), id("cint_0"));
    EXPECT_EQ(fixture.hoisted.statements(), (std::vector<Stmt>{IntDecl{"cint_0", lit(0)}}));
    EXPECT_EQ(fixture.processed.blocks()[0].statements,
              (std::vector<Stmt>{reset(0), assign("cint_0", row.init_value)}));
    EXPECT_EQ(fixture.processed.blocks()[1].statements,
              (std::vector<Stmt>{assign("cint_0", bit(1))}));
  }
}

TEST(PhiLoweringTest, EqualConstantsAreNotMaterialised) {
  Fixture fixture({block("d", {"t", "f"}, bit(0)), block("t", {"j"}), block("f", {"j"})});
  Status status = fixture.run("i64", {in(ConstInt{0}, "t"), in(ConstInt{0}, "f")}, "j");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().message,
            "phi integer incomings do not match the expected if-merge shape: expected exactly one "
            "predecessor with a conditional branch (providing the init value) and one with an "
            "unconditional branch (providing the update value)");
}

TEST(PhiLoweringTest, GeneralPhisAssignOnEveryEdge) {
  // a branches to b or j (a critical edge), b goes to j, c goes to j on both edges.
  Fixture fixture({block("a", {"b", "j"}, bit(0), {reset(0)}), block("b", {"j"}),
                   block("c", {"j", "j"}, bit(1))});
  std::vector<PhiCopy> copies;
  const std::vector<Incoming> first = {in(ConstBool{true}, "a"), in(Ssa{"m"}, "b"),
                                       in(Ssa{"x"}, "c"), in(Ssa{"x"}, "c")};
  const std::vector<Incoming> second = {in(ConstInt{4294967295}, "a"), in(Ssa{"k"}, "b"),
                                        in(ConstInt{-3}, "c")};
  ASSERT_TRUE(lower_general_phi(Phi{"i1", Range{0, 4}, "r"}, first, "j", fixture.hoisted,
                                fixture.context, copies)
                  .ok());
  ASSERT_TRUE(lower_general_phi(Phi{"i32", Range{0, 3}, "s"}, second, "j", fixture.hoisted,
                                fixture.context, copies)
                  .ok());
  EXPECT_EQ(fixture.result(), bin(BinaryOp::Eq, id("cint_0"), lit(1)));
  EXPECT_EQ(fixture.context.env.find("s")->second, id("cint_1"));
  EXPECT_EQ(fixture.hoisted.statements(),
            (std::vector<Stmt>{IntDecl{"cint_0", lit(0)}, IntDecl{"cint_1", lit(0)}}));
  EXPECT_EQ(fixture.processed.blocks()[1].statements, std::vector<Stmt>{});  // copies come last

  ASSERT_TRUE(place_phi_copies(copies, fixture.processed, fixture.context).ok());
  const std::vector<BlockLowering>& blocks = fixture.processed.blocks();
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[0].statements, std::vector<Stmt>{reset(0)});
  EXPECT_EQ(blocks[0].successors[0].view(), "b");
  EXPECT_EQ(blocks[0].successors[1].view(), "a.to.j");
  EXPECT_EQ(blocks[1].statements,
            (std::vector<Stmt>{assign("cint_0", bit(0)), assign("cint_1", id("k"))}));
  EXPECT_EQ(blocks[2].statements,
            (std::vector<Stmt>{assign("cint_0", bin(BinaryOp::Lt, id("a"), id("b"))),
                               assign("cint_1", lit(-3))}));
  EXPECT_EQ(blocks[3].label, "a.to.j");
  ASSERT_EQ(blocks[3].successors.size(), 1u);
  EXPECT_EQ(blocks[3].successors[0].view(), "j");
  EXPECT_EQ(blocks[3].statements,
            (std::vector<Stmt>{assign("cint_0", lit(1)), assign("cint_1", lit(-1))}));
}

TEST(PhiLoweringTest, GeneralPhiFailuresNameTheProblem) {
  struct Row {
    const char* ty;
    std::vector<Incoming> incomings;
    const char* message;
  };
  const Row rows[] = {
      {"double",
       {in(ConstInt{1}, "a"), in(ConstInt{2}, "b")},
       "phi double is not yet supported (SSA \"r\"); only `phi i1` and `phi i32`/`phi i64` are "
       "lowered today"},
      {"i64",
       {in(ConstInt{1}, "a"), in(ConstInt{2}, "a"), in(ConstInt{3}, "b")},
       "phi \"r\" gives predecessor \"a\" two different incoming values"},
      {"i64", {in(ConstInt{1}, "b")}, "phi \"r\" has no incoming value for its predecessor \"a\""},
      {"i32",
       {in(ConstInt{1}, "a"), in(ConstInt{2}, "b"), in(ConstInt{3}, "z")},
       "phi predecessor \"z\" is not a block of this function"},
      {"i1",
       {in(ConstBool{true}, "a"), in(ConstBool{false}, "b"), in(ConstBool{true}, "c")},
       "phi predecessor \"c\" does not branch to the phi's block \"j\""},
      {"i64",
       {in(GlobalRef{"g"}, "a"), in(ConstInt{2}, "b")},
       "phi i64 \"r\" incoming must be a constant or SSA reference, got GlobalRef(\"g\")"},
      {"i64",
       {in(ConstInt{int128{1} << 64}, "a"), in(ConstInt{2}, "b")},
       "phi integer incoming constant 18446744073709551616 does not fit in i64"},
  };
  for (const Row& row : rows) {
    Fixture fixture({block("a", {"b", "j"}, bit(0)), block("b", {"j"}), block("c", {})});
    std::vector<PhiCopy> copies;
    const Phi phi{row.ty, Range{0, static_cast<std::uint32_t>(row.incomings.size())}, "r"};
    Status status =
        lower_general_phi(phi, row.incomings, "j", fixture.hoisted, fixture.context, copies);
    if (status.ok()) status = place_phi_copies(copies, fixture.processed, fixture.context);
    ASSERT_FALSE(status.ok()) << row.message;
    EXPECT_EQ(status.error().message, row.message);
  }
}

TEST(PhiLoweringTest, FailuresCarryTheirMessagesAndChangeNothing) {
  struct Row {
    const char* ty;
    std::vector<Incoming> incomings;
    const char* block_label;
    const char* message;
  };
  const std::vector<Row> rows = {
      {"double",
       {in(ConstInt{1}, "a"), in(Ssa{"x"}, "merge\t")},
       "merge\t",
       "loop-carried phi (predecessor \"merge\\t\" is the phi's own block \"merge\\t\") is not "
       "supported"},
      {"double",
       {in(ConstFloat{1.0}, "head")},
       "merge",
       "phi double is not yet supported (SSA \"r\"); only `phi i1` and `phi i32`/`phi i64` are "
       "lowered today"},
      {"i1",
       {in(ConstBool{true}, "head")},
       "merge",
       "phi i1 has 1 incoming value(s); only the two-incoming short-circuit pattern is supported"},
      {"i1",
       {in(ConstBool{true}, "head"), in(ConstBool{false}, "rhs")},
       "merge",
       "phi i1 has two constant incomings; only one side of a short-circuit compound may be a "
       "constant"},
      {"i1",
       {in(Ssa{"x"}, "head"), in(Ssa{"m"}, "rhs")},
       "merge",
       "phi i1 does not match the short-circuit Boolean pattern: expected exactly one constant "
       "incoming and one SSA incoming"},
      {"i1",
       {in(ConstBool{true}, "rhs"), in(Ssa{"x"}, "head")},
       "merge",
       "phi i1 short-circuit predecessor \"rhs\" did not record a branching condition; expected "
       "the predecessor to end in a conditional ``br`` on an SSA value"},
      {"i1",
       {in(ConstBool{true}, "nowhere"), in(Ssa{"x"}, "head")},
       "merge",
       "phi i1 short-circuit predecessor \"nowhere\" did not record a branching condition; "
       "expected the predecessor to end in a conditional ``br`` on an SSA value"},
      {"i1",
       {in(ConstBool{true}, "head"), in(ConstInt{2}, "rhs")},
       "merge",
       "phi i1 rhs incoming must be an SSA reference"},
      {"i1",
       {in(ConstBool{true}, "head"), in(Ssa{"m"}, "latch")},
       "merge",
       "phi i1 short-circuit predecessor \"latch\" comes after the phi's block"},
      {"i1",
       {in(ConstBool{true}, "head"), in(Ssa{"gone"}, "rhs")},
       "merge",
       "SSA value \"gone\" is used but was never bound; upstream instruction may be unsupported"},
      {"i64",
       {in(ConstInt{1}, "head"), in(ConstInt{0}, "rhs"), in(ConstInt{0}, "x")},
       "merge",
       "phi integer with 3 incoming value(s); only the two-incoming if-merge shape (`mutable` + "
       "conditional increment) is supported"},
      {"i64",
       {in(ConstInt{1}, "nope"), in(ConstInt{0}, "nada")},
       "merge",
       "phi integer predecessor \"nope\" not found among processed blocks"},
      {"i32",
       {in(ConstInt{1}, "head"), in(ConstInt{0}, "nada")},
       "merge",
       "phi integer predecessor \"nada\" not found among processed blocks"},
      {"i64",
       {in(ConstInt{1}, "head"), in(ConstInt{0}, "head2")},
       "merge",
       "phi integer incomings do not match the expected if-merge shape: expected exactly one "
       "predecessor with a conditional branch (providing the init value) and one with an "
       "unconditional branch (providing the update value)"},
      {"i64",
       {in(ConstInt{int128{1} << 63}, "head"), in(ConstInt{0}, "rhs")},
       "merge",
       "phi integer incoming constant 9223372036854775808 does not fit in i64"},
      {"i64",
       {in(ConstInt{1}, "head"), in(ConstFloat{1.5}, "rhs")},
       "merge",
       "phi integer incoming must be a constant or SSA reference, got ConstFloat(1.5)"},
      {"i64",
       {in(Ssa{"gone"}, "head"), in(ConstInt{1}, "rhs")},
       "merge",
       "SSA value \"gone\" is used but was never bound; upstream instruction may be unsupported"},
  };
  for (const Row& row : rows) {
    Fixture fixture({block("head", {"rhs", "merge"}, bit(0)),
                     block("head2", {"rhs", "merge"}, bit(1)), block("rhs", {"merge"})});
    Status status = fixture.run(row.ty, row.incomings, row.block_label);
    ASSERT_FALSE(status.ok()) << row.message;
    EXPECT_EQ(status.error(), lowering_error(row.message));
    EXPECT_EQ(fixture.context.env.count("r"), 0u) << row.message;
    EXPECT_EQ(fixture.hoisted.size(), 0u) << row.message;
    for (const BlockLowering& record : fixture.processed.blocks()) {
      EXPECT_TRUE(record.statements.empty()) << row.message;
    }
  }
}

TEST(PhiLoweringTest, ProcessedBlocksIndexFirstAndConditionalRecords) {
  ProcessedBlocks processed;
  processed.append(block("a", {"b"}));
  processed.append(block("a", {"x", "y"}, bit(0)));
  processed.append(block("a", {"y", "x"}, bit(1)));
  processed.append(block("z", {"y", "y"}, bit(2)));
  EXPECT_EQ(processed.find_first("a"), &processed.blocks()[0]);
  EXPECT_EQ(processed.find_conditional("a"), &processed.blocks()[2]);
  EXPECT_EQ(processed.find_branch_to("y", "x"), &processed.blocks()[1]);
  EXPECT_EQ(processed.find_branch_to("y", "y"), &processed.blocks()[1]);
  EXPECT_EQ(processed.find_branch_to("b", "x"), nullptr);
  EXPECT_EQ(processed.find_first("missing"), nullptr);
  std::vector<BlockLowering> taken = processed.take();
  EXPECT_EQ(taken.size(), 4u);
  EXPECT_EQ(processed.find_first("a"), nullptr);
}

}  // namespace
}  // namespace corvane
