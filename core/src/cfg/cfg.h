// The control-flow graph of one function, built once and read by every
// analysis: block labels to dense indices, successors and predecessors in flat
// arrays, the reverse post-order and immediate dominators (computed when first
// asked for), and the one budgeted backward walk the analyses share.
//
// Blocks are numbered in the order they are given. A block's successors keep
// their branch order (true target first) and a branch with both edges to one
// block lists it twice; a block's predecessors come in block order. A label
// that names no block gives no edge; of blocks with equal labels the first is
// the one labels name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvane {

struct BlockRecord;

/// A block index that stands for no block.
inline constexpr std::uint32_t kNoBlock = 0xFFFFFFFFu;

/// The block graph of one function.
class Cfg {
 public:
  /// The graph of `count` blocks: `label_of(i)` gives block i's label (empty
  /// for an unlabelled block, which is then known by its decimal index), and
  /// `successors_of(i, add)` calls `add(label)` for each successor label of
  /// block i in branch order. Labels are views that must outlive the graph.
  template <typename LabelOf, typename SuccessorsOf>
  static Cfg build(std::uint32_t count, const LabelOf& label_of,
                   const SuccessorsOf& successors_of) {
    Cfg cfg;
    cfg.label_blocks(count, label_of);
    cfg.successor_begin_.reserve(std::size_t{count} + 1);
    for (std::uint32_t i = 0; i < count; ++i) {
      cfg.successor_begin_.push_back(static_cast<std::uint32_t>(cfg.successors_.size()));
      successors_of(i, [&cfg](std::string_view label) { cfg.add_successor(label); });
    }
    cfg.successor_begin_.push_back(static_cast<std::uint32_t>(cfg.successors_.size()));
    cfg.index_predecessors();
    return cfg;
  }

  /// Number of blocks.
  [[nodiscard]] std::uint32_t size() const { return static_cast<std::uint32_t>(labels_.size()); }
  /// The label of block `block` (its decimal index when it has none).
  [[nodiscard]] std::string_view label(std::uint32_t block) const { return labels_[block]; }
  /// The first block labelled `label`, or kNoBlock.
  [[nodiscard]] std::uint32_t index_of(std::string_view label) const {
    const auto it = index_.find(label);
    return it == index_.end() ? kNoBlock : it->second;
  }
  /// The blocks `block` branches to, in branch order.
  [[nodiscard]] std::span<const std::uint32_t> successors(std::uint32_t block) const {
    return {successors_.data() + successor_begin_[block],
            successors_.data() + successor_begin_[block + 1]};
  }
  /// The blocks that branch to `block`, in block order (once per edge).
  [[nodiscard]] std::span<const std::uint32_t> predecessors(std::uint32_t block) const {
    return {predecessors_.data() + predecessor_begin_[block],
            predecessors_.data() + predecessor_begin_[block + 1]};
  }

  /// The blocks the entry (block 0) reaches, in reverse post-order of a
  /// depth-first walk that takes successors in branch order.
  [[nodiscard]] const std::vector<std::uint32_t>& reverse_post_order() const;
  /// The place of `block` in reverse_post_order(), or kNoBlock when the entry
  /// does not reach it.
  [[nodiscard]] std::uint32_t rpo_number(std::uint32_t block) const;
  /// The immediate dominator of `block`: itself for the entry, kNoBlock for a
  /// block the entry does not reach.
  [[nodiscard]] std::uint32_t idom(std::uint32_t block) const;
  /// Whether every path from the entry to `b` runs through `a`.
  [[nodiscard]] bool dominates(std::uint32_t a, std::uint32_t b) const;

 private:
  template <typename LabelOf>
  void label_blocks(std::uint32_t count, const LabelOf& label_of) {
    labels_.reserve(count);
    index_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::string_view label = label_of(i);
      if (label.empty()) label = made_labels_.emplace_back(std::to_string(i));
      labels_.push_back(label);
      index_.try_emplace(label, i);
    }
  }
  void add_successor(std::string_view label) {
    const std::uint32_t target = index_of(label);
    if (target != kNoBlock) successors_.push_back(target);
  }
  void index_predecessors();
  void compute_dominators() const;

  std::vector<std::string_view> labels_;
  std::deque<std::string> made_labels_;  // the decimal labels of unlabelled blocks
  std::unordered_map<std::string_view, std::uint32_t> index_;
  // Block i's successors (predecessors) are those from its begin offset to the next block's.
  std::vector<std::uint32_t> successor_begin_;
  std::vector<std::uint32_t> successors_;
  std::vector<std::uint32_t> predecessor_begin_;
  std::vector<std::uint32_t> predecessors_;
  // Filled by compute_dominators on first use.
  mutable bool dominators_known_ = false;
  mutable std::vector<std::uint32_t> rpo_;
  mutable std::vector<std::uint32_t> rpo_number_;
  mutable std::vector<std::uint32_t> idom_;
};

/// The graph of lowered block records, in their order (they must outlive it).
[[nodiscard]] Cfg record_cfg(std::span<const BlockRecord> records);

/// An order to visit the blocks in where each block comes after its immediate
/// dominator: empty when block order is one (the usual case), else block
/// order with each block put off until its dominator has come. Blocks the
/// entry does not reach keep their place.
[[nodiscard]] std::vector<std::uint32_t> dominator_first_order(const Cfg& cfg);

/// Walks of the graph backwards, from the predecessors of a block towards the
/// entry, each visiting a block at most once. All walks of one object share a
/// budget of visits that grows linearly with the graph, which bounds the work
/// of an analysis on hostile graphs; a walk that meets the end of the budget
/// stops there, and the analysis must assume the worst.
class BackwardWalk {
 public:
  /// What a visit asks the walk to do next.
  enum class Step : std::uint8_t { Expand, Prune, Stop };
  /// How a walk ended.
  enum class End : std::uint8_t { Exhausted, Stopped, OutOfBudget };

  explicit BackwardWalk(const Cfg& cfg)
      : cfg_(cfg), budget_(8 * std::uint64_t{cfg.size()} + 100'000), stamp_(cfg.size(), 0) {}

  /// Walks back from the predecessors of `from`, never entering `barrier`
  /// (kNoBlock for none); `visit(block)` says whether to go on to the block's
  /// predecessors (Expand), not (Prune), or to end the walk (Stop).
  template <typename Visit>
  End walk(std::uint32_t from, std::uint32_t barrier, const Visit& visit) {
    ++round_;
    work_.assign(cfg_.predecessors(from).begin(), cfg_.predecessors(from).end());
    while (!work_.empty()) {
      const std::uint32_t block = work_.back();
      work_.pop_back();
      if (block == barrier || stamp_[block] == round_) continue;
      stamp_[block] = round_;
      if (budget_ == 0) return End::OutOfBudget;
      --budget_;
      switch (visit(block)) {
        case Step::Stop:
          return End::Stopped;
        case Step::Prune:
          break;
        case Step::Expand:
          for (const std::uint32_t pred : cfg_.predecessors(block)) work_.push_back(pred);
          break;
      }
    }
    return End::Exhausted;
  }

 private:
  const Cfg& cfg_;
  std::uint64_t budget_;
  std::vector<std::uint32_t> stamp_;  // the round that last visited each block
  std::uint32_t round_ = 0;
  std::vector<std::uint32_t> work_;
};

}  // namespace corvane
