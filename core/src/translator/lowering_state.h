// The state one lowering run builds besides the value environment: the block
// records finished so far, indexed by label for the phi patterns' lookups, and
// the declarations placed before the program body.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cfg/structure.h"
#include "openqasm/program.h"
#include "support/prefault.h"
#include "values/lowering_context.h"

namespace corvane {

/// The block records finished so far, in function order, indexed by label.
class ProcessedBlocks {
 public:
  /// Makes room for `count` records.
  void reserve(std::size_t count) {
    blocks_.reserve(count);
    // Records are appended front to back; a large list takes huge pages.
    advise_huge_pages(blocks_.data(), blocks_.capacity() * sizeof(BlockRecord));
  }
  /// Appends a finished record (moved) and indexes it.
  void append(BlockRecord block);
  /// The first record with `label`, or nullptr.
  [[nodiscard]] BlockRecord* find_first(std::string_view label);
  /// The last record with `label` that has a branch condition, or nullptr.
  [[nodiscard]] const BlockRecord* find_conditional(std::string_view label) const;
  /// The first record with a condition and exactly two successors that include
  /// both labels (a single label when they are equal), or nullptr.
  [[nodiscard]] const BlockRecord* find_branch_to(std::string_view first,
                                                  std::string_view second) const;
  /// The record at `position` (in function order).
  [[nodiscard]] BlockRecord& blocks_at(std::size_t position) { return blocks_[position]; }
  /// All records, in function order.
  [[nodiscard]] const std::vector<BlockRecord>& blocks() const { return blocks_; }
  /// The first record (there must be one). Its statements may be changed; its
  /// label and branch facts, which the index holds, may not.
  [[nodiscard]] BlockRecord& front() { return blocks_.front(); }
  /// Hands the records over (for structuring); leaves this object empty.
  [[nodiscard]] std::vector<BlockRecord> take();
  /// Turns the edges of `block` (a record of this list) to `from` towards `to`
  /// instead; the branch index is built again on its next query.
  void redirect(BlockRecord& block, std::string_view from, const std::string& to);

 private:
  struct PairHash {
    std::size_t operator()(const std::pair<std::string, std::string>& key) const noexcept;
  };

  // Indexes the records appended since the last query. Records never change
  // their label or condition once appended, nor their successors but through
  // redirect(), so indexing late gives the same answers and costs nothing for
  // functions without phis.
  void catch_up() const;
  // Adds the record at `position` (one with a condition) to the branch index.
  void index_branch(std::size_t position) const;

  std::vector<BlockRecord> blocks_;
  mutable std::size_t indexed_ = 0;
  mutable std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> first_by_label_;
  mutable std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>>
      conditional_by_label_;
  // Two-way branches by successor: single labels, and unordered pairs stored sorted.
  mutable std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>>
      branch_by_successor_;
  mutable std::unordered_map<std::pair<std::string, std::string>, std::size_t, PairHash>
      branch_by_pair_;
  mutable bool branches_stale_ = false;  // a record's successors changed (redirect)
};

/// Declarations placed before the program body, with the names of the integer
/// variables among them.
class HoistedDecls {
 public:
  /// Appends an `int name = init;` declaration. A reusable variable (a phi's)
  /// may be taken over by a later if-merge that starts from its value.
  void add_int(std::string name, Expr init, bool reusable = true);
  /// True when a reusable integer variable of this name has been declared.
  [[nodiscard]] bool has_int(std::string_view name) const;
  /// Number of declarations so far.
  [[nodiscard]] std::size_t size() const { return statements_.size(); }
  /// The declarations in creation order.
  [[nodiscard]] const std::vector<Stmt>& statements() const { return statements_; }
  /// Hands the declarations over; leaves this object empty.
  [[nodiscard]] std::vector<Stmt> take();

 private:
  std::vector<Stmt> statements_;
  std::unordered_set<std::string, TextHash, std::equal_to<>> int_names_;
};

}  // namespace corvane
