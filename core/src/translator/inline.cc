// Inlining of defined functions (see inline.h). The walk is iterative: a stack
// of frames, one per function being copied, so a long chain of calls cannot
// overflow the native stack. Each inlined call is an instance with its own
// names: `prefix:name` for values and `prefix:label` for blocks, where the
// prefix is the function's name (with `#N` from its second instance on). The
// entry point keeps its own names, so its instructions read as before.
//
// Invariant: a phi's incoming block is resolved only at the end, to the block
// that ends up holding the incoming block's terminator (a block split at a
// call ends in its last piece), and its incoming value likewise, since a phi
// may name a value defined later in the text.
#include "translator/inline.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "ir/parser.h"
#include "ir/parser_util.h"
#include "translator/error_place.h"

namespace corvane {

std::uint64_t inline_budget_for(std::size_t source_size) {
  return kInlineBudgetBase + std::uint64_t{source_size};
}

namespace {

TranslateError not_inlinable(std::string_view callee, std::string_view reason,
                             ErrorClass what = ErrorClass::Unsupported) {
  return lowering_error(
      "defined function '" + std::string(callee) + "' cannot be inlined: " + std::string(reason),
      what);
}

// The names of a definition's parameters, read from its header's parameter
// list (an unnamed parameter takes the next number, as LLVM numbers them).
Result<std::vector<std::string_view>> parameter_names(const Function& function,
                                                      const Module& module) {
  const auto make_name = [&](std::string name) { return module.make_name(std::move(name)); };
  const TranslateError unreadable =
      not_inlinable(function.name, "its parameter list is unreadable");
  if (function.parameters.data() == nullptr) return unreadable;
  std::vector<std::string_view> pieces;
  if (!split_top_level_commas(function.parameters, pieces).ok()) {
    return unreadable;
  }
  std::vector<std::string_view> names;
  std::size_t unnamed = 0;
  for (const std::string_view piece : pieces) {
    if (piece.empty()) continue;
    if (piece == "...") return not_inlinable(function.name, "it is variadic");
    std::size_t start = std::string_view::npos;
    if (piece.back() == '"' && piece.size() >= 3) {
      const std::size_t quote = piece.rfind('"', piece.size() - 2);
      if (quote != std::string_view::npos && quote > 0 && piece[quote - 1] == '%') start = quote;
    } else if (const std::size_t percent = piece.rfind(" %"); percent != std::string_view::npos) {
      start = percent + 2;
    }
    if (start == std::string_view::npos) {
      // An unnamed parameter is %0, %1, ... in order.
      names.push_back(make_name(std::to_string(unnamed++)));
    } else {
      names.push_back(piece.substr(start));
    }
  }
  return names;
}

std::size_t instruction_count(const Function& function) {
  std::size_t count = 0;
  for (const Block& block : function.blocks) count += block.instructions.size();
  return count;
}

// One copy of a function: the entry point itself, or one inlined call.
struct Instance {
  const Function* function = nullptr;
  std::string_view prefix;               // empty for the entry point
  std::optional<std::size_t> call_site;  // where the call stands that this copy replaces
  std::unordered_map<std::string_view, Operand> values;
  // Results of inlined calls not yet returned, with the callee's name.
  std::unordered_map<std::string_view, std::string_view> pending;
  std::unordered_map<std::string_view, std::string_view> labels;
  // Original label -> label of the block that holds its terminator.
  std::unordered_map<std::string_view, std::string_view> exits;
  std::uint32_t chain = 0;  // its entry in Module::inlined_calls, + 1; 0 for the entry point
};

// A function being copied.
struct Frame {
  std::size_t instance = 0;
  std::size_t block = 0;
  std::size_t next = 0;  // next instruction of the block
  bool started = false;  // the block's first piece is open
  bool ended = false;    // the block's terminator was copied
  std::size_t caller = 0;
  OptionalView result;  // the call's result, as the caller names it
  std::string_view ret_ty;
  std::string_view continuation;  // the block a ret branches to
  std::size_t call_block = 0;     // the output block that ends at the call
  std::vector<Incoming> returns;  // returned values and the blocks returning them
};

struct PhiFixup {
  std::size_t incoming = 0;
  std::size_t instance = 0;
};

class Inliner {
 public:
  Inliner(const Module& module, const Profile& profile, std::uint64_t budget)
      : module_(module), profile_(profile), budget_(budget) {
    for (const Function& function : module.functions) {
      if (!function.is_declaration) definitions_.try_emplace(function.name, &function);
    }
  }

