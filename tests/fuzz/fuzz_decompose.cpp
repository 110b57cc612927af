// Arbitrary bytes through recognition, either reader, the index, the
// decomposition, the full report, the graph and the JSON report.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_net.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantira;
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    fuzz::Analysed net(text);
  } catch (const Failure& failure) {
    fuzz::CheckFailure(failure);
  }
  return 0;
}
