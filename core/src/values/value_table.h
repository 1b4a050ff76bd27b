// The table from SSA names to their bound expressions. Open addressing with
// linear probing in one array: a body binds a value per measured result, so a
// branchy body binds hundreds of thousands, and a node-based map would spend a
// heap block (and a free) and a pointer chase on each. The interface is the
// subset of std::unordered_map the lowering and its tests use.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "openqasm/program.h"
#include "support/word_hash.h"

namespace corvane {

/// A place in the function being lowered: a block (its position) and a step
/// inside it (instructions count from 1).
struct ProgramPoint {
  std::uint32_t block = 0;
  std::uint32_t step = 0;
  friend bool operator==(const ProgramPoint&, const ProgramPoint&) = default;
};

class ValueTable {
 public:
  /// One binding; `first` and `second` as in a map's value type. `defined`
  /// is where the binding was made and `reads_state` whether its expression
  /// reads a result bit or a variable.
  struct Entry {
    std::string_view first;
    Expr second;
    ProgramPoint defined;
    bool reads_state = false;
  };

  ValueTable() = default;

  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  [[nodiscard]] bool empty() const { return entries_.empty(); }

  /// Room for `count` bindings without rehashing.
  void reserve(std::size_t count) {
    entries_.reserve(count);
    if (count * 2 > slots_.size()) rehash(count * 2);
  }

  /// The binding of `name`, or end().
  [[nodiscard]] Entry* find(std::string_view name) { return lookup(name); }
  [[nodiscard]] const Entry* find(std::string_view name) const { return lookup(name); }
  [[nodiscard]] Entry* end() { return nullptr; }
  [[nodiscard]] const Entry* end() const { return nullptr; }
  [[nodiscard]] std::size_t count(std::string_view name) const {
    return lookup(name) != nullptr ? 1 : 0;
  }

  /// Binds `name` to `value`, replacing an earlier binding.
  void insert_or_assign(std::string_view name, Expr value, ProgramPoint defined = {},
                        bool reads_state = false) {
    if (Entry* entry = lookup(name)) {
      entry->second = std::move(value);
      entry->defined = defined;
      entry->reads_state = reads_state;
      return;
    }
    if ((entries_.size() + 1) * 2 > slots_.size())
      rehash(std::max<std::size_t>(slots_.size() * 2, 16));
    const std::uint64_t hash = hash_of(name);
    std::size_t slot = static_cast<std::size_t>(hash) & (slots_.size() - 1);
    while (slots_[slot].index != kEmpty) slot = (slot + 1) & (slots_.size() - 1);
    slots_[slot] =
        Slot{static_cast<std::uint32_t>(entries_.size()), static_cast<std::uint32_t>(hash >> 32)};
    entries_.push_back(Entry{name, std::move(value), defined, reads_state});
  }

 private:
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

  // A slot names its entry and keeps part of the hash, so a probe compares
  // names only when that part matches.
  struct Slot {
    std::uint32_t index = kEmpty;
    std::uint32_t tag = 0;
  };

  static std::uint64_t hash_of(std::string_view name) { return word_hash(name); }

  // The position of `name`'s entry, or kEmpty.
  [[nodiscard]] std::uint32_t index_of(std::string_view name) const {
    if (slots_.empty()) return kEmpty;
    const std::uint64_t hash = hash_of(name);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t slot = static_cast<std::size_t>(hash) & (slots_.size() - 1);;
         slot = (slot + 1) & (slots_.size() - 1)) {
      const Slot& probe = slots_[slot];
      if (probe.index == kEmpty) return kEmpty;
      if (probe.tag == tag && entries_[probe.index].first == name) return probe.index;
    }
  }
  [[nodiscard]] Entry* lookup(std::string_view name) {
    const std::uint32_t index = index_of(name);
    return index == kEmpty ? nullptr : &entries_[index];
  }
  [[nodiscard]] const Entry* lookup(std::string_view name) const {
    const std::uint32_t index = index_of(name);
    return index == kEmpty ? nullptr : &entries_[index];
  }

  // `capacity` is rounded up to a power of two.
  void rehash(std::size_t capacity) {
    std::size_t size = 16;
    while (size < capacity) size *= 2;
    slots_.assign(size, Slot{});
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const std::uint64_t hash = hash_of(entries_[i].first);
      std::size_t slot = static_cast<std::size_t>(hash) & (size - 1);
      while (slots_[slot].index != kEmpty) slot = (slot + 1) & (size - 1);
      slots_[slot] = Slot{static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(hash >> 32)};
    }
  }

  std::vector<Slot> slots_;     // power-of-two size, at most half full
  std::vector<Entry> entries_;  // in binding order
};

}  // namespace corvane
