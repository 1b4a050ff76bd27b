// Control-flow structuring on hand-built block records: every shape, every
// message, the invariant checks, the limits, determinism and large inputs.
#include "cfg/structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// Failures print as kind and message.
void expect_error(const Result<std::vector<Stmt>>& result, const TranslateError& expected) {
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, expected.message);
  EXPECT_EQ(static_cast<int>(result.error().kind), static_cast<int>(expected.kind));
}

// A one-qubit gate statement; distinct names make misplaced statements visible.
Stmt gate(const std::string& name, std::int64_t qubit = 0) {
  return GateCall{{}, name, {}, {IndexedIdent{"q", qubit}}};
}

// A label made of a prefix and a number (built by appending, which keeps g++'s
// -Wrestrict false positive on "literal" + std::string away).
std::string numbered(const char* prefix, std::size_t number) {
  std::string label(prefix);
  label += std::to_string(number);
  return label;
}

Expr bit(std::int64_t index) { return make_index("c", index); }

Expr is_zero(Expr condition) {
  return make_binary_expr(BinaryOp::Eq, std::move(condition), IntLit{0});
}

BlockLowering block(std::string label, std::vector<Stmt> statements,
                    std::vector<std::string> successors = {},
                    std::optional<Expr> condition = std::nullopt) {
  return BlockLowering{std::move(label), std::move(statements), std::move(successors),
                       std::move(condition)};
}

Stmt if_stmt(Expr condition, std::vector<Stmt> then_body, std::vector<Stmt> else_body = {}) {
  return If{std::move(condition), std::move(then_body), std::move(else_body)};
}

Stmt while_stmt(Expr condition, std::vector<Stmt> body) {
  return While{std::move(condition), std::move(body)};
}

struct ShapeCase {
  const char* name;
  std::vector<BlockLowering> blocks;
  std::string entry;
  std::vector<Stmt> expected;
};