  // The defined function a call inlines, or nullptr.
  [[nodiscard]] const Function* inlined_callee(const Call& call) const {
    const auto found = definitions_.find(call.callee);
    if (found == definitions_.end() || profile_.lookup(call.callee) != nullptr) return nullptr;
    return found->second;
  }

  [[nodiscard]] bool calls_defined_function(const Function& function) const {
    for (const Block& block : function.blocks) {
      for (const Instruction& instruction : block.instructions) {
        const Call* call = std::get_if<Call>(&instruction);
        if (call != nullptr && inlined_callee(*call) != nullptr) return true;
      }
    }
    return false;
  }

  Result<Function> run(const Function& entry) {
    out_.name = entry.name;
    out_.profile = entry.profile;
    out_.is_entry_point = entry.is_entry_point;
    out_.required_num_results = entry.required_num_results;
    const auto note_head = [&](std::string_view name) {
      const std::size_t colon = name.find(':');
      if (colon != std::string_view::npos) entry_heads_.emplace(name.substr(0, colon));
    };
    for (const Block& block : entry.blocks) {
      note_head(block.label);
      for (const Instruction& instruction : block.instructions) {
        std::visit(
            [&](const auto& node) {
              if constexpr (requires { node.result; }) {
                const OptionalView name(node.result);
                if (name) note_head(*name);
              }
            },
            instruction);
      }
    }
    instances_.push_back(Instance{&entry, {}, std::nullopt, {}, {}, {}, {}, 0});
    frames_.push_back(Frame{});
    active_.insert(&entry);
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      const std::size_t instance = frame.instance;
      const Function& function = *instances_[instance].function;
      if (frame.block == function.blocks.size()) {
        RETURN_IF_ERROR(leave());
        continue;
      }
      const Block& block = function.blocks[frame.block];
      if (!frame.started) {
        out_.blocks.push_back(Block{label_of(instance, block.label), {}});
        frame.started = true;
      }
      if (frame.ended || frame.next == block.instructions.size()) {
        ++frame.block;
        frame.next = 0;
        frame.started = false;
        frame.ended = false;
        continue;
      }
      const Instruction& instruction = block.instructions[frame.next++];
      // An error is placed at the instruction as written, in its function.
      Status copied = copy(instruction, block.label, function, instance);
      if (!copied.ok()) {
        return in_inlined_code(
            place_at_instruction(std::move(copied).error(), instruction, module_.source()),
            out_.blocks.back().label, module_);
      }
    }
    for (const PhiFixup& fixup : fixups_) {
      Incoming& incoming = out_.incomings[fixup.incoming];
      ASSIGN_OR_RETURN(incoming.value, rename_operand(fixup.instance, incoming.value));
      incoming.pred = exit_of(fixup.instance, incoming.pred);
    }
    return std::move(out_);
  }

 private:
  // Copies one instruction of the current block (the frame on top).
  Status copy(const Instruction& instruction, std::string_view label, const Function& function,
              std::size_t instance) {
    if (const Call* call = std::get_if<Call>(&instruction)) {
      if (const Function* callee = inlined_callee(*call)) return enter(*call, *callee);
    }
    if (is_terminator(instruction)) {
      frames_.back().ended = true;
      instances_[instance].exits.insert_or_assign(label, out_.blocks.back().label);
      if (instance != 0 && std::holds_alternative<Ret>(instruction)) {
        return lower_return(*std::get_if<Ret>(&instruction));
      }
    }
    ASSIGN_OR_RETURN(Instruction copy, copy_instruction(instruction, function, instance));
    out_.blocks.back().instructions.push_back(std::move(copy));
    return ok_status();
  }

