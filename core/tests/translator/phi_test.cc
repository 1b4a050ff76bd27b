// Phi lowering on hand-built block records: the general lowering's copies on
// edges, and the pattern lowerings' failures, which must leave everything as
// it was for the general lowering to take over. (The patterns' successes are
// golden cases: short_circuit_*, phi_materialised_*, phi_if_merge_*.)
// Incomings are written "value@predecessor".
#include "translator/phi.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;

Stmt reset(std::int64_t qubit) { return Reset{IndexedIdent{"q", qubit}}; }

// "value@pred ...", each value a word as operand_of reads it. Views point
// into `text`.
std::vector<Incoming> incomings_of(std::string_view text) {
  std::vector<Incoming> incomings;
  for (const std::string_view item : words(text)) {
    const std::size_t at = item.rfind('@');
    incomings.push_back(Incoming{operand_of(item.substr(0, at)), item.substr(at + 1)});
  }
  return incomings;
}

// One phi lowering run: records, context, hoisted declarations.
struct Fixture {
  ProcessedBlocks processed;
  HoistedDecls hoisted;
  LoweringContext context;

  explicit Fixture(std::vector<BlockRecord> blocks) {
    for (BlockRecord& record : blocks) processed.append(std::move(record));
    context.bind("m", bit(0));
    context.bind("n", bit(1));
    context.bind("x", bin(BinaryOp::Lt, id("a"), id("b")));
    context.bind("k", id("k"));
  }

  bool run(const char* ty, std::string_view incomings, const char* block_label,
           const char* result = "r") {
    const std::vector<Incoming> in = incomings_of(incomings);
    Phi phi{ty, Range{0, static_cast<std::uint32_t>(in.size())}, result};
    return lower_phi_pattern(phi, in, block_label, processed, hoisted, context);
  }

  std::string bound(const char* name = "r") const {
    auto it = context.env.find(name);
    return it == context.env.end() ? "unbound" : text_of(it->second);
  }
  std::string body(std::size_t block) const {
    return dump_statements(processed.blocks()[block].statements);
  }
};

TEST(PhiLoweringTest, GeneralPhisAssignOnEveryEdge) {
  // a branches to b or j (a critical edge), b goes to j, c goes to j on both edges.
  Fixture fixture({block("a", {"b", "j"}, bit(0), {reset(0)}), block("b", {"j"}),
                   block("c", {"j", "j"}, bit(1))});
  std::vector<PhiCopy> copies;
  const std::vector<Incoming> first = incomings_of("true@a m@b x@c x@c");
  const std::vector<Incoming> second = incomings_of("4294967295@a k@b -3@c");
  ASSERT_TRUE(lower_general_phi(Phi{"i1", Range{0, 4}, "r"}, first, "j", fixture.hoisted,
                                fixture.context, copies)
                  .ok());
  ASSERT_TRUE(lower_general_phi(Phi{"i32", Range{0, 3}, "s"}, second, "j", fixture.hoisted,
                                fixture.context, copies)
                  .ok());
  EXPECT_EQ(fixture.bound("r"), "cint_0 == 1");
  EXPECT_EQ(fixture.bound("s"), "cint_1");
  EXPECT_EQ(dump_statements(fixture.hoisted.statements()), "int cint_0 = 0; int cint_1 = 0;");
  EXPECT_EQ(fixture.body(1), "");  // copies come last

  ASSERT_TRUE(place_phi_copies({}, copies, fixture.processed, fixture.context).ok());
  const std::vector<BlockRecord>& blocks = fixture.processed.blocks();
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(fixture.body(0), "reset q[0];");
  EXPECT_EQ(blocks[0].successors[0].view(), "b");
  EXPECT_EQ(blocks[0].successors[1].view(), "a.to.j");
  EXPECT_EQ(fixture.body(1), "cint_0 = c[0]; cint_1 = k;");
  EXPECT_EQ(fixture.body(2), "cint_0 = a < b; cint_1 = -3;");
  EXPECT_EQ(blocks[3].label, "a.to.j");
  ASSERT_EQ(blocks[3].successors.size(), 1u);
  EXPECT_EQ(blocks[3].successors[0].view(), "j");
  EXPECT_EQ(fixture.body(3), "cint_0 = 1; cint_1 = -1;");

  struct Row {
    const char* ty;
    const char* incomings;
    const char* message;
  };
  const Row rows[] = {
      {"i32", "1@a 2@b 3@z", "phi predecessor \"z\" is not a block of this function"},
      {"i1", "true@a false@b true@c",
       "phi predecessor \"c\" does not branch to the phi's block \"j\""},
  };
  for (const Row& row : rows) {
    Fixture failing({block("a", {"b", "j"}, bit(0)), block("b", {"j"}), block("c", {})});
    std::vector<PhiCopy> failed_copies;
    const std::vector<Incoming> incomings = incomings_of(row.incomings);
    const Phi phi{row.ty, Range{0, static_cast<std::uint32_t>(incomings.size())}, "r"};
    Status status =
        lower_general_phi(phi, incomings, "j", failing.hoisted, failing.context, failed_copies);
    if (status.ok())
      status = place_phi_copies({}, failed_copies, failing.processed, failing.context);
    ASSERT_FALSE(status.ok()) << row.message;
    EXPECT_EQ(status.error().message, row.message);
  }
}

