// The lowering driver: walks the entry point's blocks in text order, dispatches
// every instruction (calls to the profile's builders, classical instructions and
// phis to their lowering, pointer instructions to a small static memory model),
// hands the block records to structuring and assembles the program. The blocks
// come either from a parsed Module or straight from the parser, a batch of
// instructions at a time (parse_and_lower).
//
// Invariant: each instruction is looked at once, up to the first terminator of
// its block; names are looked up by hash, and finished block records are moved,
// never copied.
#include "translator/lowering.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <queue>
#include <string>
#include <unordered_set>
#include <utility>
#include <variant>

#include "builders/profile.h"
#include "cfg/structure.h"
#include "ir/parser.h"
#include "ir/parser_util.h"
#include "openqasm/readable.h"
#include "signatures/signatures.h"
#include "support/prefault.h"
#include "support/text.h"
#include "support/word_hash.h"
#include "translator/angle_arith.h"
#include "translator/classical.h"
#include "translator/error_place.h"
#include "translator/inline.h"
#include "translator/memory_model.h"
#include "translator/phi.h"
#include "translator/records.h"
#include "translator/switch_chain.h"
#include "translator/translate.h"
#include "translator/unroll.h"
#include "values/state_tracking.h"

namespace corvane {

Result<std::uint64_t> register_size(std::int64_t max_index, bool is_qubit) {
  std::int64_t size = 0;
  if (__builtin_add_overflow(max_index, std::int64_t{1}, &size)) {
    return lowering_error(is_qubit ? "qubit index too large to size the qubit register"
                                   : "result index too large to size the result register");
  }
  return static_cast<std::uint64_t>(size);
}

namespace {

constexpr std::size_t kTextBytesPerBlockRecord = 256;

// Budget of expression nodes copied out of the environment: a fixed allowance
// plus one node per few bytes of input, so the memory the copies take (about
// 50 bytes a node) grows at most linearly with the input, by a small factor.
std::uint64_t copy_budget_for(std::size_t source_size) {
  return kDefaultCopyBudget + std::uint64_t{source_size} / kInputBytesPerCopiedNode;
}

// Hash of callee names for the per-run call-target cache.
struct CalleeHash {
  std::size_t operator()(std::string_view name) const noexcept {
    return static_cast<std::size_t>(word_hash(name));
  }
};

// A callee's signature and builder, as the two lookups return them (either may be null).
struct CallTarget {
  const Signature* signature = nullptr;
  const Builder* builder = nullptr;
};

// Instructions of `function` that define an SSA value (an upper bound on the
// bindings its lowering makes).
std::size_t count_value_definitions(const Function& function) {
  std::size_t count = 0;
  for (const Block& block : function.blocks) {
    for (const Instruction& instruction : block.instructions) {
      if (const Call* call = std::get_if<Call>(&instruction)) {
        if (call->result) ++count;
      } else if (!std::holds_alternative<Br>(instruction) &&
                 !std::holds_alternative<CondBr>(instruction) &&
                 !std::holds_alternative<Ret>(instruction) &&
                 !std::holds_alternative<Store>(instruction)) {
        ++count;
      }
    }
  }
  return count;
}

std::optional<std::string_view> optional_view(OptionalView view) {
  if (!view) return std::nullopt;
  return *view;
}

// Calls in a run of instructions. Nearly every call without a result makes
// one statement; in a block that branches on a measurement it read (a call
// with a result), the count also leaves room for the `if` that structuring
// appends to the block.
std::size_t count_calls(std::span<const Instruction> instructions) {
  std::size_t count = 0;
  for (const Instruction& instruction : instructions) {
    count += std::holds_alternative<Call>(instruction) ? 1 : 0;
  }
  return count;
}

// The name an instruction defines, if any.
std::optional<std::string_view> defined_name(const Instruction& instruction) {
  return std::visit(
      [](const auto& node) -> std::optional<std::string_view> {
        using Node = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<Node, Call>) {
          return optional_view(node.result);
        } else if constexpr (requires { node.result; }) {
          return std::string_view(node.result);
        } else {
          return std::nullopt;
        }
      },
      instruction);
}

// Whether a value reads as a truth value (a comparison, a logical operation,
// a result bit or a Boolean literal) rather than as an integer.
bool is_truth_value(const Expr& expr) {
  if (std::holds_alternative<BoolLit>(expr.node) || std::holds_alternative<Index>(expr.node)) {
    return true;
  }
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) return unary->op == UnaryOp::Not;
  return is_comparison_or_logic(expr);
}