  // A name made for an instance: `prefix:local`. Prefixes hold no ':' and
  // are unique, and none is the part before a ':' of a name or label of the
  // entry point, so no two made names and no made and written name are equal.
  std::string_view make(const Instance& instance, std::string_view local) {
    std::string name;
    name.reserve(instance.prefix.size() + 1 + local.size());
    name.append(instance.prefix).append(":").append(local);
    const std::string_view made = module_.make_name(std::move(name));
    if (instance.call_site) module_.made_name_places.emplace(made.data(), *instance.call_site);
    return made;
  }

  std::string_view make_prefix(const Function& callee) {
    std::string base(callee.name);
    std::replace(base.begin(), base.end(), ':', '.');
    const std::size_t count = ++instance_counts_[&callee];
    std::string prefix = count > 1 ? base + "#" + std::to_string(count) : base;
    while (entry_heads_.contains(prefix) || !used_prefixes_.insert(prefix).second) {
      prefix = base + "#" + std::to_string(++instance_counts_[&callee]);
    }
    return module_.make_name(std::move(prefix));
  }

  std::string_view label_of(std::size_t instance, std::string_view label) {
    Instance& copy = instances_[instance];
    if (instance == 0) return label;
    const auto found = copy.labels.find(label);
    if (found != copy.labels.end()) return found->second;
    const std::string_view made = make(copy, label.empty() ? "0" : label);
    copy.labels.emplace(label, made);
    module_.inlined_blocks.emplace(made.data(), copy.chain);
    return made;
  }

  std::string_view exit_of(std::size_t instance, std::string_view label) {
    const Instance& copy = instances_[instance];
    const auto found = copy.exits.find(label);
    return found != copy.exits.end() ? found->second : label_of(instance, label);
  }

  // What a name of the instance's function stands for in the output.
  Result<Operand> rename(std::size_t instance, std::string_view name) {
    Instance& copy = instances_[instance];
    const auto found = copy.values.find(name);
    if (found != copy.values.end()) return found->second;
    if (const auto pending = copy.pending.find(name); pending != copy.pending.end()) {
      return not_inlinable(pending->second, "its result '" + std::string(name) +
                                                "' is used where its call has returned no value");
    }
    if (instance == 0) return Operand(Ssa{name});
    const Operand made(Ssa{make(copy, name)});
    copy.values.emplace(name, made);
    return made;
  }

  Result<Operand> rename_operand(std::size_t instance, const Operand& operand) {
    const Ssa* ssa = std::get_if<Ssa>(&operand);
    if (ssa == nullptr) return operand;
    return rename(instance, ssa->name);
  }

  // A name in a place that takes only a name.
  Result<std::string_view> rename_name(std::size_t instance, std::string_view name) {
    ASSIGN_OR_RETURN(Operand operand, rename(instance, name));
    if (const Ssa* ssa = std::get_if<Ssa>(&operand)) return ssa->name;
    return not_inlinable(
        instances_[instance].function->name,
        "'" + std::string(name) + "' stands for a constant where only a named value is supported");
  }

  Result<OptionalView> rename_result(std::size_t instance, OptionalView name) {
    if (!name) return OptionalView();
    ASSIGN_OR_RETURN(std::string_view renamed, rename_name(instance, *name));
    return OptionalView(renamed);
  }

  Result<std::uint32_t> copy_operands(std::size_t instance, const Function& function,
                                      std::uint32_t first, std::uint32_t count) {
    const auto begin = static_cast<std::uint32_t>(out_.operands.size());
    for (std::uint32_t i = 0; i < count; ++i) {
      ASSIGN_OR_RETURN(Operand operand, rename_operand(instance, function.operands[first + i]));
      out_.operands.push_back(operand);
    }
    return begin;
  }

