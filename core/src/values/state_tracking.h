// When values read state that changes. Bits of the result register and the
// int variables of the output are written again as the program runs (a
// measurement into the same result, an assignment); an expression bound to an
// SSA value is copied into every use, so a use that runs after such a write
// would read the new state where LLVM reads the old one. The tracker records
// where each state-reading value is defined and used and where every storage slot
// is written, and finds the uses that a write can reach first: the value is
// then captured into a variable of its own where it is defined (the lowering
// runs again with that plan).
//
// Uses within the defining block are checked as they happen. Other uses are
// checked once the whole function is lowered, against its block graph: a
// write reaches a use when it lies on some path from the definition to the
// use that does not run the definition again. The graph search has a budget;
// past it every remaining use counts as reached, which only costs captures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cfg/structure.h"
#include "openqasm/program.h"
#include "values/lowering_context.h"

namespace corvane {

/// First step of the statements appended to a block after its instructions
/// (the assignments of a phi in a successor); they run before its branch.
inline constexpr std::uint32_t kAppendedStep = 1u << 30;
/// Step of a block's branch condition, which is evaluated last.
inline constexpr std::uint32_t kBranchStep = 0xFFFFFFFFu;

/// What the lowering does differently on its next run so that every value
/// keeps the meaning it had where it was defined.
struct LoweringPlan {
  /// SSA values assigned to a variable of their own where they are defined.
  std::unordered_set<std::string> captured;
  /// Integer if-merge phis whose initial value is assigned at the end of the
  /// initial predecessor rather than in the declaration (the phi's block can
  /// be reached again after the variable changed: a loop).
  std::unordered_set<std::string> init_in_block;
  /// Capture every state-reading value and assign every initial value in its
  /// block (the last resort, which needs no analysis to be right).
  bool everything = false;

  [[nodiscard]] bool captures(std::string_view name) const {
    if (everything) return true;
    return !captured.empty() && captured.count(std::string(name)) > 0;
  }
  [[nodiscard]] bool inits_in_block(std::string_view phi) const {
    if (everything) return true;
    return !init_in_block.empty() && init_in_block.count(std::string(phi)) > 0;
  }
  [[nodiscard]] std::size_t size() const { return captured.size() + init_in_block.size(); }
};

/// A storage slot the output writes again: the index of a result bit, or kVariableSlot plus
/// the number the tracker gave a variable's name.
using StorageSlot = std::uint64_t;
inline constexpr StorageSlot kVariableSlot = StorageSlot{1} << 63;

/// Whether `expr` reads a result bit or a variable.
[[nodiscard]] bool reads_state(const Expr& expr);

class StateTracker {
 public:
  /// A streaming tracker gives up (needs_whole_function) on anything it
  /// cannot decide without the whole function; a whole-function tracker
  /// records such uses and decides them in analyse().
  explicit StateTracker(bool streaming) : streaming_(streaming) {}

  /// The point of the instruction being lowered; the context's lookups are
  /// uses at this point.
  ProgramPoint point;

  void begin_block(std::uint32_t block) {
    point = ProgramPoint{block, 0};
    current_block_ = block;
  }
  void next_step() { ++point.step; }
  /// No block is being lowered any more: every later use is decided in analyse().
  void leave_blocks() { current_block_ = 0xFFFFFFFFu; }
  /// Whether this tracker belongs to a streaming run.
  [[nodiscard]] bool streaming() const { return streaming_; }

