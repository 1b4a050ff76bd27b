#include "translator/switch_chain.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "support/text.h"
#include "translator/function_cfg.h"

namespace corvane {
namespace {

// The switch that ends `block` (its first terminator), if it is one.
const Switch* ending_switch(const Block& block, std::size_t& position) {
  for (std::size_t i = 0; i < block.instructions.size(); ++i) {
    if (!is_terminator(block.instructions[i])) continue;
    position = i;
    return std::get_if<Switch>(&block.instructions[i]);
  }
  return nullptr;
}

// Names defined or used as labels in a function, and fresh ones beside them.
class FreshNames {
 public:
  FreshNames(const Function& function, const Module& names) : names_(names) {
    for (const Block& block : function.blocks) {
      taken_.insert(std::string(block.label));
      for (const Instruction& instruction : block.instructions) {
        std::visit(
            [&](const auto& node) {
              if constexpr (requires { node.result; }) {
                if constexpr (std::is_same_v<std::decay_t<decltype(node.result)>, OptionalView>) {
                  if (node.result) taken_.insert(std::string(*node.result));
                } else {
                  taken_.insert(std::string(node.result));
                }
              }
            },
            instruction);
      }
    }
  }

  // `base.N` for the first N not taken yet.
  std::string_view make(std::string_view base) {
    std::string name;
    do {
      name = std::string(base) + "." + std::to_string(counter_++);
    } while (taken_.count(name) != 0);
    taken_.insert(name);
    return names_.make_name(std::move(name));
  }

 private:
  const Module& names_;
  std::unordered_set<std::string> taken_;
  std::size_t counter_ = 0;
};

// One destination of a switch and the case constants that lead there.
struct CaseGroup {
  std::string_view target;
  std::vector<Operand> constants;
};

// Makes `from` (the switch's block) read `to` in the phis of `target`; of
// several incomings from `from` (one per case edge) one is kept.
Status retarget_phis(Function& function, const Cfg& graph, std::string_view target,
                     std::string_view from, std::string_view to) {
  const std::uint32_t index = graph.index_of(target);
  if (index == kNoBlock) return ok_status();
  for (Instruction& instruction : function.blocks[index].instructions) {
    Phi* phi = std::get_if<Phi>(&instruction);
    if (phi == nullptr) continue;
    std::vector<Incoming> kept;
    const Incoming* first = nullptr;
    for (std::uint32_t i = 0; i < phi->incomings.count; ++i) {
      const Incoming& incoming = function.incomings[phi->incomings.begin + i];
      if (incoming.pred != from) {
        kept.push_back(incoming);
      } else if (first == nullptr) {
        first = &incoming;
        kept.push_back(Incoming{incoming.value, to});
      } else if (!(incoming.value == first->value)) {
        return lowering_error("phi " + quote_text(phi->result) +
                              " takes different values from the switch in block " +
                              quote_text(from));
      }
    }
    if (kept.size() == phi->incomings.count) {
      for (std::uint32_t i = 0; i < phi->incomings.count; ++i) {
        function.incomings[phi->incomings.begin + i] = kept[i];
      }
    } else {
      phi->incomings = Range{static_cast<std::uint32_t>(function.incomings.size()),
                             static_cast<std::uint32_t>(kept.size())};
      function.incomings.insert(function.incomings.end(), kept.begin(), kept.end());
    }
  }
  return ok_status();
}

// Appends to `out` the test of `group` on `value` and returns its name.
std::string_view append_condition(Function& function, FreshNames& fresh, std::string_view base,
                                  const Operand& value, std::uint32_t width, const CaseGroup& group,
                                  std::vector<Instruction>& out) {
  std::string_view condition;
  for (const Operand& constant : group.constants) {
    const auto first = static_cast<std::uint32_t>(function.operands.size());
    function.operands.push_back(value);
    function.operands.push_back(constant);
    const std::string_view test = fresh.make(base);
    out.emplace_back(ICmp{"eq", first, test, width});
    if (condition.empty()) {
      condition = test;
      continue;
    }
    const auto pair = static_cast<std::uint32_t>(function.operands.size());
    function.operands.push_back(Ssa{condition});
    function.operands.push_back(Ssa{test});
    condition = fresh.make(base);
    out.emplace_back(Logic{LogicOp::Or, pair, condition});
  }
  return condition;
}

}  // namespace

bool has_switch(const Function& function) {
  std::size_t position = 0;
  for (const Block& block : function.blocks) {
    if (ending_switch(block, position) != nullptr) return true;
  }
  return false;
}

Status lower_switches(Function& function, const Module& names) {
  if (!has_switch(function)) return ok_status();
  FreshNames fresh(function, names);
  // Labels to blocks; the loop below adds no block to `function` until it ends.
  const Cfg graph = function_cfg(function);
  // The blocks each switch block is followed by; phis are retargeted in place
  // first, then the blocks are put in order.
  std::vector<std::vector<Block>> added(function.blocks.size());
  for (std::size_t b = 0; b < function.blocks.size(); ++b) {
    std::size_t position = 0;
    const Switch* found = ending_switch(function.blocks[b], position);
    if (found == nullptr) continue;
    const Switch branch = *found;
    const std::string_view label = function.blocks[b].label;
    if (label.empty()) {
      return lowering_error("switch in the unlabelled first block is not supported");
    }
    if (branch.width < 1 || branch.width > 64) {
      return lowering_error("switch in block " + quote_text(label) +
                            " compares a value that is not an integer of i1 to i64; the output's "
                            "int holds no other");
    }
    const Operand value = function.value(branch);
    std::vector<CaseGroup> groups;
    for (const Incoming& entry : function.switch_cases(branch)) {
      if (entry.pred == branch.default_label) continue;
      CaseGroup* group = nullptr;
      for (CaseGroup& existing : groups) {
        if (existing.target == entry.pred) group = &existing;
      }
      if (group == nullptr) group = &groups.emplace_back(CaseGroup{entry.pred, {}});
      group->constants.push_back(entry.value);
    }
    function.blocks[b].instructions.resize(position);
    if (groups.empty()) {
      function.blocks[b].instructions.emplace_back(Br{branch.default_label});
      RETURN_IF_ERROR(retarget_phis(function, graph, branch.default_label, label, label));
      continue;
    }
    // Block i tests group i and goes on to block i + 1, the last to the default.
    std::vector<std::string_view> labels{label};
    for (std::size_t i = 1; i < groups.size(); ++i) labels.push_back(fresh.make(label));
    for (std::size_t i = 0; i < groups.size(); ++i) {
      std::vector<Instruction>& out =
          i == 0 ? function.blocks[b].instructions
                 : added[b].emplace_back(Block{labels[i], {}}).instructions;
      const std::string_view condition =
          append_condition(function, fresh, label, value, branch.width, groups[i], out);
      const std::string_view next = i + 1 < groups.size() ? labels[i + 1] : branch.default_label;
      out.emplace_back(
          CondBr{BranchCond{BranchCond::Kind::Ssa, false, condition}, groups[i].target, next});
    }
    for (std::size_t i = 0; i < groups.size(); ++i) {
      RETURN_IF_ERROR(retarget_phis(function, graph, groups[i].target, label, labels[i]));
    }
    RETURN_IF_ERROR(retarget_phis(function, graph, branch.default_label, label, labels.back()));
  }
  std::vector<Block> blocks;
  for (std::size_t b = 0; b < function.blocks.size(); ++b) {
    blocks.push_back(std::move(function.blocks[b]));
    for (Block& block : added[b]) blocks.push_back(std::move(block));
  }
  function.blocks = std::move(blocks);
  return ok_status();
}

}  // namespace corvane
