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

}  // namespace

void AllocateStore(NetStore& s) {
  s.maxnames = NetStore::kNamesStep;
  s.maxm = NetStore::kNodeStep;
  s.maxn = NetStore::kNodeStep;
  s.maxapt = NetStore::kArcStep;
  s.maxatp = NetStore::kArcStep;
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

int64_t NameRoomForLine(std::size_t length) {
  // A braced name "{x}" turns 3 bytes of the line into 4 stored bytes, the
  // worst ratio; the +2 covers an empty declared name.
  int64_t need = static_cast<int64_t>(length) + static_cast<int64_t>(length / 2) + 2;
  return need < NetStore::kLineRoom ? NetStore::kLineRoom : need;
}

void ExpandNames(NetStore& s, int64_t room) {
  if (s.fnames + room <= s.maxnames) return;
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

int32_t CommitName(NetStore& s, std::string_view name) {
  int32_t offset = s.fnames;
  char* dest = s.names.Data() + offset;
  if (!name.empty()) std::memcpy(dest, name.data(), name.size());
  dest[name.size()] = '\0';
  s.fnames = offset + static_cast<int32_t>(name.size()) + 1;
  return offset;
}

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

void AppendAtp(NetStore& s, int32_t t, int32_t p) {
  if (s.join_arcs) return s.classes.JoinProducer(p, t);
  ExpandAtp(s);
  s.atpt[s.fatp] = t;
  s.atpp[s.fatp] = p;
  ++s.fatp;
}

void AppendApt(NetStore& s, int32_t p, int32_t t) {
  if (s.join_arcs) return s.classes.JoinConsumer(p, t);
  ExpandApt(s);
  s.aptp[s.fapt] = p;
  s.aptt[s.fapt] = t;
  ++s.fapt;
}

void AllocateIndex(NetStore& s) {
  int64_t entries = static_cast<int64_t>(s.fatp) + s.fapt + 1;
  s.at.Allocate(static_cast<std::size_t>(entries));
  s.fat = 0;
  s.ap.Allocate(static_cast<std::size_t>(entries));
  s.fap = 0;
}

void ReleaseArcLists(NetStore& s) {
  s.aptp.Release();
  s.aptt.Release();
  s.atpp.Release();
  s.atpt.Release();
}

}  // namespace vantira