  Result<Instruction> copy_instruction(const Instruction& instruction, const Function& function,
                                       std::size_t instance) {
    switch (instruction.index()) {
      case 0: {  // Call
        Call call = *std::get_if<Call>(&instruction);
        ASSIGN_OR_RETURN(call.args.begin,
                         copy_operands(instance, function, call.args.begin, call.args.count));
        ASSIGN_OR_RETURN(call.result, rename_result(instance, call.result));
        return Instruction(call);
      }
      case 1: {  // Br
        Br br = *std::get_if<Br>(&instruction);
        br.target = label_of(instance, br.target);
        return Instruction(br);
      }
      case 2: {  // CondBr
        CondBr branch = *std::get_if<CondBr>(&instruction);
        if (branch.cond.kind == BranchCond::Kind::Ssa) {
          ASSIGN_OR_RETURN(Operand cond, rename(instance, branch.cond.name));
          if (const Ssa* ssa = std::get_if<Ssa>(&cond)) {
            branch.cond.name = ssa->name;
          } else if (const ConstBool* value = std::get_if<ConstBool>(&cond)) {
            branch.cond = BranchCond{BranchCond::Kind::Const, value->value, {}};
          } else {
            return not_inlinable(function.name, "the branch condition '" +
                                                    std::string(branch.cond.name) +
                                                    "' stands for a constant that is no i1");
          }
        }
        branch.true_label = label_of(instance, branch.true_label);
        branch.false_label = label_of(instance, branch.false_label);
        return Instruction(branch);
      }
      default:
        break;
    }
    return std::visit(
        [&](const auto& node) -> Result<Instruction> {
          using Node = std::decay_t<decltype(node)>;
          Node copy = node;
          // A ret of the entry point itself, and records that name nothing.
          if constexpr (std::is_same_v<Node, Ret> || std::is_same_v<Node, Ignored> ||
                        std::is_same_v<Node, Unrecognized>) {
            return instruction;
          } else if constexpr (std::is_same_v<Node, ICmp> || std::is_same_v<Node, Logic> ||
                               std::is_same_v<Node, Arith>) {
            ASSIGN_OR_RETURN(copy.first_operand,
                             copy_operands(instance, function, node.first_operand, 2));
          } else if constexpr (std::is_same_v<Node, Select>) {
            ASSIGN_OR_RETURN(copy.first_operand,
                             copy_operands(instance, function, node.first_operand, 3));
          } else if constexpr (std::is_same_v<Node, Phi>) {
            copy.incomings.begin = static_cast<std::uint32_t>(out_.incomings.size());
            for (const Incoming& incoming : function.phi_incomings(node)) {
              fixups_.push_back(PhiFixup{out_.incomings.size(), instance});
              out_.incomings.push_back(incoming);
            }
          } else if constexpr (std::is_same_v<Node, FloatArith>) {
            const bool unary = node.op == FloatOp::FNeg || node.op == FloatOp::SIToFP ||
                               node.op == FloatOp::UIToFP;
            ASSIGN_OR_RETURN(copy.first_operand,
                             copy_operands(instance, function, node.first_operand, unary ? 1 : 2));
          } else if constexpr (std::is_same_v<Node, Switch>) {
            ASSIGN_OR_RETURN(copy.value, copy_operands(instance, function, node.value, 1));
            copy.default_label = label_of(instance, node.default_label);
            copy.cases.begin = static_cast<std::uint32_t>(out_.incomings.size());
            for (std::uint32_t i = 0; i < node.cases.count; ++i) {
              // A case is a constant and the block it goes to.
              Incoming incoming = function.incomings[node.cases.begin + i];
              incoming.pred = label_of(instance, incoming.pred);
              out_.incomings.push_back(incoming);
            }
          } else if constexpr (std::is_same_v<Node, IntCast>) {
            if (!node.constant_source) {
              ASSIGN_OR_RETURN(copy.source, rename_name(instance, node.source));
            }
          } else if constexpr (std::is_same_v<Node, Bitcast>) {
            ASSIGN_OR_RETURN(copy.source, rename_name(instance, node.source));
          } else if constexpr (std::is_same_v<Node, Gep>) {
            if (!node.base.empty() && !node.base.starts_with('@')) {
              ASSIGN_OR_RETURN(copy.base, rename_name(instance, node.base));
            }
            ASSIGN_OR_RETURN(
                copy.indices.begin,
                copy_operands(instance, function, node.indices.begin, node.indices.count));
          } else if constexpr (std::is_same_v<Node, Load>) {
            ASSIGN_OR_RETURN(copy.pointer, rename_name(instance, node.pointer));
          } else if constexpr (std::is_same_v<Node, Store>) {
            ASSIGN_OR_RETURN(copy.value, copy_operands(instance, function, node.value, 1));
            ASSIGN_OR_RETURN(copy.pointer, rename_name(instance, node.pointer));
          } else if constexpr (std::is_same_v<Node, IntToPtr>) {
            ASSIGN_OR_RETURN(copy.value, copy_operands(instance, function, node.value, 1));
          }
          if constexpr (requires { copy.result; } && !std::is_same_v<Node, Call>) {
            ASSIGN_OR_RETURN(copy.result, rename_name(instance, node.result));
          }
          return Instruction(copy);
        },
        instruction);
  }

