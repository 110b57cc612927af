#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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
  NetLayout layout;
  SubnetMap map;
  SubnetPlan plan;
  explicit Planned(std::string input, Grammar grammar = Grammar::kBasic) : text(std::move(input)) {
    AllocateStore(s);
    const Format format = PrepareByFormat(text);
    GrammarHint hint;
    TextBlocks blocks(text);
    ReadByFormat(format, grammar, blocks, {s, ArcStore::kLists, index, hint, &layout});
    PartitionArcs(s, ArcStore::kLists, map);
    PlanByFormat(format, grammar, text, layout, map, plan);
  }
  std::string File(int32_t k) const {
    Output out;
    plan.Write(k, out);
    return std::string(out.Text());
  }
};

// The arcs of `s` whose transition is in subnet `k` of `map` (without a map,
// every arc), by name, each once, in order.
std::set<std::string> Arcs(const NetStore& s, const SubnetMap* map = nullptr, int32_t k = 0) {
  std::set<std::string> arcs;
  for (int32_t i = 0; i < s.fapt; ++i) {
    if (map == nullptr || map->SubNet[s.aptt[i]] == k) {
      arcs.insert(std::string(s.PlaceName(s.aptp[i])) + " > " + std::string(s.TransitionName(s.aptt[i])));
    }
  }
  for (int32_t i = 0; i < s.fatp; ++i) {
    if (map == nullptr || map->SubNet[s.atpt[i]] == k) {
      arcs.insert(std::string(s.TransitionName(s.atpt[i])) + " > " + std::string(s.PlaceName(s.atpp[i])));
    }
  }
  return arcs;
}

}  // namespace

// A place line rewritten for the subnet of its producers, and for that of its
// consumers, reads back in either grammar to just that side's arcs; with -e,
// as the lines shown. Labels, markings, weights and arc kinds, glued tokens,
// and braced names that a CR cuts short.
TEST(SubnetPlan, RewrittenPlaceLinesReadBackToTheirSide) {
  struct Row {
    std::string line, producers, consumers;
  };
  const std::vector<Row> rows = {
      {"pl p : l*2 a -> b\n", "pl p : l *2 a ->\n", "pl p : l -> b\n"},
      {"pl p : {a b} (1) x?1 -> y!-1 z*3\r\n", "pl p : {a b} (1) x?1 ->\n", "pl p : {a b} (1) -> y!-1 z*3\n"},
      {"pl p : ->x a -> b\n", "pl p : ->x a ->\n", "pl p : ->x -> b\n"},
      {"pl p : ?1 a -> b\n", "pl p : ?1 a ->\n", "pl p : ?1 -> b\n"},
      {"pl\tp\t:\tl(1)\t{a}b\t->\tc\n", "pl p : l(1) {a} b ->\n", "pl p : l(1) -> c\n"},
      {"pl p : {l}(1) {a}->b\n", "pl p : {l} (1) {a} ->\n", "pl p : {l} (1) -> b\n"},
      {"pl {p}: l a -> -> ->x\n", "pl {p} : l a ->\n", "pl {p} : l -> -> ->x\n"},
      {"pl {p}x -> y\n", "pl {p} x ->\n", "pl {p} -> y\n"},
      {"pl p*3 {x\\} y}*2 -> t\n", "pl p *3 {x\\} y}*2 ->\n", "pl p -> t\n"},
      {"pl p (1) : x -> y\n", "pl p (1) : x ->\n", "pl p (1) -> y\n"},
      {"pl p a*2-> b -> c\n", "pl p a*2-> b ->\n", "pl p -> c\n"},
      {"pl {p\r a -> b\n", "pl {p\ra ->\n", "pl {p\r-> b\n"},
      {"pl {p\\}\r: {l\r(1)\r{a\r-> {b\\}\rc\n", "pl {p\\}\r: {l\r(1) {a\r->\n", "pl {p\\}\r: {l\r(1) -> {b\\}\rc\n"},
  };
  for (const Row& row : rows) {
    for (const Grammar grammar : {Grammar::kBasic, Grammar::kWide}) {
      const Planned net(row.line, grammar);
      ASSERT_EQ(net.map.iSubNet, 2) << row.line;
      for (int32_t k = 1; k <= 2; ++k) {
        const std::string file = net.File(k);
        if (grammar == Grammar::kWide) {
          EXPECT_EQ(file, k == 1 ? row.producers : row.consumers) << row.line;
        }
        const Planned back(file, grammar);
        EXPECT_EQ(back.s.m, 1) << file;
        EXPECT_EQ(Arcs(back.s), Arcs(net.s, &net.map, k)) << file;
      }
    }
  }
}

