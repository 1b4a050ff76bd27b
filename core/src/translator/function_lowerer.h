// The dispatch of one function's instructions: each instruction goes to its
// lowering (calls to the profile's builders, classical instructions and phis
// to theirs, pointer instructions to the memory model), and the finished block
// records are structured and assembled into a program. Which runs to make, in
// which order and with which plan, is the driver's (lowering.cc).
//
// Invariant: each instruction is looked at once, up to the first terminator of
// its block; names are looked up by hash, and finished block records are moved,
// never copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "builders/profile.h"
#include "ir/ir.h"
#include "openqasm/program.h"
#include "signatures/signatures.h"
#include "support/error.h"
#include "translator/error_place.h"
#include "translator/lowering_state.h"
#include "translator/memory_model.h"
#include "translator/phi.h"
#include "translator/records.h"
#include "translator/translate.h"
#include "values/lowering_context.h"
#include "values/state_tracking.h"

namespace corvane {

/// Calls in a run of instructions (nearly every call makes one statement, so
/// this sizes a block's statement list).
[[nodiscard]] std::size_t count_calls(std::span<const Instruction> instructions);

/// One lowering run of a function: dispatches each instruction to its
/// lowering and keeps the run's state besides the context. Blocks are fed one
/// at a time (in text order, or in the order set_text_positions names):
/// begin_block, any number of lower() calls with the block's instructions,
/// end_block, and finish() at the end.
///
/// A streaming run (memory == nullptr) lowers as the text is read and stops
/// (abandoned()) at the first thing that needs the whole function: a phi, a
/// load, a use of a state-reading value outside its block, or a value that
/// must be captured. A whole-function run follows the memory plan and the
/// lowering plan, and finish() tells whether the plan must grow and the
/// function be lowered again.
class FunctionLowerer {
 public:
  /// A run over the text `source`; `memory` is null for a streaming run, and
  /// `made_places` (if any) tells where names made by inlining stand.
  FunctionLowerer(const TranslateOptions& options, const SignatureMap& signatures,
                  std::string_view source, const LoweringPlan& plan, const MemoryPlan* memory,
                  const MadeNamePlaces* made_places = nullptr);
  FunctionLowerer(const FunctionLowerer&) = delete;
  FunctionLowerer& operator=(const FunctionLowerer&) = delete;

  /// A streaming run that met something it cannot decide.
  [[nodiscard]] bool abandoned() const { return tracker_.needs_whole_function(); }

  // Sizes the SSA environment and the block records, so that they need not
  // regrow: exactly for a parsed body, by an estimate from the text while the
  // body is streamed.
  void reserve(std::size_t values, std::size_t blocks);

  // `text_position` is the block's place in the text when the blocks are not
  // lowered in text order.
  void begin_block(std::string_view label, std::optional<std::size_t> text_position = {});

  // Lowers the next instructions of the current block; those after its first
  // terminator are not looked at. `expected_statements` (read with the first
  // instructions of a block) sizes the block's statement list.
  Status lower(const Function& function, std::span<const Instruction> instructions,
               std::size_t expected_statements);

  void end_block();

  /// The blocks are lowered in this order of their text positions, not in
  /// text order; the records are put back in text order for structuring.
  void set_text_positions(std::vector<std::uint32_t> positions);

  // Settles the run: the program, or nothing when the function must be
  // lowered again with `plan` (which this adds to).
  Result<std::optional<Program>> finish(LoweringPlan& plan);

 private:
  Result<Program> assemble();

  // The records of the function's blocks in text order (blocks made for phi
  // copies stay last).
  std::vector<BlockRecord> in_text_order(std::vector<BlockRecord> records) const;

  // Assigns the value `name` just bound (when it reads state) to a variable
  // of its own, and binds the name to that variable: later writes of what it
  // read no longer change it.
  Status capture(std::string_view name);

  // Instruction tags in variant order, so the dispatch is a checked switch.
  enum class InstructionKind : std::uint8_t {
    Call,
    Br,
    CondBr,
    Ret,
    ICmp,
    Logic,
    Select,
    Arith,
    Phi,
    Ignored,
    Alloca,
    Bitcast,
    Gep,
    Store,
    Load,
    IntCast,
    IntToPtr,
    Switch,
    FloatArith,
    Unrecognized,
  };
  static_assert(std::variant_size_v<Instruction> ==
                static_cast<std::size_t>(InstructionKind::Unrecognized) + 1);

  // A callee's signature and builder, as the two lookups return them (either may be null).
  struct CallTarget {
    const Signature* signature = nullptr;
    const Builder* builder = nullptr;
  };

  // The one test of a streaming run: true for an instruction it gives up on.
  // `target` is the callee's for a call.
  static bool needs_whole_function(const Instruction& instruction, const CallTarget& target);

  // Returns true when the instruction was the block's terminator. Inlined into
  // lower(): a call per instruction, with its Result returned through memory,
  // would cost the streamed lowering about a tenth of its dispatch.
  [[gnu::always_inline]] Result<bool> lower_instruction(const Instruction& instruction,
                                                        BlockRecord& record,
                                                        const CallTarget& target);

  void size_statements(std::size_t expected_statements);

  // A slot of the call-target cache: open addressing over a power-of-two
  // table, keyed by the callee's name (empty: a free slot).
  struct CachedTarget {
    std::uint64_t hash = 0;
    std::string_view callee;
    CallTarget target;
  };

  // One probe per call: the signature and builder lookups run once per distinct callee.
  CallTarget call_target(std::string_view callee);

  const TranslateOptions& options_;
  const SignatureMap& signatures_;
  std::string_view source_;            // the text the instructions' views point into
  const MadeNamePlaces* made_places_;  // where made names stand, or null
  const LoweringPlan& plan_;
  const MemoryPlan* memory_;  // null for a streaming run
  StateTracker tracker_;
  GlobalStrings globals_;
  std::vector<RecordCall> records_;              // indexed by the RecordMarks
  std::vector<std::string_view> record_values_;  // the SSA value each record reads, if any
  // Expression nodes the record table may still copy: as many as the copy
  // budget of the environment, so the table stays linear in the input.
  std::uint64_t record_budget_;
  bool capturing_;                      // the plan captures some value
  bool registers_placed_ = false;       // the registers' first bit is set
  const Function* function_ = nullptr;  // owner of the operands of the instructions being lowered
  LoweringContext context_;
  BlockRecord record_;        // the block being lowered
  bool ended_ = false;        // the current block's terminator has been lowered
  bool sized_ = false;        // the current block's statement list is sized
  std::size_t position_ = 0;  // blocks ended so far
  std::string entry_label_;
  ProcessedBlocks processed_;
  HoistedDecls hoisted_;
  MemoryModel memory_model_;
  std::vector<PhiCopy> phi_copies_;            // left by general phis for finish()
  std::vector<std::uint32_t> text_positions_;  // by lowering position; empty: text order
  std::vector<CachedTarget> call_targets_;     // a power of two in size, at most half full
  std::size_t cached_targets_ = 0;
};

}  // namespace corvane
