#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/c_array.h"
#include "base/output.h"
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

// A report file keeps its content until the first byte goes out: a flush of
// nothing leaves it, and a first text bigger than a block, written straight
// through, empties it first all the same.
TEST(Output, EmptiesItsFileOnlyWhenTheFirstByteGoesOut) {
  char path[] = "/tmp/vantira_output_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string old(3 * Output::kBlock, 'o');
  ASSERT_TRUE(WriteAll(fd, old));
  ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
  auto content = [&path] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  {
    Output out(fd);
    out.EmptyBeforeFirstWrite();
    out.Flush();
    EXPECT_EQ(content(), old);
    const std::string big(Output::kBlock + 1, 'n');
    out.Put(big);
    out.Put(" tail");
    out.Flush();
    EXPECT_FALSE(out.Failed());
    EXPECT_EQ(content(), big + " tail");
  }
  close(fd);
  unlink(path);
}