std::vector<ShapeCase> shape_cases() {
  std::vector<ShapeCase> cases;
  cases.push_back({"empty list ignores the entry", {}, "nowhere", {}});
  cases.push_back({"single block",
                   {block("entry", {gate("h"), gate("x", 1)})},
                   "entry",
                   {gate("h"), gate("x", 1)}});
  cases.push_back({"sequence keeps the block statements in order",
                   {block("entry", {gate("a")}, {"mid"}), block("mid", {gate("b")}, {"end"}),
                    block("end", {gate("c")})},
                   "entry",
                   {gate("a"), gate("b"), gate("c")}});
  cases.push_back({"sequence given out of order",
                   {block("end", {gate("c")}), block("mid", {gate("b")}, {"end"}),
                    block("entry", {gate("a")}, {"mid"})},
                   "entry",
                   {gate("a"), gate("b"), gate("c")}});
  cases.push_back(
      {"conditional branch with equal targets merges and drops the condition",
       {block("entry", {gate("a")}, {"next", "next"}, bit(0)), block("next", {gate("b")})},
       "entry",
       {gate("a"), gate("b")}});
  cases.push_back(
      {"diamond",
       {block("entry", {gate("e")}, {"then", "else"}, bit(0)), block("then", {gate("t")}, {"cont"}),
        block("else", {gate("f")}, {"cont"}), block("cont", {gate("k")})},
       "entry",
       {gate("e"), if_stmt(bit(0), {gate("t")}, {gate("f")}), gate("k")}});
  cases.push_back({"diamond with swapped targets takes the first target as then-arm",
                   {block("entry", {}, {"b", "a"}, bit(0)), block("a", {gate("in_a")}, {"j"}),
                    block("b", {gate("in_b")}, {"j"}), block("j", {})},
                   "entry",
                   {if_stmt(bit(0), {gate("in_b")}, {gate("in_a")})}});
  cases.push_back(
      {"diamond with empty arms leaves no trace",
       {block("entry", {gate("e")}, {"then", "else"}, bit(0)), block("then", {}, {"cont"}),
        block("else", {}, {"cont"}), block("cont", {gate("k")})},
       "entry",
       {gate("e"), gate("k")}});
  cases.push_back({"diamond with one empty arm",
                   {block("entry", {}, {"then", "else"}, bit(0)), block("then", {}, {"cont"}),
                    block("else", {gate("f")}, {"cont"}), block("cont", {})},
                   "entry",
                   {if_stmt(bit(0), {}, {gate("f")})}});
  cases.push_back({"triangle with the arm on true",
                   {block("entry", {gate("e")}, {"then", "cont"}, bit(1)),
                    block("then", {gate("t")}, {"cont"}), block("cont", {gate("k")})},
                   "entry",
                   {gate("e"), if_stmt(bit(1), {gate("t")}), gate("k")}});
  cases.push_back({"triangle with the arm on false keeps the condition",
                   {block("entry", {gate("e")}, {"cont", "else"}, bit(1)),
                    block("else", {gate("f")}, {"cont"}), block("cont", {gate("k")})},
                   "entry",
                   {gate("e"), if_stmt(bit(1), {}, {gate("f")}), gate("k")}});
  cases.push_back({"triangle with an empty arm drops the condition",
                   {block("entry", {gate("e")}, {"then", "cont"}, bit(1)),
                    block("then", {}, {"cont"}), block("cont", {gate("k")})},
                   "entry",
                   {gate("e"), gate("k")}});
  cases.push_back(
      {"self-loop continuing on true",
       {block("entry", {gate("e")}, {"loop"}), block("loop", {gate("l")}, {"loop", "exit"}, bit(2)),
        block("exit", {gate("x")})},
       "entry",
       {gate("e"), gate("l"), while_stmt(bit(2), {gate("l")}), gate("x")}});
  cases.push_back(
      {"self-loop continuing on false compares with zero",
       {block("entry", {gate("e")}, {"loop"}), block("loop", {gate("l")}, {"exit", "loop"}, bit(2)),
        block("exit", {gate("x")})},
       "entry",
       {gate("e"), gate("l"), while_stmt(is_zero(bit(2)), {gate("l")}), gate("x")}});
  cases.push_back({"while loop runs the header before the loop and after each body",
                   {block("entry", {gate("e")}, {"header"}),
                    block("header", {gate("h")}, {"body", "exit"}, bit(3)),
                    block("body", {gate("b")}, {"header"}), block("exit", {gate("x")})},
                   "entry",
                   {gate("e"), gate("h"), while_stmt(bit(3), {gate("b"), gate("h")}), gate("x")}});
  cases.push_back(
      {"while loop with the body on false compares with zero",
       {block("entry", {gate("e")}, {"header"}),
        block("header", {gate("h")}, {"exit", "body"}, bit(3)),
        block("body", {gate("b")}, {"header"}), block("exit", {gate("x")})},
       "entry",
       {gate("e"), gate("h"), while_stmt(is_zero(bit(3)), {gate("b"), gate("h")}), gate("x")}});
  cases.push_back({"while loop with an empty header",
                   {block("entry", {}, {"header"}), block("header", {}, {"body", "exit"}, bit(3)),
                    block("body", {gate("b")}, {"header"}), block("exit", {})},
                   "entry",
                   {while_stmt(bit(3), {gate("b")})}});
  cases.push_back(
      {"diamond inside a loop body folds before the loop",
       {block("entry", {}, {"header"}), block("header", {gate("h")}, {"top", "exit"}, bit(0)),
        block("top", {gate("b1")}, {"t", "f"}, bit(1)), block("t", {gate("t")}, {"bottom"}),
        block("f", {gate("f")}, {"bottom"}), block("bottom", {gate("b2")}, {"header"}),
        block("exit", {gate("x")})},
       "entry",
       {gate("h"),
        while_stmt(bit(0),
                   {gate("b1"), if_stmt(bit(1), {gate("t")}, {gate("f")}), gate("b2"), gate("h")}),
        gate("x")}});
  cases.push_back(
      {"else-if chain folds the inner diamond first",
       {block("entry", {gate("e")}, {"a", "b"}, bit(0)), block("a", {gate("in_a")}, {"join"}),
        block("b", {gate("in_b")}, {"b1", "b2"}, bit(1)), block("b1", {gate("in_b1")}, {"join"}),
        block("b2", {gate("in_b2")}, {"join"}), block("join", {gate("j")})},
       "entry",
       {gate("e"),
        if_stmt(bit(0), {gate("in_a")},
                {gate("in_b"), if_stmt(bit(1), {gate("in_b1")}, {gate("in_b2")})}),
        gate("j")}});
  cases.push_back(
      {"else-if chain whose arms share one join block",
       {block("entry", {}, {"a", "b"}, bit(0)), block("a", {gate("in_a")}, {"join"}),
        block("b", {}, {"b1", "join"}, bit(1)), block("b1", {gate("in_b1")}, {"join"}),
        block("join", {gate("j")})},
       "entry",
       // b is a triangle first (its arm b1), after which entry is a diamond.
       {if_stmt(bit(0), {gate("in_a")}, {if_stmt(bit(1), {gate("in_b1")})}), gate("j")}});
  cases.push_back(
      {"nested loops",
       {block("entry", {}, {"outer"}), block("outer", {gate("o")}, {"inner", "exit"}, bit(0)),
        block("inner", {gate("i")}, {"ibody", "latch"}, bit(1)),
        block("ibody", {gate("ib")}, {"inner"}), block("latch", {gate("l")}, {"outer"}),
        block("exit", {})},
       "entry",
       {gate("o"), while_stmt(bit(0), {gate("i"), while_stmt(bit(1), {gate("ib"), gate("i")}),
                                       gate("l"), gate("o")})}});
  // The header of the outer loop holds the inner self-loop, so the copy made
  // for the outer loop body contains a loop too.
  cases.push_back(
      {"loop header holding an earlier loop is copied whole",
       {block("entry", {gate("p")}, {"L"}), block("L", {gate("s")}, {"L", "M"}, bit(0)),
        block("M", {gate("m")}, {"B", "X"}, bit(1)), block("B", {gate("b")}, {"L"}),
        block("X", {gate("x")})},
       "entry",
       {gate("p"), gate("s"), while_stmt(bit(0), {gate("s")}), gate("m"),
        while_stmt(bit(1), {gate("b"), gate("s"), while_stmt(bit(0), {gate("s")}), gate("m")}),
        gate("x")}});
  const Expr a_and_b = make_binary_expr(BinaryOp::And, bit(0), bit(1));
  const Expr a_or_b = make_binary_expr(BinaryOp::Or, bit(0), bit(1));
  cases.push_back(
      {"short-circuit && takes the join's condition",
       {block("entry", {gate("e")}, {"rhs", "join"}, bit(0)), block("rhs", {}, {"join"}),
        block("join", {gate("j")}, {"then", "cont"}, a_and_b), block("then", {gate("t")}, {"cont"}),
        block("cont", {gate("k")})},
       "entry",
       {gate("e"), gate("j"), if_stmt(a_and_b, {gate("t")}), gate("k")}});
  cases.push_back({"short-circuit || with the arm on false",
                   {block("entry", {gate("e")}, {"join", "rhs"}, bit(0)),
                    block("rhs", {}, {"join"}), block("join", {}, {"cont", "else"}, a_or_b),
                    block("else", {gate("f")}, {"cont"}), block("cont", {gate("k")})},
                   "entry",
                   {gate("e"), if_stmt(a_or_b, {}, {gate("f")}), gate("k")}});
  cases.push_back(
      {"short-circuit shape with statements in the arm is a triangle",
       {block("entry", {gate("e")}, {"rhs", "join"}, bit(0)), block("rhs", {gate("r")}, {"join"}),
        block("join", {gate("j")}, {"then", "cont"}, a_and_b), block("then", {gate("t")}, {"cont"}),
        block("cont", {})},
       "entry",
       {gate("e"), if_stmt(bit(0), {gate("r")}), gate("j"), if_stmt(a_and_b, {gate("t")})}});
  cases.push_back(
      {"short-circuit shape whose join condition is not || or &&",
       {block("entry", {gate("e")}, {"rhs", "join"}, bit(0)), block("rhs", {}, {"join"}),
        block("join", {gate("j")}, {"then", "cont"}, bit(5)), block("then", {gate("t")}, {"cont"}),
        block("cont", {})},
       "entry",
       {gate("e"), gate("j"), if_stmt(bit(5), {gate("t")})}});
  return cases;
}

