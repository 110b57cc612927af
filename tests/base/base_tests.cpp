#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "base/output.h"
#include "base/second_thread.h"

using namespace vantira;

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
