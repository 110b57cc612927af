// A table on the C heap: taken zero-filled, grown with realloc so that large
// blocks are remapped rather than copied. Owns its block; move-only.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <utility>

#include "store/failure.h"

namespace vantira {

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
    data_ = static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)));
    if (data_ == nullptr) throw NoMemory();
  }

  // Keeps the first elements; the new tail is left uninitialised.
  void Resize(std::size_t count) {
    void* grown = std::realloc(data_, (count == 0 ? 1 : count) * sizeof(T));
    if (grown == nullptr) throw NoMemory();
    data_ = static_cast<T*>(grown);
  }

  void Release() {
    std::free(data_);
    data_ = nullptr;
  }

  bool Empty() const { return data_ == nullptr; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  T* data_ = nullptr;
};

}  // namespace vantira
