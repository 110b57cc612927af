// What every subnet file holds, worked out in one pass over the input.
//
// Each input line becomes at most a few pieces: a common piece goes to every
// file (comment and blank lines, the net's name with the file's subnet number
// spliced in), a targeted piece to one subnet's file. A file is the merge, in
// input order, of the common pieces and its own targeted pieces, so writing
// all files costs the size of what is written, not files times input.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "base/output.h"
#include "formats/bad_input.h"

namespace vantira {

class SubnetPlan {
 public:
  // Pieces added from now on belong to the next input line.
  void NextLine() { ++line_; }
  // The input line now planned, counted from 1.
  uint64_t Line() const { return uint64_t{line_} + 1; }

  // `before`, then (when `numbered`) the file's subnet number, then `after`.
  // Views must stay valid as long as the plan: the input text or Keep().
  void AddCommon(std::string_view before, bool numbered = false, std::string_view after = {});
  void AddFor(int32_t subnet, std::string_view text);

  // Copies text into storage the plan owns.
  std::string_view Keep(std::string_view text);

  // The writer met a line it cannot handle: every file that would have been
  // written ends before this line, and the run ends with `failure` once the
  // first file is written.
  void FailHere(Failure failure) { failure_.emplace(std::move(failure)); }
  const std::optional<Failure>& FailureMet() const { return failure_; }

  // Groups the targeted pieces by subnet, 1..count; call once, after planning.
  void Finish(int32_t count);

  // Appends the content of subnet k's file.
  void Write(int32_t k, Output& out) const;
  // What Write(k) appends, in bytes (give or take the digits of k), so that
  // the output can be sized once.
  std::size_t FileSize(int32_t k) const;

 private:
  struct Common {
    uint32_t line;
    bool numbered;
    std::string_view before;
    std::string_view after;
  };
  struct Targeted {
    uint32_t line;
    int32_t subnet;
    std::string_view text;
  };

  static constexpr std::size_t kFirstChunk = 4096;

  uint32_t line_ = 0;
  std::vector<Common> common_;
  std::vector<Targeted> targeted_;
  std::size_t commons_before_last_ = 0;  // common_.size() when the last targeted piece came
  std::size_t common_bytes_ = 0;
  std::vector<uint32_t> start_;  // targeted_[start_[k] .. start_[k+1]) belong to subnet k
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunk_used_ = 0;
  std::size_t chunk_size_ = 0;
  std::optional<Failure> failure_;
};

// The common piece of a net-name line: `keyword` and the name with each
// file's subnet number spliced in ("name_zK", or "name zK}" for a name in
// braces), then `rest`.
void AddNetName(SubnetPlan& plan, std::string_view keyword, std::string_view name, std::string_view rest);

}  // namespace vantira
