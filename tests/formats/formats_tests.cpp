#include <gtest/gtest.h>

#include <string>

#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/ndr_reader.h"
#include "formats/net_reader.h"
#include "formats/recognize.h"
#include "formats/tokens.h"
#include "store/adjacency.h"
#include "store/failure.h"

using namespace vantira;
using V = std::vector<int32_t>;
using Rows = std::vector<std::pair<std::string, std::string>>;

namespace {

// "N:net P:places T:transitions A:place>transition arcs B:transition>place arcs", N:- for no net name.
std::string Describe(const NetStore& s) {
  std::string d = "N:" + (s.netname < 0 ? std::string("-") : std::string(s.Name(s.netname))) + " P:";
  for (int p = 1; p <= s.m; ++p) d.append(s.PlaceName(p)).append(p < s.m ? "," : "");
  d += " T:";
  for (int t = 1; t <= s.n; ++t) d.append(s.TransitionName(t)).append(t < s.n ? "," : "");
  d += " A:";
  for (int k = 0; k < s.fapt; ++k) d.append(s.PlaceName(s.aptp[k])).append(">").append(s.TransitionName(s.aptt[k])) += ' ';
  d += "B:";
  for (int k = 0; k < s.fatp; ++k) d.append(s.TransitionName(s.atpt[k])).append(">").append(s.PlaceName(s.atpp[k])) += ' ';
  return d;
}

// ReadNET in the basic grammar, then the dropping of repeated arcs that comes
// before indexing.
void ReadNetOnce(std::string_view text, NetStore& s, NameIndex& index) {
  GrammarHint hint;
  ReadNET(text, Grammar::kBasic, s, index, hint);
  RemoveDuplicateArcs(s);
}

void ReadNdrBasic(std::string_view text, NetStore& s, NameIndex& index) {
  GrammarHint hint;
  ReadNDR(text, Grammar::kBasic, s, index, hint);
}

// What `reader` made of `text`, or the failure's message followed by its status.
template <class Reader>
std::string Read(Reader reader, std::string text) {
  NetStore s;
  NameIndex index(s);
  AllocateStore(s);
  try {
    PrepareInputText(text);
    reader(text, s, index);
  } catch (const Failure& f) {
    return f.Message() + std::to_string(f.Status());
  }
  return Describe(s);
}

}  // namespace

TEST(Tokens, NamesAndBlanks) {
  struct Case {
    std::string text, name;
    int32_t end;
  };
  for (const Case& c : std::vector<Case>{
           {"abc*2", "abc", 3}, {"a{b} x", "a{b}", 4}, {"ab\tc", "ab", 2}, {"a\rb", "a", 1}, {"{a b}c", "{a b}", 5},
           {"{a*b} ", "{a*b}", 5}, {"{a\\}b}x", "{a\\}b}", 6}, {"{a\\\\}b}", "{a\\\\}", 5}, {"{ab\nx}", "{ab", 3},
           {"{ab\r\n", "{ab", 3}, {"{a\\\nb}", "{a\\", 3}, {"{}}", "{}", 2}, {" x", "", 0}, {"*x", "", 0}, {"", "", 0}}) {
    int32_t cursor = 0;
    EXPECT_EQ(GetName(Line{c.text}, cursor), c.name) << c.text;
    EXPECT_EQ(cursor, c.end) << c.text;
  }
  // An arc entry of the wider grammar also ends at "?" and "!".
  for (const Case& c : std::vector<Case>{{"p?1", "p", 1}, {"p!-1", "p", 1}, {"?", "", 0}, {"{a?b}?1", "{a?b}", 5},
                                         {"a*2?1", "a", 1}, {"a{?}", "a{", 2}}) {
    int32_t cursor = 0;
    EXPECT_EQ(GetEntryName(Line{c.text}, cursor), c.name) << c.text;
    EXPECT_EQ(cursor, c.end) << c.text;
  }
  const Line blanks{" \t\r\n"}, others{"\v\fa"};
  int32_t at_blanks = 0, at_others = 0;
  SwallowSpace(blanks, at_blanks);
  SwallowSpace(others, at_others);
  EXPECT_EQ(at_blanks, 4);
  EXPECT_EQ(at_others, 0);
  for (int32_t i = 0; i <= 4; ++i) EXPECT_TRUE(IsSpace(blanks, i)) << i;  // 4 is the end of the line
  for (int32_t i = 0; i < 3; ++i) EXPECT_FALSE(IsSpace(others, i)) << i;
}

