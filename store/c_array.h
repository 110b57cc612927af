// A table on the C heap: taken zero-filled, grown with realloc so that large
// blocks are remapped rather than copied. Owns its block; move-only.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "store/failure.h"

namespace vantira {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Large tables are read at random; huge pages spare most of the TLB misses
// and most of the page faults. Only the 2 MiB-aligned interior of a block is
// advised; it is a hint.
inline void AdviseHugePages(void* block, std::size_t bytes) {
  constexpr std::uintptr_t kHuge = kHugePage;
  if (bytes < 2 * kHuge) return;
  std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
  std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

template <class T>
class CArray {
 public:
  CArray() = default;
  CArray(const CArray&) = delete;
  CArray& operator=(const CArray&) = delete;
  CArray(CArray&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}
  CArray& operator=(CArray&& other) noexcept {
    if (this != &other) {
      std::free(data_);
      data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
  }
  ~CArray() { std::free(data_); }

  // Replaces the block with `count` zero-filled elements.
  void Allocate(std::size_t count) {
    Release();
    const std::size_t elements = count == 0 ? 1 : count;
    data_ = static_cast<T*>(std::calloc(elements, sizeof(T)));  // checks the product
    const std::size_t bytes = elements * sizeof(T);
    if (data_ == nullptr) throw NoMemory();
    AdviseHugePages(data_, bytes);
    // A fresh page that is read before it is written is first mapped to the
    // shared zero page and then faulted again, in small pages, on the first
    // write; tables looked up before they are filled would pay that on every
    // page. Writing the zeros now takes each page once, as a huge page.
    if (bytes >= 2 * kHugePage) std::memset(static_cast<void*>(data_), 0, bytes);
  }

  // Keeps the first elements; the new tail is left uninitialised.
  void Resize(std::size_t count) {
    // Not advised for huge pages: grown in small steps by remapping, huge
    // pages would be split and rebuilt on every move.
    void* grown = std::realloc(data_, (count == 0 ? 1 : count) * sizeof(T));
    if (grown == nullptr) throw NoMemory();
    data_ = static_cast<T*>(grown);
  }

  void Release() {
    std::free(data_);
    data_ = nullptr;
  }

  T* Data() { return data_; }
  const T* Data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  T* data_ = nullptr;
};

}  // namespace vantira
