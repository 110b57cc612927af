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

void ReadByFormat(Format format, Grammar grammar, TextBlocks& input, NetStore& store, ArcStore arcs, NameIndex& index,
                  GrammarHint& hint, PnmlLayout* layout) {
  switch (format) {
    case Format::kNdr:
      return ReadNDR(input, grammar, store, arcs, index, hint);
    case Format::kPnml:
      return ReadPNML(input, store, arcs, layout);
    case Format::kNet:
      return ReadNET(input, grammar, store, arcs, index, hint);
  }
}

void IndexByFormat(Format format, NetStore& store) {
  if (format != Format::kNdr) RemoveDuplicateArcs(store);
  CreateIOPT(store);
}
}  // namespace vantira
