#include "store/net_store.h"

#include <limits>

namespace vantira {

namespace {

// Counts stay signed 32-bit; a net that would overflow them cannot be held.
int32_t Grown(int32_t capacity, int64_t step) {
  int64_t grown = static_cast<int64_t>(capacity) + step;
  if (grown > std::numeric_limits<int32_t>::max()) throw NoMemory();
  return static_cast<int32_t>(grown);
}

// Each does nothing while there is room and otherwise grows its tables by one
// fixed step; ExpandNames grows the buffer to the next multiple of the step
// that leaves `room` bytes free behind fnames, in one reallocation.
[[gnu::noinline]] void ExpandNames(NetStore& s, int64_t room) {
  int64_t short_by = s.fnames + room - s.maxnames;
  int64_t steps = (short_by + NetStore::kNamesStep - 1) / NetStore::kNamesStep;
  s.maxnames = Grown(s.maxnames, steps * NetStore::kNamesStep);
  s.names.Resize(s.maxnames);
}

void ExpandP(NetStore& s) {
  if (s.m < s.maxm - 2) return;
  s.maxm = Grown(s.maxm, NetStore::kNodeStep);
  s.px.Resize(s.maxm);
  s.py.Resize(s.maxm);
  s.pn.Resize(s.maxm);
}

void ExpandT(NetStore& s) {
  if (s.n < s.maxn - 2) return;
  s.maxn = Grown(s.maxn, NetStore::kNodeStep);
  s.tx.Resize(s.maxn);
  s.ty.Resize(s.maxn);
  s.tn.Resize(s.maxn);
}

void ExpandAtp(NetStore& s) {
  if (s.fatp < s.maxatp) return;
  s.maxatp = Grown(s.maxatp, NetStore::kArcStep);
  s.atpp.Resize(s.maxatp);
  s.atpt.Resize(s.maxatp);
}

void ExpandApt(NetStore& s) {
  if (s.fapt < s.maxapt) return;
  s.maxapt = Grown(s.maxapt, NetStore::kArcStep);
  s.aptp.Resize(s.maxapt);
  s.aptt.Resize(s.maxapt);
}

}  // namespace

void AllocateStore(NetStore& s) {
  s.maxnames = NetStore::kFirstNames;
  s.maxm = NetStore::kFirstNodes;
  s.maxn = NetStore::kFirstNodes;
  s.maxapt = NetStore::kFirstArcs;
  s.maxatp = NetStore::kFirstArcs;
  s.tx.Allocate(s.maxn);
  s.ty.Allocate(s.maxn);
  s.tn.Allocate(s.maxn);
  s.n = 0;
  s.px.Allocate(s.maxm);
  s.py.Allocate(s.maxm);
  s.pn.Allocate(s.maxm);
  s.m = 0;
  s.names.Allocate(s.maxnames);
  s.fnames = 0;
  s.aptp.Allocate(s.maxapt);
  s.aptt.Allocate(s.maxapt);
  s.fapt = 0;
  s.atpp.Allocate(s.maxatp);
  s.atpt.Allocate(s.maxatp);
  s.fatp = 0;
}

int32_t CommitName(NetStore& s, std::string_view name) {
  const int64_t room = static_cast<int64_t>(name.size()) + 1 + NetStore::kNameSlack;
  if (s.fnames + room > s.maxnames) ExpandNames(s, room);
  int32_t offset = s.fnames;
  char* dest = s.names.Data() + offset;
  if (!name.empty()) std::memcpy(dest, name.data(), name.size());
  dest[name.size()] = '\0';
  s.fnames = offset + static_cast<int32_t>(name.size()) + 1;
  return offset;
}

void SetNetName(NetStore& s, std::string_view name) { s.netname = CommitName(s, name); }

int32_t AddPlace(NetStore& s, std::string_view name) {
  ExpandP(s);
  ++s.m;
  s.pn[s.m] = CommitName(s, name);
  return s.m;
}

int32_t AddTransition(NetStore& s, std::string_view name) {
  ExpandT(s);
  ++s.n;
  s.tn[s.n] = CommitName(s, name);
  return s.n;
}

void AppendAtp(NetStore& s, int32_t t, int32_t p, ArcStore arcs) {
  if (arcs == ArcStore::kClasses) return s.classes.JoinProducer(p, t);
  ExpandAtp(s);
  s.atpt[s.fatp] = t;
  s.atpp[s.fatp] = p;
  ++s.fatp;
}

void AppendApt(NetStore& s, int32_t p, int32_t t, ArcStore arcs) {
  if (arcs == ArcStore::kClasses) return s.classes.JoinConsumer(p, t);
  ExpandApt(s);
  s.aptp[s.fapt] = p;
  s.aptt[s.fapt] = t;
  ++s.fapt;
}

void ReleaseArcLists(NetStore& s) {
  s.aptp.Release();
  s.aptt.Release();
  s.atpp.Release();
  s.atpt.Release();
}

}  // namespace vantira
