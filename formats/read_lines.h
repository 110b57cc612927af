// The line formats' reading loop. A large file is taken apart on a second
// thread a chunk of lines ahead of this one, which enters the lines in their
// order: taking lines apart is about a third of a run and needs nothing the
// entering does, so the two overlap. Every number, message and hint comes out
// as if each line were read and entered in turn.
//
// Only a regular file is read ahead: its reads end. A pipe may never end, and
// after a failure it is not read on; it is read on this thread, block by block.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/prefetch.h"
#include "base/second_thread.h"
#include "formats/input_text.h"
#include "formats/read_ahead.h"
#include "store/name_index.h"
#include "base/platform_tuning.h"

namespace vantira {

namespace read_lines {

// Whole lines of the input, copied out of its block, and what they parsed to.
template <class Record>
struct Chunk {
  std::string text;
  uint64_t offset = 0;  // of its first byte in the input
  std::vector<std::string_view> views;
  std::vector<Record> records;  // kept from chunk to chunk: their storage is reused
  std::size_t count = 0;
};

// Smaller chunks would cost more hand-overs, larger ones memory: a chunk's
// records take several times its text, and a text of short lines many.
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
constexpr std::size_t kChunkLines = 2048;
constexpr std::size_t kChunks = 3;
// Below this, a second thread gains less than it costs to start.
constexpr uint64_t kSmallestFile = uint64_t{1} << 20;

// The length of the next chunk of `rest`: whole lines, about kChunkBytes.
inline std::size_t ChunkLength(std::string_view rest) {
  if (rest.size() <= kChunkBytes) return rest.size();
  std::size_t lf = rest.rfind('\n', kChunkBytes - 1);
  if (lf == std::string_view::npos) lf = rest.find('\n', kChunkBytes);
  return lf == std::string_view::npos ? rest.size() : lf + 1;
}

// What a record keeps outside itself: the entries of a line.
template <class Record>
void FetchParts(const Record& record) {
  if constexpr (requires { record.entries.data(); }) {
    const auto* begin = reinterpret_cast<const char*>(record.entries.data());
    const auto* end = reinterpret_cast<const char*>(record.entries.data() + record.entries.size());
    for (const char* line = begin; line < end; line += 64) PrefetchLine(line);
  }
}

template <class Record, std::size_t kAhead, class Parse>
class Pipeline {
 public:
  Pipeline(TextBlocks& input, Parse parse) : input_(input), parse_(parse) {}
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;
  ~Pipeline() { Stop(); }

  // Starts the parsing thread; false when there is none to be had.
  bool Start() {
    return thread_.Start([this] { Produce(); });
  }

  // Enters every line: `on_chunk(text)` before a chunk's lines,
  // `prefetch(record)` a few lines ahead, `apply(record, view, number,
  // offset)` in order. A failure of the input itself (a read error, a NUL byte) that
  // the parsing thread met is told when the lines before it are entered,
  // and before a failure of a later line, which it would have preceded had
  // the whole input been checked first.
  template <class OnChunk, class Prefetch, class Apply>
  void Consume(GrowthPlanner& planner, OnChunk on_chunk, Prefetch prefetch, Apply apply) {
    try {
      uint64_t number = 0;
      while (Chunk<Record>* chunk = NextFull()) {
        on_chunk(std::string_view(chunk->text));
        const std::size_t count = chunk->count;
        const std::vector<Record>& records = chunk->records;
        for (std::size_t i = 0; i < count && i < 3 * kAhead; ++i) PrefetchLine(&records[i]);
        for (std::size_t i = 0; i < count && i < 2 * kAhead; ++i) FetchParts(records[i]);
        for (std::size_t i = 0; i < count && i < kAhead; ++i) prefetch(records[i]);
        for (std::size_t i = 0; i < count; ++i) {
          // The records were written on the other core: each is fetched in
          // three steps, itself, then what it keeps apart, then the slots it names.
          if (i + 3 * kAhead < count) PrefetchLine(&records[i + 3 * kAhead]);
          if (i + 2 * kAhead < count) FetchParts(records[i + 2 * kAhead]);
          if (i + kAhead < count) prefetch(records[i + kAhead]);
          const std::string_view view = chunk->views[i];
          const uint64_t offset = chunk->offset + static_cast<uint64_t>(view.data() - chunk->text.data());
          planner.At(offset);
          apply(chunk->records[i], view, ++number, offset);
        }
        Release();
      }
    } catch (...) {
      Stop();
      if (input_error_) std::rethrow_exception(input_error_);
      throw;
    }
    Stop();
    if (input_error_) std::rethrow_exception(input_error_);
    if (other_error_) std::rethrow_exception(other_error_);
  }

