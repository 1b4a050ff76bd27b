// The function graph over block records: labels (an unlabelled block known by
// its index, the first of equal labels named), edges in branch and block
// order, dominators, the dominator-first order, and the budgeted walk.
#include "cfg/cfg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfg/structure.h"
#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;

// "label>successor,successor ..." as records; a label "_" is no label.
std::vector<BlockRecord> records_of(std::string_view text) {
  std::vector<BlockRecord> records;
  for (const std::string_view item : words(text)) {
    const std::size_t arrow = item.find('>');
    std::vector<std::string> successors;
    for (std::size_t at = arrow + 1; at < item.size();) {
      const std::size_t comma = std::min(item.find(',', at), item.size());
      successors.emplace_back(item.substr(at, comma - at));
      at = comma + 1;
    }
    const std::string_view label = item.substr(0, arrow);
    records.push_back(block(label == "_" ? "" : std::string(label), successors));
  }
  return records;
}

// Per block "label:successors/predecessors/idom", then the order.
std::string dump(const Cfg& cfg) {
  std::string out;
  const auto list = [&](std::span<const std::uint32_t> blocks) {
    for (std::size_t i = 0; i < blocks.size(); ++i)
      out += (i ? "," : "") + std::to_string(blocks[i]);
  };
  for (std::uint32_t b = 0; b < cfg.size(); ++b) {
    out += std::string(cfg.label(b)) + ":";
    list(cfg.successors(b));
    out += "/";
    list(cfg.predecessors(b));
    out += "/" + (cfg.idom(b) == kNoBlock ? std::string("-") : std::to_string(cfg.idom(b))) + " ";
  }
  out += "order=";
  list(dominator_first_order(cfg));
  return out;
}

TEST(CfgTest, LabelsEdgesDominatorsAndOrder) {
  struct Row {
    const char* blocks;
    const char* dump;
  };
  const Row rows[] = {
      // A diamond in dominance order.
      {"a>b,c b>d c>d d>", "a:1,2//0 b:3/0/0 c:3/0/0 d:/1,2/0 order="},
      // A loop whose latch stands above its header.
      {"e>h l>h h>l,x x>", "e:2//0 l:2/2/2 h:1,3/0,1/0 x:/2/2 order=0,2,1,3"},
      // An unlabelled entry named by its index, both edges to one block, an
      // unknown label, and a second "a" that labels never name.
      {"_>a,a a>0,zz a>", "0:1,1/1/0 a:0/0,0/0 a://- order="},
      // Blocks the entry does not reach keep their place in the order.
      {"s>h u>h l>h h>l,x x>", "s:3//0 u:3//- l:3/3/3 h:2,4/0,1,2/0 x:/3/3 order=0,1,3,2,4"},
  };
  for (const Row& row : rows) {
    const std::vector<BlockRecord> records = records_of(row.blocks);
    EXPECT_EQ(dump(record_cfg(records)), row.dump) << row.blocks;
  }
}

// All walks of one BackwardWalk share a budget linear in the graph: on a chain
// of 1000 blocks the walk from its end stops for want of budget after about
// (8 * 1000 + 100000) / 999 full walks. A barrier is never entered.
TEST(CfgTest, BackwardWalksShareOneBudget) {
  std::string text = "b0>b1";
  for (int i = 1; i < 1000; ++i) {
    text += " b" + std::to_string(i) + ">b" + std::to_string(i + 1);
  }
  const std::vector<BlockRecord> records = records_of(text);
  const Cfg cfg = record_cfg(records);
  BackwardWalk walk(cfg);
  std::size_t visited = 0;
  const auto count = [&](std::uint32_t) {
    ++visited;
    return BackwardWalk::Step::Expand;
  };
  EXPECT_EQ(walk.walk(999, 500, count), BackwardWalk::End::Exhausted);
  EXPECT_EQ(visited, 498u);  // blocks 501 to 998
  int full_walks = 0;
  while (walk.walk(999, kNoBlock, count) == BackwardWalk::End::Exhausted) ++full_walks;
  EXPECT_EQ(full_walks, 107);
  EXPECT_EQ(walk.walk(999, kNoBlock, [](std::uint32_t) { return BackwardWalk::Step::Stop; }),
            BackwardWalk::End::OutOfBudget);
}

}  // namespace
}  // namespace corvane
