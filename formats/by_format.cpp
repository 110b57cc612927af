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

void ReadByFormat(Format format, Grammar grammar, TextBlocks& input, const ReadInto& into) {
  switch (format) {
    case Format::kNdr:
      return ReadNDR(input, grammar, into.store, into.arcs, into.index, into.hint, into.values, into.layout);
    case Format::kPnml:
      return ReadPNML(input, into.store, into.arcs, into.layout, into.values);
    case Format::kNet:
      return ReadNET(input, grammar, into.store, into.arcs, into.index, into.hint, into.values, into.layout);
  }
}

bool RepeatsCountOnce(Format format) { return format != Format::kNdr; }

void IndexByFormat(Format format, NetStore& store) {
  if (RepeatsCountOnce(format)) RemoveDuplicateArcs(store);
  CreateIOPT(store);
}
}  // namespace vantira
