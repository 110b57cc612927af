#include "formats/input_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>

#include "base/c_array.h"
#include "base/failure.h"
#include "formats/tokens.h"

namespace vantira {

namespace {

Failure WrongInput() { return MakeFailure(kExitBadInput, "wrong input file"); }

// A read that failed with errno `error`.
Failure ReadError(std::string_view name, int error) {
  std::string reason(name);
  reason.append(": ").append(error == EISDIR ? "is a folder, not a net file" : SystemReason(error));
  return WrongInput().Because(std::move(reason));
}

}  // namespace

void RefuseNul(std::string_view text, uint64_t offset, std::string_view name) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (nul == nullptr) return;
  offset += static_cast<uint64_t>(static_cast<const char*>(nul) - text.data());
  std::string reason(name);
  reason.append(": a NUL byte at offset ")
      .append(std::to_string(offset))
      .append("; a net file is text (UTF-16 is not read)");
  throw WrongInput().Because(std::move(reason));
}

void EndLastLine(std::string& text) {
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
}

void PrepareInputText(std::string& text) {
  RefuseNul(text);
  EndLastLine(text);
}

std::string ReadInputText(int fd, std::string_view name) {
  std::string text;
  struct stat st;
  std::size_t chunk = 1 << 20;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    chunk = static_cast<std::size_t>(st.st_size) + 1;  // +1 sees end of file in one call
    // Advised before the first touch, a big input lands in huge pages.
    text.reserve(chunk);
    AdviseHugePages(text.data(), text.capacity());
  }
  std::size_t filled = 0;
  for (;;) {
    if (filled == text.size()) text.resize(filled + chunk);
    ssize_t got = read(fd, text.data() + filled, text.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ReadError(name, errno);
    }
    if (got == 0) break;
    // An endless stream such as /dev/zero must not be read to exhaustion first.
    RefuseNul(std::string_view(text.data() + filled, static_cast<std::size_t>(got)), filled, name);
    filled += static_cast<std::size_t>(got);
    if (filled == text.size()) chunk = text.size();  // grow geometrically for pipes
  }
  text.resize(filled + 1);  // room for a final LF without another copy
  text.resize(filled);
  return text;
}

namespace {

// True when the whole lines of `text` hold a significant one.
bool HoldsSignificantLine(std::string_view text) {
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    if (view.back() != '\n') return false;  // not a whole line yet
    const Line line{view};
    if (!IsCommentLine(line) && FirstNonBlank(line) != line.Length()) return true;
  }
  return false;
}

}  // namespace

TextBlocks::TextBlocks(std::string_view whole) : whole_(whole), size_(whole.size()) {}

// A block of a quarter megabyte stays in the caches while its lines are
// read, and reading it costs few system calls. A smaller file gets a buffer
// of its size and one byte more, so that the read that finds its end still
// falls in the first block; the buffer is left uninitialised, as only the
// bytes read are looked at.
TextBlocks::TextBlocks(int fd, std::size_t block, std::string_view name) : name_(name), streaming_(true), fd_(fd) {
  struct stat st;
  regular_ = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular_ && st.st_size > 0) size_ = static_cast<uint64_t>(st.st_size);
  capacity_ = size_ != 0 && size_ < block ? static_cast<std::size_t>(size_) + 1 : block;
  buffer_.reset(new char[capacity_ + 1]);  // + 1: room for a last line's LF
}

bool TextBlocks::Fill() {
  if (at_end_) return false;
  if (end_ == capacity_) {
    if (begin_ > 0) {
      // What was handed out is done with: the rest moves to the front.
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    } else {
      // A line longer than the buffer: the buffer grows to hold it.
      std::unique_ptr<char[]> grown(new char[2 * capacity_ + 1]);
      std::memcpy(grown.get(), buffer_.get(), end_);
      buffer_ = std::move(grown);
      capacity_ *= 2;
    }
  }
  for (;;) {
    const ssize_t got = read(fd_, buffer_.get() + end_, capacity_ - end_);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ReadError(name_, errno);
    }
    if (got == 0) {
      at_end_ = true;
      return false;
    }
    RefuseNul(std::string_view(buffer_.get() + end_, static_cast<std::size_t>(got)), offset_ + (end_ - begin_), name_);
    end_ += static_cast<std::size_t>(got);
    return true;
  }
}

Format TextBlocks::Recognize() {
  while (!HoldsSignificantLine(std::string_view(buffer_.get() + begin_, end_ - begin_)) && Fill()) {
  }
  const Format format = RecognizeFile(std::string_view(buffer_.get() + begin_, end_ - begin_));
  end_last_line_ = format != Format::kPnml;
  return format;
}

bool TextBlocks::Next(TextBlock& block) {
  if (done_) return false;
  if (!streaming_) {
    done_ = true;
    block = TextBlock{whole_, 0};
    return !whole_.empty();
  }
  // Up to the last line end in the buffer, read full first; at the end of
  // the input, all that is left.
  for (;;) {
    if (end_ < capacity_ && Fill()) continue;
    const char* from = buffer_.get() + begin_;
    const std::string_view held(from, end_ - begin_);
    const std::size_t last = held.rfind('\n');
    if (at_end_ || last != std::string_view::npos) {
      std::size_t length = at_end_ ? held.size() : last + 1;
      if (at_end_) {
        done_ = true;
        if (length == 0) return false;
        if (end_last_line_ && held.back() != '\n') buffer_[end_++] = '\n';  // the room kept for it
        length = end_ - begin_;
      }
      block = TextBlock{std::string_view(from, length), offset_};
      begin_ += length;
      offset_ += length;
      return true;
    }
    Fill();
  }
}

void TextBlocks::CheckRest() {
  if (!streaming_ || !regular_) return;
  // The offset goes on, for the reason of a NUL byte further on.
  for (;;) {
    offset_ += end_ - begin_;
    begin_ = end_ = 0;
    if (!Fill()) return;
  }
}

}  // namespace vantira
