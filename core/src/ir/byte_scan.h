// Byte searches for the parser's per-line scans. Every byte of an instruction
// passes through several such scans, and nearly all bytes are plain, so the
// searches test sixteen bytes at a time where SSE2 is available (always on
// x86-64) and fall back to a byte loop elsewhere and for the last bytes.
// Both paths return the same position.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

/// Position of the first byte at or after `pos` equal to one of `Set`, or text.size().
template <char... Set>
[[nodiscard]] inline std::size_t find_any_of(std::string_view text, std::size_t pos) {
  const char* data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  for (; pos + 16 <= size; pos += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    __m128i hits = _mm_setzero_si128();
    ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(Set)))), ...);
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0)
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; pos < size; ++pos) {
    const char c = data[pos];
    if (((c == Set) || ...)) return pos;
  }
  return size;
}

/// Position of the first byte at or after `pos` that is not printable ASCII
/// other than the space (so: a space, a control byte, DEL or a non-ASCII byte),
/// or text.size().
[[nodiscard]] inline std::size_t find_space_or_unusual(std::string_view text, std::size_t pos) {
  const char* data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  for (; pos + 16 <= size; pos += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    // Signed compare: bytes 0x80-0xFF read as negative, so they count as below '!'.
    const __m128i low = _mm_cmplt_epi8(chunk, _mm_set1_epi8('!'));
    const __m128i del = _mm_cmpeq_epi8(chunk, _mm_set1_epi8(0x7F));
    const int mask = _mm_movemask_epi8(_mm_or_si128(low, del));
    if (mask != 0)
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; pos < size; ++pos) {
    const auto c = static_cast<unsigned char>(data[pos]);
    if (c < 0x21 || c > 0x7E) return pos;
  }
  return size;
}

}  // namespace corvane
