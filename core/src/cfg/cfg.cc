// The function graph's derived facts: predecessors, reverse post-order,
// immediate dominators and the dominator-first order.
#include "cfg/cfg.h"

#include <functional>
#include <queue>
#include <utility>

#include "cfg/structure.h"

namespace corvane {

void Cfg::index_predecessors() {
  const std::uint32_t count = size();
  // A counting sort of the edges by target keeps each block's predecessors in
  // block order.
  predecessor_begin_.assign(std::size_t{count} + 1, 0);
  for (const std::uint32_t target : successors_) ++predecessor_begin_[target + 1];
  for (std::uint32_t i = 0; i < count; ++i) predecessor_begin_[i + 1] += predecessor_begin_[i];
  predecessors_.resize(successors_.size());
  std::vector<std::uint32_t> fill(predecessor_begin_.begin(), predecessor_begin_.end() - 1);
  for (std::uint32_t i = 0; i < count; ++i) {
    for (const std::uint32_t target : successors(i)) predecessors_[fill[target]++] = i;
  }
}

void Cfg::compute_dominators() const {
  dominators_known_ = true;
  const std::uint32_t count = size();
  rpo_.clear();
  rpo_number_.assign(count, kNoBlock);
  idom_.assign(count, kNoBlock);
  if (count == 0) return;
  // Post-order of an iterative depth-first walk from the entry.
  std::vector<std::uint32_t> postorder;
  std::vector<std::uint8_t> seen(count, 0);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> stack{{0, 0}};
  seen[0] = 1;
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const std::span<const std::uint32_t> out = successors(node);
    if (next < out.size()) {
      const std::uint32_t s = out[next++];
      if (seen[s] == 0) {
        seen[s] = 1;
        stack.emplace_back(s, 0);
      }
      continue;
    }
    postorder.push_back(node);
    stack.pop_back();
  }
  rpo_.assign(postorder.rbegin(), postorder.rend());
  for (std::uint32_t i = 0; i < rpo_.size(); ++i) rpo_number_[rpo_[i]] = i;
  // The iterative two-finger method over the reverse post-order.
  idom_[0] = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (const std::uint32_t node : rpo_) {
      if (node == 0) continue;
      std::uint32_t candidate = kNoBlock;
      for (const std::uint32_t p : predecessors(node)) {
        if (idom_[p] == kNoBlock) continue;
        if (candidate == kNoBlock) {
          candidate = p;
          continue;
        }
        std::uint32_t a = p;
        std::uint32_t b = candidate;
        while (a != b) {
          while (rpo_number_[a] > rpo_number_[b]) a = idom_[a];
          while (rpo_number_[b] > rpo_number_[a]) b = idom_[b];
        }
        candidate = a;
      }
      if (candidate != idom_[node]) {
        idom_[node] = candidate;
        changed = true;
      }
    }
  }
}

const std::vector<std::uint32_t>& Cfg::reverse_post_order() const {
  if (!dominators_known_) compute_dominators();
  return rpo_;
}

std::uint32_t Cfg::rpo_number(std::uint32_t block) const {
  if (!dominators_known_) compute_dominators();
  return rpo_number_[block];
}

std::uint32_t Cfg::idom(std::uint32_t block) const {
  if (!dominators_known_) compute_dominators();
  return idom_[block];
}

bool Cfg::dominates(std::uint32_t a, std::uint32_t b) const {
  if (!dominators_known_) compute_dominators();
  while (true) {
    if (a == b) return true;
    if (b == 0 || idom_[b] == kNoBlock || idom_[b] == b) return false;
    b = idom_[b];
  }
}

Cfg record_cfg(std::span<const BlockRecord> records) {
  return Cfg::build(
      static_cast<std::uint32_t>(records.size()),
      [&](std::uint32_t block) { return std::string_view(records[block].label); },
      [&](std::uint32_t block, const auto& add) {
        for (const Name& successor : records[block].successors) add(successor.view());
      });
}

std::vector<std::uint32_t> dominator_first_order(const Cfg& cfg) {
  const std::uint32_t count = cfg.size();
  if (count <= 1) return {};
  bool in_block_order = true;
  for (std::uint32_t i = 1; i < count && in_block_order; ++i) {
    in_block_order = cfg.idom(i) == kNoBlock || cfg.idom(i) < i;
  }
  if (in_block_order) return {};
  // The smallest block index among the blocks whose dominator has come.
  std::vector<std::vector<std::uint32_t>> children(count);
  std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> ready;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i == 0 || cfg.idom(i) == kNoBlock) {
      ready.push(i);
    } else {
      children[cfg.idom(i)].push_back(i);
    }
  }
  std::vector<std::uint32_t> order;
  order.reserve(count);
  while (!ready.empty()) {
    const std::uint32_t node = ready.top();
    ready.pop();
    order.push_back(node);
    for (const std::uint32_t child : children[node]) ready.push(child);
  }
  return order;
}

}  // namespace corvane
