// The lowering driver and its retry policy. A module's entry point is lowered
// either while it is parsed (parse_and_lower streams batches of instructions to
// a FunctionLowerer) or whole: inlined, its switches made chains, its blocks
// ordered by dominance, lowered with a memory plan, and lowered again while the
// stale-read analysis grows the plan; a failed lowering is tried once more with
// its counted loops unrolled. The dispatch of instructions is
// function_lowerer.cc's.
#include "translator/lowering.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <unordered_set>
#include <utility>
#include <variant>

#include "builders/profile.h"
#include "cfg/cfg.h"
#include "ir/parser.h"
#include "signatures/signatures.h"
#include "translator/error_place.h"
#include "translator/function_cfg.h"
#include "translator/function_lowerer.h"
#include "translator/inline.h"
#include "translator/memory_model.h"
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

TranslateError no_entry_point_error() {
  return parse_error(
      "no entry-point function found; QIR modules must have a function tagged with the "
      "'entry_point' attribute");
}

// Lowers the blocks of a parsed function of `module` in `order`
// (dominator_first_order's).
Status lower_function(FunctionLowerer& lowerer, const Function& function, const Module& module,
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
Result<Program> lower_whole(const TranslateOptions& options, const SignatureMap& signatures,
                            const Function& entry, const Cfg& graph, const Module& module,
                            LoweringPlan plan, const std::vector<std::uint32_t>& order) {
  const MemoryPlan memory = plan_memory(entry, graph);
  for (int round = 1;; ++round) {
    FunctionLowerer lowerer(options, signatures, module.source(), plan, &memory,
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
// `graph` is the entry point's.
Result<Program> lower_in_order(const TranslateOptions& options, const SignatureMap& signatures,
                               const Function& entry, const Cfg& graph, const Module& module) {
  const std::vector<std::uint32_t> order = dominator_first_order(graph);
  if (order.empty() || has_phi(entry)) {
    return lower_whole(options, signatures, entry, graph, module, {}, order);
  }
  Result<Program> in_text_order = lower_whole(options, signatures, entry, graph, module, {}, {});
  if (in_text_order.ok()) return in_text_order;
  Result<Program> by_dominance = lower_whole(options, signatures, entry, graph, module, {}, order);
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

// `read`, when given, holds the signatures already read from the module's text.
Result<Program> lower_entry_point(const TranslateOptions& options, const Module& module,
                                  Module* releasable, const SignatureMap* read = nullptr) {
  SignatureMap own;
  if (read == nullptr) {
    ASSIGN_OR_RETURN(own, build_signature_map(module.source()));
    read = &own;
  }
  const SignatureMap& signatures = *read;
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return no_entry_point_error();
  const std::size_t entry_index = static_cast<std::size_t>(entry - module.functions.data());
  // Calls of defined functions are inlined, then switches become chains of
  // branches, each in a copy of the entry point (a consumed module keeps its
  // blocks and labels as they were read); made-up names are kept by the module.
  ASSIGN_OR_RETURN(std::optional<Function> inlined,
                   inline_defined_calls(module, *entry, options.profile,
                                        inline_budget_for(module.source().size())));
  if (inlined) entry = &*inlined;
  Function copy;
  if (has_switch(*entry)) {
    copy = *entry;
    RETURN_IF_ERROR(lower_switches(copy, module));
    entry = &copy;
  }
  // The one graph of the function that every analysis of it reads.
  const Cfg graph = function_cfg(*entry);
  Result<Program> lowered = lower_in_order(options, signatures, *entry, graph, module);
  if (!lowered.ok()) {
    // What failed may be a loop that needs its counter as a constant: such
    // loops are unrolled, and the function lowered again. (Only then, so that
    // what translates without unrolling keeps its loops.)
    Result<std::optional<Function>> unrolled =
        unroll_counted_loops(module, *entry, graph, unroll_budget_for(module.source().size()));
    if (!unrolled.ok()) {
      return with_unbuildable_calls(std::move(unrolled).error(), *entry, signatures,
                                    options.profile, module);
    }
    if (unrolled->has_value()) {
      Function& counted = **unrolled;
      lowered = lower_in_order(options, signatures, counted, function_cfg(counted), module);
      if (!lowered.ok()) {
        return with_unbuildable_calls(std::move(lowered).error(), counted, signatures,
                                      options.profile, module);
      }
    }
  }
  if (!lowered.ok()) {
    return with_unbuildable_calls(std::move(lowered).error(), *entry, signatures, options.profile,
                                  module);
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
// parser to a FunctionLowerer. The first lowering error stops the lowering, not the
// parse: a parse error later in the text still takes precedence.
class StreamingLowerer final : public BodyConsumer {
 public:
  StreamingLowerer(FunctionLowerer& lowerer, std::size_t batch)
      : lowerer_(lowerer), batch_(batch) {}

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
  // The one test of whether streaming stops: the body failed to lower, or
  // needs the whole function (a phi, memory, a call that may be inlined, a
  // value used away from its block or read after its state changed).
  [[nodiscard]] bool gave_up() const override { return !status_.ok() || lowerer_.abandoned(); }

  // Index of the taken definition in the module's functions, if any.
  [[nodiscard]] std::optional<std::size_t> taken() const { return taken_; }

 private:
  FunctionLowerer& lowerer_;
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

// Lowers the entry point of a module read whole.
Result<LoweredModule> lower_parsed(const TranslateOptions& options, Module module,
                                   const SignatureMap* signatures = nullptr) {
  const Function* entry = find_entry_point(module);
  const std::optional<std::string_view> profile =
      entry == nullptr ? std::nullopt : profile_of(*entry);
  ASSIGN_OR_RETURN(Program program, lower_entry_point(options, module, &module, signatures));
  return LoweredModule{std::move(program), profile};
}

// Parses the whole module first, then lowers its entry point.
Result<LoweredModule> parse_then_lower(const TranslateOptions& options, std::string_view text) {
  ASSIGN_OR_RETURN(Module module, parse_module_borrowing(text));
  return lower_parsed(options, std::move(module));
}

}  // namespace

Result<LoweredModule> parse_and_lower(const TranslateOptions& options, std::string_view text,
                                      std::size_t batch, std::size_t keep) {
  Result<SignatureMap> signatures = build_signature_map(text);
  // Without the signatures nothing can be lowered; the one parse then
  // reports whichever error comes first.
  if (!signatures.ok()) return parse_then_lower(options, text);
  const LoweringPlan streaming_plan;
  FunctionLowerer lowerer(options, *signatures, text, streaming_plan, nullptr);
  // Room for a block record per 256 bytes of text, so that the records of a
  // branchy body are not copied over and over as the list grows (blocks of
  // generated code take about 400 bytes; denser bodies still grow the list).
  // Room never written costs address space only.
  lowerer.reserve(0, text.size() / kTextBytesPerBlockRecord);
  batch = std::max<std::size_t>(batch, 1);
  StreamingLowerer consumer(lowerer, batch);
  ASSIGN_OR_RETURN(Module module, parse_module_streaming(text, consumer, batch, keep));
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return no_entry_point_error();
  // The streamed lowering stands when it lowered the entry point's body (the
  // attribute groups that say which definition that is come at the end of
  // the text) without giving up, and its plan needs no second round.
  if (consumer.taken() == static_cast<std::size_t>(entry - module.functions.data()) &&
      !consumer.gave_up()) {
    LoweringPlan found;
    Result<std::optional<Program>> finished = lowerer.finish(found);
    if (finished.ok() && finished->has_value()) {
      return LoweredModule{std::move(**finished), profile_of(*entry)};
    }
  }
  // Otherwise the entry point is lowered as a whole, as lower_module does, so
  // that the result is the same, and so is the error when there is one (a
  // failed streamed run may have met another of the body's faults first):
  // from the module when the parser kept the taken body, else from the text
  // read again.
  const bool body_kept = !consumer.taken() || !module.functions[*consumer.taken()].blocks.empty();
  return body_kept ? lower_parsed(options, std::move(module), &*signatures)
                   : parse_then_lower(options, text);
}

Result<Program> lower_module(const TranslateOptions& options, const Module& module) {
  return lower_entry_point(options, module, nullptr);
}

Result<Program> lower_module(const TranslateOptions& options, Module&& module) {
  return lower_entry_point(options, module, &module);
}

}  // namespace corvane