TEST(StructureBlocksTest, ReducesEveryShape) {
  for (ShapeCase& row : shape_cases()) {
    SCOPED_TRACE(row.name);
    Result<std::vector<Stmt>> result = structure_blocks(std::move(row.blocks), row.entry);
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(result.value(), row.expected);
  }
  Result<std::vector<Stmt>> none = structure_blocks({}, "entry");
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none.value().empty());
}

// The could-not-reduce error for a rendered list of remaining labels.
TranslateError unreducible(const std::string& remaining) {
  std::string message = "could not reduce CFG to a single block; remaining blocks: ";
  message += remaining;
  message += ". corvane supports only structured control flow (sequence, if/else, simple while).";
  return control_flow_error(std::move(message));
}

struct FailureCase {
  const char* name;
  std::vector<BlockLowering> blocks;
  std::string entry;
  TranslateError expected;
};

std::vector<FailureCase> failure_cases() {
  std::vector<FailureCase> cases;
  cases.push_back({"duplicate label is reported before the entry and the targets",
                   {block("a", {}, {"nowhere"}), block("b", {}), block("a", {}), block("b", {})},
                   "missing",
                   lowering_error("duplicate block label `%a`")});
  cases.push_back(
      {"entry not found, in quoted form",
       {block("a", {})},
       "en\"t\\ry\n",
       control_flow_error("entry block \"en\\\"t\\\\ry\\n\" not found among block lowerings")});
  cases.push_back({"entry is checked before the targets",
                   {block("a", {}, {"nowhere"})},
                   "b",
                   control_flow_error("entry block \"b\" not found among block lowerings")});
  cases.push_back(
      {"unknown target of the block whose label sorts first, first in successor order",
       {block("entry", {}, {"z1"}), block("b2", {}, {"entry", "z2"}),
        block("b10", {}, {"entry", "z3", "z4"}, bit(0))},
       "entry",
       lowering_error("branch target `%z3` does not match any block in this function")});
  cases.push_back({"unreachable block",
                   {block("entry", {}, {"exit"}), block("exit", {}), block("dead", {}, {"exit"})},
                   "entry",
                   unreducible("[\"dead\", \"entry\", \"exit\"]")});
  cases.push_back({"two returning arms without a join",
                   {block("entry", {}, {"a", "b"}, bit(0)), block("a", {}), block("b", {})},
                   "entry",
                   unreducible("[\"a\", \"b\", \"entry\"]")});
  cases.push_back({"loop left from inside its body",
                   {block("entry", {}, {"header"}), block("header", {}, {"body", "exit"}, bit(0)),
                    block("body", {}, {"header", "exit"}, bit(1)), block("exit", {})},
                   "entry",
                   unreducible("[\"body\", \"entry\", \"exit\", \"header\"]")});
  cases.push_back(
      {"remaining labels sorted by bytes and quoted",
       {block("b2", {}, {"b10", "x\"y"}, bit(0)), block("b10", {}), block("x\"y", {}),
        block("\xc3\xa9t\xe9", {})},
       "b2",
       control_flow_error("could not reduce CFG to a single block; remaining blocks: [\"b10\", "
                          "\"b2\", \"x\\\"y\", \"\xc3\xa9t\\x{e9}\"]. corvane supports only "
                          "structured control flow (sequence, if/else, simple while).")});
  cases.push_back({"entry jumping to itself is an endless loop",
                   {block("entry", {gate("a")}, {"entry"})},
                   "entry",
                   unreducible("[\"entry\"]")});
  cases.push_back({"conditional branch with both targets the block itself",
                   {block("entry", {gate("a")}, {"entry", "entry"}, bit(0))},
                   "entry",
                   unreducible("[\"entry\"]")});
  cases.push_back({"unreachable block jumping to itself",
                   {block("entry", {}), block("spin", {}, {"spin"})},
                   "entry",
                   unreducible("[\"entry\", \"spin\"]")});
  cases.push_back(
      {"diamond whose arms both return to the header",
       {block("entry", {}, {"pre"}), block("pre", {}, {"n"}), block("n", {}, {"t", "f"}, bit(0)),
        block("t", {gate("t")}, {"n"}), block("f", {gate("f")}, {"n"})},
       "entry",
       unreducible("[\"entry\", \"n\"]")});
  cases.push_back({"short-circuit shape whose join is the branching block itself",
                   {block("entry", {gate("a")}, {"entry", "arm"},
                          make_binary_expr(BinaryOp::Or, bit(0), bit(1))),
                    block("arm", {}, {"entry"})},
                   "entry",
                   unreducible("[\"entry\"]")});
  cases.push_back({"diamond without a condition",
                   {block("entry", {}, {"t", "f"}), block("t", {gate("t")}, {"j"}),
                    block("f", {}, {"j"}), block("j", {})},
                   "entry",
                   internal_error("conditional branch without a condition")});
  cases.push_back({"diamond with empty arms without a condition",
                   {block("entry", {}, {"t", "f"}), block("t", {}, {"j"}), block("f", {}, {"j"}),
                    block("j", {})},
                   "entry",
                   internal_error("conditional branch without a condition")});
  cases.push_back({"triangle without a condition",
                   {block("entry", {}, {"j", "arm"}), block("arm", {}, {"j"}), block("j", {})},
                   "entry",
                   internal_error("conditional branch without a condition")});
  cases.push_back(
      {"self-loop without a condition",
       {block("entry", {}, {"loop"}), block("loop", {}, {"exit", "loop"}), block("exit", {})},
       "entry",
       internal_error("self-loop requires a conditional branch")});
  cases.push_back({"while loop without a condition",
                   {block("entry", {}, {"h"}), block("h", {}, {"b", "x"}), block("b", {}, {"h"}),
                    block("x", {})},
                   "entry",
                   internal_error("while needs a conditional branch")});
  // Which invariant check fires shows which pass was applied first.
  cases.push_back({"block matching self-loop and while loop is folded as a self-loop",
                   {block("entry", {}, {"n"}), block("n", {}, {"n", "f"}), block("f", {}, {"n"})},
                   "entry",
                   internal_error("self-loop requires a conditional branch")});
  cases.push_back({"diamond whose arms return to its header is folded as a diamond",
                   {block("entry", {}, {"n"}), block("n", {}, {"t", "f"}), block("t", {}, {"n"}),
                    block("f", {}, {"n"})},
                   "entry",
                   internal_error("conditional branch without a condition")});
  cases.push_back(
      {"a diamond anywhere is folded before an earlier while loop",
       {block("pre", {}, {"h"}), block("h", {}, {"b", "x"}), block("b", {}, {"h"}), block("x", {}),
        block("d", {}, {"t", "f"}), block("t", {}, {"j"}), block("f", {}, {"j"}), block("j", {})},
       "pre",
       internal_error("conditional branch without a condition")});
  cases.push_back({"a self-loop anywhere is folded before an earlier diamond",
                   {block("d", {}, {"t", "f"}), block("t", {}, {"j"}), block("f", {}, {"j"}),
                    block("j", {}), block("s", {}, {"s", "x"}), block("x", {})},
                   "d",
                   internal_error("self-loop requires a conditional branch")});
  return cases;
}

