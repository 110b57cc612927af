#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/failure.h"
#include "formats/by_format.h"
#include "formats/values_reading.h"
#include "semiflows/net_system.h"

using namespace vantira;

namespace {

// Reads `text` as a run with -p does, with the weights and markings, and
// builds its P-system: "p>t*w" for an input arc, "t>p*w" for an output arc,
// in the order the reader leaves them, then "p=M" for every marked place; or
// the failure's message and reason.
std::string Values(std::string text, Grammar grammar = Grammar::kBasic) {
  NetStore s;
  NameIndex index(s);
  AllocateStore(s);
  GrammarHint hint;
  try {
    const Format format = PrepareByFormat(text);
    TextBlocks input(text);
    NetValues values;
    ReadByFormat(format, grammar, input, {s, ArcStore::kLists, index, hint, nullptr, &values});
    PlaceSystem(s, values);
    std::string d;
    for (const WeightedArc& a : values.arcs) {
      const std::string p(s.PlaceName(a.place)), t(s.TransitionName(a.transition));
      d += (a.output ? t + ">" + p : p + ">" + t) + "*" + std::to_string(a.weight) + " ";
    }
    for (int32_t p = 1; p <= s.m; ++p) {
      if (values.marking[p] != 0) d += std::string(s.PlaceName(p)) + "=" + std::to_string(values.marking[p]) + " ";
    }
    return d;
  } catch (const Failure& f) {
    return f.Message() + ReasonLine(f);
  }
}

TEST(ParseCount, DigitsWithThousandsOrMillions) {
  EXPECT_EQ(ParseCount("0"), 0);
  EXPECT_EQ(ParseCount("17"), 17);
  EXPECT_EQ(ParseCount("6K"), 6000);
  EXPECT_EQ(ParseCount("2M"), 2000000);
  EXPECT_EQ(ParseCount("9223372036854775807"), INT64_MAX);
  for (const char* wrong :
       {"", "K", "3k", "-1", "+1", "1.5", "2KM", "9223372036854775808", "9223372036854776K", "9223372036855M"}) {
    EXPECT_EQ(ParseCount(wrong), std::nullopt) << wrong;
  }
}

TEST(ReadValues, WeightsMarkingsAndArcKindsOfTheLineFormats) {
  const std::string ndr = "p 0 0 a 2K n\np 0 0 b 0 n\nt 0 0 t 0 w n\n";
  const std::vector<std::tuple<std::string, Grammar, std::string>> rows = {
      // The tr line gives p -> t first, with weight 2; the pl line repeats it.
      {"tr t p*2 -> q*3K\npl p (6K) -> t*5\npl p (2)\npl q (1M)\n", Grammar::kBasic,
       "p>t*2 t>q*3000 p=6000 q=1000000 "},
      // Both directions between one pair are two arcs; on a place line, before the arrow: a producer.
      {"tr t p -> p*2\n", Grammar::kBasic, "p>t*1 t>p*2 "},
      {"pl p t*4 -> u\n", Grammar::kBasic, "t>p*4 p>u*1 "},
      // Arc kinds only look at a marking; without -e the kind is part of a name.
      {"tr t a?1 b?-1 c!1 d!-1 e*3 -> f\n", Grammar::kWide, "e>t*3 t>f*1 "},
      {"tr t a?1 ->\n", Grammar::kBasic, "a?1>t*1 "},
      {"p 0 0 a 1 n\nt 0 0 t 0 w n\ne a t ?-1 n\ne a t !2 n\ne t a 2 n\n", Grammar::kBasic, "t>a*2 a=1 "},
      // Drawings count every edge (semiflows-ndr-repeated-edges-add-up), and their sum must fit.
      {ndr + "e a t 2 n\ne a t 3 n\ne t 0.5 40.0 b 0.5 40.0 4 n\ne t b\n", Grammar::kBasic,
       "a>t*2 a>t*3 t>b*4 t>b*1 a=2000 "},
      {ndr + "e a t 9223372036854775807 n\ne a t 1 n\n", Grammar::kBasic,
       "*** weight too large: a -> t\nvantira: the weights of the edges between them add up past 2^63 - 1\n"},
      {ndr + "e a t 2x n\n", Grammar::kBasic,
       "*** wrong weight: 2x\nvantira: line 4: a weight is a whole number, with K (10^3) or M (10^6) after it\n"},
      {"p 0 0 a -1 n\n", Grammar::kBasic,
       "*** wrong marking: -1\nvantira: line 1: a marking is a whole number, with K (10^3) or M (10^6) after it\n"},
      // The first marking of a place counts, and every one must be a count.
      {"pl p (2)\npl p (3)\n", Grammar::kBasic, "p=2 "},
      {"pl p (2)\npl p (3x)\n", Grammar::kBasic,
       "*** wrong marking: (3x)\nvantira: line 2: a marking is a whole number, with K (10^3) or M (10^6) after it\n"},
      {"pl p (99999999999999999999)\n", Grammar::kBasic,
       "*** wrong marking: (99999999999999999999)\nvantira: line 1: the marking is past 2^63 - 1\n"},
      // The first fault of the values is told; a fault of the reading
      // itself, even on a later line, before it.
      {"tr t p*x -> q*y\npl q (z)\n", Grammar::kBasic,
       "*** wrong weight: *x\nvantira: line 1: a weight is a whole number, with K (10^3) or M (10^6) after it\n"},
      {"tr t p*x\nxx\n", Grammar::kBasic, "*** unknown command: xx\nvantira: line 2: "},
      {ndr + "t 0 0 u 0 w n\ne t u 2x n\ne a t 3y n\n", Grammar::kWide,
       "*** wrong weight: 2x\nvantira: line 5: a weight is a whole number, with K (10^3) or M (10^6) after it\n"},
      {ndr + "e a t 2x n\nt 0 0 a 0 w n\n", Grammar::kBasic, "*** duplicate name: a\n"},
  };
  // A reader's own fault is checked up to its reason's place: its wording is the reader tests'.
  for (const auto& [text, grammar, expected] : rows) {
    EXPECT_EQ(Values(text, grammar).substr(0, expected.size()), expected) << text;
  }
}

TEST(ReadValues, PnmlInscriptionsMarkingsAndArcTypes) {
  const std::string head =
      "<pnml><net id=\"n\" type=\"P/T net\"><place id=\"p\"><initialMarking><value> 4 </value></initialMarking>"
      "</place><page id=\"g\"><referencePlace id=\"r\" ref=\"p\"/><transition id=\"t\"/><place id=\"q\"/>";
  const std::string tail = "</page></net></pnml>";
  EXPECT_EQ(Values(head +
                   "<arc id=\"a\" source=\"r\" target=\"t\"><inscription><text>3</text></inscription></arc>"
                   "<arc id=\"b\" source=\"t\" target=\"q\"/>"
                   "<arc id=\"c\" source=\"p\" target=\"t\"><inscription><text>7</text></inscription></arc>"
                   "<arc id=\"d\" source=\"q\" target=\"t\"><type value=\"inhibitor\"/></arc>"
                   "<arc id=\"e\" source=\"q\" target=\"t\"><type><text>read</text></type></arc>" +
                   tail),
            "p>t*3 t>q*1 p=4 ");
  EXPECT_EQ(Values(head + "<arc id=\"a\" source=\"q\" target=\"t\"><type value=\"transfer\"/></arc>" + tail),
            "*** transfer arc: q -> t\nvantira: line 1: its weight depends on the marking; semiflows are not defined "
            "with it\n");
  EXPECT_EQ(Values(head + "<arc id=\"a\" source=\"q\" target=\"t\"><type value=\"double\"/></arc>" + tail),
            "*** unknown arc type: double\nvantira: line 1: an arc is normal, inhibitor, read, test, reset or "
            "transfer\n");
  EXPECT_EQ(
      Values(head + "<arc id=\"a\" source=\"q\" target=\"t\"><inscription><text>x</text></inscription></arc>" + tail),
      "*** wrong weight: x\nvantira: line 1: a weight is a whole number below 2^63\n");
  // Attribute or child, one kind; both must agree.
  EXPECT_EQ(Values(head +
                   "<arc id=\"a\" source=\"q\" target=\"t\" type=\"inhibitor\"/>"
                   "<arc id=\"b\" source=\"q\" target=\"t\" type=\" normal \"><type><text>normal</text></type></arc>" +
                   tail),
            "q>t*1 p=4 ");
  EXPECT_EQ(Values(head + "<arc id=\"a\" source=\"q\" target=\"t\" type=\"reset\"><type value=\"read\"/></arc>" + tail),
            "*** conflicting arc types: q -> t\nvantira: line 1: its type attribute says reset and its type element "
            "read; an arc has one type\n");
  // Every marking, in place order, before any arc; the reader's own faults,
  // found after the document, before both.
  const std::string two =
      "<pnml><net id=\"n\" type=\"P/T net\"><page id=\"g\"><transition id=\"t\"/>\n"
      "<arc id=\"a\" source=\"p\" target=\"t\"><inscription><text>-1</text></inscription></arc>\n"
      "<place id=\"p\"/>\n<place id=\"q\"><initialMarking><text> 1x </text></initialMarking>"
      "</place>\n";
  EXPECT_EQ(Values(two + tail), "*** wrong marking: 1x\nvantira: line 4: a marking is a whole number below 2^63\n");
  EXPECT_EQ(Values(two + "<arc id=\"b\" source=\"p\" target=\"u\"/>" + tail).substr(0, 24),
            "*** unknown arc: p -> u\n");
  // Markings and weights in text or value children, the last one counting;
  // text inside an inner element does not.
  EXPECT_EQ(Values("<pnml><net id=\"n\" type=\"P/T net\"><place id=\"p\"><initialMarking><text>1</text>"
                   "<value>2<b>3</b>4</value></initialMarking><name><text>9</text></name></place>"
                   "<transition id=\"t\"/><arc id=\"a\" source=\"t\" target=\"p\"><inscription><text>5K</text>"
                   "</inscription></arc></net></pnml>"),
            "t>p*5000 p=24 ");
}

}  // namespace
