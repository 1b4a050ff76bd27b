// The dispatch of one function's instructions (function_lowerer.h).
#include "translator/function_lowerer.h"

#include <algorithm>
#include <utility>

#include "cfg/structure.h"
#include "openqasm/readable.h"
#include "support/prefault.h"
#include "support/text.h"
#include "support/word_hash.h"
#include "translator/angle_arith.h"
#include "translator/classical.h"
#include "translator/lowering.h"

namespace corvane {
namespace {

// Budget of expression nodes copied out of the environment: a fixed allowance
// plus one node per few bytes of input, so the memory the copies take (about
// 50 bytes a node) grows at most linearly with the input, by a small factor.
std::uint64_t copy_budget_for(std::size_t source_size) {
  return kDefaultCopyBudget + std::uint64_t{source_size} / kInputBytesPerCopiedNode;
}

std::optional<std::string_view> optional_view(OptionalView view) {
  if (!view) return std::nullopt;
  return *view;
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

}  // namespace

std::size_t count_calls(std::span<const Instruction> instructions) {
  std::size_t count = 0;
  for (const Instruction& instruction : instructions) {
    count += std::holds_alternative<Call>(instruction) ? 1 : 0;
  }
  return count;
}

FunctionLowerer::FunctionLowerer(const TranslateOptions& options, const SignatureMap& signatures,
                                 std::string_view source, const LoweringPlan& plan,
                                 const MemoryPlan* memory, const MadeNamePlaces* made_places)
    : options_(options),
      signatures_(signatures),
      source_(source),
      made_places_(made_places),
      plan_(plan),
      memory_(memory),
      tracker_(memory == nullptr),
      globals_(source),
      record_budget_(copy_budget_for(source.size())),
      capturing_(plan.everything || !plan.captured.empty()),
      memory_model_(memory, context_, hoisted_) {
  context_.copy_budget = copy_budget_for(source.size());
  context_.tracker = &tracker_;
}

void FunctionLowerer::reserve(std::size_t values, std::size_t blocks) {
  context_.env.reserve(values);
  processed_.reserve(blocks);
}

void FunctionLowerer::begin_block(std::string_view label,
                                  std::optional<std::size_t> text_position) {
  tracker_.begin_block(static_cast<std::uint32_t>(position_));
  record_ = BlockRecord{};
  record_.label =
      label.empty() ? std::to_string(text_position.value_or(position_)) : std::string(label);
  ended_ = false;
  sized_ = false;
  if (position_ == 0) entry_label_ = record_.label;
}

Status FunctionLowerer::lower(const Function& function, std::span<const Instruction> instructions,
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
    const Call* call = std::get_if<Call>(&instruction);
    const CallTarget target = call == nullptr ? CallTarget{} : call_target(call->callee);
    if (memory_ == nullptr && needs_whole_function(instruction, target)) {
      tracker_.require_whole_function();
      return ok_status();
    }
    tracker_.next_step();
    Result<bool> ended = lower_instruction(instruction, record_, target);
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

void FunctionLowerer::end_block() {
  if (!sized_) size_statements(0);
  processed_.append(std::move(record_));
  ++position_;
}

void FunctionLowerer::set_text_positions(std::vector<std::uint32_t> positions) {
  text_positions_ = std::move(positions);
}

Result<std::optional<Program>> FunctionLowerer::finish(LoweringPlan& plan) {
  if (!phi_copies_.empty()) {
    tracker_.leave_blocks();
    RETURN_IF_ERROR(place_phi_copies(source_, phi_copies_, processed_, context_));
  }
  bool grew = tracker_.analyse(processed_.blocks(), plan);
  if (options_.keep_values && !abandoned()) {
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

Result<Program> FunctionLowerer::assemble() {
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
  header.reserve(2 + hoisted.size());
  if (context_.max_qubit_index >= 0) {
    ASSIGN_OR_RETURN(std::uint64_t size, register_size(context_.max_qubit_index, true));
    header.push_back(QubitDecl{"q", size});
  }
  if (context_.max_result_index >= 0) {
    ASSIGN_OR_RETURN(std::uint64_t size, register_size(context_.max_result_index, false));
    header.push_back(BitDecl{"c", size});
  }
  for (Stmt& stmt : hoisted) header.push_back(std::move(stmt));
  make_conditions_readable(program);
  program.records = std::move(records_);
  return program;
}

std::vector<BlockRecord> FunctionLowerer::in_text_order(std::vector<BlockRecord> records) const {
  if (text_positions_.empty()) return records;
  std::vector<BlockRecord> ordered(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::size_t to = i < text_positions_.size() ? text_positions_[i] : i;
    ordered[to] = std::move(records[i]);
  }
  return ordered;
}

Status FunctionLowerer::capture(std::string_view name) {
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

// What a streamed body cannot lower an instruction at a time. (The lowering
// may still find that it needs the whole function: a value used away from the
// block that defines it, or read after what it read was written again.)
bool FunctionLowerer::needs_whole_function(const Instruction& instruction,
                                           const CallTarget& target) {
  switch (static_cast<InstructionKind>(instruction.index())) {
    case InstructionKind::Call:
      // A call of a function the profile does not know may be of one defined
      // in the module, to be inlined; where a register starts is an
      // attribute of the entry point, read after its body.
      return target.builder == nullptr || target.builder->kind == BuilderKind::RegisterCreate;
    case InstructionKind::Phi:     // reads the blocks before it, and may add to them
    case InstructionKind::Switch:  // becomes a chain of branches first
    case InstructionKind::Store:   // what memory holds depends on the paths into a block
    case InstructionKind::Load:
      return true;
    default:
      return false;
  }
}

inline Result<bool> FunctionLowerer::lower_instruction(const Instruction& instruction,
                                                       BlockRecord& record,
                                                       const CallTarget& target) {
  switch (static_cast<InstructionKind>(instruction.index())) {
    case InstructionKind::Call: {
      const Call& call = *std::get_if<Call>(&instruction);
      const std::size_t before = record.statements.size();
      RETURN_IF_ERROR(lower_resolved_call(target.signature, target.builder, call.callee,
                                          function_->args(call), optional_view(call.result),
                                          context_, record.statements));
      tracker_.note_writes(record.statements, before, tracker_.point);
      if (const std::optional<RecordKind> kind =
              options_.map_outputs ? record_kind(call.callee) : std::nullopt) {
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
      const std::span<const Incoming> incomings = function_->phi_incomings(phi);
      // The patterns first; what they do not take becomes a variable
      // assigned on the edges (the general lowering also names the types
      // it refuses).
      if (general_phi_type(phi.ty) &&
          lower_phi_pattern(phi, incomings, record.label, processed_, hoisted_, context_, plan_)) {
        return false;
      }
      RETURN_IF_ERROR(
          lower_general_phi(phi, incomings, record.label, hoisted_, context_, phi_copies_));
      return false;
    }
    case InstructionKind::Ignored:
      return false;
    case InstructionKind::Alloca:
      memory_model_.alloca(*std::get_if<Alloca>(&instruction));
      return false;
    case InstructionKind::Bitcast:
      memory_model_.bitcast(*std::get_if<Bitcast>(&instruction));
      return false;
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
      // The whole-function lowering gets the switches as chains of branches.
      return internal_error("switch left in a lowered function");
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

inline void FunctionLowerer::size_statements(std::size_t expected_statements) {
  sized_ = true;
  // Only calls make statements, nearly always one each, so a count of the
  // block's calls (or lines) sizes the list once instead of regrowing it (a
  // regrowth touches a fresh copy of every statement).
  record_.statements.reserve(expected_statements);
  prefault_for_writing(record_.statements.data(), record_.statements.capacity() * sizeof(Stmt));
}

inline FunctionLowerer::CallTarget FunctionLowerer::call_target(std::string_view callee) {
  const std::uint64_t hash = word_hash(callee);
  std::size_t mask = call_targets_.size() - 1;
  if (!call_targets_.empty()) {
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const CachedTarget& slot = call_targets_[i];
      if (slot.callee.empty()) break;
      if (slot.hash == hash && slot.callee == callee) return slot.target;
    }
  }
  const CallTarget target{signatures_.find(callee), options_.profile.lookup(callee)};
  // Callee names are never empty, so an empty one marks a free slot.
  if (callee.empty()) return target;
  if (2 * (cached_targets_ + 1) > call_targets_.size()) {
    std::vector<CachedTarget> old(std::max<std::size_t>(64, 2 * call_targets_.size()));
    old.swap(call_targets_);
    mask = call_targets_.size() - 1;
    for (const CachedTarget& slot : old) {
      if (slot.callee.empty()) continue;
      std::size_t i = slot.hash & mask;
      while (!call_targets_[i].callee.empty()) i = (i + 1) & mask;
      call_targets_[i] = slot;
    }
  }
  std::size_t i = hash & mask;
  while (!call_targets_[i].callee.empty()) i = (i + 1) & mask;
  call_targets_[i] = CachedTarget{hash, callee, target};
  ++cached_targets_;
  return target;
}

}  // namespace corvane
