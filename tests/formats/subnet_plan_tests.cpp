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
  explicit Planned(std::string input, Grammar grammar = Grammar::kBasic) : text(std::move(input)) {
    AllocateStore(s);
    const Format format = PrepareByFormat(text);
    GrammarHint hint;
    TextBlocks blocks(text);
    ReadByFormat(format, grammar, blocks, s, index, hint, &layout);
    PartitionArcs(s, map);
    PlanByFormat(format, grammar, text, index, layout, map, plan);
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

TEST(SubnetPlan, PriorityLineGoesWhereAllItsTransitionsAre) {
  // Z1 = {a, b} (they share p), Z2 = {c}.
  const std::string net = "tr a p\ntr b p\ntr c q\n";
  const std::vector<std::pair<std::string, int32_t>> rows = {
      {"pr a > b", 1}, {"pr b*2 < a ", 1}, {"pr\ta\t>\tb\r", 1}, {"pr c", 2}, {"pr c > c", 2},
      {"pr a > c", 0}, {"pr a>b", 0},     {"pr a > x", 0},        {"pr", 0},   {"pr < >", 0},
      {"pr {a}", 0},   {"pr a ?1", 0},
  };
  for (const auto& [line, subnet] : rows) {
    Planned planned(net + line + "\n", Grammar::kWide);
    ASSERT_EQ(planned.map.iSubNet, 2);
    for (int32_t k = 1; k <= 2; ++k) {
      const bool here = planned.File(k).find(line) != std::string::npos;
      EXPECT_EQ(here, k == subnet) << line << " in file " << k;
    }
  }
}

TEST(SubnetPlan, PnmlFilesCutElementsWithTheirLinesWhenAlone) {
  // t1: p1 -> p2; t2: p2 ->. p2 goes to both files, lonely to none.
  const std::string head = "<pnml><net id=\"n\" type=\"http://www.pnml.org/version-2009/grammar/ptnet\">\n"
                           "  <name><text> demo";
  Planned doc(head + " </text></name>\n  <page id=\"g\">\n"
                     "    <place id=\"p1\"/><place id=\"p2\"/>\n"
                     "    <transition id=\"t1\">\n      <name><text>t1</text></name>\n    </transition>\n"
                     "\t<transition id=\"t2\"/>\r\n"
                     "    <arc id=\"a1\" source=\"p1\" target=\"t1\"/> <arc id=\"a2\" source=\"t1\" target=\"p2\"/>\n"
                     "    <arc id=\"a3\" source=\"r2\" target=\"t2\"/>x\n"
                     " \r <toolspecific><place id=\"p9\"/></toolspecific>\n"
                     "    <referencePlace id=\"r2\" ref=\"p2\"/>  \n"
                     "<place id=\"lonely\"/>\n"
                     "  </page>\n</net></pnml>");
  ASSERT_EQ(doc.map.iSubNet, 2);
  EXPECT_EQ(doc.File(1), head + "_z1 </text></name>\n  <page id=\"g\">\n"
                                "    <place id=\"p1\"/><place id=\"p2\"/>\n"
                                "    <transition id=\"t1\">\n      <name><text>t1</text></name>\n    </transition>\n"
                                "    <arc id=\"a1\" source=\"p1\" target=\"t1\"/> <arc id=\"a2\" source=\"t1\" target=\"p2\"/>\n"
                                "    x\n"
                                " \r <toolspecific><place id=\"p9\"/></toolspecific>\n"
                                "    <referencePlace id=\"r2\" ref=\"p2\"/>  \n"
                                "  </page>\n</net></pnml>");
  EXPECT_EQ(doc.File(2), head + "_z2 </text></name>\n  <page id=\"g\">\n"
                                "    <place id=\"p2\"/>\n"
                                "\t<transition id=\"t2\"/>\r\n"
                                "     \n"
                                "    <arc id=\"a3\" source=\"r2\" target=\"t2\"/>x\n"
                                " \r <toolspecific><place id=\"p9\"/></toolspecific>\n"
                                "    <referencePlace id=\"r2\" ref=\"p2\"/>  \n"
                                "  </page>\n</net></pnml>");
}

TEST(SubnetPlan, PnmlNameTextGetsTheSubnetNumber) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<text>demo</text>", "<text>demo_z1</text>"},
      {"<text>\r\n  a b \t\n</text>", "<text>\r\n  a b_z1 \t\n</text>"},
      {"<text/>", "<text>_z1</text>"},
      {"<text  />", "<text  >_z1</text>"},
      {"<text> \n </text>", "<text>_z1 \n </text>"},
      {"<text></text>", "<text>_z1</text>"},
      {"<text>a<![CDATA[b]]> <!--c--> </text>", "<text>a<![CDATA[b]]> <!--c-->_z1 </text>"},
      {"<text>x</text><text>no</text>", "<text>x_z1</text><text>no</text>"},
  };
  for (const auto& [text, expected] : rows) {
    const std::string net = "<pnml><net type=\"http://www.pnml.org/version-2009/grammar/ptnet\">";
    // The name after the page; no line end at the end of the input.
    Planned doc(net + "<page><transition id=\"t\"/>\n</page><name>" + text + "</name></net></pnml>");
    EXPECT_EQ(doc.File(1), net + "<page><transition id=\"t\"/>\n</page><name>" + expected + "</name></net></pnml>")
        << text;
  }
  // Without a name text nothing changes.
  Planned bare("<pnml><net type=\"http://www.pnml.org/version-2009/grammar/ptnet\"><page>\n<transition id=\"t\"/>\n"
               "  <transition id=\"u\"/></page></net></pnml>");
  EXPECT_EQ(bare.File(2), "<pnml><net type=\"http://www.pnml.org/version-2009/grammar/ptnet\"><page>\n"
                          "  <transition id=\"u\"/></page></net></pnml>");
}