// Removes every `barrier q;` from `body` and the bodies nested in it (a
// program without qubits declares no `q` for it to name). Iterative: bodies
// may nest deeply.
void drop_whole_register_barriers(std::vector<Stmt>& body) {
  std::vector<std::vector<Stmt>*> pending{&body};
  while (!pending.empty()) {
    std::vector<Stmt>& statements = *pending.back();
    pending.pop_back();
    std::erase_if(statements, [](const Stmt& stmt) {
      const auto* call = std::get_if<GateCall>(&stmt.node);
      return call != nullptr && call->name.view() == "barrier" && call->qubits.size() == 1 &&
             !call->qubits[0].index.has_value();
    });
    for (Stmt& stmt : statements) {
      if (auto* branch = std::get_if<If>(&stmt.node)) {
        pending.push_back(&branch->then_body);
        pending.push_back(&branch->else_body);
      } else if (auto* loop = std::get_if<While>(&stmt.node)) {
        pending.push_back(&loop->body);
      }
    }
  }
}

// State of one lowering run besides the context. Blocks are fed in text
// order: begin_block, any number of lower() calls with the block's
// instructions, end_block, and finish() at the end.
//
// A streaming run (memory == nullptr) lowers as the text is read and stops
// (abandoned()) at the first thing that needs the whole function: a phi, a
// load, a use of a state-reading value outside its block, or a value that
// must be captured. A whole-function run follows the memory plan and the
// lowering plan, and finish() tells whether the plan must grow and the
// function be lowered again.
class Lowerer {
 public:
  Lowerer(const Translator& translator, const SignatureMap& signatures, std::string_view source,
          const LoweringPlan& plan, const MemoryPlan* memory,
          const MadeNamePlaces* made_places = nullptr)
      : translator_(translator),
        signatures_(signatures),
        source_(source),
        made_places_(made_places),
        plan_(plan),
        memory_(memory),
        tracker_(memory == nullptr),
        globals_(source),
        capturing_(plan.everything || !plan.captured.empty()),
        memory_model_(memory, context_, hoisted_) {
    context_.copy_budget = copy_budget_for(source.size());
    context_.tracker = &tracker_;
  }
  Lowerer(const Lowerer&) = delete;
  Lowerer& operator=(const Lowerer&) = delete;

  /// A streaming run that met something it cannot decide.
  [[nodiscard]] bool abandoned() const { return tracker_.needs_whole_function(); }

  // Sizes the SSA environment and the block records, so that they need not
  // regrow: exactly for a parsed body, by an estimate from the text while the
  // body is streamed.
  void reserve(std::size_t values, std::size_t blocks) {
    context_.env.reserve(values);
    processed_.reserve(blocks);
  }

  // `text_position` is the block's place in the text when the blocks are not
  // lowered in text order.
  void begin_block(std::string_view label, std::optional<std::size_t> text_position = {}) {
    tracker_.begin_block(static_cast<std::uint32_t>(position_));
    record_ = BlockLowering{};
    record_.label =
        label.empty() ? std::to_string(text_position.value_or(position_)) : std::string(label);
    ended_ = false;
    sized_ = false;
    if (position_ == 0) entry_label_ = record_.label;
  }

  // Lowers the next instructions of the current block; those after its first
  // terminator are not looked at. `expected_statements` (read with the first
  // instructions of a block) sizes the block's statement list.
  Status lower(const Function& function, std::span<const Instruction> instructions,
               std::size_t expected_statements) {
    if (!sized_) size_statements(expected_statements);
    if (ended_ || abandoned()) return ok_status();
    function_ = &function;
    if (!registers_placed_) {
      // pytket's registers take the result bits after those the entry point reserves.
      registers_placed_ = true;
      context_.first_register_bit = function.required_num_results.value_or(0);
      context_.next_register_bit = context_.first_register_bit;
    }
    for (const Instruction& instruction : instructions) {
      tracker_.next_step();
      Result<bool> ended = lower_instruction(instruction, record_);
      // A streaming run that gave up leaves the error to the whole-function one.
      if (!ended.ok() && abandoned()) return ok_status();
      if (!ended.ok())
        return place_at_instruction(std::move(ended).error(), instruction, source_, made_places_);
      if (abandoned()) return ok_status();
      if (*ended) {
        ended_ = true;
        // Only the earliest token: its line is looked for if an error needs it.
        record_.terminator_offset =
            earliest_offset(instruction, source_).value_or(kNoTerminatorOffset);
        break;
      }
      if (capturing_) {
        if (const auto name = defined_name(instruction); name && plan_.captures(*name)) {
          Status captured = capture(*name);
          if (!captured.ok()) {
            return place_at_instruction(std::move(captured).error(), instruction, source_,
                                        made_places_);
          }
        }
      }
    }
    return ok_status();
  }

  void end_block() {
    if (!sized_) size_statements(0);
    processed_.append(std::move(record_));
    ++position_;
  }

  /// The blocks are lowered in this order of their text positions, not in
  /// text order; the records are put back in text order for structuring.
  void set_text_positions(std::vector<std::uint32_t> positions) {
    text_positions_ = std::move(positions);
  }

