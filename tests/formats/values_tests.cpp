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
      // The first marking of a place counts (every one must be a count, and
      // the first fault of the values is told after the reading's own:
      // semiflows-*-marking-*, semiflows-*-fault-*).
      {"pl p (2)\npl p (3)\n", Grammar::kBasic, "p=2 "},
  };
  for (const auto& [text, grammar, expected] : rows) EXPECT_EQ(Values(text, grammar), expected) << text;
}

// References, inscriptions, arc kinds and types, and the faults of values
// are semiflows-pnml-* cases; here, markings and weights in text or value
// children, the last one counting, and no text inside an inner element.
TEST(ReadValues, PnmlMarkingsAndWeightsInTextOrValueChildren) {
  EXPECT_EQ(Values("<pnml><net id=\"n\" type=\"P/T net\"><place id=\"p\"><initialMarking><text>1</text>"
                   "<value>2<b>3</b>4</value></initialMarking><name><text>9</text></name></place>"
                   "<transition id=\"t\"/><arc id=\"a\" source=\"t\" target=\"p\"><inscription><text>5K</text>"
                   "</inscription></arc></net></pnml>"),
            "t>p*5000 p=24 ");
}

}  // namespace