TEST(StructureBlocksTest, ReportsEveryFailure) {
  for (FailureCase& row : failure_cases()) {
    SCOPED_TRACE(row.name);
    expect_error(structure_blocks(std::move(row.blocks), row.entry), row.expected);
  }
}

// Nested diamonds: level i branches to the next level's header (or to a leaf at
// the innermost level) and to a leaf, and both continue at the join of level i.
std::vector<BlockLowering> nested_diamonds(int levels) {
  std::vector<BlockLowering> blocks;
  for (int i = 0; i < levels; ++i) {
    const std::string then_arm = i + 1 < levels ? numbered("h", i + 1) : "leaf";
    const std::string join = i == 0 ? "end" : numbered("j", i - 1);
    blocks.push_back(block(numbered("h", i), {}, {then_arm, numbered("f", i)}, bit(i)));
    blocks.push_back(block(numbered("f", i), {gate("f", i)}, {numbered("j", i)}));
    blocks.push_back(block(numbered("j", i), {}, {join}));
  }
  blocks.push_back(block("leaf", {gate("leaf")}, {numbered("j", levels - 1)}));
  blocks.push_back(block("end", {gate("end")}));
  return blocks;
}

TEST(StructureBlocksTest, NestsIfStatementsUpToTheDepthLimit) {
  constexpr int kLevels = 1000;
  Result<std::vector<Stmt>> result = structure_blocks(nested_diamonds(kLevels), "h0");
  ASSERT_TRUE(result.ok()) << result.error().message;
  std::vector<Stmt> expected{gate("leaf")};
  for (int i = kLevels - 1; i >= 0; --i) {
    std::vector<Stmt> level;
    level.push_back(if_stmt(bit(i), std::move(expected), {gate("f", i)}));
    expected = std::move(level);
  }
  expected.push_back(gate("end"));
  EXPECT_EQ(result.value(), expected);
}

