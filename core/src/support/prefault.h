// Prefaulting of large, freshly reserved buffers.
//
// A buffer of many megabytes that will be filled front to back (a block's
// instruction list, its statement list) is otherwise faulted in one page at a
// time as it is first written. On Linux one madvise(MADV_POPULATE_WRITE) call
// maps all of its pages at once, which on the virtual machines we measured
// costs about a third less than the page-by-page faults, and asking for
// transparent huge pages first (on a buffer of 4 MB or more) saves most of
// the rest. Elsewhere, on older kernels, or for small buffers, this does
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace corvane {

namespace prefault_detail {
inline constexpr std::size_t kMinBytes = std::size_t{4} << 20;  // below this, faults cost little
inline constexpr std::uintptr_t kPage = 4096;
inline constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
}  // namespace prefault_detail

/// Asks for transparent huge pages inside [data, data + bytes), a buffer of
/// 4 MB or more that is written front to back. Where the system grants them
/// on request, one 2 MB page then replaces 512 small faults (the kernel still
/// clears every byte, but the per-page cost goes); a buffer written only in
/// part holds at most one partly used huge page more than it would otherwise.
inline void advise_huge_pages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  using namespace prefault_detail;
  if (data == nullptr || bytes < kMinBytes) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

/// Maps the whole pages inside [data, data + bytes) for writing, if that pays:
/// for a buffer that will be written whole.
inline void prefault_for_writing(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  using namespace prefault_detail;
  if (data == nullptr || bytes < kMinBytes) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (end <= begin) return;
  advise_huge_pages(data, bytes);
  // Failure (an old kernel, memory that cannot be populated) leaves the pages
  // to be faulted in on first write, as without this call.
  (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace corvane
