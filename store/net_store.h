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
#include <string_view>

#include "base/c_array.h"
#include "store/arc_classes.h"

namespace vantira {

struct NetStore {
  // Initial capacities and the fixed growth steps (tables never double).
  static constexpr int32_t kNamesStep = 16384;
  static constexpr int32_t kNodeStep = 1024;
  static constexpr int32_t kArcStep = 2048;
  static constexpr int32_t kLineRoom = 1024;

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

  // A run that lists neither the net nor the subnets sets this before
  // reading: the arcs are then joined into `classes` instead of being kept
  // in the arc lists, which stay empty.
  bool join_arcs = false;
  ArcClasses classes;

  std::string_view Name(int32_t offset) const {
    const char* s = names.Data() + offset;
    return {s, std::strlen(s)};
  }
  std::string_view TransitionName(int32_t t) const { return Name(tn[t]); }
  std::string_view PlaceName(int32_t p) const { return Name(pn[p]); }
  // The net's name as the report shows it.
  std::string_view NetName() const { return netname < 0 ? std::string_view("noname") : Name(netname); }
};

// Takes every table at its initial capacity, all counts 0.
void AllocateStore(NetStore& store);

// Growth operations: each does nothing while there is room and otherwise grows
// its tables by one fixed step. ExpandNames keeps at least `room` bytes free
// behind fnames (1024 for an ordinary line); a longer need grows the buffer to
// the next multiple of the step in one reallocation.
void ExpandNames(NetStore& store, int64_t room = NetStore::kLineRoom);
void ExpandP(NetStore& store);
void ExpandT(NetStore& store);
void ExpandAtp(NetStore& store);
void ExpandApt(NetStore& store);

// Bytes that ExpandNames must keep free before a line of `length` bytes is
// taken apart: every name the line can add, NULs included.
int64_t NameRoomForLine(std::size_t length);

// Appends `name` and its NUL at fnames (room must have been made) and returns
// its offset.
int32_t CommitName(NetStore& store, std::string_view name);

// New place or transition named `name`; returns its number.
int32_t AddPlace(NetStore& store, std::string_view name);
int32_t AddTransition(NetStore& store, std::string_view name);

// An arc: appended to its list, or joined into the store's classes.
void AppendAtp(NetStore& store, int32_t t, int32_t p);
void AppendApt(NetStore& store, int32_t p, int32_t t);

// Takes `at` and `ap` with one entry per arc, plus one.
void AllocateIndex(NetStore& store);
void ReleaseArcLists(NetStore& store);

}  // namespace vantira
