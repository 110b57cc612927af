#include "decompose/json_report.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "decompose/decompose.h"
#include "decompose/graph.h"
#include "formats/json_text.h"
#include "store/prefetch.h"

namespace vantira {

namespace {

// Names of `elements` through `names_of`, each after a comma but the first
// of its list; `first` is that state, kept from one piece of a list to the
// next.
void PutNames(const NetStore& s, const CArray<int32_t>& names_of, std::span<const int32_t> elements, bool& first,
              Output& out) {
  const std::size_t count = elements.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Members come in no order of their names: fetch ahead, offsets first.
    if (i + 8 < count) PrefetchLine(&names_of[elements[i + 8]]);
    if (i + 4 < count) PrefetchLine(s.names.Data() + names_of[elements[i + 4]]);
    if (!first) out.Put(", ");
    first = false;
    PutJsonString(s.Name(names_of[elements[i]]), out);
  }
}

void PutPlaceList(const NetStore& s, std::string_view key, std::span<const int32_t> places, Output& out) {
  out.Put(key);
  bool first = true;
  PutNames(s, s.pn, places, first, out);
  out.Put(']');
}

// The JSON text of the subnets, written piece by piece as they grow: a
// subnet's object opens with the first transitions that join it and closes
// with its places.
class SubnetsText {
 public:
  SubnetsText(const NetStore& s, Output& out) : s_(s), out_(out) {}

  void Joined(int32_t k, std::span<const int32_t> transitions) {
    Open(k);
    PutNames(s_, s_.tn, transitions, first_, out_);
  }

  void Completed(int32_t k, std::span<const int32_t> xs, std::span<const int32_t> qs, std::span<const int32_t> ys) {
    Open(k);
    out_.Put(']');
    PutPlaceList(s_, ", \"input\": [", xs, out_);
    PutPlaceList(s_, ", \"internal\": [", qs, out_);
    PutPlaceList(s_, ", \"output\": [", ys, out_);
    out_.Put('}');
  }

 private:
  void Open(int32_t k) {
    if (k == open_) return;
    open_ = k;
    first_ = true;
    out_.Put(k == 1 ? "\n    {\"id\": " : ",\n    {\"id\": ");
    out_.PutNumber(k);
    out_.Put(", \"transitions\": [");
  }

  const NetStore& s_;
  Output& out_;
  int32_t open_ = 0;  // the subnet whose object is open
  bool first_ = true;
};

// What the growing side has told and the writer not yet written, back to
// back: a tag, the subnet and the lengths of its lists, then the lists.
class Batch {
 public:
  void Joined(int32_t k, std::span<const int32_t> transitions) {
    ints_.insert(ints_.end(), {kJoined, k, static_cast<int32_t>(transitions.size())});
    ints_.insert(ints_.end(), transitions.begin(), transitions.end());
  }
  void Completed(int32_t k, std::span<const int32_t> xs, std::span<const int32_t> qs, std::span<const int32_t> ys) {
    ints_.insert(ints_.end(), {kCompleted, k, static_cast<int32_t>(xs.size()), static_cast<int32_t>(qs.size()),
                               static_cast<int32_t>(ys.size())});
    for (std::span<const int32_t> list : {xs, qs, ys}) ints_.insert(ints_.end(), list.begin(), list.end());
  }
  std::size_t Size() const { return ints_.size(); }
  void Clear() { ints_.clear(); }

  void WriteTo(SubnetsText& text) const {
    const std::span<const int32_t> all(ints_);
    for (std::size_t at = 0; at < all.size();) {
      const int32_t k = all[at + 1];
      if (all[at] == kJoined) {
        const auto count = static_cast<std::size_t>(all[at + 2]);
        text.Joined(k, all.subspan(at + 3, count));
        at += 3 + count;
      } else {
        std::span<const int32_t> lists[3];
        std::size_t from = at + 5;
        for (std::size_t i = 0; i < 3; ++i) {
          lists[i] = all.subspan(from, static_cast<std::size_t>(all[at + 2 + i]));
          from += lists[i].size();
        }
        text.Completed(k, lists[0], lists[1], lists[2]);
        at = from;
      }
    }
  }

 private:
  static constexpr int32_t kJoined = 0;
  static constexpr int32_t kCompleted = 1;
  std::vector<int32_t> ints_;
};

// Writes the subnets on a second thread, so that their names are looked up
// and written while the subnets grow. The growing side never waits: it
// hands over what it has gathered whenever the writer has taken the last
// batch. Without a thread to be had, the text is written as it comes.
class SubnetWriter final : public SubnetSink {
 public:
  SubnetWriter(const NetStore& s, Output& out) : text_(s, out) {
    try {
      thread_ = std::jthread([this] { Loop(); });
    } catch (const std::system_error&) {
      // One after the other, then.
    }
  }
  SubnetWriter(const SubnetWriter&) = delete;
  SubnetWriter& operator=(const SubnetWriter&) = delete;
  // When the growing side fails, what is not written yet is dropped.
  ~SubnetWriter() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

