// Prefaulting of large, freshly reserved buffers.
//
// A buffer of many megabytes that will be filled front to back (a block's
// instruction list, its statement list) is otherwise faulted in one page at a
// time as it is first written. On Linux one madvise(MADV_POPULATE_WRITE) call
// maps all of its pages at once, which on the virtual machines we measured
// costs about a third less than the page-by-page faults. Elsewhere, on older
// kernels, or for small buffers, this does nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace corvane {

/// Maps the whole pages inside [data, data + bytes) for writing, if that pays.
inline void prefault_for_writing(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr std::size_t kMinBytes = std::size_t{4} << 20;  // below this, faults cost little
  constexpr std::uintptr_t kPage = 4096;
  if (data == nullptr || bytes < kMinBytes) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (end <= begin) return;
#if defined(MADV_HUGEPAGE)
  // The buffer is written whole, so huge pages waste nothing here, and where
  // the system grants them on request, one 2 MB page replaces 512 small
  // faults (the kernel still clears every byte, but the per-page cost goes).
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto huge_begin = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const auto huge_end = end & ~(kHugePage - 1);
  if (huge_end > huge_begin) {
    (void)madvise(reinterpret_cast<void*>(huge_begin), huge_end - huge_begin, MADV_HUGEPAGE);
  }
#endif
  // Failure (an old kernel, memory that cannot be populated) leaves the pages
  // to be faulted in on first write, as without this call.
  (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace corvane
