// A set of dense ids with insert, pop-smallest and emptiness in a constant
// number of word operations per level. Ids live as bits in a tree of 64-bit
// words: bit i of a word on level l+1 says whether word i of level l has any
// bit set, and the top level is a single word.
#pragma once

#include <cstdint>
#include <vector>

namespace corvane {

/// Set of ids 0..count-1 served smallest first.
class IdSet {
 public:
  /// An empty set for ids below `count`.
  explicit IdSet(std::uint32_t count = 0);

  /// Whether no id is present.
  [[nodiscard]] bool empty() const { return levels_.back()[0] == 0; }
  /// Adds `id` (no effect when present).
  void insert(std::uint32_t id);
  /// Adds every id below the count.
  void insert_all();
  /// Removes and returns the smallest id; the set must not be empty.
  std::uint32_t pop_smallest();

 private:
  std::uint32_t count_;
  std::vector<std::vector<std::uint64_t>> levels_;  // [0]: one bit per id
};

}  // namespace corvane
