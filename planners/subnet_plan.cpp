#include "planners/subnet_plan.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vantira {

void SubnetPlan::AddCommon(std::string_view before, bool numbered, std::string_view after) {
  common_.push_back(Common{line_, numbered, before, after});
  common_bytes_ += before.size() + after.size() + (numbered ? 10 : 0);
}

void SubnetPlan::AddFor(int32_t subnet, std::string_view text) {
  // A piece that goes on in memory from the last one, for the same subnet
  // and with no common piece between them, lengthens it: the file is the
  // same, with fewer pieces to merge. Runs of a subnet's lines or elements
  // are common.
  if (!targeted_.empty() && common_.size() == commons_before_last_) {
    Targeted& last = targeted_.back();
    if (last.subnet == subnet && last.text.data() + last.text.size() == text.data()) {
      last.text = std::string_view(last.text.data(), last.text.size() + text.size());
      return;
    }
  }
  commons_before_last_ = common_.size();
  targeted_.push_back(Targeted{line_, subnet, text});
}

std::string_view SubnetPlan::Keep(std::string_view text) {
  if (chunk_size_ - chunk_used_ < text.size()) {
    // Chunks double from a small first one to 1 MiB: most inputs keep a few
    // names, and zeroing a chunk then costs what is kept, not a whole MiB.
    const std::size_t grown = std::clamp<std::size_t>(2 * chunk_size_, kFirstChunk, std::size_t{1} << 20);
    chunk_size_ = std::max(grown, text.size());
    chunks_.push_back(std::make_unique<char[]>(chunk_size_));
    chunk_used_ = 0;
  }
  char* dest = chunks_.back().get() + chunk_used_;
  if (!text.empty()) std::memcpy(dest, text.data(), text.size());
  chunk_used_ += text.size();
  return {dest, text.size()};
}

void SubnetPlan::Finish(int32_t count) {
  start_.assign(static_cast<std::size_t>(count) + 2, 0);
  for (const Targeted& piece : targeted_) ++start_[static_cast<std::size_t>(piece.subnet) + 1];
  for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
  std::vector<Targeted> grouped(targeted_.size());
  std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
  for (const Targeted& piece : targeted_) grouped[next[static_cast<std::size_t>(piece.subnet)]++] = piece;
  targeted_.swap(grouped);
}

void SubnetPlan::Write(int32_t k, Output& out) const {
  std::size_t c = 0;
  std::size_t t = start_[static_cast<std::size_t>(k)];
  const std::size_t t_end = start_[static_cast<std::size_t>(k) + 1];
  while (c < common_.size() || t < t_end) {
    if (t < t_end && (c == common_.size() || targeted_[t].line < common_[c].line)) {
      out.Put(targeted_[t++].text);
      continue;
    }
    const Common& piece = common_[c++];
    out.Put(piece.before);
    if (piece.numbered) out.PutNumber(k);
    out.Put(piece.after);
  }
}

std::size_t SubnetPlan::FileSize(int32_t k) const {
  std::size_t size = common_bytes_;
  for (uint32_t t = start_[static_cast<std::size_t>(k)]; t < start_[static_cast<std::size_t>(k) + 1]; ++t) {
    size += targeted_[t].text.size();
  }
  return size;
}

void AddNetName(SubnetPlan& plan, std::string_view keyword, std::string_view name, std::string_view rest) {
  const bool braced = !name.empty() && name.back() == '}';
  std::string before(keyword);
  before.append(braced ? name.substr(0, name.size() - 1) : name).append(braced ? " z" : "_z");
  std::string after(braced ? "}" : "");
  after.append(rest);
  plan.AddCommon(plan.Keep(before), true, plan.Keep(after));
}

}  // namespace vantira
