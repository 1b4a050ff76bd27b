// The shape graph the structurer rewrites: nodes are dense block ids, and
// every edge is one record threaded on two intrusive doubly linked lists, the
// out list of its source (kept in insertion order) and the in list of its
// target (order without meaning). Adding and removing an edge never allocates
// per node and never searches an in list, whatever a node's fan-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

/// Directed graph over node ids 0..count-1 with ordered, duplicate-free out lists.
class BlockGraph {
 public:
  /// A graph of `count` live nodes and no edges.
  explicit BlockGraph(std::uint32_t count);

  /// Whether `node` is still in the graph.
  [[nodiscard]] bool contains(std::uint32_t node) const { return nodes_[node].alive; }
  /// Number of live nodes.
  [[nodiscard]] std::uint32_t live_count() const { return live_; }

  /// Number of distinct successors of `node`.
  [[nodiscard]] std::uint32_t out_size(std::uint32_t node) const { return nodes_[node].out_count; }
  /// The i-th successor of `node` in edge insertion order (walks i links).
  [[nodiscard]] std::uint32_t out_at(std::uint32_t node, std::uint32_t i) const;
  /// Number of distinct predecessors of `node`.
  [[nodiscard]] std::uint32_t in_size(std::uint32_t node) const { return nodes_[node].in_count; }
  /// The i-th predecessor of `node`, in no meaningful order (walks i links).
  [[nodiscard]] std::uint32_t in_at(std::uint32_t node, std::uint32_t i) const;

  /// Makes room for `count` edges, so adding them never regrows the edge array.
  void reserve_edges(std::size_t count) { edges_.reserve(count); }
  /// Adds from -> to unless present; both ends become live nodes.
  void add_edge(std::uint32_t from, std::uint32_t to);
  /// Removes the edge from -> to if present.
  void remove_edge(std::uint32_t from, std::uint32_t to);
  /// Removes `node` and every edge that starts or ends at it.
  void remove_node(std::uint32_t node);

 private:
  static constexpr std::uint32_t kNil = 0xFFFFFFFFu;

  struct Edge {
    std::uint32_t from;
    std::uint32_t to;
    std::uint32_t prev_out;
    std::uint32_t next_out;
    std::uint32_t prev_in;
    std::uint32_t next_in;
  };
  struct Node {
    std::uint32_t out_head = kNil;
    std::uint32_t out_tail = kNil;
    std::uint32_t in_head = kNil;
    std::uint32_t out_count = 0;
    std::uint32_t in_count = 0;
    bool alive = true;
  };

  void ensure_node(std::uint32_t node);
  void remove_edge_record(std::uint32_t edge);

  std::vector<Node> nodes_;
  std::vector<Edge> edges_;
  std::vector<std::uint32_t> free_edges_;
  std::uint32_t live_ = 0;
};

}  // namespace corvane