  // Settles the run: the program, or nothing when the function must be
  // lowered again with `plan` (which this adds to).
  Result<std::optional<Program>> finish(LoweringPlan& plan) {
    if (!phi_copies_.empty()) {
      tracker_.leave_blocks();
      RETURN_IF_ERROR(place_phi_copies(source_, phi_copies_, processed_, context_));
    }
    bool grew = tracker_.analyse(processed_.blocks(), plan);
    if (translator_.keep_values && !abandoned()) {
      // A record that reads a value after what the value read changed keeps
      // the value only if it is captured where it is computed.
      for (const std::uint32_t id : tracker_.stale_records()) {
        const std::string_view name = id < record_values_.size() ? record_values_[id] : "";
        if (!name.empty() && !plan.captures(name)) {
          plan.captured.insert(std::string(name));
          grew = true;
        }
      }
    }
    if (abandoned() || grew) return std::optional<Program>();
    for (const std::uint32_t id : tracker_.stale_records()) {
      if (id < records_.size() && records_[id].lost.empty()) {
        records_[id].lost = "it reads a result or variable written again before the record";
      }
    }
    ASSIGN_OR_RETURN(Program program, assemble());
    return std::optional<Program>(std::move(program));
  }

 private:
  Result<Program> assemble() {
    Program program;
    program.version = "3.0";
    Result<std::vector<Stmt>> body =
        structure_blocks(in_text_order(processed_.take()), position_ == 0 ? "0" : entry_label_);
    if (!body.ok()) {
      // A place from structuring is a terminator's first token; the error
      // points at the start of its line, as errors at instructions do.
      TranslateError error = std::move(body).error();
      if (error.offset) error.offset = line_of_offset(source_, *error.offset);
      return error;
    }
    program.body = std::move(body).value();
    if (context_.barrier_on_all_qubits && context_.max_qubit_index < 0) {
      drop_whole_register_barriers(program.body);
    }
    std::vector<Stmt> hoisted = hoisted_.take();
    std::vector<Stmt>& header = program.header;
    header.reserve(translator_.includes.size() + 2 + hoisted.size());
    for (const std::string& file : translator_.includes) header.push_back(Include{file});
    if (context_.max_qubit_index >= 0) {
      ASSIGN_OR_RETURN(std::uint64_t size, register_size(context_.max_qubit_index, true));
      header.push_back(QubitDecl{"q", size});
    }
    if (context_.max_result_index >= 0) {
      ASSIGN_OR_RETURN(std::uint64_t size, register_size(context_.max_result_index, false));
      if (translator_.output_results) {
        header.push_back(OutputBitDecl{"c", size});
      } else {
        header.push_back(BitDecl{"c", size});
      }
    }
    for (Stmt& stmt : hoisted) header.push_back(std::move(stmt));
    make_conditions_readable(program);
    program.records = std::move(records_);
    return program;
  }

  // The records of the function's blocks in text order (blocks made for phi
  // copies stay last).
  std::vector<BlockLowering> in_text_order(std::vector<BlockLowering> records) const {
    if (text_positions_.empty()) return records;
    std::vector<BlockLowering> ordered(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::size_t to = i < text_positions_.size() ? text_positions_[i] : i;
      ordered[to] = std::move(records[i]);
    }
    return ordered;
  }

  // Assigns the value `name` just bound (when it reads state) to a variable
  // of its own, and binds the name to that variable: later writes of what it
  // read no longer change it.
  Status capture(std::string_view name) {
    ValueTable::Entry* entry = context_.env.find(name);
    if (entry == nullptr || !entry->reads_state) return ok_status();
    if (const auto angle = context_.angle_values.find(name);
        angle != context_.angle_values.end() && !angle->second.integral) {
      // Only an integer expression fits an int variable.
      return lowering_error("double value " + quote_text(name) + " computed by `" +
                            std::string(angle->second.opcode) +
                            "` reads a result or variable written again before its use; float "
                            "variables are not supported");
    }
    std::string variable = "cint_" + std::to_string(hoisted_.size());
    hoisted_.add_int(variable, IntLit{0}, false);
    // Assigned once, where the value is defined, before anything reads it.
    context_.variable_ranges.widen(
        variable, IntRange::point(0).join(expr_range(entry->second, context_.variable_ranges)));
    const bool truth = is_truth_value(entry->second);
    record_.statements.push_back(
        Assign{IndexedIdent{variable, std::nullopt}, std::move(entry->second)});
    tracker_.note_variable_write(variable, tracker_.point);
    context_.bind(name, read_int_variable(variable, truth));
    return ok_status();
  }

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

