// Hints to the C library and the kernel that large nets run faster with:
// glibc's allocator told to map large blocks and to give memory back, and
// Linux's transparent huge pages. Each one is only a hint, so where the
// system lacks it, or the build sets VANTIRA_NO_PLATFORM_TUNING, it compiles
// to nothing and every output stays the same. This is the one place that
// asks which system it is built for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if !defined(VANTIRA_NO_PLATFORM_TUNING)
#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#endif

namespace vantira {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

#if !defined(VANTIRA_NO_PLATFORM_TUNING) && defined(MADV_HUGEPAGE)
constexpr bool kHugePages = true;
#else
constexpr bool kHugePages = false;
#endif

// Every block above a quarter of a megabyte gets a mapping of its own, so
// that growing a large table is a remap and never a copy.
inline void TuneAllocator() {
#if !defined(VANTIRA_NO_PLATFORM_TUNING) && defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

// While one lives, freed blocks of any size are kept for the next allocation
// instead of each being mapped and unmapped again: a solver that allocates
// and frees the same large working arrays on every call spends its time in
// page faults otherwise. Afterwards the rule of TuneAllocator holds again.
class KeepFreedBlocks {
 public:
#if !defined(VANTIRA_NO_PLATFORM_TUNING) && defined(__GLIBC__)
  KeepFreedBlocks() {
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // glibc's largest
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  }
  ~KeepFreedBlocks() {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);  // glibc's default
  }
#else
  KeepFreedBlocks() {}
#endif
  KeepFreedBlocks(const KeepFreedBlocks&) = delete;
  KeepFreedBlocks& operator=(const KeepFreedBlocks&) = delete;
};

// Gives the free memory of every arena back to the system.
inline void ReturnFreeMemory() {
#if !defined(VANTIRA_NO_PLATFORM_TUNING) && defined(__GLIBC__)
  malloc_trim(0);
#endif
}

// Large tables are read at random; huge pages spare most of the TLB misses
// and most of the page faults. For a block that starts on a huge page.
inline void AdviseHugePagesAligned([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#if !defined(VANTIRA_NO_PLATFORM_TUNING) && defined(MADV_HUGEPAGE)
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
}

// For any block: only its 2 MiB-aligned interior is advised.
inline void AdviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
  if constexpr (kHugePages) {
    constexpr std::uintptr_t kHuge = kHugePage;
    if (bytes < 2 * kHuge) return;
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
    if (end > begin) AdviseHugePagesAligned(reinterpret_cast<void*>(begin), end - begin);
  }
}

}  // namespace vantira
