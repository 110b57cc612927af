#include "formats/net_reader.h"

#include "formats/input_text.h"
#include "formats/tokens.h"
#include "store/adjacency.h"
#include "store/failure.h"

namespace vantira {

bool ArrowAt(const Line& line, int32_t cursor) {
  return cursor < line.Length() - 2 && line.At(cursor) == '-' && line.At(cursor + 1) == '>';
}

namespace {

enum class Kind { kPlace, kTransition };

class NetLineReader {
 public:
  NetLineReader(NetStore& store, NameIndex& index) : store_(store), index_(index) {}

  void Read(const Line& line) {
    if (IsCommentLine(line)) return;
    int32_t cursor = FirstNonBlank(line);
    if (cursor == line.Length()) return;
    std::string_view keyword = GetName(line, cursor);
    if (keyword == "pl") {
      ReadElementLine(line, cursor, Kind::kPlace);
    } else if (keyword == "tr") {
      ReadElementLine(line, cursor, Kind::kTransition);
    } else if (keyword == "lb") {
      // Labels matter only to the subnet files, which copy them.
    } else if (keyword == "net") {
      SwallowSpace(line, cursor);
      store_.netname = CommitName(store_, GetName(line, cursor));
    } else {
      throw MakeFailure(kExitBadInput, std::string("unknown command: ").append(keyword));
    }
  }

 private:
  // A "pl" or "tr" line: the declared element, an optional marking or
  // interval, then arc entries naming elements of the other kind.
  void ReadElementLine(const Line& line, int32_t cursor, Kind kind) {
    const bool place = kind == Kind::kPlace;
    SwallowSpace(line, cursor);
    std::string_view name = GetName(line, cursor);
    if (name == "->") {
      std::string text = place ? "empty place name: " : "empty transition name: ";
      throw MakeFailure(kExitBadInput, text.append(line.text));
    }
    const int32_t self = Declare(name, kind);

    SwallowSpace(line, cursor);
    char c = line.At(cursor);
    if (place ? c == '(' : (c == '[' || c == ']')) SkipToken(line, cursor);
    SwallowSpace(line, cursor);

    const Kind other = place ? Kind::kTransition : Kind::kPlace;
    while (!ArrowAt(line, cursor) && cursor < line.Length()) {
      int32_t e = ReadEntry(line, cursor, other);
      if (place) {
        AppendAtp(store_, e, self);
      } else {
        AppendApt(store_, e, self);
      }
    }
    if (!ArrowAt(line, cursor)) return;
    cursor += 2;
    SwallowSpace(line, cursor);
    while (cursor < line.Length()) {
      int32_t e = ReadEntry(line, cursor, other);
      if (place) {
        AppendApt(store_, self, e);
      } else {
        AppendAtp(store_, self, e);
      }
    }
  }

  // The element a declaration names: an existing one of its kind, or a new
  // one, unless the name belongs to the other kind.
  int32_t Declare(std::string_view name, Kind kind) {
    uint32_t hash = HashName(name);
    NameTable& own = kind == Kind::kPlace ? index_.places : index_.transitions;
    NameTable& other = kind == Kind::kPlace ? index_.transitions : index_.places;
    if (int32_t existing = own.Find(name, hash)) return existing;
    if (other.Find(name, hash) != 0) {
      throw MakeFailure(kExitBadInput, std::string("duplicate name: ").append(name));
    }
    int32_t e = kind == Kind::kPlace ? AddPlace(store_, name) : AddTransition(store_, name);
    own.Insert(e, name, hash);
    return e;
  }

  // One arc entry: a name of the expected kind (created when new), then an
  // optional weight glued to it, then blanks.
  int32_t ReadEntry(const Line& line, int32_t& cursor, Kind kind) {
    std::string_view name = GetName(line, cursor);
    uint32_t hash = HashName(name);
    NameTable& table = kind == Kind::kPlace ? index_.places : index_.transitions;
    int32_t e = table.Find(name, hash);
    if (e == 0) {
      e = kind == Kind::kPlace ? AddPlace(store_, name) : AddTransition(store_, name);
      table.Insert(e, name, hash);
    }
    if (line.At(cursor) == '*') {
      ++cursor;
      SkipToken(line, cursor);
    }
    SwallowSpace(line, cursor);
    return e;
  }

  NetStore& store_;
  NameIndex& index_;
};

// Name look-ups land at random in tables far bigger than the caches. Walking
// a few lines ahead and prefetching the slots their names hash to lets those
// misses overlap; it is only a hint and changes nothing else.
class Prefetcher {
 public:
  Prefetcher(std::string_view text, const NameIndex& index, int lines_ahead) : ahead_(text), index_(index) {
    for (int i = 0; i < lines_ahead; ++i) Advance();
  }

  void Advance() {
    std::string_view view;
    if (!ahead_.Next(view)) return;
    Line line{view};
    if (IsCommentLine(line)) return;
    int32_t cursor = FirstNonBlank(line);
    std::string_view keyword = GetName(line, cursor);
    const bool place = keyword == "pl";
    if (!place && keyword != "tr") return;
    const NameTable& own = place ? index_.places : index_.transitions;
    const NameTable& other = place ? index_.transitions : index_.places;
    SwallowSpace(line, cursor);
    own.Prefetch(HashName(GetName(line, cursor)));
    while (cursor < line.Length()) {
      SwallowSpace(line, cursor);
      if (line.At(cursor) == '*' || line.At(cursor) == '(' || line.At(cursor) == '[' || ArrowAt(line, cursor)) {
        SkipToken(line, cursor);
        continue;
      }
      if (cursor < line.Length()) other.Prefetch(HashName(GetName(line, cursor)));
    }
  }

 private:
  LineCursor ahead_;
  const NameIndex& index_;
};

}  // namespace

void ReadNET(std::string_view text, NetStore& store, NameIndex& index) {
  NetLineReader reader(store, index);
  Prefetcher prefetcher(text, index, 4);
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    prefetcher.Advance();
    ExpandNames(store, NameRoomForLine(view.size()));
    reader.Read(Line{view});
  }
  // The same arc may be given on several lines; it counts once.
  RemoveDuplicateArcs(store);
}

}  // namespace vantira