// What the patterns do not take they refuse leaving everything as it was,
// for the general lowering to take over.
TEST(PhiLoweringTest, PatternRefusalsChangeNothing) {
  struct Row {
    const char* ty;
    const char* incomings;
    const char* block_label;
  };
  const Row rows[] = {
      {"double", "1@a x@merge\t", "merge\t"},  // loop-carried
      {"double", "1.0@head", "merge"},
      {"i1", "true@head", "merge"},
      {"i1", "true@head false@rhs", "merge"},
      {"i1", "x@head m@rhs", "merge"},
      {"i1", "true@rhs x@head", "merge"},  // rhs records no branching condition
      {"i1", "true@nowhere x@head", "merge"},
      {"i1", "true@head 2@rhs", "merge"},
      {"i1", "true@head m@latch", "merge"},  // the predecessor comes after the phi's block
      {"i1", "true@head gone@rhs", "merge"},
      {"i64", "1@head 0@rhs 0@x", "merge"},
      {"i64", "1@nope 0@nada", "merge"},
      {"i32", "1@head 0@nada", "merge"},
      {"i64", "1@head 0@head2", "merge"},  // two conditional predecessors
      {"i64", "9223372036854775808@head 0@rhs", "merge"},
      {"i64", "1@head 1.5@rhs", "merge"},
      {"i64", "gone@head 1@rhs", "merge"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.incomings);
    Fixture fixture({block("head", {"rhs", "merge"}, bit(0)),
                     block("head2", {"rhs", "merge"}, bit(1)), block("rhs", {"merge"})});
    EXPECT_FALSE(fixture.run(row.ty, row.incomings, row.block_label));
    EXPECT_EQ(fixture.context.env.count("r"), 0u);
    EXPECT_EQ(fixture.hoisted.size(), 0u);
    for (const BlockRecord& record : fixture.processed.blocks()) {
      EXPECT_TRUE(record.statements.empty());
    }
  }
  // Equal constants on a diamond's arms are not materialised.
  Fixture diamond({block("d", {"t", "f"}, bit(0)), block("t", {"j"}), block("f", {"j"})});
  EXPECT_FALSE(diamond.run("i64", "0@t 0@f", "j"));
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
  std::vector<BlockRecord> taken = processed.take();
  EXPECT_EQ(taken.size(), 4u);
  EXPECT_EQ(processed.find_first("a"), nullptr);
}

}  // namespace
}  // namespace corvane