TEST(RecognizeFile, OnlyTheFirstSignificantLineDecides) {
  for (const char* ndr : {"# c\n\n  p 10 20 a\n", "\r\n\tt 1 2 x\r\n", "h n\ntr t\n"}) {
    EXPECT_EQ(RecognizeFile(ndr), Format::kNdr) << ndr;
  }
  for (const char* net : {"p\t1 2 a\n", " # c\np 1 2 a\n", "e a b\np 1 2 a\n", "tr t\n", "pl p\n", "net n\n",
                          "lb x\n", "p\n", "pq 1\n", "", "# only\n\n \n"}) {
    EXPECT_EQ(RecognizeFile(net), Format::kNet) << net;
  }
}

TEST(ReadNET, WorkedExampleArrowsSkippedTokensRepeatsAndFailures) {
  const Rows rows = {
      {"net demo\n# two transitions\ntr t1 [0,1] p1 p2*2 -> p3\npl p3 (1) t1 -> t2\ntr t2 p3 -> p1\nlb t1 start\n",
       "N:demo P:p1,p2,p3 T:t1,t2 A:p1>t1 p2>t1 p3>t2 B:t1>p3 t2>p1 "},
      {"tr t a b", "N:- P:a,b T:t A:a>t b>t B:"},
      {"tr t ->a\n", "N:- P:a T:t A:B:t>a "},
      {"tr t a->b -> c\r\n", "N:- P:a->b,c T:t A:a->b>t B:t>c "},
      {"tr t -> p -> q\n", "N:- P:p,->,q T:t A:B:t>p t>-> t>q "},
      {"tr t [0,1] a\ntr u ]0,1[ a\ntr v [0, 1] a\n", "N:- P:a,1] T:t,u,v A:a>t a>u 1]>v a>v B:"},
      {"pl p (3) t*2 -> u *3\npl q(1)\n", "N:- P:p,q(1) T:t,u, A:p>u p> B:t>p "},
      {"tr t a b a\npl a -> t u\ntr t -> c\npl c t*5\n", "N:- P:a,b,c T:t,u A:a>t b>t a>u B:t>c "},
      {"tr u b\ntr t a\ntr u b a\npl c\npl a\n", "N:- P:b,a,c T:u,t A:b>u a>t a>u B:"},
      {"tr t t\ntr {t} {t}\n", "N:- P:t,{t} T:t,{t} A:t>t {t}>{t} B:"},
      {"pl\npl\ntr t *2\nnet\n", "N: P: T:t A:>t B:"},
      {"net b\nnet {my net} x\n# c\n\n \t\nlb nobody here\n", "N:{my net} P: T: A:B:"},
      {"pl x\ntr x\n", "*** duplicate name: x\n2"},
      {"tr t a\npl t\n", "*** duplicate name: t\n2"},
      {"pl ->\n", "*** empty place name: pl ->\n\n2"},
      {"tr  -> p\r\n", "*** empty transition name: tr  -> p\r\n\n2"},
      {" # not a comment\n", "*** unknown command: #\n2"},
      {"tr t\nPL a\n", "*** unknown command: PL\n2"},
      {std::string("tr t\0\n", 6), "*** wrong input file\n2"},
  };
  for (const auto& [input, expected] : rows) EXPECT_EQ(Read(ReadNetOnce, input), expected) << input;
}

