// The net of one run: names, transitions 1..n, places 1..m, the arc lists the
// readers fill, and the adjacency index built from them.
//
// Entry 0 of every per-transition and per-place table stands for "none". Names
// live back to back in `names`, each followed by a NUL, and are referred to by
// offset, so growing the buffer never invalidates a reference.
//
// Adjacency index (filled by CreateIOPT, all ranges half-open):
//   input places of t   at[tx[t] .. ty[t])     output places of t  at[ty[t] .. tx[t+1])
//   producers of p      ap[px[p] .. py[p])     consumers of p      ap[py[p] .. px[p+1])
// tx[n+1] and px[m+1] are sentinel ends; the tables always keep room for them.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "base/c_array.h"
#include "store/arc_classes.h"
#include "store/node_labels.h"

namespace vantira {

// Where a reader puts the arcs: in the arc lists, which everything can be
// built from, or only joined into the store's `classes`, which is all a
// report without listings needs and takes far less memory.
enum class ArcStore { kLists, kClasses };

struct NetStore {
  // The fixed growth steps (tables never double), and the first capacities:
  // small, so that a small net's run takes little fresh memory.
  static constexpr int32_t kNamesStep = 16384;
  static constexpr int32_t kNodeStep = 1024;
  static constexpr int32_t kArcStep = 2048;
  static constexpr int32_t kFirstNames = 1024;
  static constexpr int32_t kFirstNodes = 64;
  static constexpr int32_t kFirstArcs = 128;
  // Bytes past the NUL of the last name that can always be read, for code
  // that reads names 8 bytes at a time.
  static constexpr int32_t kNameSlack = 8;

  CArray<char> names;
  int32_t fnames = 0;
  int32_t maxnames = 0;
  int32_t netname = -1;

  int32_t n = 0;
  int32_t maxn = 0;
  CArray<int32_t> tn, tx, ty;

  int32_t m = 0;
  int32_t maxm = 0;
  CArray<int32_t> pn, px, py;

  CArray<int32_t> aptp, aptt;  // place-to-transition arcs
  int32_t fapt = 0;
  int32_t maxapt = 0;
  CArray<int32_t> atpt, atpp;  // transition-to-place arcs
  int32_t fatp = 0;
  int32_t maxatp = 0;

  CArray<int32_t> at, ap;
  int32_t fat = 0;
  int32_t fap = 0;

  ArcClasses classes;  // filled by arcs added with ArcStore::kClasses
  NodeLabels labels;   // filled by the readers when wanted

  std::string_view Name(int32_t offset) const {
    const char* s = names.Data() + offset;
    return {s, std::strlen(s)};
  }
  std::string_view TransitionName(int32_t t) const { return Name(tn[t]); }
  std::string_view PlaceName(int32_t p) const { return Name(pn[p]); }
  // The net's name as the report shows it.
  std::string_view NetName() const { return netname < 0 ? std::string_view("noname") : Name(netname); }

  // The ranges of the adjacency index above, by name.
  std::span<const int32_t> Inputs(int32_t t) const { return {at.Data() + tx[t], at.Data() + ty[t]}; }
  std::span<const int32_t> Outputs(int32_t t) const { return {at.Data() + ty[t], at.Data() + tx[t + 1]}; }
  std::span<const int32_t> Producers(int32_t p) const { return {ap.Data() + px[p], ap.Data() + py[p]}; }
  std::span<const int32_t> Consumers(int32_t p) const { return {ap.Data() + py[p], ap.Data() + px[p + 1]}; }
};

// Takes every table at its initial capacity, all counts 0. Every operation
// below that adds to the store makes its own room, growing a table by fixed
// steps; a count that would pass 2^31 - 1 throws NoMemory.
void AllocateStore(NetStore& store);

// Appends `name` and its NUL to `names` and returns its offset; kNameSlack
// bytes behind it stay readable.
int32_t CommitName(NetStore& store, std::string_view name);

// The net's name; a later call replaces it.
void SetNetName(NetStore& store, std::string_view name);

// New place or transition named `name`, numbered one past the last; returns
// its number. Uniqueness of names is the reader's affair.
int32_t AddPlace(NetStore& store, std::string_view name);
int32_t AddTransition(NetStore& store, std::string_view name);

// An arc from transition t to place p, and from place p to transition t,
// put where `arcs` says.
void AppendAtp(NetStore& store, int32_t t, int32_t p, ArcStore arcs);
void AppendApt(NetStore& store, int32_t p, int32_t t, ArcStore arcs);

// Frees the arc lists once the adjacency index holds what they held.
void ReleaseArcLists(NetStore& store);

}  // namespace vantira
