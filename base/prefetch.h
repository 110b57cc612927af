// A hint that a cache line will be read soon, so that look-ups spread over
// large tables overlap their misses.
#pragma once

namespace vantira {

// GCC treats __builtin_prefetch as free of effects and drops it from calls it
// finds to have no other effect (GCC 12 removed every slot prefetch of the
// readers that way), so on x86-64 the instruction is written out. The address
// is never dereferenced; a prefetch does not fault.
inline void PrefetchLine(const void* address) {
#if defined(__x86_64__)
  asm volatile("prefetcht0 (%0)" : : "r"(address));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace vantira