  // Returns true when the instruction was the block's terminator.
  Result<bool> lower_instruction(const Instruction& instruction, BlockLowering& record) {
    switch (static_cast<InstructionKind>(instruction.index())) {
      case InstructionKind::Call: {
        const Call& call = *std::get_if<Call>(&instruction);
        const CallTarget target = call_target(call.callee);
        if (memory_ == nullptr && target.builder == nullptr) {
          // A call of a function the profile does not know (or whose header
          // gave no signature): it may be defined in the module and be
          // inlined, which needs the whole module.
          tracker_.require_whole_function();
          return false;
        }
        const std::size_t before = record.statements.size();
        RETURN_IF_ERROR(lower_resolved_call(target.signature, target.builder, call.callee,
                                            function_->args(call), optional_view(call.result),
                                            context_, record.statements));
        tracker_.note_writes(record.statements, before, tracker_.point);
        if (const std::optional<RecordKind> kind =
                translator_.map_outputs ? record_kind(call.callee) : std::nullopt) {
          // The call's place among the statements, for the output map.
          const auto id = static_cast<std::uint32_t>(records_.size());
          const auto args = function_->args(call);
          // The integer value it reads, which keep_values may capture.
          const auto* value = args.empty() ? nullptr : std::get_if<Ssa>(&args.front());
          const bool integral = value != nullptr && *kind != RecordKind::Double &&
                                context_.angle_values.count(value->name) == 0;
          record_values_.push_back(integral ? value->name : std::string_view());
          records_.push_back(describe_record(*kind, id, function_->args(call), call.callee, source_,
                                             context_, globals_, record_budget_));
          record.statements.push_back(RecordMark{id, false});
        }
        return false;
      }
      case InstructionKind::Br:
        record.successors.emplace_back(std::get_if<Br>(&instruction)->target);
        return true;
      case InstructionKind::CondBr: {
        const CondBr& branch = *std::get_if<CondBr>(&instruction);
        switch (branch.cond.kind) {
          case BranchCond::Kind::Const:
            record.condition = Expr(BoolLit{branch.cond.value});
            break;
          case BranchCond::Kind::Ssa: {
            // The condition is evaluated after everything else in the block,
            // statements appended later included.
            tracker_.point.step = kBranchStep;
            tracker_.note_branch_value(tracker_.point.block, branch.cond.name);
            ASSIGN_OR_RETURN(Expr condition, context_.lookup(branch.cond.name));
            record.condition = std::move(condition);
            break;
          }
        }
        record.successors.emplace_back(branch.true_label);
        record.successors.emplace_back(branch.false_label);
        return true;
      }
      case InstructionKind::Ret:
        return true;
      case InstructionKind::ICmp: {
        const ICmp& icmp = *std::get_if<ICmp>(&instruction);
        RETURN_IF_ERROR(lower_icmp(icmp, function_->binary_operands(icmp), context_));
        return false;
      }
      case InstructionKind::Logic: {
        const Logic& logic = *std::get_if<Logic>(&instruction);
        RETURN_IF_ERROR(lower_logic(logic, function_->binary_operands(logic), context_));
        return false;
      }
      case InstructionKind::Select: {
        const Select& select = *std::get_if<Select>(&instruction);
        RETURN_IF_ERROR(lower_select(select, function_->select_operands(select), context_));
        return false;
      }
      case InstructionKind::Arith: {
        const Arith& arith = *std::get_if<Arith>(&instruction);
        RETURN_IF_ERROR(lower_arith(arith, function_->binary_operands(arith), context_));
        return false;
      }
      case InstructionKind::Phi: {
        const Phi& phi = *std::get_if<Phi>(&instruction);
        if (memory_ == nullptr) {
          // Phis read the blocks before them and may add to them.
          tracker_.require_whole_function();
          return false;
        }
        const std::span<const Incoming> incomings = function_->phi_incomings(phi);
        // The patterns first; what they do not take becomes a variable
        // assigned on the edges (the general lowering also names the types
        // it refuses).
        if (general_phi_type(phi.ty) &&
            lower_phi(phi, incomings, record.label, processed_, hoisted_, context_, plan_).ok()) {
          return false;
        }
        RETURN_IF_ERROR(
            lower_general_phi(phi, incomings, record.label, hoisted_, context_, phi_copies_));
        return false;
      }
      case InstructionKind::Ignored:
        return false;
      case InstructionKind::Alloca: {
        const std::string_view result = std::get_if<Alloca>(&instruction)->result;
        context_.pointers.insert_or_assign(result, PointerAlias{result, 0, true, true});
        return false;
      }
      case InstructionKind::Bitcast: {
        const Bitcast& cast = *std::get_if<Bitcast>(&instruction);
        auto it = context_.pointers.find(cast.source);
        const PointerAlias alias =
            it == context_.pointers.end() ? PointerAlias{cast.source, 0} : it->second;
        context_.pointers.insert_or_assign(cast.result, alias);
        return false;
      }
      case InstructionKind::Gep:
        RETURN_IF_ERROR(memory_model_.gep(*std::get_if<Gep>(&instruction),
                                          function_->gep_indices(*std::get_if<Gep>(&instruction))));
        return false;
      case InstructionKind::Store:
        RETURN_IF_ERROR(memory_model_.store(*std::get_if<Store>(&instruction),
                                            function_->value(*std::get_if<Store>(&instruction)),
                                            record.statements));
        return false;
      case InstructionKind::Load:
        RETURN_IF_ERROR(memory_model_.load(*std::get_if<Load>(&instruction)));
        return false;
      case InstructionKind::IntCast: {
        RETURN_IF_ERROR(lower_int_cast(*std::get_if<IntCast>(&instruction), context_));
        return false;
      }
      case InstructionKind::IntToPtr:
        RETURN_IF_ERROR(
            memory_model_.inttoptr(*std::get_if<IntToPtr>(&instruction),
                                   function_->value(*std::get_if<IntToPtr>(&instruction))));
        return false;
      case InstructionKind::Switch:
        // Whole-function lowering gets the switches as chains of branches.
        if (memory_ != nullptr) return internal_error("switch left in a lowered function");
        tracker_.require_whole_function();
        return true;
      case InstructionKind::FloatArith:
        RETURN_IF_ERROR(
            lower_float_arith(*std::get_if<FloatArith>(&instruction), *function_, context_));
        return false;
      case InstructionKind::Unrecognized:
        return lowering_error("unsupported LLVM instruction opcode " +
                              quote_text(std::get_if<Unrecognized>(&instruction)->opcode) +
                              " in block " + quote_text(record.label));
    }
    return internal_error("unknown instruction kind");
  }

