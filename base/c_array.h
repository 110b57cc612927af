// A table on the C heap: taken zero-filled, grown with realloc so that large
// blocks are remapped rather than copied. Owns its block; move-only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/failure.h"
#include "base/platform_tuning.h"

namespace vantira {

template <class T>
class CArray {
 public:
  CArray() = default;
  CArray(const CArray&) = delete;
  CArray& operator=(const CArray&) = delete;
  CArray(CArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}
  CArray& operator=(CArray&& other) noexcept {
    if (this != &other) {
      std::free(data_);
      data_ = std::exchange(other.data_, nullptr);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }
  ~CArray() { std::free(data_); }

  // Replaces the block with `count` zero-filled elements.
  void Allocate(std::size_t count) {
    Release();
    const std::size_t elements = count == 0 ? 1 : count;
    data_ = static_cast<T*>(std::calloc(elements, sizeof(T)));  // checks the product
    if (data_ == nullptr) throw NoMemory();
    capacity_ = elements;
    const std::size_t bytes = elements * sizeof(T);
    AdviseHugePages(data_, bytes);
    // A fresh page that is read before it is written is first mapped to the
    // shared zero page and then faulted again, in small pages, on the first
    // write; tables looked up before they are filled would pay that on every
    // page. Writing the zeros now takes each page once, as a huge page.
    if (bytes >= 2 * kHugePage) std::memset(static_cast<void*>(data_), 0, bytes);
  }

  // Makes room for `count` elements, keeping the first ones; the new tail is
  // left uninitialised. The store grows its tables in small fixed steps; the
  // block beneath grows by half again at least, so that it moves a
  // logarithmic number of times instead of once per step (every move is a
  // system call, and one that grows with the block). Room taken ahead and
  // not yet written costs no memory.
  void Resize(std::size_t count) {
    if (count <= capacity_) return;
    const std::size_t ahead = capacity_ + capacity_ / 2;
    void* grown = count < ahead ? std::realloc(data_, ahead * sizeof(T)) : nullptr;
    if (grown != nullptr) {
      capacity_ = ahead;
    } else {
      grown = std::realloc(data_, count * sizeof(T));
      if (grown == nullptr) throw NoMemory();
      capacity_ = count;
    }
    // Not advised for huge pages: a block that moves would have them split.
    data_ = static_cast<T*>(grown);
  }

  // Like Resize, for a table that is read at random while it grows. A
  // remapped block gets no huge pages, so once it is large the block moves
  // to fresh memory advised for them, at twice the size; the copy costs less
  // than the TLB misses it spares. Without huge pages it is Resize.
  void ResizeScattered(std::size_t count) {
    if (count <= capacity_) return;
    const std::size_t wanted = std::max(count, 2 * capacity_) * sizeof(T);
    if (!kHugePages || wanted < 2 * kHugePage) return Resize(count);
    const std::size_t bytes = (wanted + kHugePage - 1) & ~(kHugePage - 1);
    T* fresh = static_cast<T*>(std::aligned_alloc(kHugePage, bytes));
    if (fresh == nullptr) throw NoMemory();
    AdviseHugePagesAligned(fresh, bytes);
    if (capacity_ != 0) std::memcpy(static_cast<void*>(fresh), data_, capacity_ * sizeof(T));
    std::free(data_);
    data_ = fresh;
    capacity_ = bytes / sizeof(T);
  }

  void Release() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
  }

  T* Data() { return data_; }
  const T* Data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  T* data_ = nullptr;
  std::size_t capacity_ = 0;  // elements the block holds
};

}  // namespace vantira