TEST(StructureBlocksTest, RejectsNestingBeyondTheDepthLimit) {
  // The innermost diamond is one level deep, so level 8999 of 10000 is the
  // first to need 1001 levels.
  Result<std::vector<Stmt>> result = structure_blocks(nested_diamonds(10000), "h0");
  expect_error(result, control_flow_error("control flow at block \"h8999\" nests if/while "
                                          "statements deeper than 1000 levels, the most corvane "
                                          "supports"));
}

// Every level adds an outer loop around the block L whose header is L itself,
// so each loop copies everything built so far: the output doubles per level.
TEST(StructureBlocksTest, RejectsLoopHeaderCopiesBeyondTheBudget) {
  constexpr int kLevels = 40;
  std::vector<BlockLowering> blocks;
  blocks.push_back(block("entry", {gate("p")}, {"L"}));
  blocks.push_back(block("L", {gate("s")}, {"L", "M1"}, bit(0)));
  for (int i = 1; i <= kLevels; ++i) {
    const std::string next = i == kLevels ? "X" : numbered("M", i + 1);
    blocks.push_back(block(numbered("M", i), {}, {numbered("B", i), next}, bit(i)));
    blocks.push_back(block(numbered("B", i), {gate("b", i)}, {"L"}));
  }
  blocks.push_back(block("X", {}));
  Result<std::vector<Stmt>> result = structure_blocks(std::move(blocks), "entry");
  expect_error(result, control_flow_error("while loop at block \"L\" would copy loop-header "
                                          "statements beyond the limit of 1000000 statements and "
                                          "expression nodes (the larger of 1000000 and the size "
                                          "of the function)"));
}

// A balanced sum of `leaves` copies of c[0]: 4 * leaves - 1 nodes.
Expr wide_sum(std::size_t leaves) {
  if (leaves == 1) return bit(0);
  return make_binary_expr(BinaryOp::Add, wide_sum(leaves / 2), wide_sum(leaves - leaves / 2));
}

// Copies are charged by the expression nodes they hold, not only by their
// statements: here one header statement carries 400,002 nodes, so the first
// outer loop, which copies the self-loop holding it and a copy of it, goes past
// the budget although only a handful of statements are copied.
TEST(StructureBlocksTest, ChargesTheExpressionNodesOfCopiedHeaders) {
  constexpr int kLevels = 20;
  Stmt heavy = GateCall{{}, "rx", {wide_sum(100000)}, {IndexedIdent{"q", 0}}};
  std::vector<BlockLowering> blocks;
  blocks.push_back(block("entry", {gate("p")}, {"L"}));
  blocks.push_back(block("L", {std::move(heavy)}, {"L", "M1"}, bit(0)));
  for (int i = 1; i <= kLevels; ++i) {
    const std::string next = i == kLevels ? "X" : numbered("M", i + 1);
    blocks.push_back(block(numbered("M", i), {}, {numbered("B", i), next}, bit(i)));
    blocks.push_back(block(numbered("B", i), {gate("b", i)}, {"L"}));
  }
  blocks.push_back(block("X", {}));
  Result<std::vector<Stmt>> result = structure_blocks(std::move(blocks), "entry");
  expect_error(result, control_flow_error("while loop at block \"L\" would copy loop-header "
                                          "statements beyond the limit of 1000000 statements and "
                                          "expression nodes (the larger of 1000000 and the size "
                                          "of the function)"));
}

// Random structured programs: the generator lowers a random tree of
// sequences, if/else, if-then and while loops (in both branch orientations)
// to block records and builds the statements the structurer must return.
class ProgramGenerator {
 public:
  explicit ProgramGenerator(unsigned seed) : rng_(seed) {}

  std::vector<BlockLowering> blocks;
  std::vector<Stmt> expected;

  // The region's last block keeps no successors: it returns.
  void generate() { sequence(new_block(), expected, 0); }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::size_t new_block() {
    blocks.push_back(block(numbered("b", blocks.size()), {}));
    return blocks.size() - 1;
  }

  Stmt leaf() { return gate(numbered("g", counter_++), pick(8)); }

  void leaves(std::size_t into, std::vector<Stmt>& out, int count) {
    for (int i = 0; i < count; ++i) {
      Stmt s = leaf();
      blocks[into].statements.push_back(s);
      out.push_back(std::move(s));
    }
  }

