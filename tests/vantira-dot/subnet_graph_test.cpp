#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "subnet_graph.h"

namespace vantira_dot {
namespace {

const std::string kIndicators =
    "\nINDICATORS OF FUNCTIONAL SUBNETS ----------------------------------------\n\nT:\n";
const std::string kGraph = "\nGRAPH OF FUNCTIONAL SUBNETS ------------------------------------------------\n\n";
const std::string kClosing = "\nDECOMPOSITION COMPLETED ----------------------------------------\n\n";

// A report in digest form around the given T: entries and graph lines.
std::string Report(const std::string& entries, const std::string& graph_lines) {
  return "\n\nparsed net demo\n6 places, 7 transitions,\n\n" + kIndicators + entries + "\nX:\n\nQ:\n\nY:\n\n" + kGraph +
         graph_lines + kClosing;
}

std::string Dot(const std::string& report) {
  std::istringstream in(report);
  std::ostringstream out;
  WriteDot(ReadReport(in), out);
  return out.str();
}

// "drawn", or the status and the reason of a refusal, whose message is a "*** " line.
std::string Refusal(const std::string& report) {
  std::istringstream in(report);
  try {
    ReadReport(in);
  } catch (const ReportError& error) {
    EXPECT_EQ(error.message.rfind("*** ", 0), 0u) << error.message;
    return std::to_string(error.status) + " " + error.reason;
  }
  return "drawn";
}

TEST(VantiraDot, WorkedReportGivesOneNodePerSubnetAndOneEdgePerConnection) {
  // The full report of examples/demo.net, with a braced name: the subnet
  // listings hold "T: " lines that must not be taken for the indicators' T: line.
  std::string report =
      "\n\nparsed net demo\n6 places, 7 transitions,\n\nnet demo\ntr t1 p1 -> p2 \n\n"
      "FUNCTIONAL SUBNETS ----------------------------------------\n\nsubnet Z1:\nT: t1 {t 4} t2 \nX: p1 p3 \nQ: \n"
      "Y: p2 \n" +
      kIndicators + "t1*1 t2*1 t3*2 {t 4}*1 t5*3 t6*3 t7*4 \nX:\np1*1 p2*2 p3*1 \nQ:\np5*3 \nY:\np2*1 p4*2 \n" +
      kGraph + "Z1: -> Z2\nZ2: Z1 ->\nZ3: ->\nZ4: ->\n" + kClosing;
  EXPECT_EQ(Dot(report),
            "digraph subnets {\n  label=\"demo\";\n  labelloc=t;\n  node [shape=box];\n"
            "  Z1 [label=\"Z1\\n3 transitions\"];\n  Z2 [label=\"Z2\\n1 transition\"];\n"
            "  Z3 [label=\"Z3\\n2 transitions\"];\n  Z4 [label=\"Z4\\n1 transition\"];\n  Z1 -> Z2;\n}\n");
  // Tooltips: the sizes the JSON report gives, the first transitions in the indicators' order.
  std::istringstream in(report);
  std::ostringstream out;
  WriteDot(ReadReport(in), out, DrawOptions{true, false});
  for (const char* tooltip : {"tooltip=\"Z1: 3 transitions\\nplaces: 2 input (X), 0 internal (Q), 1 output (Y)\\n"
                              "t1, t2, {t 4}\"",
                              "tooltip=\"Z3: 2 transitions\\nplaces: 0 input (X), 1 internal (Q), 0 output (Y)\\n"
                              "t5, t6\""}) {
    EXPECT_NE(out.str().find(tooltip), std::string::npos) << out.str();
  }
  EXPECT_EQ(Refusal(std::string(report).replace(report.find("p5*3"), 4, "p5*5")),
            "2 line 24: Z5 is named; the graph ends at Z4");
}

TEST(VantiraDot, CountsNamesOfEveryFormAndLabelsEdgesOfSeveralPlaces) {
  // Braced names may hold blanks, "*" and an escaped "}"; a plain name may hold
  // braces after its first character; an empty name is "*K" alone.
  std::string dot = Dot(Report("{a b*c}*1 {x\\}y*2}*2 p{q}*2 *1 {e\\\\}*3 t*3 \r", "Z1: ->\nZ2: ->\nZ3: ->\n"));
  for (const char* node : {"Z1 [label=\"Z1\\n2 transitions\"]", "Z2 [label=\"Z2\\n2 transitions\"]",
                           "Z3 [label=\"Z3\\n2 transitions\"]"}) {
    EXPECT_NE(dot.find(node), std::string::npos) << dot;
  }
  // Z3 holds no transition (as the one subnet of an empty net does).
  dot = Dot(Report("t1*1 t2*2 ", "Z1: -> Z2*2 Z3\nZ2: Z1*2 ->\nZ3: Z1 ->\n"));
  EXPECT_NE(dot.find("  Z3 [label=\"Z3\\n0 transitions\"];\n"), std::string::npos) << dot;
  EXPECT_NE(dot.find("  Z1 -> Z2 [label=\"2\"];\n  Z1 -> Z3;\n}"), std::string::npos) << dot;
  EXPECT_EQ(dot.find("Z2 -> "), std::string::npos) << "predecessor entries must not add edges: " << dot;
  EXPECT_NE(Dot(Report("", "Z1: ->\n")).find("Z1 [label=\"Z1\\n0 transitions\"]"), std::string::npos);
}

// Report() puts the T: entries on line 10 and the graph line of Z1 on line 20.
TEST(VantiraDot, RefusesReportsItCannotDrawNamingTheLineAtFault) {
  std::string crlf;  // a report saved with CR LF has the same lines
  for (char c : Report("t1*1 {t2*1 ", "Z1: ->\n")) c == '\n' ? crlf.append("\r\n") : crlf.append(1, c);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {Report("t1*1 ", "Z1: Z2 ->\nZ2: -> Z1\n"), "drawn"},
      {"\n\nparsed net demo\n1 places, 1 transitions,\n\n" + kIndicators + "t1*1 \n" + kClosing,
       "2 no line of the report (13 in all) is the graph's heading"},
      {"", "2 no line of the report (0 in all) is the graph's heading"},
      {"a\nb\n", "2 no line of the report (2 in all) is the graph's heading"},
      {"\nINDICATORS OF FUNCTIONAL SUBNETS ----------------------------------------\n\nX:\n",
       "2 line 4: T: expected, two lines below the indicators' heading"},
      {Report("t1*1 {t2*1 ", "Z1: ->\n"), "2 line 10: a braced name without its closing '}'"},
      {crlf, "2 line 10: a braced name without its closing '}'"},
      {Report("t1*1 t2 ", "Z1: ->\n"), "2 line 10: an entry of the T: line is not NAME*K"},
      {Report("t1 ", "Z1: ->\n"), "2 line 10: an entry of the T: line is not NAME*K"},
      {Report("t1*0 ", "Z1: ->\n"), "2 line 10: an entry of the T: line is not NAME*K"},  // Z0
      {Report("t1*1 t2*3 ", "Z1: ->\nZ2: ->\n"), "2 line 10: Z3 is named; the graph ends at Z2"},
      {Report("t1*1 ", "Z2: ->\n"), "2 line 20: not the graph line of Z1 (Z1: ... -> ...)"},
      {Report("t1*1 ", "Z1: ->\nZ3: ->\n"), "2 line 21: not the graph line of Z2 (Z2: ... -> ...)"},
      {Report("t1*1 ", "Z1: -> Z2\n"), "2 line 20: an edge to Z2; the graph ends at Z1"},
      {Report("t1*1 ", "Z1: ->\nZ2: -> Z1 Z5\n"), "2 line 21: an edge to Z5; the graph ends at Z2"},
      {Report("t1*1 ", "Z1: -> X2\n"), "2 line 20: not the graph line of Z1 (Z1: ... -> ...)"},
      {Report("t1*1 ", "Z1: Z1\n"), "2 line 20: not the graph line of Z1 (Z1: ... -> ...)"},  // no arrow
  };
  for (const auto& [report, expected] : rows) EXPECT_EQ(Refusal(report), expected) << report;
}

}  // namespace
}  // namespace vantira_dot
