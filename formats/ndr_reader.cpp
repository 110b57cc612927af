#include "formats/ndr_reader.h"

#include "formats/input_text.h"
#include "store/failure.h"

namespace vantira {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

Failure UnknownArc(const EdgeNames& edge) {
  std::string text = "unknown arc: ";
  text.append(edge.source).append(" -> ").append(edge.target);
  return MakeFailure(kExitBadInput, text);
}

// Names are unique over places and transitions together.
void CheckNewName(const NameIndex& index, std::string_view name, uint32_t hash) {
  if (index.places.Find(name, hash) != 0 || index.transitions.Find(name, hash) != 0) {
    throw MakeFailure(kExitBadInput, std::string("duplicate name: ").append(name));
  }
}

void ReadRecord(const Line& line, NetStore& store, NameIndex& index) {
  if (IsCommentLine(line)) return;
  int32_t cursor = FirstNonBlank(line);
  if (cursor == line.Length()) return;
  char key = line.At(cursor);
  ++cursor;  // the rest of the key's word already belongs to the record
  switch (key) {
    case 'h':
      SwallowSpace(line, cursor);
      store.netname = CommitName(store, GetName(line, cursor));
      break;
    case 'p': {
      std::string_view name = ReadRecordName(line, cursor);
      uint32_t hash = HashName(name);
      CheckNewName(index, name, hash);
      index.places.Insert(AddPlace(store, name), name, hash);
      break;
    }
    case 't': {
      std::string_view name = ReadRecordName(line, cursor);
      uint32_t hash = HashName(name);
      CheckNewName(index, name, hash);
      index.transitions.Insert(AddTransition(store, name), name, hash);
      break;
    }
    case 'e': {
      EdgeNames edge = ReadEdgeNames(line, cursor);
      uint32_t source_hash = HashName(edge.source);
      uint32_t target_hash = HashName(edge.target);
      if (int32_t p = index.places.Find(edge.source, source_hash)) {
        int32_t t = index.transitions.Find(edge.target, target_hash);
        if (t == 0) throw UnknownArc(edge);
        AppendApt(store, p, t);
      } else {
        int32_t t = index.transitions.Find(edge.source, source_hash);
        if (t == 0) throw UnknownArc(edge);
        int32_t target = index.places.Find(edge.target, target_hash);
        if (target == 0) throw UnknownArc(edge);
        AppendAtp(store, t, target);
      }
      break;
    }
    default:
      break;  // other records carry nothing the decomposition needs
  }
}

}  // namespace

std::string_view ReadRecordName(const Line& line, int32_t& cursor) {
  SwallowSpace(line, cursor);
  SkipToken(line, cursor);
  SwallowSpace(line, cursor);
  SkipToken(line, cursor);
  SwallowSpace(line, cursor);
  return GetName(line, cursor);
}

EdgeNames ReadEdgeNames(const Line& line, int32_t& cursor) {
  EdgeNames edge;
  SwallowSpace(line, cursor);
  edge.source = GetName(line, cursor);
  SwallowSpace(line, cursor);
  if (IsDigit(line.At(cursor))) SkipToken(line, cursor);
  SwallowSpace(line, cursor);
  if (IsDigit(line.At(cursor))) SkipToken(line, cursor);
  SwallowSpace(line, cursor);
  edge.target = GetName(line, cursor);
  return edge;
}

void ReadNDR(std::string_view text, NetStore& store, NameIndex& index) {
  store.m = 0;
  store.n = 0;
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    ExpandNames(store, NameRoomForLine(view.size()));
    ReadRecord(Line{view}, store, index);
  }
}

}  // namespace vantira