 private:
  void Produce() {
    try {
      TextBlock block;
      for (;;) {
        try {
          if (!input_.Next(block)) break;
        } catch (...) {
          input_error_ = std::current_exception();
          break;
        }
        std::string_view rest = block.text;
        uint64_t offset = block.offset;
        while (!rest.empty()) {
          Chunk<Record>* chunk = NextFree();
          if (chunk == nullptr) return Finish();
          const std::size_t length = Fill(*chunk, rest, offset);
          rest.remove_prefix(length);
          offset += length;
          Hand();
        }
      }
    } catch (...) {
      other_error_ = std::current_exception();
    }
    Finish();
  }

  // Takes the first lines of `rest` into `chunk`; returns their length.
  std::size_t Fill(Chunk<Record>& chunk, std::string_view rest, uint64_t offset) {
    chunk.text.assign(rest.substr(0, ChunkLength(rest)));
    chunk.offset = offset;
    chunk.count = 0;
    std::size_t length = 0;
    LineCursor lines(chunk.text);
    for (std::string_view view; chunk.count < kChunkLines && lines.Next(view); ++chunk.count) {
      if (chunk.count == chunk.records.size()) {
        chunk.records.emplace_back();
        chunk.views.emplace_back();
      }
      chunk.views[chunk.count] = view;
      parse_(view, chunk.records[chunk.count]);
      length += view.size();
    }
    return length;
  }

  // The next chunk to fill, once the entering side is done with it; null
  // when it stopped.
  Chunk<Record>* NextFree() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || filled_ - entered_ < kChunks; });
    return stop_ ? nullptr : &chunks_[filled_ % kChunks];
  }
  void Hand() {
    {
      std::lock_guard lock(mutex_);
      ++filled_;
    }
    changed_.notify_all();
  }
  void Finish() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
  }

  // The next filled chunk; null when there are no more.
  Chunk<Record>* NextFull() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ > entered_ || finished_; });
    return filled_ > entered_ ? &chunks_[entered_ % kChunks] : nullptr;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      ++entered_;
    }
    changed_.notify_all();
  }

  void Stop() {
    if (!thread_.Started()) return;
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.Join();
  }

  TextBlocks& input_;
  Parse parse_;
  std::array<Chunk<Record>, kChunks> chunks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t filled_ = 0;   // chunks handed over
  uint64_t entered_ = 0;  // chunks whose lines are entered
  bool finished_ = false;
  bool stop_ = false;
  // Set by the parsing thread before it finishes; read after it is joined
  // or after `finished_` was seen under the lock.
  std::exception_ptr input_error_;
  std::exception_ptr other_error_;
  SecondThread thread_;
};

}  // namespace read_lines

// Reads every line of `input`: `on_chunk(text)` before the lines of each
// piece of text, `parse(view, record)` to take a line apart,
// `prefetch(record)` to hint its slots, `apply(record, view, number, offset)`
// to enter it, `number` counting the lines from 1, `offset` where the line
// begins in the input. On a regular file of
// kSmallestFile bytes or more, `parse` runs on a second thread, up to
// kChunks chunks ahead: it may read its line and write its record, and touch
// nothing else (not the store, the index or what the other callbacks use).
// The other three always run on the calling thread, in line order.
template <class Record, std::size_t kAhead, class OnChunk, class Parse, class Prefetch, class Apply>
void ReadLines(TextBlocks& input, NameIndex& index, OnChunk on_chunk, Parse parse, Prefetch prefetch, Apply apply) {
  if (input.Regular() && input.Size() >= read_lines::kSmallestFile) {
    bool started;
    {
      read_lines::Pipeline<Record, kAhead, Parse> pipeline(input, parse);
      started = pipeline.Start();  // if not, read on this one
      if (started) {
        GrowthPlanner planner(index, input.Size());
        pipeline.Consume(planner, on_chunk, prefetch, apply);
      }
    }
    if (started) {
      // The chunks were filled on the other thread, in an arena of its own
      // that nothing takes memory from afterwards: what they held goes back.
      ReturnFreeMemory();
      return;
    }
  }
  ReadAhead<Record, kAhead> reader(input, index);
  for (TextBlock block; input.Next(block);) {
    on_chunk(block.text);
    reader.Read(block, parse, prefetch, apply);
  }
}

}  // namespace vantira
