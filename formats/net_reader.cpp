#include "formats/net_reader.h"

#include "formats/net_line.h"
#include "formats/read_ahead.h"
#include "store/failure.h"

namespace vantira {

namespace {

class NetApplier {
 public:
  NetApplier(NetStore& store, NameIndex& index) : store_(store), index_(index) {}

  // Enters one parsed line into the store.
  void Apply(const NetLine& line, std::string_view text) {
    switch (line.kind) {
      case NetLine::Kind::kSkip:
      case NetLine::Kind::kLabel:  // labels matter only to the subnet files, which copy them
        return;
      case NetLine::Kind::kNet:
        store_.netname = CommitName(store_, line.name);
        return;
      case NetLine::Kind::kUnknown:
        throw MakeFailure(kExitBadInput, std::string("unknown command: ").append(line.keyword));
      case NetLine::Kind::kPlace:
      case NetLine::Kind::kTransition:
        ApplyElementLine(line, text);
        return;
    }
  }

  // Hints the slots this line's names will be looked up in.
  void Prefetch(const NetLine& line) const {
    if (line.kind != NetLine::Kind::kPlace && line.kind != NetLine::Kind::kTransition) return;
    const bool place = line.kind == NetLine::Kind::kPlace;
    const NameTable& other = place ? index_.transitions : index_.places;
    // A new declared name is looked up among both kinds.
    (place ? index_.places : index_.transitions).Prefetch(line.hash);
    other.Prefetch(line.hash);
    for (const NetEntry& entry : line.entries) other.Prefetch(entry.hash);
  }

 private:
  void ApplyElementLine(const NetLine& line, std::string_view text) {
    const bool place = line.kind == NetLine::Kind::kPlace;
    if (line.name == "->") {
      std::string message = place ? "empty place name: " : "empty transition name: ";
      throw MakeFailure(kExitBadInput, message.append(text));
    }
    const int32_t self = Declare(line, place);
    for (std::size_t i = 0; i < line.entries.size(); ++i) {
      const int32_t e = Resolve(line.entries[i], !place);
      const bool before = i < line.before_arrow;
      // Before the arrow a place line lists its producers and a transition
      // line its input places; after it, the other direction.
      if (place == before) {
        place ? AppendAtp(store_, e, self) : AppendAtp(store_, self, e);
      } else {
        place ? AppendApt(store_, self, e) : AppendApt(store_, e, self);
      }
    }
  }

  // The element a declaration names: an existing one of its kind, or a new
  // one, unless the name belongs to the other kind.
  int32_t Declare(const NetLine& line, bool place) {
    NameTable& own = place ? index_.places : index_.transitions;
    if (int32_t existing = own.Find(line.name, line.hash)) return existing;
    if ((place ? index_.transitions : index_.places).Find(line.name, line.hash) != 0) {
      throw MakeFailure(kExitBadInput, std::string("duplicate name: ").append(line.name));
    }
    return Add(own, line.name, line.hash, place);
  }

  // An arc entry names an element of the expected kind, created when new;
  // the same name among the other kind does not matter here.
  int32_t Resolve(const NetEntry& entry, bool place) {
    NameTable& table = place ? index_.places : index_.transitions;
    if (int32_t e = table.Find(entry.name, entry.hash)) return e;
    return Add(table, entry.name, entry.hash, place);
  }

  int32_t Add(NameTable& table, std::string_view name, uint32_t hash, bool place) {
    int32_t e = place ? AddPlace(store_, name) : AddTransition(store_, name);
    table.Insert(e, name, hash);
    return e;
  }

  NetStore& store_;
  NameIndex& index_;
};

}  // namespace

void ReadNET(std::string_view text, NetStore& store, NameIndex& index) {
  NetApplier applier(store, index);
  ReadAhead<NetLine, 4>(
      text, store, index, [](std::string_view view, NetLine& line) { ParseNetLine(Line{view}, line); },
      [&](const NetLine& line) { applier.Prefetch(line); },
      [&](const NetLine& line, std::string_view view) { applier.Apply(line, view); });
}

}  // namespace vantira