  // Fills the region starting in block `current`; returns its open last block.
  std::size_t sequence(std::size_t current, std::vector<Stmt>& out, int depth) {
    const int items = 1 + pick(3);
    for (int item = 0; item < items; ++item) {
      const int kind = depth >= 4 ? 0 : pick(5);
      if (kind <= 1) {
        leaves(current, out, pick(3));
      } else if (kind == 2) {
        current = if_else(current, out, depth);
      } else if (kind == 3) {
        current = if_then(current, out, depth);
      } else {
        current = loop(current, out, depth);
      }
    }
    return current;
  }

  std::vector<Stmt> arm(std::size_t start, std::size_t join, int depth) {
    std::vector<Stmt> body;
    const std::size_t end = pick(3) == 0 ? start : sequence(start, body, depth + 1);
    blocks[end].successors = {label(join)};
    return body;
  }

  std::string label(std::size_t id) const { return blocks[id].label; }

  std::size_t if_else(std::size_t current, std::vector<Stmt>& out, int depth) {
    const Expr condition = bit(counter_++);
    const std::size_t t = new_block();
    const std::size_t f = new_block();
    const std::size_t join = new_block();
    const bool swapped = pick(2) == 1;
    blocks[current].successors =
        swapped ? std::vector{label(f), label(t)} : std::vector{label(t), label(f)};
    blocks[current].condition = condition;
    std::vector<Stmt> first = arm(t, join, depth);
    std::vector<Stmt> second = arm(f, join, depth);
    if (!first.empty() || !second.empty()) {
      out.push_back(swapped ? if_stmt(condition, std::move(second), std::move(first))
                            : if_stmt(condition, std::move(first), std::move(second)));
    }
    return join;
  }

  std::size_t if_then(std::size_t current, std::vector<Stmt>& out, int depth) {
    const Expr condition = bit(counter_++);
    const std::size_t a = new_block();
    const std::size_t join = new_block();
    const bool on_false = pick(2) == 1;
    blocks[current].successors =
        on_false ? std::vector{label(join), label(a)} : std::vector{label(a), label(join)};
    blocks[current].condition = condition;
    std::vector<Stmt> body = arm(a, join, depth);
    if (!body.empty()) {
      out.push_back(on_false ? if_stmt(condition, {}, std::move(body))
                             : if_stmt(condition, std::move(body)));
    }
    return join;
  }

  std::size_t loop(std::size_t current, std::vector<Stmt>& out, int depth) {
    const Expr condition = bit(counter_++);
    const std::size_t header = new_block();
    blocks[current].successors = {label(header)};
    std::vector<Stmt> header_statements;
    leaves(header, header_statements, pick(3));
    const std::size_t exit = new_block();
    const bool on_false = pick(2) == 1;
    std::vector<Stmt> body;
    std::size_t continue_at = header;  // a self-loop when the body has no block
    if (pick(4) != 0) {
      continue_at = new_block();
      const std::size_t end = sequence(continue_at, body, depth + 1);
      blocks[end].successors = {label(header)};
    }
    blocks[header].successors = on_false ? std::vector{label(exit), label(continue_at)}
                                         : std::vector{label(continue_at), label(exit)};
    blocks[header].condition = condition;
    for (const Stmt& s : header_statements) {
      out.push_back(s);
      body.push_back(s);
    }
    out.push_back(while_stmt(on_false ? is_zero(condition) : condition, std::move(body)));
    return exit;
  }

  std::mt19937 rng_;
  int counter_ = 0;
};

TEST(StructureBlocksTest, RandomStructuredProgramsReduceToTheirSource) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    ProgramGenerator generator(seed);
    generator.generate();
    const std::string entry = generator.blocks.front().label;

    Result<std::vector<Stmt>> in_order = structure_blocks(generator.blocks, entry);
    ASSERT_TRUE(in_order.ok()) << in_order.error().message;
    EXPECT_EQ(in_order.value(), generator.expected);

    // The records' order must not matter, and repeated runs must agree.
    std::vector<BlockLowering> shuffled = generator.blocks;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
    Result<std::vector<Stmt>> reordered = structure_blocks(shuffled, entry);
    ASSERT_TRUE(reordered.ok()) << reordered.error().message;
    EXPECT_EQ(reordered.value(), generator.expected);
    Result<std::vector<Stmt>> again = structure_blocks(std::move(shuffled), entry);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), reordered.value());
  }
}

// A literal rendering of the reduction rules that rescans every node, in input
// order, after each rewrite. Used as the oracle for small arbitrary graphs;
// assumes unique labels and known targets.
class ReferenceStructurer {
 public:
  Result<std::vector<Stmt>> run(std::vector<BlockLowering> blocks, const std::string& entry) {
    for (BlockLowering& b : blocks) {
      const std::string label = b.label;
      order_.push_back(label);
      map_.emplace(label, std::move(b));
    }
    for (const auto& [label, record] : map_) ensure_node(label);
    for (const auto& [label, record] : map_) {
      for (const Name& s : record.successors) add_edge(label, std::string(s));
    }
    while (true) {
      Result<bool> step = rewrite_once();
      if (!step.ok()) return step.error();
      if (!step.value()) break;
    }
    if (nodes_.size() == 1 && *nodes_.begin() == entry && out_[entry].empty()) {
      return map_[entry].statements;
    }
    std::string list;
    for (const std::string& label : nodes_) list += (list.empty() ? "[\"" : ", \"") + label + "\"";
    return unreducible(list + "]");
  }

