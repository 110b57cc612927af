#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "base/c_array.h"
#include "base/second_thread.h"

using namespace vantira;
using V = std::vector<int32_t>;

TEST(CArray, KeepsItsElementsThroughSmallAndLargeSteps) {
  CArray<int32_t> a;
  a.Allocate(2);
  int32_t filled = 0;
  // Steps of 3 (grown ahead, then within the room), then one step far beyond it.
  for (int32_t size : {5, 8, 11, 14, 17, 20, 23, 26, 29, 1000000}) {
    a.Resize(static_cast<std::size_t>(size));
    for (; filled < size; ++filled) a[filled] = filled * 7;
  }
  a.Resize(10);  // never shrinks
  bool intact = true;
  for (int32_t i = 0; i < filled; ++i) intact = intact && a[i] == i * 7;
  EXPECT_TRUE(intact);
  CArray<int32_t> b = std::move(a);
  b.Resize(1000001);
  b[1000000] = 1;
  b.ResizeScattered(3000000);  // large: moved to a fresh block
  b[2999999] = 2;
  EXPECT_EQ(V({b[999999], b[1000000], b[0], b[2999999]}), V({999999 * 7, 1, 0, 2}));
}

// The work's failure reaches the caller at Join, once; a thread that was
// never started joins as nothing; the destructor waits for the work.
TEST(SecondThread, JoinsAndHandsOnWhatTheWorkThrew) {
  SecondThread idle;
  EXPECT_FALSE(idle.Started());
  EXPECT_NO_THROW(idle.Join());

  SecondThread failing;
  ASSERT_TRUE(failing.Start([] { throw std::runtime_error("on the other thread"); }));
  EXPECT_THROW(failing.Join(), std::runtime_error);
  EXPECT_NO_THROW(failing.Join());

  std::atomic<bool> done = false;
  {
    SecondThread scoped;
    ASSERT_TRUE(scoped.Start([&done] { done = true; }));
  }
  EXPECT_TRUE(done);
}
