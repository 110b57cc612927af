#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "base/failure.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/recognize.h"
#include "store/adjacency.h"
#include "tests/store/store_invariants.h"

using namespace vantira;

namespace {

// "N:net P:places T:transitions A:place>transition arcs B:transition>place arcs", N:- for no net name,
// arcs repeated in a description or a document dropped as before indexing; first checks what must hold
// of every store a reader fills.
std::string Describe(NetStore& s, const NameIndex& index, Format format) {
  if (format != Format::kNdr) RemoveDuplicateArcs(s);
  EXPECT_EQ(StoreFaults(s, index), "");
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

// What reading `text` gives, as a run reads it: from memory, or from a file in
// blocks of `block` bytes (then, after a failure, the rest of the input is
// checked, as a run does). The hint, then the failure's message or, when
// `describe`, the store.
std::string Read(std::string text, Grammar grammar = Grammar::kBasic, bool describe = true, std::size_t block = 0) {
  NetStore s;
  NameIndex index(s);
  AllocateStore(s);
  GrammarHint hint;
  std::FILE* file = block == 0 ? nullptr : std::tmpfile();
  std::string result;
  try {
    std::optional<TextBlocks> input;
    try {
      Format format = Format::kNet;
      if (file != nullptr) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fflush(file);
        std::rewind(file);
        format = input.emplace(fileno(file), block).Recognize();
      } else {
        RefuseNul(text);
        format = PrepareByFormat(text);
        input.emplace(text);
      }
      ReadByFormat(format, grammar, *input, {s, ArcStore::kLists, index, hint, nullptr});
      const std::string store = Describe(s, index, format);
      result = describe ? store : "";
    } catch (const Failure&) {
      if (file != nullptr) input->CheckRest();
      throw;
    }
  } catch (const Failure& f) {
    result = f.Message();
  }
  if (file != nullptr) std::fclose(file);
  return hint.Text() + result;
}

std::string HintOf(std::string text, Grammar grammar = Grammar::kBasic) { return Read(text, grammar, false); }

std::string Hint(int line, std::string_view reading) {
  return "vantira: line " + std::to_string(line) + ": " + std::string(reading) + "; -e reads the wider grammar\n";
}

}  // namespace

TEST(RecognizeFile, OnlyTheFirstSignificantLineDecides) {
  for (const char* ndr : {"# c\n\n  p 10 20 a\n", "\r\n\tt 1 2 x\r\n", "h n\ntr t\n"}) {
    EXPECT_EQ(RecognizeFile(ndr), Format::kNdr) << ndr;
  }
  for (const char* net : {"p\t1 2 a\n", " # c\np 1 2 a\n", "e a b\np 1 2 a\n", "tr t\n", "pl p\n", "net n\n",
                          "lb x\n", "p\n", "pq 1\n", "", "# only\n\n \n", "\xEF\xBB\xBF <pnml/>", "\xEF\xBB\xBF\n<pnml/>",
                          "\xEF\xBB\xBF\xEF\xBB\xBF<pnml/>", "\xEF\xBB<pnml/>", "tr <a\n", "# <x>\n\n tr t\n"}) {
    EXPECT_EQ(RecognizeFile(net), Format::kNet) << net;
  }
  for (const char* pnml : {"<", "<?xml version=\"1.0\"?>\n<pnml/>", " \t<pnml", "\xEF\xBB\xBF<pnml/>", "\r\n# c\n \xEF\xBB\xBF<x",
                           "  \n<p 1 2 a\n"}) {
    EXPECT_EQ(RecognizeFile(pnml), Format::kPnml) << pnml;
  }
}

// What lines and documents read into (where names end, arrows, skipped
// tokens, repeats, empty names, labels with -e and without, PNML's numbering,
// ids, pages and names) are end-to-end cases (net-names-end-*, net-reads-*,
// wide-label-*, net-label-read-as-entries-*, pnml-reads-*), their JSON
// reports byte for byte, and so are the hints
// (net-hint-*, wide-no-hint-*); here, only the first construct of the wider
// grammar is hinted, far into long texts too.
TEST(GrammarHint, FirstConstructOfTheWiderGrammarOnly) {
  const std::string place_kind = "an arc kind after '?' or '!' is read as part of a place name here";
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

TEST(TextBlocks, ReadBlockByBlockAsWhole) {
  using namespace std::string_literals;
  const std::string long_name(100, 'x');
  const std::vector<std::string> texts = {
      "",
      "# only a comment",
      "net n\ntr t1 p1 -> p2\ntr t2 p2 -> p3\npl p3 -> t1\n",
      "# a comment longer than a block, before the first significant line\n\ntr t " + long_name + " -> q",
      "tr t1 " + long_name + " -> " + long_name + "\r\ntr t2 : lab p\r\ntr t3 p?1\n",
      "p 1 2 a\nt 1 2 b\ne a b\ne b " + long_name + "\nh name",
      "<pnml><net type=\"http://www.pnml.org/version-2009/grammar/ptnet\"><page>\n<place id=\"" + long_name +
          "\"/><transition id=\"t\"/>\n<arc id=\"a\" source=\"" + long_name + "\" target=\"t\"/></page></net></pnml>",
      "tr t p\nzz fails here\ntr u q\n",
      "tr t p\nzz fails here\n" + std::string(50, '#') + "\nnul \0 here\n"s,
      "tr t p\nnul \0 here\nzz fails after it\n"s,
  };
  ASSERT_NE(texts[8].find('\0'), std::string::npos);
  ASSERT_NE(texts[9].find('\0'), std::string::npos);
  for (const std::string& text : texts) {
    const std::string whole = Read(text);
    for (std::size_t block : {1, 7, 16, 64, 1 << 20})
      EXPECT_EQ(Read(text, Grammar::kBasic, true, block), whole) << text << block;
  }
  EXPECT_EQ(Read(texts[8]), "*** wrong input file\n");
}

TEST(TextBlocks, LargeFilesReadAheadOnASecondThreadAsWhole) {
  // Large enough to be taken apart on a second thread, in many chunks.
  std::string net;
  std::string ndr;
  for (int i = 1; i <= 60000; ++i) {
    const std::string t = std::to_string(i);
    net += "tr t" + t + " p" + t + " p" + std::to_string(i / 3) + " -> p" + std::to_string(i + 1) + "\n";
    if (i % 1000 == 0) net += "# a comment\n\n";
    ndr += "t 1 2 t" + t + " 0 w n\ne t" + t + " p" + std::to_string(i % 7919) + " 1\n";
  }
  // Every place an edge names, declared first.
  std::string places;
  for (int i = 0; i < 7919; ++i) places += "p 1 2 p" + std::to_string(i) + " 0 n\n";
  ndr.insert(0, places);
  const std::vector<std::string> texts = {
      net,
      ndr,
      net + "tr late p?1\n",  // a hint of the wider grammar, late
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string whole = Read(texts[i]);
    // Compared whole: a difference would print megabytes.
    for (std::size_t block : {4096, 1 << 18})
      EXPECT_TRUE(Read(texts[i], Grammar::kBasic, true, block) == whole) << i << " " << block;
  }
  // Both formats read through to the end, not to an early failure.
  EXPECT_EQ(Read(net).rfind("N:- P:p1,p0,p2,", 0), 0u);
  EXPECT_EQ(Read(ndr).rfind("N:- P:p0,p1,p2,", 0), 0u);
  ASSERT_GT(ndr.size(), std::size_t{1} << 20);
  // Failures far from the start, and a NUL byte after one, read on this path
  // are end-to-end checks (faults.sh, failing-line-of-60000).
}