  // Splits the current block at a call of `callee` and starts copying it.
  Status enter(const Call& call, const Function& callee) {
    const std::size_t caller = frames_.back().instance;
    const Function& caller_function = *instances_[caller].function;
    if (active_.contains(&callee)) {
      return not_inlinable(callee.name,
                           "it calls itself, directly or through other defined functions");
    }
    auto params = parameters_.find(&callee);
    if (params == parameters_.end()) {
      ASSIGN_OR_RETURN(std::vector<std::string_view> names, parameter_names(callee, module_));
      params = parameters_.emplace(&callee, std::move(names)).first;
    }
    const std::span<const Operand> args = caller_function.args(call);
    if (args.size() != params->second.size()) {
      return not_inlinable(callee.name,
                           "the call passes " + std::to_string(args.size()) +
                               " arguments but it takes " + std::to_string(params->second.size()),
                           ErrorClass::Malformed);
    }
    const std::size_t size = instruction_count(callee);
    if (size > budget_ || inlined_ > budget_ - size) {
      return not_inlinable(callee.name,
                           "the calls of defined functions would inline more than " +
                               std::to_string(budget_) + " instructions, the limit for this input",
                           ErrorClass::Limit);
    }
    if (callee.blocks.empty()) return not_inlinable(callee.name, "its body was not read");
    inlined_ += size;

    // Names made for the copy stand where its call does (or, for a call that
    // holds only made names itself, where that call's names stand).
    Instance instance{&callee,
                      make_prefix(callee),
                      instruction_offset(Instruction(call), module_.source()),
                      {},
                      {},
                      {},
                      {},
                      0};
    module_.inlined_calls.push_back(
        Module::InlinedCall{callee.name, instance.call_site, instances_[caller].chain});
    instance.chain = static_cast<std::uint32_t>(module_.inlined_calls.size());
    if (!instance.call_site) instance.call_site = instances_[caller].call_site;
    for (std::size_t i = 0; i < args.size(); ++i) {
      ASSIGN_OR_RETURN(Operand value, rename_operand(caller, args[i]));
      instance.values.insert_or_assign(params->second[i], value);
    }
    // Results of the callee's own inlined calls are bound only when they return.
    for (const Block& block : callee.blocks) {
      for (const Instruction& instruction : block.instructions) {
        const Call* inner = std::get_if<Call>(&instruction);
        if (inner != nullptr && inner->result && inlined_callee(*inner) != nullptr) {
          instance.pending.insert_or_assign(*inner->result, inner->callee);
        }
      }
    }
    if (call.result) instances_[caller].pending.insert_or_assign(*call.result, callee.name);
    // Named after the calling block as written, so that the labels of a
    // block with many calls do not grow with each one.
    const Frame& calling = frames_.back();
    const std::string_view here = label_of(caller, caller_function.blocks[calling.block].label);
    const std::string_view continuation =
        make(instance, "return to " + std::string(here.empty() ? "0" : here));
    // The rest of the calling block is the caller's code.
    if (instances_[caller].chain != 0) {
      module_.inlined_blocks.emplace(continuation.data(), instances_[caller].chain);
    }
    instances_.push_back(std::move(instance));
    const std::size_t index = instances_.size() - 1;
    out_.blocks.back().instructions.push_back(Br{label_of(index, callee.blocks.front().label)});

    Frame frame;
    frame.instance = index;
    frame.caller = caller;
    frame.result = call.result;
    frame.ret_ty = call.ret_ty;
    frame.continuation = continuation;
    frame.call_block = out_.blocks.size() - 1;
    frames_.push_back(std::move(frame));
    active_.insert(&callee);
    return ok_status();
  }

