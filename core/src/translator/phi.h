// Phi lowering: recognises the short-circuit Boolean merge, the materialised
// Boolean (0/1 diamond) and the integer if-merge, and rewrites each into an
// expression or a mutable `cint_` variable. The blocks lowered so far are kept
// indexed by label so that each pattern test costs a few hash lookups.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "support/error.h"
#include "support/prefault.h"
#include "translator/lowering.h"
#include "values/state_tracking.h"

namespace corvane {

/// The block records finished so far, in function order, indexed by label.
class ProcessedBlocks {
 public:
  /// Makes room for `count` records.
  void reserve(std::size_t count) {
    blocks_.reserve(count);
    // Records are appended front to back; a large list takes huge pages.
    advise_huge_pages(blocks_.data(), blocks_.capacity() * sizeof(BlockLowering));
  }
  /// Appends a finished record (moved) and indexes it.
  void append(BlockLowering block);
  /// The first record with `label`, or nullptr.
  [[nodiscard]] BlockLowering* find_first(std::string_view label);
  /// The last record with `label` that has a branch condition, or nullptr.
  [[nodiscard]] const BlockLowering* find_conditional(std::string_view label) const;
  /// The first record with a condition and exactly two successors that include
  /// both labels (a single label when they are equal), or nullptr.
  [[nodiscard]] const BlockLowering* find_branch_to(std::string_view first,
                                                    std::string_view second) const;
  /// The record at `position` (in function order).
  [[nodiscard]] BlockLowering& blocks_at(std::size_t position) { return blocks_[position]; }
  /// All records, in function order.
  [[nodiscard]] const std::vector<BlockLowering>& blocks() const { return blocks_; }
  /// The first record (there must be one). Its statements may be changed; its
  /// label and branch facts, which the index holds, may not.
  [[nodiscard]] BlockLowering& front() { return blocks_.front(); }
  /// Hands the records over (for structuring); leaves this object empty.
  [[nodiscard]] std::vector<BlockLowering> take();
  /// Turns the edges of `block` (a record of this list) to `from` towards `to`
  /// instead; the branch index is built again on its next query.
  void redirect(BlockLowering& block, std::string_view from, const std::string& to);

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

  std::vector<BlockLowering> blocks_;
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

/// Lowers one phi of the block `block_label`: binds its result, and for the
/// integer if-merge declares or reuses a variable and appends its assignments
/// (the initial one too where `plan` says so).
[[nodiscard]] Status lower_phi(const Phi& phi, std::span<const Incoming> incomings,
                               std::string_view block_label, ProcessedBlocks& processed,
                               HoistedDecls& hoisted, LoweringContext& context,
                               const LoweringPlan& plan = {});

/// One assignment the general phi lowering leaves for the end of the
/// function: `variable` takes `value` on the edge from `pred` to `block`.
struct PhiCopy {
  std::string_view pred;
  std::string block;
  std::string variable;
  const Operand* value = nullptr;  // the incoming operand, owned by the function
  std::uint32_t width = 64;        // of the phi's type
  std::string_view phi;            // the phi's result
};

/// Whether the general phi lowering takes phis of type `ty` (i1, i32, i64).
[[nodiscard]] bool general_phi_type(std::string_view ty);

/// Lowers a phi of any shape: an `int` variable declared before the program
/// body, read where the phi is (an i1 as `v == 1`), and assigned its incoming
/// value at the end of each predecessor. The assignments are left in `copies`
/// for place_phi_copies, since predecessors and incoming values may come later.
[[nodiscard]] Status lower_general_phi(const Phi& phi, std::span<const Incoming> incomings,
                                       std::string_view block_label, HoistedDecls& hoisted,
                                       LoweringContext& context, std::vector<PhiCopy>& copies);

/// Makes the assignments of `copies` once every block is lowered. Those of one
/// edge run in order, as one parallel copy: an incoming value read after a
/// variable it reads was assigned is caught by the context's tracker and
/// captured where it is defined. They go at the end of a predecessor whose only
/// successor is the phi's block, else on a block of their own put on the edge
/// (appended to `processed`), so no other path runs them.
[[nodiscard]] Status place_phi_copies(std::string_view source, const std::vector<PhiCopy>& copies,
                                      ProcessedBlocks& processed, LoweringContext& context);

}  // namespace corvane