  void size_statements(std::size_t expected_statements) {
    sized_ = true;
    // Only calls make statements, nearly always one each, so a count of the
    // block's calls (or lines) sizes the list once instead of regrowing it (a
    // regrowth touches a fresh copy of every statement).
    record_.statements.reserve(expected_statements);
    prefault_for_writing(record_.statements.data(), record_.statements.capacity() * sizeof(Stmt));
  }

  // One probe per call: the signature and builder lookups run once per distinct callee.
  CallTarget call_target(std::string_view callee) {
    const auto found = call_targets_.find(callee);
    if (found != call_targets_.end()) return found->second;
    const CallTarget target{signatures_.find(callee), translator_.profile.lookup(callee)};
    call_targets_.emplace(callee, target);
    return target;
  }

  const Translator& translator_;
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
  std::uint64_t record_budget_ = copy_budget_for(source_.size());
  bool capturing_;                      // the plan captures some value
  bool registers_placed_ = false;       // the registers' first bit is set
  const Function* function_ = nullptr;  // owner of the operands of the instructions being lowered
  LoweringContext context_;
  BlockLowering record_;      // the block being lowered
  bool ended_ = false;        // the current block's terminator has been lowered
  bool sized_ = false;        // the current block's statement list is sized
  std::size_t position_ = 0;  // blocks ended so far
  std::string entry_label_;
  ProcessedBlocks processed_;
  HoistedDecls hoisted_;
  MemoryModel memory_model_;
  std::vector<PhiCopy> phi_copies_;            // left by general phis for finish()
  std::vector<std::uint32_t> text_positions_;  // by lowering position; empty: text order
  std::unordered_map<std::string_view, CallTarget, CalleeHash> call_targets_;
};

}  // namespace

