// Reaching stores: for each load, the stores of its slot that can be the last
// one before it on some path. The search walks back from the load through the
// predecessors until each path meets a store of the slot (or the entry). It
// has a budget; past it the slot counts as a variable, which is always right.
#include "translator/memory_slots.h"

#include <limits>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace corvane {

std::string memory_key(std::string_view base, std::int64_t offset) {
  std::string key(base);
  key.push_back('\0');
  key += std::to_string(offset);
  return key;
}

namespace {

struct Alias {
  std::string_view base;
  std::int64_t offset = 0;
};

// One store or load of a known slot, in the order of its block.
struct Access {
  std::uint32_t slot = 0;
  const Store* store = nullptr;  // null for a load
  const Load* load = nullptr;
};

// A load that exactly one store reaches.
struct Reached {
  const Load* load = nullptr;
  const Store* store = nullptr;
  std::uint32_t slot = 0;
};

}  // namespace

MemoryPlan plan_memory(const Function& function) {
  MemoryPlan plan;
  const auto count = static_cast<std::uint32_t>(function.blocks.size());
  std::unordered_map<std::string_view, Alias> aliases;
  std::unordered_map<std::string, std::uint32_t> slot_ids;
  std::vector<std::string> slot_keys;
  std::vector<std::string_view> slot_types;
  std::vector<std::vector<Access>> accesses(count);
  std::vector<std::vector<std::string_view>> successors(count);
  std::vector<std::string> labels(count);
  bool any_load = false;

  const auto alias_of = [&](std::string_view name) {
    const auto it = aliases.find(name);
    return it == aliases.end() ? std::optional<Alias>() : std::optional<Alias>(it->second);
  };
  const auto slot_of = [&](const Alias& alias, std::string_view type) {
    std::string key = memory_key(alias.base, alias.offset);
    auto [it, inserted] = slot_ids.try_emplace(key, static_cast<std::uint32_t>(slot_keys.size()));
    if (inserted) {
      slot_keys.push_back(std::move(key));
      slot_types.push_back(type);
    }
    return it->second;
  };

  for (std::uint32_t b = 0; b < count; ++b) {
    const Block& block = function.blocks[b];
    labels[b] = block.label.empty() ? std::to_string(b) : std::string(block.label);
    for (const Instruction& instruction : block.instructions) {
      if (const auto* alloca = std::get_if<Alloca>(&instruction)) {
        aliases.insert_or_assign(alloca->result, Alias{alloca->result, 0});
      } else if (const auto* cast = std::get_if<Bitcast>(&instruction)) {
        aliases.insert_or_assign(cast->result,
                                 alias_of(cast->source).value_or(Alias{cast->source, 0}));
      } else if (const auto* gep = std::get_if<Gep>(&instruction)) {
        const Alias base = alias_of(gep->base).value_or(Alias{gep->base, 0});
        std::int64_t offset = 0;
        if (gep->index <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) &&
            !__builtin_add_overflow(base.offset, static_cast<std::int64_t>(gep->index), &offset)) {
          aliases.insert_or_assign(gep->result, Alias{base.base, offset});
        }
      } else if (const auto* store = std::get_if<Store>(&instruction)) {
        if (const auto alias = alias_of(store->pointer)) {
          accesses[b].push_back(Access{slot_of(*alias, store->ty), store, nullptr});
        }
      } else if (const auto* load = std::get_if<Load>(&instruction)) {
        if (const auto alias = alias_of(load->pointer)) {
          accesses[b].push_back(Access{slot_of(*alias, load->ty), nullptr, load});
          any_load = true;
        }
      } else if (const auto* br = std::get_if<Br>(&instruction)) {
        successors[b].push_back(br->target);
        break;
      } else if (const auto* cond = std::get_if<CondBr>(&instruction)) {
        successors[b].push_back(cond->true_label);
        successors[b].push_back(cond->false_label);
        break;
      } else if (std::holds_alternative<Ret>(instruction)) {
        break;
      }
    }
  }
  if (!any_load) return plan;

  // Predecessors by position, and each block's last store of each slot.
  std::unordered_map<std::string_view, std::uint32_t> by_label;
  for (std::uint32_t b = 0; b < count; ++b) by_label.try_emplace(labels[b], b);
  std::vector<std::vector<std::uint32_t>> predecessors(count);
  for (std::uint32_t b = 0; b < count; ++b) {
    for (const std::string_view target : successors[b]) {
      const auto it = by_label.find(target);
      if (it != by_label.end()) predecessors[it->second].push_back(b);
    }
  }
  const auto block_slot = [](std::uint32_t block, std::uint32_t slot) {
    return (static_cast<std::uint64_t>(block) << 32) | slot;
  };
  std::unordered_map<std::uint64_t, const Store*> last_store;
  for (std::uint32_t b = 0; b < count; ++b) {
    for (const Access& access : accesses[b]) {
      if (access.store != nullptr) last_store[block_slot(b, access.slot)] = access.store;
    }
  }

  // The stores that reach every load. A path from the entry without a store
  // leaves the slot undefined there, which a variable (starting at 0) covers.
  std::vector<bool> is_variable(slot_keys.size(), false);
  std::vector<Reached> unique;
  std::vector<std::uint32_t> stamp(count, 0);
  std::uint32_t round = 0;
  std::uint64_t budget = 8 * std::uint64_t{count} + 100'000;
  std::vector<std::uint32_t> work;
  for (std::uint32_t b = 0; b < count; ++b) {
    std::unordered_map<std::uint32_t, const Store*> latest;  // slot -> last store so far here
    for (const Access& access : accesses[b]) {
      if (access.store != nullptr) {
        latest[access.slot] = access.store;
        continue;
      }
      if (is_variable[access.slot]) continue;
      const auto here = latest.find(access.slot);
      if (here != latest.end()) {
        unique.push_back(Reached{access.load, here->second, access.slot});
        continue;
      }
      // Walk back through the predecessors.
      ++round;
      const Store* found = nullptr;
      bool several = false;
      bool from_entry = predecessors[b].empty();
      work.assign(predecessors[b].begin(), predecessors[b].end());
      while (!work.empty() && !several) {
        const std::uint32_t block = work.back();
        work.pop_back();
        if (stamp[block] == round) continue;
        stamp[block] = round;
        if (budget == 0) {
          several = true;
          break;
        }
        --budget;
        const auto store = last_store.find(block_slot(block, access.slot));
        if (store != last_store.end()) {
          if (found != nullptr && found != store->second) several = true;
          found = store->second;
          continue;
        }
        if (predecessors[block].empty()) from_entry = true;
        for (const std::uint32_t pred : predecessors[block]) work.push_back(pred);
      }
      if (several || (found != nullptr && from_entry)) {
        is_variable[access.slot] = true;
      } else if (found != nullptr) {
        unique.push_back(Reached{access.load, found, access.slot});
      }
      // No store at all: the load binds nothing.
    }
  }

  // A store of a computed value that reaches a load also makes its slot a variable.
  for (const Reached& reached : unique) {
    if (std::holds_alternative<Ssa>(function.value(*reached.store)))
      is_variable[reached.slot] = true;
  }
  for (std::uint32_t slot = 0; slot < slot_keys.size(); ++slot) {
    if (is_variable[slot]) plan.variables.emplace(slot_keys[slot], slot_types[slot]);
  }
  for (const Reached& reached : unique) {
    if (is_variable[reached.slot]) continue;
    plan.forwarded.insert_or_assign(reached.load->result, function.value(*reached.store));
  }
  return plan;
}

}  // namespace corvane
