// Word-tree id set. A level's word is non-zero exactly when its bit in the
// level above is set, which insert and pop_smallest keep true by walking up
// only while a word changes between empty and non-empty.
#include "cfg/id_set.h"

#include <bit>

namespace corvane {

IdSet::IdSet(std::uint32_t count) : count_(count) {
  std::uint64_t width = count;
  do {
    width = width > 64 ? (width + 63) / 64 : 1;
    levels_.emplace_back(static_cast<std::size_t>(width), 0);
  } while (width > 1);
}

void IdSet::insert(std::uint32_t id) {
  std::uint64_t index = id;
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[static_cast<std::size_t>(index / 64)];
    const bool was_empty = word == 0;
    word |= std::uint64_t{1} << (index % 64);
    if (!was_empty) return;
    index /= 64;
  }
}

void IdSet::insert_all() {
  std::uint64_t bits = count_;
  for (std::vector<std::uint64_t>& level : levels_) {
    for (std::size_t i = 0; i < level.size(); ++i) {
      const std::uint64_t first = static_cast<std::uint64_t>(i) * 64;
      const std::uint64_t left = bits > first ? bits - first : 0;
      level[i] = left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    }
    bits = (bits + 63) / 64;  // the number of non-empty words of this level
  }
}

std::uint32_t IdSet::pop_smallest() {
  std::uint64_t index = 0;
  for (std::size_t l = levels_.size(); l-- > 0;) {
    const std::uint64_t word = levels_[l][static_cast<std::size_t>(index)];
    index = index * 64 + static_cast<std::uint64_t>(std::countr_zero(word));
  }
  const auto id = static_cast<std::uint32_t>(index);
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[static_cast<std::size_t>(index / 64)];
    word &= ~(std::uint64_t{1} << (index % 64));
    if (word != 0) break;
    index /= 64;
  }
  return id;
}

}  // namespace corvane