  /// A use at `point` of the value `name`, bound at `def` to `value`.
  void note_use(std::string_view name, ProgramPoint def, const Expr& value);
  /// Record call `record` at `point` reads a value bound at `def` to `value`.
  /// Unlike a use this captures nothing: where a write can come between the
  /// two, the record is listed as stale (stale_records) instead.
  void note_record_read(std::uint32_t record, ProgramPoint def, const Expr& value);
  /// The records found stale so far (after analyse(): all of them), unsorted.
  [[nodiscard]] const std::vector<std::uint32_t>& stale_records() const { return stale_; }
  /// The branch of block `block` reads the value `name` (whole-function mode).
  void note_branch_value(std::uint32_t block, std::string_view name);
  /// `statements` (just made at `at`) write what they measure into or assign.
  void note_writes(const std::vector<Stmt>& statements, std::size_t from, ProgramPoint at);
  /// The variable `name` is written at `at`.
  void note_variable_write(std::string_view name, ProgramPoint at);
  /// The if-merge phi `phi` takes its initial value from the declaration of
  /// `variable`: right only when no write of the variable can reach the end
  /// of the initial predecessor `init_end`.
  void note_declared_init(std::string_view phi, std::string_view variable, ProgramPoint init_end);
  /// A statement was appended at `at` to an earlier block writing `variable`:
  /// the block's branch condition, evaluated after it, must not read it.
  void note_appended_write(std::string_view variable, ProgramPoint at, const BlockRecord& block);

  /// A fresh point among the statements appended to the end of `block`.
  [[nodiscard]] ProgramPoint appended_point(std::uint32_t block) {
    return ProgramPoint{block, kAppendedStep + appended_[block]++};
  }
  /// The value block `block` branches on, if it branches on an SSA value.
  [[nodiscard]] std::optional<std::string_view> branch_value(std::uint32_t block) const {
    const auto it = branch_values_.find(block);
    if (it == branch_values_.end()) return std::nullopt;
    return it->second;
  }

  /// Streaming mode: the function must be lowered whole (a phi, a load, a
  /// use outside the defining block, or a value that needs a capture).
  [[nodiscard]] bool needs_whole_function() const { return whole_needed_; }
  void require_whole_function() { whole_needed_ = true; }

  /// Decides the uses recorded for later against the block graph; adds what
  /// must change to `plan`. Returns true when the plan grew.
  bool analyse(const std::vector<BlockRecord>& blocks, LoweringPlan& plan);

 private:
  enum class ActionKind : std::uint8_t { Capture, InitInBlock, StaleRecord };
  struct Action {
    ActionKind kind = ActionKind::Capture;
    std::string_view name;
    std::uint32_t record = 0;  // of a StaleRecord
    friend bool operator==(const Action&, const Action&) = default;
  };
  // A use decided once the block graph is known.
  struct PendingUse {
    Action action;
    ProgramPoint def;
    ProgramPoint use;
    StorageSlot slot = 0;
  };
  struct Write {
    StorageSlot slot = 0;
    ProgramPoint at;
  };

  StorageSlot variable_slot(std::string_view name);
  void slots_of(const Expr& expr, std::vector<StorageSlot>& out);
  void write(StorageSlot slot, ProgramPoint at);
  void hazard(Action action);
  void note_read(Action action, ProgramPoint def, const Expr& value);

  bool streaming_;
  bool whole_needed_ = false;
  std::uint32_t current_block_ = 0;
  std::unordered_map<std::string, StorageSlot> variables_;
  // The last write of each slot, for the checks inside one block: result
  // bits of small index in an array (a write per measurement), the rest by hash.
  static constexpr StorageSlot kDenseResults = 1 << 16;
  static constexpr ProgramPoint kNoWrite{0xFFFFFFFFu, 0xFFFFFFFFu};
  [[nodiscard]] const ProgramPoint* last_write(StorageSlot slot) const;
  std::vector<ProgramPoint> result_writes_;
  std::unordered_map<StorageSlot, ProgramPoint> last_write_;
  // Whole-function mode: every write, the uses left for analyse(), the value
  // each block branches on, and what was found so far.
  std::vector<Write> writes_;
  std::vector<PendingUse> pending_;
  std::unordered_map<std::uint32_t, std::string_view> branch_values_;
  std::unordered_map<std::uint32_t, std::uint32_t> appended_;  // statements appended per block
  std::vector<Action> found_;
  std::vector<std::uint32_t> stale_;
  std::vector<StorageSlot> scratch_;
};

}  // namespace corvane