  void Joined(int32_t k, std::span<const int32_t> transitions) override {
    if (!thread_.joinable()) return text_.Joined(k, transitions);
    filling_.Joined(k, transitions);
    Offer();
  }

  void Completed(int32_t k, std::span<const int32_t> /*members*/, std::span<const int32_t> xs,
                 std::span<const int32_t> qs, std::span<const int32_t> ys) override {
    // The members came with Joined.
    if (!thread_.joinable()) return text_.Completed(k, xs, qs, ys);
    filling_.Completed(k, xs, qs, ys);
    Offer();
  }

  // Hands over the rest; the writer ends when it has written it.
  void Close() {
    if (!thread_.joinable()) return;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !handed_; });
      std::swap(filling_, batch_);
      handed_ = true;
      closing_ = true;
    }
    changed_.notify_all();
  }

  // Waits for the writer to end; a failure of its own is thrown here.
  void Join() {
    if (!thread_.joinable()) return;
    thread_.join();
    if (failed_) std::rethrow_exception(failed_);
  }

 private:
  static constexpr std::size_t kBatch = std::size_t{1} << 16;  // ints worth a wake-up

  void Offer() {
    if (filling_.Size() < kBatch) return;
    {
      std::lock_guard lock(mutex_);
      if (handed_) return;
      std::swap(filling_, batch_);
      handed_ = true;
    }
    changed_.notify_all();
  }

  void Loop() {
    Batch writing;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return handed_ || closing_ || stopping_; });
        if (stopping_ || !handed_) return;
        std::swap(writing, batch_);
        handed_ = false;
      }
      changed_.notify_all();
      if (!failed_) {
        try {
          writing.WriteTo(text_);
        } catch (...) {
          failed_ = std::current_exception();  // later batches are dropped
        }
      }
      writing.Clear();
    }
  }

  SubnetsText text_;  // the writer's alone while it runs
  Batch filling_;     // the growing side's own
  std::mutex mutex_;
  std::condition_variable changed_;
  Batch batch_;  // handed over, not yet taken
  bool handed_ = false;
  bool closing_ = false;
  bool stopping_ = false;
  std::exception_ptr failed_;  // the writer's, read after the join
  std::jthread thread_;        // last: it starts once the rest is in place
};

void PutGraph(const NetStore& s, const std::vector<Connection>& links, Output& out) {
  if (links.empty()) {
    out.Put("  \"graph\": [],\n");
    return;
  }
  out.Put("  \"graph\": [");
  for (std::size_t i = 0; i < links.size();) {
    const int32_t from = links[i].from;
    const int32_t to = links[i].to;
    out.Put(i == 0 ? "\n    {\"from\": " : ",\n    {\"from\": ");
    out.PutNumber(from);
    out.Put(", \"to\": ");
    out.PutNumber(to);
    out.Put(", \"places\": [");
    for (std::size_t first = i; i < links.size() && links[i].from == from && links[i].to == to; ++i) {
      if (i != first) out.Put(", ");
      PutJsonString(s.PlaceName(links[i].place), out);
    }
    out.Put("]}");
  }
  out.Put("\n  ],\n");
}

void PutIsolatedPlaces(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("  \"isolated_places\": [");
  bool first = true;
  for (int32_t p = 1; p <= s.m; ++p) {
    // A place with an arc has a consumers' or a producers' subnet.
    if (map.SX[p] != 0 || map.SQ[p] != 0 || map.SY[p] != 0) continue;
    if (!first) out.Put(", ");
    first = false;
    PutJsonString(s.PlaceName(p), out);
  }
  out.Put("]\n");
}

}  // namespace

void WriteJsonReport(const NetStore& s, std::string_view format_name, SubnetMap& map, Output& out) {
  out.Put("{\n  \"net\": ");
  PutJsonString(s.NetName(), out);
  out.Put(",\n  \"format\": ");
  PutJsonString(format_name, out);
  out.Put(",\n  \"places\": ");
  out.PutNumber(s.m);
  out.Put(",\n  \"transitions\": ");
  out.PutNumber(s.n);
  out.Put(",\n  \"subnets\": [");
  std::vector<Connection> links;
  {
    SubnetWriter writer(s, out);
    Decompose(s, map, &writer);
    writer.Close();
    links = ConnectionsByFrom(s, map);
    writer.Join();
  }
  out.Put("\n  ],\n");
  PutGraph(s, links, out);
  PutIsolatedPlaces(s, map, out);
  out.Put("}\n");
}

}  // namespace vantira
