#include <gtest/gtest.h>

#include "decompose/partition.h"
#include "formats/by_format.h"
#include "formats/recognize.h"
#include "store/failure.h"

using namespace vantira;

namespace {

// Reads, decomposes and plans the subnet files of `input` as a run does.
struct Planned {
  std::string text;
  NetStore s;
  NameIndex index{s};
  PnmlLayout layout;
  SubnetMap map;
  SubnetPlan plan;
  explicit Planned(std::string input) : text(std::move(input)) {
    AllocateStore(s);
    const Format format = PrepareByFormat(text);
    ReadByFormat(format, text, s, index, &layout);
    PartitionArcs(s, map);
    PlanByFormat(format, text, index, layout, map, plan);
  }
  std::string File(int32_t k) const {
    Output out;
    plan.Write(k, out);
    return std::string(out.Text());
  }
};

}  // namespace

TEST(SubnetPlan, NetFilesCopyRewriteOrDropEachLine) {
  Planned demo("net demo\n# two transitions\ntr t1 [0,1] p1 p2*2 -> p3\npl p3 (1) t1 -> t2\n"
               "tr t2 p3 -> p1\nlb t1 start\n");
  ASSERT_EQ(demo.map.iSubNet, 2);
  EXPECT_EQ(demo.File(1), "net demo_z1\n# two transitions\ntr t1 [0,1] p1 p2*2 -> p3\npl p3 (1) t1 ->\nlb t1 start\n");
  EXPECT_EQ(demo.File(2), "net demo_z2\n# two transitions\npl p3 (1) -> t2\ntr t2 p3 -> p1\n");
  EXPECT_FALSE(demo.plan.FailureMet());

  // Both sides of a place line, weights and marking kept, spacing and CR LF normalised.
  Planned sides("net {my net} rest\n\ntr a\ntr b\ntr c\npl  p (2)  a*2\tb  ->  c*3 \r\nlb p\npl  q c  ->c\n");
  EXPECT_EQ(sides.File(1), "net {my net z1}\n\ntr a\ntr b\npl p (2) a*2 b ->\nlb p\n");
  EXPECT_EQ(sides.File(2), "net {my net z2}\n\ntr c\npl p (2) -> c*3\nlb p\npl  q c  ->c\n");
}

TEST(SubnetPlan, NdrNetNameRecordsGetTheSubnetNumber) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"h demo\n", "h demo_z3 \n\n"},
      {"h {my net}\n", "h {my net z3} \n\n"},
      {"h ab}\n", "h ab z3} \n\n"},
      {"h\n", "h _z3 \n"},
      {"  hx y\r\n", "h x_z3  y\r\n\n"},
  };
  for (const auto& [line, expected] : rows) {
    Planned net("t 0 0 a\n" + line + "# c\nt 0 0 b\n  t 0 0 c x\nz 1\n");
    EXPECT_EQ(net.File(3), expected + "# c\n\n  t 0 0 c x\n") << line;
  }
}

TEST(SubnetPlan, LabelNamingNothingEndsEveryFileBeforeIt) {
  Planned bad("net n\ntr t1\ntr t2\n# c\nlb nobody\ntr t1 x\n");
  ASSERT_TRUE(bad.plan.FailureMet());
  EXPECT_EQ(bad.plan.FailureMet()->Message() + std::to_string(bad.plan.FailureMet()->Status()),
            "*** unknown label name: nobody\n2");
  EXPECT_EQ(bad.File(1), "net n_z1\ntr t1\n# c\n");
  EXPECT_EQ(bad.File(2), "net n_z2\ntr t2\n# c\n");
}