// Net name records and where priority and label lines go, before or after
// their nodes, are end-to-end cases (ndr-subnet-*, wide-subnet-files-*).

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

// A NUPN block that is no tree of units over the net's places is in no file,
// and the reason names the first fault; one that is keeps in each file the
// units on the way from its places to the root.
TEST(SubnetPlan, PnmlNupnBlockCutDownOrLeftOut) {
  const std::string head =
      "<pnml><net type=\"http://www.pnml.org/version-2009/grammar/ptnet\"><page>\n"
      "<place id=\"a\"/><place id=\"b\"/><transition id=\"s\"/><transition id=\"t\"/>\n"
      "<referencePlace id=\"r\" ref=\"a\"/><arc id=\"x\" source=\"a\" target=\"s\"/><arc id=\"y\" source=\"b\" target=\"t\"/>\n"
      "<toolspecific tool=\"nupn\"><size/><structure root=\"u0\">\n";
  const std::string tail = "</structure></toolspecific>\n</page></net></pnml>";
  auto unit = [](std::string id, std::string places, std::string subunits) {
    return "<unit id=\"" + id + "\"><places>" + places + "</places><subunits>" + subunits + "</subunits></unit>\n";
  };
  const std::vector<std::pair<std::string, std::string>> faults = {
      {unit("u0", "a b", "") + unit("u0", "", ""), "two NUPN units have the id u0"},
      {unit("u0", "a b c", ""), "a NUPN unit names c, no place of the net"},
      {unit("u0", "a r", ""), "a NUPN unit names r, no place of the net"},
      {unit("u0", "a b", "u1") + unit("u1", "b", ""), "two NUPN units hold the place b"},
      {unit("u0", "a", ""), "a place is in no NUPN unit"},
      {unit("u0", "a b", "u9"), "a NUPN sub-unit u9 is no unit"},
      {unit("u0", "a", "u1 u2") + unit("u1", "b", "") + unit("u2", "", "u1"), "the NUPN unit u1 has two parents"},
      {unit("u0", "a", "") + unit("u1", "b", ""), "the NUPN unit u1 is not under the root"},
      {unit("u0", "a", "") + unit("u1", "b", "u2") + unit("u2", "", "u1"), "the NUPN units make a cycle"},
      {unit("x", "a b", ""), "the NUPN root u0 is no unit"},
      {unit("u0", "a b", "") + "<label/>\n", "the NUPN block holds an element label"},
  };
  for (const auto& [units, fault] : faults) {
    Planned doc(head + units + tail);
    EXPECT_EQ(doc.layout.nupn_fault, fault) << units;
    EXPECT_EQ(doc.File(1).find("nupn"), std::string::npos) << units;
  }
  Planned doc(head + unit("u0", "", "u1 u2 u3") + unit("u1", "b", "") + unit("u2", "", "u4") + unit("u3", "", "") +
              unit("u4", "a", "") + tail);
  EXPECT_EQ(doc.layout.nupn_fault, "");
  const std::string block = doc.File(1).substr(doc.File(1).find("<toolspecific"));
  EXPECT_EQ(block.substr(0, block.find("\n</page>")),
            "<toolspecific tool=\"nupn\">\n<size places=\"1\" transitions=\"1\" arcs=\"1\"/>\n"
            "<structure units=\"3\" root=\"u0\" safe=\"false\">\n"
            "<unit id=\"u0\">\n<places/>\n<subunits>u2</subunits>\n</unit>\n"
            "<unit id=\"u2\">\n<places/>\n<subunits>u4</subunits>\n</unit>\n"
            "<unit id=\"u4\">\n<places>a</places>\n<subunits/>\n</unit>\n</structure>\n</toolspecific>")
      << block;
}
