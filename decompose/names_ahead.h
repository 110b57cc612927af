// The walk over the names of a list of elements that both reports share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/prefetch.h"
#include "store/net_store.h"

namespace vantira {

// Calls `put(offset)` with the offset of each element's name through
// `names_of`, in list order. Members come in no order of their names: each
// is fetched ahead, its offset first, then its bytes.
template <class Put>
void ForEachName(const NetStore& s, const CArray<int32_t>& names_of, std::span<const int32_t> elements, Put put) {
  const std::size_t count = elements.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 8 < count) PrefetchLine(&names_of[elements[i + 8]]);
    if (i + 4 < count) PrefetchLine(s.names.Data() + names_of[elements[i + 4]]);
    put(names_of[elements[i]]);
  }
}

}  // namespace vantira