 private:
  void ensure_node(const std::string& l) {
    nodes_.insert(l);
    out_[l];
    in_[l];
  }
  void add_edge(const std::string& a, const std::string& b) {
    ensure_node(a);
    ensure_node(b);
    std::vector<std::string>& o = out_[a];
    if (std::find(o.begin(), o.end(), b) == o.end()) o.push_back(b);
    in_[b].insert(a);
  }
  void remove_node(const std::string& l) {
    nodes_.erase(l);
    for (const std::string& s : out_[l]) in_[s].erase(l);
    out_.erase(l);
    for (const std::string& p : in_[l]) {
      std::vector<std::string>& o = out_[p];
      o.erase(std::remove(o.begin(), o.end(), l), o.end());
    }
    in_.erase(l);
  }
  bool in_is(const std::string& x, std::set<std::string> expected) { return in_[x] == expected; }
  bool out_is(const std::string& x, std::vector<std::string> expected) {
    return out_[x] == expected;
  }
  Expr loop_condition(Expr condition, bool continues_on_true) {
    return continues_on_true ? std::move(condition) : is_zero(std::move(condition));
  }
  void merge(const std::string& n, const std::string& x) {
    BlockLowering merged = std::move(map_[x]);
    map_.erase(x);
    BlockLowering& r = map_[n];
    r.statements.insert(r.statements.end(), merged.statements.begin(), merged.statements.end());
    r.condition = std::move(merged.condition);
    r.successors = merged.successors;
    remove_node(x);
    for (const Name& s : merged.successors) add_edge(n, std::string(s));
  }

  Result<bool> rewrite_once() {
    for (int pass = 1; pass <= 6; ++pass) {
      std::vector<std::string> snapshot;
      for (const std::string& label : order_) {
        if (nodes_.count(label) != 0) snapshot.push_back(label);
      }
      for (const std::string& n : snapshot) {
        Result<bool> done = try_pass(pass, n);
        if (!done.ok() || done.value()) return done;
      }
    }
    return false;
  }

  Result<bool> try_pass(int pass, const std::string& n) {
    const std::vector<std::string> out = out_[n];
    BlockLowering& r = map_[n];
    if (pass == 2) {
      if (out.size() != 1 || out[0] == n || in_[out[0]].size() != 1) return false;
      merge(n, out[0]);
      return true;
    }
    if (out.size() != 2) return false;
    const std::string t = out[0];
    const std::string f = out[1];
    if (pass == 1) {
      for (const auto& [arm, join] : {std::pair{t, f}, std::pair{f, t}}) {
        if (join == n || in_[arm].size() != 1 || !out_is(arm, {join})) continue;
        if (!in_is(join, {n, arm}) || !map_[arm].statements.empty()) continue;
        const auto* op =
            map_[join].condition ? std::get_if<BinaryExpr>(&map_[join].condition->node) : nullptr;
        if (op == nullptr || (op->op != BinaryOp::Or && op->op != BinaryOp::And)) continue;
        merge(n, arm);
        merge(n, join);
        return true;
      }
      return false;
    }
    if (pass == 3) {
      if (t != n && f != n) return false;
      if (!r.condition) return internal_error("self-loop requires a conditional branch");
      Expr cond = loop_condition(*r.condition, r.successors[0] == n);
      r.condition.reset();
      r.statements.push_back(While{std::move(cond), r.statements});
      r.successors = {t == n ? f : t};
      out_[n].assign(r.successors.begin(), r.successors.end());
      in_[n].erase(n);
      return true;
    }
    if (pass == 4) {
      if (in_[t].size() != 1 || in_[f].size() != 1 || out_[t].size() != 1 || out_[f].size() != 1 ||
          out_[t][0] != out_[f][0]) {
        return false;
      }
      const std::string join = out_[t][0];
      const std::string then_arm(r.successors[0]);
      const std::string else_arm = then_arm == t ? f : t;
      if (!r.condition) return internal_error("conditional branch without a condition");
      if (!map_[t].statements.empty() || !map_[f].statements.empty()) {
        r.statements.push_back(
            If{*r.condition, map_[then_arm].statements, map_[else_arm].statements});
      }
      r.condition.reset();
      r.successors = {join};
      remove_node(t);
      remove_node(f);
      add_edge(n, join);
      return true;
    }
    for (const auto& [a, b] : {std::pair{t, f}, std::pair{f, t}}) {
      if (pass == 5 && in_[a].size() == 1 && out_is(a, {b})) {
        if (!r.condition) return internal_error("conditional branch without a condition");
        if (!map_[a].statements.empty()) {
          const bool on_true = r.successors[0] == a;
          r.statements.push_back(If{*r.condition,
                                    on_true ? map_[a].statements : std::vector<Stmt>{},
                                    on_true ? std::vector<Stmt>{} : map_[a].statements});
        }
        r.condition.reset();
        r.successors = {b};
        remove_node(a);
        return true;
      }
      if (pass == 6 && a != b && in_[a].size() == 1 && out_is(a, {n})) {
        if (!r.condition) return internal_error("while needs a conditional branch");
        std::vector<Stmt> body = map_[a].statements;
        body.insert(body.end(), r.statements.begin(), r.statements.end());
        r.statements.push_back(While{loop_condition(*r.condition, r.successors[0] == a), body});
        r.condition.reset();
        r.successors = {b};
        remove_node(a);
        return true;
      }
    }
    return false;
  }

