// A hash for names: eight bytes at a time with a multiply-xorshift mix,
// several times cheaper than the byte-wise std::hash on the long names
// (`__quantum__qis__...` callees) and the many short ones (SSA values) that
// lowering looks up once per instruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace corvane {

[[nodiscard]] inline std::uint64_t word_hash(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t hash = (text.size() + 1) * kMultiplier;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, 8);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  std::uint64_t tail = 0;
  if (i < text.size()) std::memcpy(&tail, text.data() + i, text.size() - i);
  hash = (hash ^ tail) * kMultiplier;
  return hash ^ (hash >> 31);
}

}  // namespace corvane