TEST(ReadNDR, RecordsNumericFieldsAndFailures) {
  const std::string ab = "p 0 0 a\nt 0 0 b\n";
  const Rows rows = {
      {"p 10 20 a\nt 30 20 b\ne a b 1 n\ne b a 1 n\nh sample\n", "N:sample P:a T:b A:a>b B:b>a "},
      {"p10 20 a\nhsample\n", "N:sample P:a T: A:B:"},
      {ab + "e a 0.5 b\ne a 12 7 b\ne a b", "N:- P:a T:b A:a>b a>b a>b B:"},
      {ab + "e a -1 b\n", "*** unknown arc: a -> -1\n2"},
      {ab + "e a .5 b\n", "*** unknown arc: a -> .5\n2"},
      {ab + "e a 1 2 3 b\n", "*** unknown arc: a -> 3\n2"},
      {"t 0 0 t\np 0 0 1\ne t 0 0 1\n", "N:- P:1 T:t A:B:t>1 "},
      {"t 0 0 t\np 0 0 1\ne t 1\n", "*** unknown arc: t -> \n2"},
      {"p 0 0 a\ne a b\nt 0 0 b\n", "*** unknown arc: a -> b\n2"},
      {"p 0 0 a\np 0 0 b\ne a b\n", "*** unknown arc: a -> b\n2"},
      {"t 0 0 a\nt 0 0 b\ne b a\n", "*** unknown arc: b -> a\n2"},
      {"p 0 0 x\nt 0 0 x\n", "*** duplicate name: x\n2"},
      {"t 0 0 x\np 0 0 x\n", "*** duplicate name: x\n2"},
      {"p 0 0\np 0 0\n", "*** duplicate name: \n2"},
      {"p 0 0 a*b\nt 0 0 {a}\ne a {a}\ne {a} 9 a\n", "N:- P:a T:{a} A:a>{a} B:{a}>a "},
      {"h one\r\n  # x\nx 1 2\nq\nh {two}\n", "N:{two} P: T: A:B:"},
      {"h\n", "N: P: T: A:B:"},
  };
  for (const auto& [input, expected] : rows) EXPECT_EQ(Read(ReadNdrBasic, input), expected) << input;
}

namespace {

// The hint a reading in `grammar` gives, or the failure's message.
std::string HintOf(std::string text, Grammar grammar = Grammar::kBasic) {
  NetStore s;
  NameIndex index(s);
  AllocateStore(s);
  GrammarHint hint;
  try {
    PrepareInputText(text);
    ReadByFormat(RecognizeFile(text), grammar, text, s, index, hint);
  } catch (const Failure& f) {
    return hint.Text() + f.Message();
  }
  return hint.Text();
}

std::string Hint(int line, std::string_view reading) {
  return "vantira: line " + std::to_string(line) + ": " + std::string(reading) + "; -e reads the wider grammar\n";
}

}  // namespace

TEST(GrammarHint, FirstConstructOfTheWiderGrammarOnly) {
  const std::string place_label = "a label after ':' is read as a place here";
  const std::string place_kind = "an arc kind after '?' or '!' is read as part of a place name here";
  const Rows rows = {
      // Read alike by both grammars: no hint.
      {"tr t a?x b*2?1 {c?1} c? d!\n", ""},
      {"net a?1\nlb x?1 y\n# p?1\ntr p?1 -> q\npl p (1) : x\ntr t1: a\ntr t :x ::\n", ""},
      {"tr t : x\n", Hint(1, place_label)},
      {"tr t\t:\r\n", Hint(1, place_label)},
      {"\n# c\ntr t -> a b?-\n", Hint(3, place_kind)},
      {"pl p : x t!1\npr t\n", Hint(1, "a label after ':' is read as a transition here") + "*** unknown command: pr\n"},
      {"pl p -> t!0\n", Hint(1, "an arc kind after '?' or '!' is read as part of a transition name here")},
      {"t 0 0 a\nt 0 0 b\ne a 0 a\n", Hint(3, "an edge between two transitions is an unknown arc here") +
                                            "*** unknown arc: a -> a\n"},
  };
  for (const auto& [input, expected] : rows) {
    EXPECT_EQ(HintOf(input), expected) << input;
    if (expected.find("*** ") == std::string::npos) {
      EXPECT_EQ(HintOf(input, Grammar::kWide), "") << input;
    }
  }

  // Far into a text, past many lines that hold "?" or "!" without an arc kind.
  std::string big;
  for (int i = 1; i <= 20000; ++i) {
    big += i % 7 == 0 ? "# ?!\n" : "tr t" + std::to_string(i) + (i % 5 == 0 ? " p?x q!" : " p") + "\n";
  }
  EXPECT_EQ(HintOf(big + "tr u p?1\n"), Hint(20001, place_kind));
  EXPECT_EQ(HintOf(big + "tr u p\n"), "");
  // A "!" long after the last "?".
  std::string after = "tr v p?x\n";
  for (int i = 0; i < 1000; ++i) after += "tr w p\n";
  EXPECT_EQ(HintOf(after + "tr u p!1\n"), Hint(1002, place_kind));
}
