// Edge bookkeeping of the structurer's graph. Removing an edge unlinks it
// from both lists in constant time; adding one scans only the source's out
// list (at most two entries for lowered blocks) to keep it duplicate-free.
#include "cfg/block_graph.h"

namespace corvane {

BlockGraph::BlockGraph(std::uint32_t count) : nodes_(count), live_(count) {}

std::uint32_t BlockGraph::out_at(std::uint32_t node, std::uint32_t i) const {
  std::uint32_t e = nodes_[node].out_head;
  for (; i > 0; --i) e = edges_[e].next_out;
  return edges_[e].to;
}

std::uint32_t BlockGraph::in_at(std::uint32_t node, std::uint32_t i) const {
  std::uint32_t e = nodes_[node].in_head;
  for (; i > 0; --i) e = edges_[e].next_in;
  return edges_[e].from;
}

void BlockGraph::ensure_node(std::uint32_t node) {
  if (!nodes_[node].alive) {
    nodes_[node].alive = true;
    ++live_;
  }
}

void BlockGraph::add_edge(std::uint32_t from, std::uint32_t to) {
  ensure_node(from);
  ensure_node(to);
  for (std::uint32_t e = nodes_[from].out_head; e != kNil; e = edges_[e].next_out) {
    if (edges_[e].to == to) return;
  }
  std::uint32_t id;
  if (!free_edges_.empty()) {
    id = free_edges_.back();
    free_edges_.pop_back();
  } else {
    id = static_cast<std::uint32_t>(edges_.size());
    edges_.push_back({});
  }
  Node& source = nodes_[from];
  Node& target = nodes_[to];
  edges_[id] = Edge{from, to, source.out_tail, kNil, kNil, target.in_head};
  if (source.out_tail != kNil) {
    edges_[source.out_tail].next_out = id;
  } else {
    source.out_head = id;
  }
  source.out_tail = id;
  ++source.out_count;
  if (target.in_head != kNil) edges_[target.in_head].prev_in = id;
  target.in_head = id;
  ++target.in_count;
}

void BlockGraph::remove_edge_record(std::uint32_t id) {
  const Edge edge = edges_[id];
  Node& source = nodes_[edge.from];
  Node& target = nodes_[edge.to];
  if (edge.prev_out != kNil) {
    edges_[edge.prev_out].next_out = edge.next_out;
  } else {
    source.out_head = edge.next_out;
  }
  if (edge.next_out != kNil) {
    edges_[edge.next_out].prev_out = edge.prev_out;
  } else {
    source.out_tail = edge.prev_out;
  }
  --source.out_count;
  if (edge.prev_in != kNil) {
    edges_[edge.prev_in].next_in = edge.next_in;
  } else {
    target.in_head = edge.next_in;
  }
  if (edge.next_in != kNil) edges_[edge.next_in].prev_in = edge.prev_in;
  --target.in_count;
  free_edges_.push_back(id);
}

void BlockGraph::remove_edge(std::uint32_t from, std::uint32_t to) {
  for (std::uint32_t e = nodes_[from].out_head; e != kNil; e = edges_[e].next_out) {
    if (edges_[e].to == to) {
      remove_edge_record(e);
      return;
    }
  }
}

void BlockGraph::remove_node(std::uint32_t node) {
  if (!nodes_[node].alive) return;
  nodes_[node].alive = false;
  --live_;
  while (nodes_[node].out_head != kNil) remove_edge_record(nodes_[node].out_head);
  while (nodes_[node].in_head != kNil) remove_edge_record(nodes_[node].in_head);
}

}  // namespace corvane