  // A `ret` of an inlined function: a branch to the rest of the caller's block.
  Status lower_return(const Ret& ret) {
    Frame& frame = frames_.back();
    if (frame.result && !ret.value.empty()) {
      std::vector<std::string_view> pieces;
      Result<Operand> value = split_top_level_commas(ret.value, pieces).ok() && !pieces.empty()
                                  ? parse_operand(pieces.front())
                                  : Result<Operand>(parse_error("unreadable return value"));
      if (!value.ok()) {
        return not_inlinable(instances_[frame.instance].function->name,
                             "its return value '" + std::string(ret.value) + "' is unreadable");
      }
      ASSIGN_OR_RETURN(Operand renamed, rename_operand(frame.instance, *value));
      frame.returns.push_back(Incoming{renamed, out_.blocks.back().label});
    }
    out_.blocks.back().instructions.push_back(Br{frame.continuation});
    return ok_status();
  }

  // The callee is copied: the caller goes on in the continuation block, with
  // the call's result bound to the returned value.
  Status leave() {
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    active_.erase(instances_[frame.instance].function);
    if (frames_.empty()) return ok_status();
    out_.blocks.push_back(Block{frame.continuation, {}});
    if (!frame.result || frame.returns.empty()) return ok_status();
    Instance& caller = instances_[frame.caller];
    const std::string_view result = *frame.result;
    caller.pending.erase(result);
    bool same = true;
    for (const Incoming& incoming : frame.returns) {
      same = same && incoming.value == frame.returns.front().value;
    }
    if (same) {
      caller.values.insert_or_assign(result, frame.returns.front().value);
      return ok_status();
    }
    // Different values from different returns: each return stores its value
    // in a slot of its own, allocated at the call, and the caller loads it.
    ASSIGN_OR_RETURN(std::string_view name, rename_name(frame.caller, result));
    const std::string_view slot = make(instances_[frame.instance], "return value");
    out_.blocks[frame.call_block].instructions.insert(
        out_.blocks[frame.call_block].instructions.end() - 1, Alloca{slot});
    for (const Incoming& incoming : frame.returns) {
      Block* returning = nullptr;
      for (std::size_t b = out_.blocks.size(); b-- > frame.call_block;) {
        if (out_.blocks[b].label == incoming.pred) {
          returning = &out_.blocks[b];
          break;
        }
      }
      if (returning == nullptr) return internal_error("returning block not found");
      const auto value = static_cast<std::uint32_t>(out_.operands.size());
      out_.operands.push_back(incoming.value);
      returning->instructions.insert(returning->instructions.end() - 1,
                                     Store{value, slot, frame.ret_ty});
    }
    out_.blocks.back().instructions.push_back(Load{slot, name, frame.ret_ty});
    return ok_status();
  }

  const Module& module_;
  const Profile& profile_;
  std::uint64_t budget_;
  std::uint64_t inlined_ = 0;
  std::unordered_map<std::string_view, const Function*> definitions_;
  std::unordered_map<const Function*, std::vector<std::string_view>> parameters_;
  std::unordered_map<const Function*, std::size_t> instance_counts_;
  std::unordered_set<const Function*> active_;
  std::unordered_set<std::string> entry_heads_;
  std::unordered_set<std::string> used_prefixes_;
  std::vector<Instance> instances_;
  std::vector<Frame> frames_;
  std::vector<PhiFixup> fixups_;
  Function out_;
};

}  // namespace

Result<std::optional<Function>> inline_defined_calls(const Module& module, const Function& entry,
                                                     const Profile& profile, std::uint64_t budget) {
  Inliner inliner(module, profile, budget);
  if (!inliner.calls_defined_function(entry)) return std::optional<Function>();
  ASSIGN_OR_RETURN(Function inlined, inliner.run(entry));
  return std::optional<Function>(std::move(inlined));
}

}  // namespace corvane