namespace {

TranslateError no_entry_point_error() {
  return parse_error(
      "no entry-point function found; QIR modules must have a function tagged with the "
      "'entry_point' attribute");
}

// The blocks `block` branches to (by position), from its first terminator.
void successor_positions(
    const Block& block,
    const std::unordered_map<std::string_view, std::uint32_t, TextHash>& position_of,
    std::vector<std::uint32_t>& out) {
  out.clear();
  const auto add = [&](std::string_view label) {
    const auto it = position_of.find(label);
    if (it != position_of.end()) out.push_back(it->second);
  };
  for (const Instruction& instruction : block.instructions) {
    if (const auto* branch = std::get_if<Br>(&instruction)) {
      add(branch->target);
      return;
    }
    if (const auto* branch = std::get_if<CondBr>(&instruction)) {
      add(branch->true_label);
      add(branch->false_label);
      return;
    }
    if (std::holds_alternative<Ret>(instruction)) return;
  }
}

// An order to lower the blocks in where each block comes after its immediate
// dominator, so that every value is bound before the blocks it dominates use
// it: empty when the text order is one (the usual case), else the text order
// with each block put off until its dominator is lowered. Blocks the entry
// does not reach keep their place.
std::vector<std::uint32_t> lowering_order(const Function& function) {
  const auto count = static_cast<std::uint32_t>(function.blocks.size());
  if (count <= 1) return {};
  std::unordered_map<std::string_view, std::uint32_t, TextHash> position_of;
  position_of.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) position_of.try_emplace(function.blocks[i].label, i);
  // Both edge lists in flat arrays: block i's successors (or predecessors)
  // are those from its begin offset to the next block's.
  std::vector<std::uint32_t> succ_begin(count + 1, 0);
  std::vector<std::uint32_t> succ;
  std::vector<std::uint32_t> scratch;
  for (std::uint32_t i = 0; i < count; ++i) {
    successor_positions(function.blocks[i], position_of, scratch);
    succ.insert(succ.end(), scratch.begin(), scratch.end());
    succ_begin[i + 1] = static_cast<std::uint32_t>(succ.size());
  }
  std::vector<std::uint32_t> pred_begin(count + 1, 0);
  for (const std::uint32_t s : succ) ++pred_begin[s + 1];
  for (std::uint32_t i = 0; i < count; ++i) pred_begin[i + 1] += pred_begin[i];
  std::vector<std::uint32_t> pred(succ.size());
  {
    std::vector<std::uint32_t> fill(pred_begin.begin(), pred_begin.end() - 1);
    for (std::uint32_t i = 0; i < count; ++i) {
      for (std::uint32_t k = succ_begin[i]; k < succ_begin[i + 1]; ++k) pred[fill[succ[k]]++] = i;
    }
  }
  // Reverse postorder from the entry.
  constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> postorder;
  std::vector<std::uint32_t> rpo_number(count, kNone);
  std::vector<std::uint8_t> seen(count, 0);
  std::vector<std::pair<std::uint32_t, std::size_t>> stack{{0, 0}};
  seen[0] = 1;
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (succ_begin[node] + next < succ_begin[node + 1]) {
      const std::uint32_t s = succ[succ_begin[node] + next++];
      if (seen[s] == 0) {
        seen[s] = 1;
        stack.emplace_back(s, 0);
      }
      continue;
    }
    postorder.push_back(node);
    stack.pop_back();
  }
  const auto reached = static_cast<std::uint32_t>(postorder.size());
  for (std::uint32_t i = 0; i < reached; ++i) rpo_number[postorder[i]] = reached - 1 - i;
  // Immediate dominators (the iterative two-finger method over the reverse postorder).
  std::vector<std::uint32_t> idom(count, kNone);
  idom[0] = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (auto it = postorder.rbegin(); it != postorder.rend(); ++it) {
      const std::uint32_t node = *it;
      if (node == 0) continue;
      std::uint32_t candidate = kNone;
      for (std::uint32_t k = pred_begin[node]; k < pred_begin[node + 1]; ++k) {
        const std::uint32_t p = pred[k];
        if (idom[p] == kNone) continue;
        if (candidate == kNone) {
          candidate = p;
          continue;
        }
        std::uint32_t a = p;
        std::uint32_t b = candidate;
        while (a != b) {
          while (rpo_number[a] > rpo_number[b]) a = idom[a];
          while (rpo_number[b] > rpo_number[a]) b = idom[b];
        }
        candidate = a;
      }
      if (candidate != idom[node]) {
        idom[node] = candidate;
        changed = true;
      }
    }
  }
  bool in_text_order = true;
  for (std::uint32_t i = 1; i < count && in_text_order; ++i) {
    in_text_order = idom[i] == kNone || idom[i] < i;
  }
  if (in_text_order) return {};
  // The smallest text position among the blocks whose dominator is lowered.
  std::vector<std::vector<std::uint32_t>> children(count);
  std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> ready;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i == 0 || idom[i] == kNone) {
      ready.push(i);
    } else {
      children[idom[i]].push_back(i);
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

// Lowers the blocks of a parsed function of `module` in `order` (lowering_order's).
Status lower_function(Lowerer& lowerer, const Function& function, const Module& module,
                      const std::vector<std::uint32_t>& order) {
  lowerer.reserve(count_value_definitions(function), function.blocks.size());
  const auto lower_block = [&](const Block& block) -> Status {
    Status lowered = lowerer.lower(function, block.instructions, count_calls(block.instructions));
    if (!lowered.ok()) return in_inlined_code(std::move(lowered).error(), block.label, module);
    lowerer.end_block();
    return ok_status();
  };
  if (order.empty()) {
    for (const Block& block : function.blocks) {
      lowerer.begin_block(block.label);
      RETURN_IF_ERROR(lower_block(block));
    }
    return ok_status();
  }
  for (const std::uint32_t position : order) {
    const Block& block = function.blocks[position];
    lowerer.begin_block(block.label, position);
    RETURN_IF_ERROR(lower_block(block));
  }
  lowerer.set_text_positions(order);
  return ok_status();
}

// Rounds of analysis before every state-reading value is captured. A capture
// can make another one necessary (the captured value's variable is written
// again where its definition runs again), so the plan may grow more than once;
// capturing everything needs no analysis to be right, and bounds the work at
// three lowerings of the function.
constexpr int kPlanRounds = 2;

// Lowers the entry point with the whole function at hand: memory follows the
// paths between the blocks, and the plan grows until no value is read after
// what it read was written again.
Result<Program> lower_whole(const Translator& translator, const SignatureMap& signatures,
                            const Function& entry, const Module& module, LoweringPlan plan,
                            const std::vector<std::uint32_t>& order) {
  const MemoryPlan memory = plan_memory(entry);
  for (int round = 1;; ++round) {
    Lowerer lowerer(translator, signatures, module.source(), plan, &memory,
                    &module.made_name_places);
    RETURN_IF_ERROR(lower_function(lowerer, entry, module, order));
    ASSIGN_OR_RETURN(std::optional<Program> program, lowerer.finish(plan));
    if (program.has_value()) return std::move(*program);
    if (plan.everything) {
      return internal_error(
          "a value is still read after its state changes with every value "
          "captured");
    }
    if (round >= kPlanRounds) plan.everything = true;
  }
}

bool has_phi(const Function& function) {
  for (const Block& block : function.blocks) {
    for (const Instruction& instruction : block.instructions) {
      if (std::holds_alternative<Phi>(instruction)) return true;
    }
  }
  return false;
}

// Lowers the entry point with each block after its immediate dominator. When
// the text order is not such an order, a function without phis is lowered in
// text order first all the same (as it always was, which keeps the output of
// what translated so); one with phis goes by dominance only, since a loop's
// latch written above its header would pass for a block before the phi.
Result<Program> lower_in_order(const Translator& translator, const SignatureMap& signatures,
                               const Function& entry, const Module& module) {
  const std::vector<std::uint32_t> order = lowering_order(entry);
  if (order.empty() || has_phi(entry)) {
    return lower_whole(translator, signatures, entry, module, {}, order);
  }
  Result<Program> in_text_order = lower_whole(translator, signatures, entry, module, {}, {});
  if (in_text_order.ok()) return in_text_order;
  Result<Program> by_dominance = lower_whole(translator, signatures, entry, module, {}, order);
  // When both fail, the error is the first one in the text.
  return by_dominance.ok() ? std::move(by_dominance) : std::move(in_text_order);
}

// `error`, the first refusal of `entry`, with the calls of `entry` that no
// builder lowers added as further refusals (one per message, the first call
// of each callee in each inlined call, placed as the lowering places them, in
// text order): each of them fails whatever else the function holds.
TranslateError with_unbuildable_calls(TranslateError error, const Function& entry,
                                      const SignatureMap& signatures, const Profile& profile,
                                      const Module& module) {
  std::unordered_set<std::string, TextHash, std::equal_to<>> seen{error.message};
  for (const Block& block : entry.blocks) {
    for (const Instruction& instruction : block.instructions) {
      if (std::holds_alternative<Br>(instruction) || std::holds_alternative<CondBr>(instruction) ||
          std::holds_alternative<Ret>(instruction)) {
        break;  // what follows a terminator is never lowered
      }
      const Call* call = std::get_if<Call>(&instruction);
      if (call == nullptr) continue;
      std::optional<TranslateError> refusal = unbuildable_call(
          signatures.find(call->callee), profile.lookup(call->callee), call->callee);
      if (!refusal) continue;
      refusal->message += inline_chain(block.label, module);
      if (!seen.insert(refusal->message).second) continue;
      TranslateError placed_refusal =
          place_at_instruction(std::move(*refusal), instruction, module.source());
      error.also.push_back(Refusal{std::move(placed_refusal.message), placed_refusal.offset});
    }
  }
  std::stable_sort(error.also.begin(), error.also.end(), [](const Refusal& a, const Refusal& b) {
    return a.offset.value_or(0) < b.offset.value_or(0);
  });
  return error;
}

Result<Program> lower_entry_point(const Translator& translator, const Module& module,
                                  Module* releasable) {
  ASSIGN_OR_RETURN(SignatureMap signatures, build_signature_map(module.source()));
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return no_entry_point_error();
  const std::size_t entry_index = static_cast<std::size_t>(entry - module.functions.data());
  // Calls of defined functions are inlined, then switches become chains of
  // branches, each in a copy of the entry point (a consumed module keeps its
  // blocks and labels as they were read); made-up names are kept by the module.
  ASSIGN_OR_RETURN(std::optional<Function> inlined,
                   inline_defined_calls(module, *entry, translator.profile,
                                        inline_budget_for(module.source().size())));
  if (inlined) entry = &*inlined;
  Function copy;
  if (has_switch(*entry)) {
    copy = *entry;
    RETURN_IF_ERROR(lower_switches(copy, module));
    entry = &copy;
  }
  Result<Program> lowered = lower_in_order(translator, signatures, *entry, module);
  if (!lowered.ok()) {
    // What failed may be a loop that needs its counter as a constant: such
    // loops are unrolled, and the function lowered again. (Only then, so that
    // what translates without unrolling keeps its loops.)
    Result<std::optional<Function>> unrolled =
        unroll_counted_loops(module, *entry, unroll_budget_for(module.source().size()));
    if (!unrolled.ok()) {
      return with_unbuildable_calls(std::move(unrolled).error(), *entry, signatures,
                                    translator.profile, module);
    }
    if (unrolled->has_value()) {
      Function& counted = **unrolled;
      lowered = lower_in_order(translator, signatures, counted, module);
      if (!lowered.ok()) {
        return with_unbuildable_calls(std::move(lowered).error(), counted, signatures,
                                      translator.profile, module);
      }
    }
  }
  if (!lowered.ok()) {
    return with_unbuildable_calls(std::move(lowered).error(), *entry, signatures,
                                  translator.profile, module);
  }
  Program program = std::move(lowered).value();
  if (releasable != nullptr) {
    Function& release = releasable->functions[entry_index];
    for (Block& block : release.blocks) std::vector<Instruction>().swap(block.instructions);
    std::vector<Operand>().swap(release.operands);
    std::vector<Incoming>().swap(release.incomings);
  }
  return program;
}

// Feeds the body of the first definition that may be the entry point from the
// parser to a Lowerer. The first lowering error stops the lowering, not the
// parse: a parse error later in the text still takes precedence.
class StreamingLowerer final : public BodyConsumer {
 public:
  StreamingLowerer(Lowerer& lowerer, std::size_t batch) : lowerer_(lowerer), batch_(batch) {}

  bool take_definition(std::size_t function_index, bool may_be_entry_point) override {
    if (!may_be_entry_point) return false;
    taken_ = function_index;
    return true;
  }
  void begin_block(std::string_view label, std::size_t expected_instructions) override {
    if (status_.ok()) lowerer_.begin_block(label);
    expected_ = expected_instructions;
    first_batch_ = true;
  }
  void instructions(const Function& function, std::span<const Instruction> batch) override {
    if (!status_.ok()) return;
    // A first batch short of the batch size is the whole block, so its calls
    // size the statement list; a longer block goes by its line count.
    const std::size_t expected = !first_batch_           ? 0
                                 : batch.size() < batch_ ? count_calls(batch)
                                                         : expected_;
    first_batch_ = false;
    status_ = lowerer_.lower(function, batch, expected);
  }
  void end_block() override {
    if (status_.ok()) lowerer_.end_block();
  }

  // Index of the taken definition in the module's functions, if any.
  [[nodiscard]] std::optional<std::size_t> taken() const { return taken_; }
  [[nodiscard]] Status& status() { return status_; }

 private:
  Lowerer& lowerer_;
  std::size_t batch_;
  std::size_t expected_ = 0;  // the parser's hint for the current block
  bool first_batch_ = false;
  std::optional<std::size_t> taken_;
  Status status_ = ok_status();
};

std::optional<std::string_view> profile_of(const Function& entry) {
  if (!entry.profile) return std::nullopt;
  return *entry.profile;
}

// Parses the whole module first, then lowers its entry point.
Result<LoweredModule> parse_then_lower(const Translator& translator, std::string_view text) {
  ASSIGN_OR_RETURN(Module module, parse_module_borrowing(text));
  const Function* entry = find_entry_point(module);
  const std::optional<std::string_view> profile =
      entry == nullptr ? std::nullopt : profile_of(*entry);
  ASSIGN_OR_RETURN(Program program, lower_entry_point(translator, module, &module));
  return LoweredModule{std::move(program), profile, true};
}

}  // namespace

