#include "formats/by_format.h"

#include "formats/input_text.h"
#include "formats/ndr_reader.h"
#include "formats/net_reader.h"
#include "formats/pnml_reader.h"
#include "store/adjacency.h"

namespace vantira {

Format PrepareByFormat(std::string& text) {
  const Format format = RecognizeFile(text);
  if (format != Format::kPnml) EndLastLine(text);
  return format;
}

void ReadByFormat(Format format, Grammar grammar, TextBlocks& input, NetStore& store, NameIndex& index,
                  GrammarHint& hint, PnmlLayout* layout) {
  switch (format) {
    case Format::kNdr:
      return ReadNDR(input, grammar, store, index, hint);
    case Format::kPnml:
      return ReadPNML(input, store, layout);
    case Format::kNet:
      return ReadNET(input, grammar, store, index, hint);
  }
}

void IndexByFormat(Format format, NetStore& store) {
  if (format != Format::kNdr) RemoveDuplicateArcs(store);
  AllocateIndex(store);
  CreateIOPT(store);
}
}  // namespace vantira