  std::vector<std::string> order_;
  std::map<std::string, BlockLowering> map_;
  std::set<std::string> nodes_;
  std::map<std::string, std::vector<std::string>> out_;
  std::map<std::string, std::set<std::string>> in_;
};

// Arbitrary small graphs of well-formed records (every two-target branch has a
// condition, some of them || or &&), compared with the rescanning reference:
// both must reduce to the same body or fail with the same message, and no
// well-formed input may reach an internal error.
TEST(StructureBlocksTest, ArbitraryGraphsMatchTheRescanningReference) {
  std::mt19937 rng(7);
  int reduced = 0;
  constexpr int kRounds = 3000;
  for (int round = 0; round < kRounds; ++round) {
    const unsigned count = 1 + rng() % 9;
    std::vector<BlockLowering> blocks;
    for (unsigned i = 0; i < count; ++i) {
      std::vector<Stmt> statements;
      if (rng() % 2 == 0) statements.push_back(gate(numbered("g", i)));
      std::vector<std::string> successors;
      std::optional<Expr> condition;
      const unsigned shape = rng() % 4;
      if (shape >= 1) successors.push_back(numbered("b", rng() % count));
      if (shape >= 2) {
        successors.push_back(numbered("b", rng() % count));
        condition = shape == 3 ? make_binary_expr(BinaryOp::And, bit(i), bit(i + 1)) : bit(i);
      }
      blocks.push_back(block(numbered("b", i), std::move(statements), std::move(successors),
                             std::move(condition)));
    }
    std::shuffle(blocks.begin(), blocks.end(), rng);
    SCOPED_TRACE(round);
    Result<std::vector<Stmt>> expected = ReferenceStructurer().run(blocks, "b0");
    Result<std::vector<Stmt>> actual = structure_blocks(std::move(blocks), "b0");
    ASSERT_EQ(actual.ok(), expected.ok()) << (actual.ok() ? expected : actual).error().message;
    if (actual.ok()) {
      ++reduced;
      EXPECT_EQ(actual.value(), expected.value());
    } else {
      EXPECT_EQ(actual.error().message, expected.error().message);
      EXPECT_EQ(static_cast<int>(actual.error().kind), static_cast<int>(ErrorKind::ControlFlow));
    }
  }
  // Both outcomes occur often enough for the comparison to mean something.
  EXPECT_GT(reduced, kRounds / 50);
  EXPECT_LT(reduced, kRounds - kRounds / 50);
}

TEST(StructureBlocksTest, ReducesOneHundredThousandSequentialDiamonds) {
  constexpr int kDiamonds = 100000;
  std::vector<BlockLowering> blocks;
  std::vector<Stmt> expected;
  for (int i = 0; i < kDiamonds; ++i) {
    blocks.push_back(
        block(numbered("d", i), {gate("h", i)}, {numbered("t", i), numbered("f", i)}, bit(i)));
    blocks.push_back(block(numbered("t", i), {gate("x", i)}, {numbered("d", i + 1)}));
    blocks.push_back(block(numbered("f", i), {gate("z", i)}, {numbered("d", i + 1)}));
    expected.push_back(gate("h", i));
    expected.push_back(if_stmt(bit(i), {gate("x", i)}, {gate("z", i)}));
  }
  blocks.push_back(block(numbered("d", kDiamonds), {gate("end")}));
  expected.push_back(gate("end"));
  // Last-to-first record order, so that merges meet long statement lists.
  std::reverse(blocks.begin(), blocks.end());
  Result<std::vector<Stmt>> result = structure_blocks(std::move(blocks), "d0");
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(result.value(), expected);
}

TEST(StructureBlocksTest, ListsAMillionUnreachableBlocks) {
  constexpr int kBlocks = 1000000;
  std::vector<BlockLowering> blocks;
  std::vector<std::string> labels;
  blocks.reserve(kBlocks + 1);
  blocks.push_back(block("entry", {}));
  labels.push_back("entry");
  for (int i = 0; i < kBlocks; ++i) {
    blocks.push_back(block(numbered("u", i), {}));
    labels.push_back(numbered("u", i));
  }
  std::sort(labels.begin(), labels.end());
  std::string list;
  for (const std::string& label : labels) {
    list += list.empty() ? "[" : ", ";
    list += '"';
    list += label;
    list += '"';
  }
  list += "]";
  Result<std::vector<Stmt>> result = structure_blocks(std::move(blocks), "entry");
  expect_error(result, unreducible(list));
}

}  // namespace
}  // namespace corvane
