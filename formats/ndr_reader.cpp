#include "formats/ndr_reader.h"

#include <array>

#include "formats/input_text.h"
#include "formats/ndr_record.h"
#include "store/failure.h"

namespace vantira {

EdgeEnds ResolveEdge(const NameIndex& index, const NdrRecord& edge) {
  EdgeEnds ends;
  if ((ends.place = index.places.Find(edge.name, edge.hash)) != 0) {
    ends.from_place = true;
    ends.transition = index.transitions.Find(edge.target, edge.target_hash);
  } else if ((ends.transition = index.transitions.Find(edge.name, edge.hash)) != 0) {
    ends.place = index.places.Find(edge.target, edge.target_hash);
    if (ends.place == 0) ends.transition = 0;
  }
  return ends;
}

namespace {

class NdrApplier {
 public:
  NdrApplier(NetStore& store, NameIndex& index) : store_(store), index_(index) {}

  void Apply(const NdrRecord& record) {
    switch (record.kind) {
      case NdrRecord::Kind::kSkip:
      case NdrRecord::Kind::kOther:  // carries nothing the decomposition needs
        return;
      case NdrRecord::Kind::kNetName:
        store_.netname = CommitName(store_, record.name);
        return;
      case NdrRecord::Kind::kPlace:
        CheckNewName(record);
        index_.places.Insert(AddPlace(store_, record.name), record.name, record.hash);
        return;
      case NdrRecord::Kind::kTransition:
        CheckNewName(record);
        index_.transitions.Insert(AddTransition(store_, record.name), record.name, record.hash);
        return;
      case NdrRecord::Kind::kEdge: {
        const EdgeEnds ends = ResolveEdge(index_, record);
        if (ends.transition == 0) {
          std::string text = "unknown arc: ";
          throw MakeFailure(kExitBadInput, text.append(record.name).append(" -> ").append(record.target));
        }
        if (ends.from_place) {
          AppendApt(store_, ends.place, ends.transition);
        } else {
          AppendAtp(store_, ends.transition, ends.place);
        }
        return;
      }
    }
  }

  // Hints the slots this record's names will be looked up in.
  void Prefetch(const NdrRecord& record) const {
    if (record.kind == NdrRecord::Kind::kSkip || record.kind == NdrRecord::Kind::kOther ||
        record.kind == NdrRecord::Kind::kNetName) {
      return;
    }
    index_.places.Prefetch(record.hash);
    index_.transitions.Prefetch(record.hash);
    if (record.kind != NdrRecord::Kind::kEdge) return;
    index_.places.Prefetch(record.target_hash);
    index_.transitions.Prefetch(record.target_hash);
  }

 private:
  // Names are unique over places and transitions together.
  void CheckNewName(const NdrRecord& record) const {
    if (index_.places.Find(record.name, record.hash) != 0 ||
        index_.transitions.Find(record.name, record.hash) != 0) {
      throw MakeFailure(kExitBadInput, std::string("duplicate name: ").append(record.name));
    }
  }

  NetStore& store_;
  NameIndex& index_;
};

}  // namespace

void ReadNDR(std::string_view text, NetStore& store, NameIndex& index) {
  store.m = 0;
  store.n = 0;
  NdrApplier applier(store, index);
  // As in the .net reader: records are taken apart a few lines ahead and
  // their hash slots prefetched; they are entered strictly in order.
  constexpr std::size_t kAhead = 8;
  std::array<NdrRecord, kAhead> parsed;
  std::array<std::string_view, kAhead> views;
  LineCursor lines(text);
  std::size_t filled = 0;
  while (filled < kAhead && lines.Next(views[filled])) {
    ParseNdrRecord(Line{views[filled]}, parsed[filled]);
    applier.Prefetch(parsed[filled]);
    ++filled;
  }
  for (std::size_t i = 0; filled > 0; i = (i + 1) % kAhead, --filled) {
    ExpandNames(store, NameRoomForLine(views[i].size()));
    applier.Apply(parsed[i]);
    if (lines.Next(views[i])) {
      ParseNdrRecord(Line{views[i]}, parsed[i]);
      applier.Prefetch(parsed[i]);
      ++filled;
    }
  }
}

}  // namespace vantira
