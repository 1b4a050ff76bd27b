// Control-flow structuring on hand-built block records: every shape (random
// structured programs, and the shapes they do not draw), every message, the
// invariant checks, the limits and determinism.
#include "cfg/structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cfg/statement_tree.h"
#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;

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

Expr is_zero(Expr condition) {
  return make_binary_expr(BinaryOp::Eq, std::move(condition), IntLit{0});
}

Stmt if_stmt(Expr condition, std::vector<Stmt> then_body, std::vector<Stmt> else_body = {}) {
  return If{std::move(condition), std::move(then_body), std::move(else_body)};
}

Stmt while_stmt(Expr condition, std::vector<Stmt> body) {
  return While{std::move(condition), std::move(body)};
}

// Block records written as text: records are separated by " | ", each reads
// "label: gate... -> target... ?cond", where every gate is a statement without
// operands and ?N branches on c[N], ?& on c[0] && c[1] and ?| on c[0] || c[1].
std::vector<BlockRecord> blocks_of(const std::string& text) {
  std::vector<BlockRecord> blocks;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t stop = text.find(" | ", at);
    if (stop == std::string::npos) stop = text.size();
    const std::string record = text.substr(at, stop - at);
    at = stop + 3;
    const std::size_t colon = record.find(':');
    BlockRecord b{record.substr(0, colon), {}, {}, std::nullopt, kNoTerminatorOffset};
    bool targets = false;
    std::size_t word = colon + 2;
    while (word < record.size()) {
      std::size_t space = record.find(' ', word);
      if (space == std::string::npos) space = record.size();
      const std::string token = record.substr(word, space - word);
      word = space + 1;
      if (token == "->") {
        targets = true;
      } else if (token[0] == '?' && (token[1] == '&' || token[1] == '|')) {
        b.condition =
            make_binary_expr(token[1] == '&' ? BinaryOp::And : BinaryOp::Or, bit(0), bit(1));
      } else if (token[0] == '?') {
        b.condition = bit(std::stoll(token.substr(1)));
      } else if (targets) {
        b.successors.push_back(token);
      } else {
        b.statements.push_back(GateCall{{}, token, {}, {}});
      }
    }
    blocks.push_back(std::move(b));
  }
  return blocks;
}

