// Where state-reading values are used after their state may have changed.
#include "values/state_tracking.h"

#include <algorithm>
#include <array>
#include <utility>
#include <variant>

#include "cfg/cfg.h"

namespace corvane {
namespace {

// The result-bit index of `c[i]`, if `expr` is one.
const IntLit* result_bit_index(const Index& index) {
  const auto* base = std::get_if<Ident>(&index.base->node);
  if (base == nullptr || base->name != "c") return nullptr;
  return std::get_if<IntLit>(&index.index->node);
}

// Calls `visit` on every node of `expr`, without recursion. Values are small
// (a bit, a comparison of two): the walk starts on a local stack and moves to
// the heap only for large trees.
template <typename Visit>
void walk(const Expr& expr, Visit&& visit) {
  constexpr std::size_t kLocal = 32;
  std::array<const Expr*, kLocal> local;
  std::size_t size = 0;
  std::vector<const Expr*> heap;
  const auto push = [&](const Expr* node) {
    if (heap.empty() && size < kLocal) {
      local[size++] = node;
    } else {
      heap.push_back(node);
    }
  };
  push(&expr);
  while (size > 0 || !heap.empty()) {
    const Expr* node = nullptr;
    if (!heap.empty()) {
      node = heap.back();
      heap.pop_back();
    } else {
      node = local[--size];
    }
    visit(*node);
    if (const auto* index = std::get_if<Index>(&node->node)) {
      if (result_bit_index(*index) == nullptr) {
        push(&*index->base);
        push(&*index->index);
      }
    } else if (const auto* unary = std::get_if<UnaryExpr>(&node->node)) {
      push(&*unary->operand);
    } else if (const auto* binary = std::get_if<BinaryExpr>(&node->node)) {
      push(&*binary->lhs);
      push(&*binary->rhs);
    }
  }
}

bool is_storage_slot(const Expr& expr) {
  if (std::holds_alternative<Ident>(expr.node)) return true;
  const auto* index = std::get_if<Index>(&expr.node);
  return index != nullptr && result_bit_index(*index) != nullptr;
}

}  // namespace

bool reads_state(const Expr& expr) {
  // The common values are atoms and c[i]: no walk, no allocation.
  if (is_storage_slot(expr)) return true;
  if (!std::holds_alternative<UnaryExpr>(expr.node) &&
      !std::holds_alternative<BinaryExpr>(expr.node) && !std::holds_alternative<Index>(expr.node)) {
    return false;
  }
  bool found = false;
  walk(expr, [&](const Expr& node) { found = found || is_storage_slot(node); });
  return found;
}

StorageSlot StateTracker::variable_slot(std::string_view name) {
  auto [it, inserted] = variables_.try_emplace(std::string(name), 0);
  if (inserted) it->second = kVariableSlot | (variables_.size() - 1);
  return it->second;
}

void StateTracker::slots_of(const Expr& expr, std::vector<StorageSlot>& out) {
  out.clear();
  // Most values that read state are a result bit alone.
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    if (const IntLit* bit = result_bit_index(*index)) {
      out.push_back(static_cast<StorageSlot>(bit->value) & ~kVariableSlot);
      return;
    }
  }
  walk(expr, [&](const Expr& node) {
    if (const auto* ident = std::get_if<Ident>(&node.node)) {
      out.push_back(variable_slot(ident->name));
    } else if (const auto* index = std::get_if<Index>(&node.node)) {
      if (const IntLit* bit = result_bit_index(*index)) {
        // Result indices are never negative (lowering refuses them first).
        out.push_back(static_cast<StorageSlot>(bit->value) & ~kVariableSlot);
      }
    }
  });
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

void StateTracker::hazard(Action action) {
  if (action.kind == ActionKind::StaleRecord) {
    stale_.push_back(action.record);
    return;
  }
  found_.push_back(action);
  if (streaming_) whole_needed_ = true;
}

void StateTracker::note_use(std::string_view name, ProgramPoint def, const Expr& value) {
  note_read(Action{ActionKind::Capture, name}, def, value);
}

void StateTracker::note_record_read(std::uint32_t record, ProgramPoint def, const Expr& value) {
  note_read(Action{ActionKind::StaleRecord, {}, record}, def, value);
}

void StateTracker::note_read(Action action, ProgramPoint def, const Expr& value) {
  // A use in the block being lowered (its branch included) after the
  // definition there; uses at the end of earlier blocks (phi incomings) are not.
  const bool here =
      def.block == current_block_ && point.block == current_block_ && def.step < point.step;
  if (!here) {
    if (streaming_) {
      whole_needed_ = true;
      return;
    }
  }
  std::vector<StorageSlot>& slots = scratch_;
  slots_of(value, slots);
  for (const StorageSlot slot : slots) {
    if (here) {
      // Within the block being lowered the text order is the order of
      // execution, and the last write tells whether one came in between.
      const ProgramPoint* last = last_write(slot);
      if (last != nullptr && last->block == def.block && last->step > def.step &&
          last->step < point.step) {
        hazard(action);
        return;
      }
    } else if (!pending_.empty() && pending_.back().action == action &&
               pending_.back().def == def && pending_.back().use.block == point.block &&
               pending_.back().slot == slot && pending_.back().use.step <= point.step) {
      // Another use further down the same block: the later one decides.
      pending_.back().use.step = point.step;
    } else {
      pending_.push_back(PendingUse{action, def, point, slot});
    }
  }
}

const ProgramPoint* StateTracker::last_write(StorageSlot slot) const {
  if (slot < kDenseResults) {
    if (slot >= result_writes_.size() || result_writes_[slot] == kNoWrite) return nullptr;
    return &result_writes_[slot];
  }
  const auto it = last_write_.find(slot);
  return it == last_write_.end() ? nullptr : &it->second;
}

void StateTracker::note_branch_value(std::uint32_t block, std::string_view name) {
  if (!streaming_) branch_values_[block] = name;
}

void StateTracker::write(StorageSlot slot, ProgramPoint at) {
  if (slot < kDenseResults) {
    if (slot >= result_writes_.size()) result_writes_.resize(slot + 1, kNoWrite);
    result_writes_[slot] = at;
  } else {
    last_write_[slot] = at;
  }
  if (!streaming_) writes_.push_back(Write{slot, at});
}

void StateTracker::note_writes(const std::vector<Stmt>& statements, std::size_t from,
                               ProgramPoint at) {
  for (std::size_t i = from; i < statements.size(); ++i) {
    const IndexedIdent* target = nullptr;
    if (const auto* measure = std::get_if<Measure>(&statements[i].node)) {
      target = &measure->result;
    } else if (const auto* assign = std::get_if<Assign>(&statements[i].node)) {
      target = &assign->target;
    }
    if (target == nullptr) continue;
    if (target->name.view() == "c" && target->index.has_value()) {
      write(static_cast<StorageSlot>(*target->index) & ~kVariableSlot, at);
    } else if (!target->index.has_value()) {
      write(variable_slot(target->name.view()), at);
    }
  }
}

void StateTracker::note_variable_write(std::string_view name, ProgramPoint at) {
  write(variable_slot(name), at);
}

void StateTracker::note_declared_init(std::string_view phi, std::string_view variable,
                                      ProgramPoint init_end) {
  if (streaming_) {
    whole_needed_ = true;
    return;
  }
  // The declaration is a write before the entry block's first instruction.
  pending_.push_back(PendingUse{Action{ActionKind::InitInBlock, phi}, ProgramPoint{0, 0}, init_end,
                                variable_slot(variable)});
}

void StateTracker::note_appended_write(std::string_view variable, ProgramPoint at,
                                       const BlockRecord& block) {
  const StorageSlot slot = variable_slot(variable);
  write(slot, at);
  if (!block.condition.has_value()) return;
  const auto branch = branch_values_.find(at.block);
  if (branch == branch_values_.end()) return;
  std::vector<StorageSlot>& slots = scratch_;
  slots_of(*block.condition, slots);
  if (std::find(slots.begin(), slots.end(), slot) != slots.end()) {
    hazard(Action{ActionKind::Capture, branch->second});
  }
}

bool StateTracker::analyse(const std::vector<BlockRecord>& blocks, LoweringPlan& plan) {
  if (!pending_.empty()) {
    // The block graph, by position.
    const auto count = static_cast<std::uint32_t>(blocks.size());
    const Cfg graph = record_cfg(blocks);
    // The steps at which each slot is written in each block.
    std::unordered_set<StorageSlot> wanted;
    for (const PendingUse& use : pending_) wanted.insert(use.slot);
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> steps;
    std::unordered_map<StorageSlot, std::unordered_set<std::uint32_t>> blocks_written;
    const auto key = [](StorageSlot slot, std::uint32_t block) {
      return (static_cast<std::uint64_t>(block) << 32) ^ (slot * 0x9E3779B97F4A7C15ULL);
    };
    for (const Write& write : writes_) {
      if (wanted.count(write.slot) == 0) continue;
      steps[key(write.slot, write.at.block)].push_back(write.at.step);
      blocks_written[write.slot].insert(write.at.block);
    }
    // A block's writes are recorded in the order of their steps (its own
    // instructions first, then what is appended to it), so each list is sorted.
    const auto written_between = [&](StorageSlot slot, std::uint32_t block, std::uint32_t after,
                                     std::uint32_t before) {
      const auto it = steps.find(key(slot, block));
      if (it == steps.end()) return false;
      const auto next = std::upper_bound(it->second.begin(), it->second.end(), after);
      return next != it->second.end() && *next < before;
    };
    const auto written_in = [&](StorageSlot slot, std::uint32_t block) {
      const auto it = blocks_written.find(slot);
      return it != blocks_written.end() && it->second.count(block) > 0;
    };

    // Each search walks back from the use to the definition; the budget
    // bounds the total work on hostile graphs.
    BackwardWalk walk(graph);
    for (const PendingUse& use : pending_) {
      const ProgramPoint def = use.def;
      const ProgramPoint at = use.use;
      bool reached = false;
      if (def.block >= count || at.block >= count) {
        reached = true;
      } else if (def.block == at.block && def.step < at.step) {
        reached = written_between(use.slot, def.block, def.step, at.step);
      } else {
        // Leaving the definition's block after it, entering the use's block
        // before it, or any block on a path between them.
        reached = written_between(use.slot, def.block, def.step, kBranchStep) ||
                  written_between(use.slot, at.block, 0, at.step) ||
                  (def.block == at.block && written_in(use.slot, at.block));
        // A block that can run between the two (the use's own block again
        // means a loop around the use without the definition), or a path
        // from the entry that misses the definition.
        reached = reached || walk.walk(at.block, def.block, [&](std::uint32_t block) {
          return written_in(use.slot, block) || graph.predecessors(block).empty()
                     ? BackwardWalk::Step::Stop
                     : BackwardWalk::Step::Expand;
        }) != BackwardWalk::End::Exhausted;
      }
      if (reached) hazard(use.action);
    }
  }

  const std::size_t before = plan.size();
  for (const Action& action : found_) {
    if (action.kind == ActionKind::Capture) {
      plan.captured.insert(std::string(action.name));
    } else {
      plan.init_in_block.insert(std::string(action.name));
    }
  }
  return plan.size() > before;
}

}  // namespace corvane