Result<LoweredModule> parse_and_lower(const Translator& translator, std::string_view text,
                                      std::size_t batch) {
  Result<SignatureMap> signatures = build_signature_map(text);
  // Without the signatures nothing can be lowered; the full parse then
  // reports whichever error comes first.
  if (!signatures.ok()) return parse_then_lower(translator, text);
  const LoweringPlan streaming_plan;
  Lowerer lowerer(translator, *signatures, text, streaming_plan, nullptr);
  // Room for a block record per 256 bytes of text, so that the records of a
  // branchy body are not copied over and over as the list grows (blocks of
  // generated code take about 400 bytes; denser bodies still grow the list).
  // Room never written costs address space only.
  lowerer.reserve(0, text.size() / kTextBytesPerBlockRecord);
  batch = std::max<std::size_t>(batch, 1);
  StreamingLowerer consumer(lowerer, batch);
  ASSIGN_OR_RETURN(Module module, parse_module_streaming(text, consumer, batch));
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return no_entry_point_error();
  if (consumer.taken() != static_cast<std::size_t>(entry - module.functions.data())) {
    // The body taken was not the entry point's (attribute groups are only
    // known at the end of the text): parse again and lower the right one.
    return parse_then_lower(translator, text);
  }
  // Which error a body reports first can depend on the order its blocks are
  // lowered in, and the whole-function lowering may choose another order than
  // the text's: a failed body is lowered again as a whole, so that the error
  // is the one lower_module reports.
  if (!consumer.status().ok()) return parse_then_lower(translator, text);
  LoweringPlan found;
  Result<std::optional<Program>> finished = lowerer.finish(found);
  if (!finished.ok()) {
    // The whole-function lowering may still translate it (by unrolling its
    // loops or joining its returns); if not, the error stands as it is.
    Result<LoweredModule> whole = parse_then_lower(translator, text);
    if (whole.ok()) return whole;
    return std::move(finished).error();
  }
  std::optional<Program> program = std::move(finished).value();
  if (program.has_value()) return LoweredModule{std::move(*program), profile_of(*entry), false};
  // The streamed body needs the whole function: read it again whole and
  // lower it as lower_module does (from an empty plan, so that the result
  // is the same).
  return parse_then_lower(translator, text);
}

Result<Program> lower_module(const Translator& translator, const Module& module) {
  return lower_entry_point(translator, module, nullptr);
}

Result<Program> lower_module(const Translator& translator, Module&& module) {
  return lower_entry_point(translator, module, &module);
}

}  // namespace corvane
