// What a PNML reading asked for the semiflows finds inside the net's place
// and arc elements: initial markings, inscriptions (weights) and arc types.
// The reader hands it the events inside those elements only in such a run;
// a fault among them is told once the document has read without one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "formats/pnml_nodes.h"
#include "formats/values_reading.h"
#include "store/net_values.h"

namespace vantira {

class PnmlInscriptions {
 public:
  explicit PnmlInscriptions(NetValues& values) : notes_(values) {}

  // Place p's element, or the element of arc `arc` (1, 2, ... in document
  // order) with its attributes, starts on `line`.
  void OpenPlace(int32_t p, uint64_t line);
  void OpenArc(int32_t arc, const char** atts, uint64_t line);
  bool Open() const { return !frames_.empty(); }

  // An element inside the open one starts; true when its character data is
  // now wanted (see Text).
  bool Start(std::string_view name, const char** atts);
  // The element inside the open one that started last ends; true when its
  // character data was wanted.
  bool End();
  void Text(std::string_view text);
  // The place or arc element itself ends.
  void Close();

  // After the reading: throws the first fault of a marking, in place order,
  // or else of an arc, in document order; or fills the values.
  void Finish(const PnmlNodes& nodes, int32_t m);

 private:
  enum class Frame : uint8_t { kSkip, kPlace, kArc, kMarking, kInscription, kType, kText };

  void ClosePlace();
  void CloseArc();
  std::optional<Failure> KindFault() const;

  ValueNotes notes_;
  std::vector<Frame> frames_;  // the open element and those inside it
  std::string* text_ = nullptr;
  uint64_t line_ = 0;
  int32_t node_ = 0;  // the open place or arc
  std::string marking_;
  std::string weight_;
  std::string source_;
  std::string target_;
  // The arc's kind as its `type` child writes it (value or text) and as its
  // own `type` attribute does; absent: not given that way.
  std::optional<std::string> kind_child_;
  std::optional<std::string> kind_attribute_;
  std::vector<std::pair<int32_t, int64_t>> weights_;  // arcs that move tokens
  std::optional<Failure> marking_fault_;
  std::optional<Failure> arc_fault_;
};

}  // namespace vantira
