#include <gtest/gtest.h>

#include "base/failure.h"
#include "decompose/partition.h"
#include "formats/by_format.h"
#include "formats/recognize.h"
#include "planners/plan_by_format.h"

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
    ReadByFormat(format, grammar, blocks, {s, ArcStore::kLists, index, hint, &layout});
    PartitionArcs(s, ArcStore::kLists, map);
    PlanByFormat(format, grammar, text, index, layout, map, plan);
  }
  std::string File(int32_t k) const {
    Output out;
    plan.Write(k, out);
    return std::string(out.Text());
  }
};

}  // namespace

// Whole files are end-to-end cases (ndr-subnet-net-names-and-extra-line-feeds
// holds braced, unbalanced and empty names); here, the rules of single lines.
TEST(SubnetPlan, NdrNetNameRecordsGetTheSubnetNumber) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"h demo\n", "h demo_z3 \n\n"},
      {"  hx y\r\n", "h x_z3  y\r\n\n"},
  };
  for (const auto& [line, expected] : rows) {
    Planned net("t 0 0 a\n" + line + "# c\nt 0 0 b\n  t 0 0 c x\nz 1\n");
    EXPECT_EQ(net.File(3), expected + "# c\n\n  t 0 0 c x\n") << line;
  }
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

// Plain and empty name texts, and documents without one, are pnml-* cases.
TEST(SubnetPlan, PnmlNameTextGetsTheSubnetNumber) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<text>\r\n  a b \t\n</text>", "<text>\r\n  a b_z1 \t\n</text>"},
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
}