// Shapes the random programs below do not draw.
TEST(StructureBlocksTest, ReducesSpecialShapes) {
  struct Row {
    const char* name;
    const char* blocks;
    const char* entry;
    const char* dump;
  };
  const Row rows[] = {
      {"empty list ignores the entry", "", "nowhere", ""},
      {"sequence given out of order", "end: c | mid: b -> end | entry: a -> mid", "entry",
       "a ; b ; c ;"},
      {"conditional branch with equal targets merges and drops the condition",
       "entry: a -> next next ?0 | next: b", "entry", "a ; b ;"},
      // b is a triangle first (its arm b1), after which entry is a diamond.
      {"else-if chain whose arms share one join block",
       "entry: -> a b ?0 | a: in_a -> join | b: -> b1 join ?1 | b1: in_b1 -> join | join: j",
       "entry", "if (c[0]) { in_a ; } else { if (c[1]) { in_b1 ; } } j ;"},
      // The header of the outer loop holds the inner self-loop, so the copy made
      // for the outer loop body contains a loop too.
      {"loop header holding an earlier loop is copied whole",
       "entry: p -> L | L: s -> L M ?0 | M: m -> B X ?1 | B: b -> L | X: x", "entry",
       "p ; s ; while (c[0]) { s ; } m ; while (c[1]) { b ; s ; while (c[0]) { s ; } m ; } x ;"},
      {"short-circuit && takes the join's condition",
       "entry: e -> rhs join ?0 | rhs: -> join | join: j -> then cont ?& | then: t -> cont | "
       "cont: k",
       "entry", "e ; j ; if (c[0] && c[1]) { t ; } k ;"},
      {"short-circuit || with the arm on false",
       "entry: e -> join rhs ?0 | rhs: -> join | join: -> cont else ?| | else: f -> cont | "
       "cont: k",
       "entry", "e ; if (c[0] || c[1]) { } else { f ; } k ;"},
      {"short-circuit shape with statements in the arm is a triangle",
       "entry: e -> rhs join ?0 | rhs: r -> join | join: j -> then cont ?& | then: t -> cont | "
       "cont:",
       "entry", "e ; if (c[0]) { r ; } j ; if (c[0] && c[1]) { t ; }"},
      {"short-circuit shape whose join condition is not || or &&",
       "entry: e -> rhs join ?0 | rhs: -> join | join: j -> then cont ?5 | then: t -> cont | "
       "cont:",
       "entry", "e ; j ; if (c[5]) { t ; }"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Result<std::vector<Stmt>> result = structure_blocks(blocks_of(row.blocks), row.entry);
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(dump_statements(result.value()), row.dump);
  }
}

// The could-not-reduce error for a rendered list of remaining labels.
TranslateError unreducible(const std::string& remaining) {
  std::string message = "could not reduce CFG to a single block; remaining blocks: ";
  message += remaining;
  message += ". corvane supports only structured control flow (sequence, if/else, simple while).";
  return control_flow_error(std::move(message));
}

TEST(StructureBlocksTest, ReportsEveryFailure) {
  const TranslateError no_condition = internal_error("conditional branch without a condition");
  const TranslateError no_self_loop_condition =
      internal_error("self-loop requires a conditional branch");
  struct Row {
    const char* name;
    std::string blocks;
    std::string entry;
    TranslateError expected;
  };
  const Row rows[] = {
      {"duplicate label is reported before the entry and the targets",
       "a: -> nowhere | b: | a: | b:", "missing", lowering_error("duplicate block label `%a`")},
      {"entry not found, in quoted form", "a:", "en\"t\\ry\n",
       control_flow_error("entry block \"en\\\"t\\\\ry\\n\" not found among block lowerings")},
      {"entry is checked before the targets", "a: -> nowhere", "b",
       control_flow_error("entry block \"b\" not found among block lowerings")},
      {"unknown target of the block whose label sorts first, first in successor order",
       "entry: -> z1 | b2: -> entry z2 | b10: -> entry z3 z4 ?0", "entry",
       lowering_error("branch target `%z3` does not match any block in this function")},
      {"unreachable block", "entry: -> exit | exit: | dead: -> exit", "entry",
       unreducible("[\"dead\", \"entry\", \"exit\"]")},
      {"two returning arms without a join", "entry: -> a b ?0 | a: | b:", "entry",
       unreducible("[\"a\", \"b\", \"entry\"]")},
      {"loop left from inside its body",
       "entry: -> header | header: -> body exit ?0 | body: -> header exit ?1 | exit:", "entry",
       unreducible("[\"body\", \"entry\", \"exit\", \"header\"]")},
      {"remaining labels sorted by bytes and quoted",
       // Neither an overlong encoding nor a surrogate is a character.
       "b2: -> b10 x\"y ?0 | b10: | x\"y: | \xc3\xa9t\xe9: | \xc0\xaf: | \xed\xa0\x80:", "b2",
       unreducible("[\"b10\", \"b2\", \"x\\\"y\", \"\\x{c0}\\x{af}\", \"\xc3\xa9t\\x{e9}\", "
                   "\"\\x{ed}\\x{a0}\\x{80}\"]")},
      {"entry jumping to itself is an endless loop", "entry: a -> entry", "entry",
       unreducible("[\"entry\"]")},
      {"conditional branch with both targets the block itself", "entry: a -> entry entry ?0",
       "entry", unreducible("[\"entry\"]")},
      {"unreachable block jumping to itself", "entry: | spin: -> spin", "entry",
       unreducible("[\"entry\", \"spin\"]")},
      {"diamond whose arms both return to the header",
       "entry: -> pre | pre: -> n | n: -> t f ?0 | t: t -> n | f: f -> n", "entry",
       unreducible("[\"entry\", \"n\"]")},
      {"short-circuit shape whose join is the branching block itself",
       "entry: a -> entry arm ?| | arm: -> entry", "entry", unreducible("[\"entry\"]")},
      {"diamond without a condition", "entry: -> t f | t: t -> j | f: -> j | j:", "entry",
       no_condition},
      {"diamond with empty arms without a condition",
       "entry: -> t f | t: -> j | f: -> j | j:", "entry", no_condition},
      {"triangle without a condition", "entry: -> j arm | arm: -> j | j:", "entry", no_condition},
      {"self-loop without a condition", "entry: -> loop | loop: -> exit loop | exit:", "entry",
       no_self_loop_condition},
      {"while loop without a condition", "entry: -> h | h: -> b x | b: -> h | x:", "entry",
       internal_error("while needs a conditional branch")},
      // Which invariant check fires shows which pass was applied first.
      {"block matching self-loop and while loop is folded as a self-loop",
       "entry: -> n | n: -> n f | f: -> n", "entry", no_self_loop_condition},
      {"diamond whose arms return to its header is folded as a diamond",
       "entry: -> n | n: -> t f | t: -> n | f: -> n", "entry", no_condition},
      {"a diamond anywhere is folded before an earlier while loop",
       "pre: -> h | h: -> b x | b: -> h | x: | d: -> t f | t: -> j | f: -> j | j:", "pre",
       no_condition},
      {"a self-loop anywhere is folded before an earlier diamond",
       "d: -> t f | t: -> j | f: -> j | j: | s: -> s x | x:", "d", no_self_loop_condition},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    expect_error(structure_blocks(blocks_of(row.blocks), row.entry), row.expected);
  }
}

// Statement counts and nesting depth of nested bodies (a gate on q[n] and
// c[0] are three nodes each, so the copy holds 37 statements and nodes).
TEST(StatementTreeTest, MeasuresNestedBodies) {
  const std::vector<Stmt> inner{
      gate("h", 1), while_stmt(bit(0), {gate("h", 2), if_stmt(bit(0), {gate("h", 3)})})};
  const std::vector<Stmt> list{gate("h", 0), if_stmt(bit(0), inner, {gate("h", 4), gate("h", 5)}),
                               while_stmt(bit(0), {}), gate("h", 6)};
  EXPECT_EQ(measure_statements(list).count, 11u);
  EXPECT_EQ(measure_statements(list).depth, 3u);
  EXPECT_EQ(measure_copy_size(list), 37u);
  EXPECT_EQ(measure_statements({while_stmt(bit(0), {while_stmt(bit(0), {})})}).depth, 2u);
}

// Nested diamonds: level i branches to the next level's header (or to a leaf at
// the innermost level) and to a leaf, and both continue at the join of level i.
std::vector<BlockRecord> nested_diamonds(int levels) {
  std::vector<BlockRecord> blocks;
  for (int i = 0; i < levels; ++i) {
    const std::string then_arm = i + 1 < levels ? numbered("h", i + 1) : "leaf";
    const std::string join = i == 0 ? "end" : numbered("j", i - 1);
    blocks.push_back(block(numbered("h", i), {then_arm, numbered("f", i)}, bit(i)));
    blocks.push_back(block(numbered("f", i), {numbered("j", i)}, std::nullopt, {gate("f", i)}));
    blocks.push_back(block(numbered("j", i), {join}));
  }
  blocks.push_back(block("leaf", {numbered("j", levels - 1)}, std::nullopt, {gate("leaf")}));
  blocks.push_back(block("end", {}, std::nullopt, {gate("end")}));
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

// A balanced sum of `leaves` copies of c[0]: 4 * leaves - 1 nodes.
Expr wide_sum(std::size_t leaves) {
  if (leaves == 1) return bit(0);
  return make_binary_expr(BinaryOp::Add, wide_sum(leaves / 2), wide_sum(leaves - leaves / 2));
}

// Every level adds an outer loop around the block L whose header is L itself,
// so each loop copies everything built so far: the output doubles per level.
// Copies are charged by the expression nodes they hold, not only by their
// statements: with one header statement of 400,002 nodes the first outer loop
// goes past the budget although only a handful of statements are copied.
TEST(StructureBlocksTest, RejectsLoopHeaderCopiesBeyondTheBudget) {
  const std::pair<int, Stmt> cases[] = {
      {40, gate("s")}, {20, GateCall{{}, "rx", {wide_sum(100000)}, {IndexedIdent{"q", 0}}}}};
  for (const auto& [levels, header] : cases) {
    std::vector<BlockRecord> blocks;
    blocks.push_back(block("entry", {"L"}, std::nullopt, {gate("p")}));
    blocks.push_back(block("L", {"L", "M1"}, bit(0), {header}));
    for (int i = 1; i <= levels; ++i) {
      const std::string next = i == levels ? "X" : numbered("M", i + 1);
      blocks.push_back(block(numbered("M", i), {numbered("B", i), next}, bit(i)));
      blocks.push_back(block(numbered("B", i), {"L"}, std::nullopt, {gate("b", i)}));
    }
    blocks.push_back(block("X"));
    expect_error(structure_blocks(std::move(blocks), "entry"),
                 control_flow_error("while loop at block \"L\" would copy loop-header statements "
                                    "beyond the limit of 1000000 statements and expression nodes "
                                    "(the larger of 1000000 and the size of the function)"));
  }
}

// Random structured programs: the generator lowers a random tree of
// sequences, if/else, if-then and while loops (in both branch orientations)
// to block records and builds the statements the structurer must return.
class ProgramGenerator {
 public:
  explicit ProgramGenerator(unsigned seed) : rng_(seed) {}

  std::vector<BlockRecord> blocks;
  std::vector<Stmt> expected;

  // The region's last block keeps no successors: it returns.
  void generate() { sequence(new_block(), expected, 0); }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::size_t new_block() {
    blocks.push_back(block(numbered("b", blocks.size())));
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
    std::vector<BlockRecord> shuffled = generator.blocks;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
    Result<std::vector<Stmt>> reordered = structure_blocks(shuffled, entry);
    ASSERT_TRUE(reordered.ok()) << reordered.error().message;
    EXPECT_EQ(reordered.value(), generator.expected);
    Result<std::vector<Stmt>> again = structure_blocks(std::move(shuffled), entry);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), reordered.value());
  }
}

TEST(StructureBlocksTest, ListsAMillionUnreachableBlocks) {
  constexpr int kBlocks = 1000000;
  std::vector<BlockRecord> blocks;
  std::vector<std::string> labels;
  blocks.reserve(kBlocks + 1);
  blocks.push_back(block("entry"));
  labels.push_back("entry");
  for (int i = 0; i < kBlocks; ++i) {
    blocks.push_back(block(numbered("u", i)));
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
