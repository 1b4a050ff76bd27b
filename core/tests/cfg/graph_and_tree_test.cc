// The structurer's graph bookkeeping, its worklist sets and its iterative
// statement-tree walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cfg/block_graph.h"
#include "cfg/id_set.h"
#include "cfg/statement_tree.h"

namespace corvane {
namespace {

// "node: out list | sorted in set" for every live node, one per line.
std::string dump(const BlockGraph& graph, std::uint32_t count) {
  std::string out;
  for (std::uint32_t n = 0; n < count; ++n) {
    if (!graph.contains(n)) continue;
    out += std::to_string(n) + ":";
    for (std::uint32_t i = 0; i < graph.out_size(n); ++i) {
      out += " " + std::to_string(graph.out_at(n, i));
    }
    std::vector<std::uint32_t> preds;
    for (std::uint32_t i = 0; i < graph.in_size(n); ++i) preds.push_back(graph.in_at(n, i));
    std::sort(preds.begin(), preds.end());
    out += " |";
    for (std::uint32_t p : preds) out += " " + std::to_string(p);
    out += "\n";
  }
  return out;
}

TEST(BlockGraphTest, KeepsOutListsOrderedAndInSetsExact) {
  BlockGraph graph(5);
  graph.add_edge(0, 2);
  graph.add_edge(0, 1);
  graph.add_edge(0, 2);  // already present
  graph.add_edge(1, 1);
  graph.add_edge(1, 3);
  graph.add_edge(2, 3);
  graph.add_edge(3, 0);
  graph.add_edge(4, 3);
  EXPECT_EQ(graph.live_count(), 5u);
  EXPECT_EQ(dump(graph, 5),
            "0: 2 1 | 3\n"
            "1: 1 3 | 0 1\n"
            "2: 3 | 0\n"
            "3: 0 | 1 2 4\n"
            "4: 3 |\n");

  graph.remove_edge(1, 1);
  graph.remove_edge(2, 0);  // absent
  EXPECT_EQ(dump(graph, 5),
            "0: 2 1 | 3\n"
            "1: 3 | 0\n"
            "2: 3 | 0\n"
            "3: 0 | 1 2 4\n"
            "4: 3 |\n");

  graph.remove_node(2);
  graph.remove_node(2);  // already gone
  EXPECT_EQ(graph.live_count(), 4u);
  EXPECT_EQ(dump(graph, 5),
            "0: 1 | 3\n"
            "1: 3 | 0\n"
            "3: 0 | 1 4\n"
            "4: 3 |\n");

  // A removed node comes back, without edges, when an edge names it again.
  graph.add_edge(1, 2);
  graph.add_edge(2, 2);
  EXPECT_EQ(dump(graph, 5),
            "0: 1 | 3\n"
            "1: 3 2 | 0\n"
            "2: 2 | 1 2\n"
            "3: 0 | 1 4\n"
            "4: 3 |\n");
  graph.remove_node(2);
  graph.remove_node(3);
  EXPECT_EQ(dump(graph, 5),
            "0: 1 |\n"
            "1: | 0\n"
            "4: |\n");
}

TEST(IdSetTest, ServesIdsSmallestFirstAtEverySize) {
  for (std::uint32_t count : {1u, 63u, 64u, 65u, 4096u, 4097u, 262145u}) {
    SCOPED_TRACE(count);
    IdSet set(count);
    EXPECT_TRUE(set.empty());
    set.insert_all();
    std::uint32_t expected = 0;
    while (!set.empty()) {
      const std::uint32_t id = set.pop_smallest();
      ASSERT_EQ(id, expected);
      ++expected;
    }
    EXPECT_EQ(expected, count);

    // Mixed inserts and pops agree with an ordered set.
    std::mt19937 rng(count);
    std::set<std::uint32_t> model;
    for (int step = 0; step < 20000; ++step) {
      if (rng() % 3 != 0) {
        const std::uint32_t id = rng() % count;
        set.insert(id);
        model.insert(id);
      } else if (!model.empty()) {
        ASSERT_EQ(set.pop_smallest(), *model.begin());
        model.erase(model.begin());
      }
      ASSERT_EQ(set.empty(), model.empty());
    }
  }
}

Stmt gate(std::int64_t qubit) { return GateCall{{}, "h", {}, {IndexedIdent{"q", qubit}}}; }

TEST(StatementTreeTest, MeasuresAndCopiesNestedBodies) {
  const Expr c0 = make_index("c", 0);
  std::vector<Stmt> inner{gate(1), While{c0, {gate(2), If{c0, {gate(3)}, {}}}}};
  std::vector<Stmt> list{gate(0), If{c0, inner, {gate(4), gate(5)}}, While{c0, {}}, gate(6)};

  // Every statement kind with its expressions: 1 + 1 + 2 + 5 + 5 + 3 + 7 statements and nodes.
  const Expr angle =
      make_binary_expr(BinaryOp::Add, FloatLit{1.0}, UnaryExpr{UnaryOp::Neg, Expr(IntLit{2})});
  std::vector<Stmt> kinds{Include{"stdgates.inc"},
                          QubitDecl{"q", 2},
                          IntDecl{"i", IntLit{4}},
                          Assign{IndexedIdent{"x", std::nullopt},
                                 make_binary_expr(BinaryOp::Add, Ident{"a"}, Ident{"b"})},
                          Measure{IndexedIdent{"q", 0}, IndexedIdent{"c", 0}},
                          Reset{IndexedIdent{"q", 1}},
                          GateCall{{}, "rx", {angle}, {IndexedIdent{"q", 0}}}};

  // copy_size counts statements and expression nodes: a gate on q[n] is 3,
  // c[0] is 3, so While{c0, {}} is 4.
  struct Row {
    std::vector<Stmt> list;
    std::uint64_t count;
    std::uint32_t depth;
    std::uint64_t copy_size;
  };
  const Row rows[] = {
      {{}, 0, 0, 0},
      {{gate(0), gate(1)}, 2, 0, 6},
      {{While{c0, {}}}, 1, 1, 4},
      {inner, 5, 2, 17},
      {list, 11, 3, 37},
      {kinds, 7, 0, 24},
  };
  for (const Row& row : rows) {
    const StatementMeasure measure = measure_statements(row.list);
    EXPECT_EQ(measure.count, row.count);
    EXPECT_EQ(measure.depth, row.depth);
    EXPECT_EQ(measure_copy_size(row.list), row.copy_size);
    std::vector<Stmt> copy{gate(9)};
    append_statement_copies(row.list, copy);
    std::vector<Stmt> expected{gate(9)};
    expected.insert(expected.end(), row.list.begin(), row.list.end());
    EXPECT_EQ(copy, expected);
  }
}

}  // namespace
}  // namespace corvane
