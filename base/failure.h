// The one error channel of the program: a failure carries the exact message line
// the user sees ("*** ...\n"), the exit status, and why, in words of its own
// for standard error; main prints them and exits.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <system_error>

namespace vantira {

enum ExitStatus : int {
  kExitOk = 0,
  kExitBadInput = 2,
  kExitNoMemory = 3,
  kExitFile = 4,
};

class Failure : public std::exception {
 public:
  Failure(std::string message, int status) : message_(std::move(message)), status_(status) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  int Status() const { return status_; }

  // Why, told on standard error as "vantira: " + reason; empty where the
  // message already says where and why.
  const std::string& Reason() const { return reason_; }
  Failure& Because(std::string reason) & {
    reason_ = std::move(reason);
    return *this;
  }
  Failure&& Because(std::string reason) && {
    reason_ = std::move(reason);
    return std::move(*this);
  }

 private:
  std::string message_;
  int status_;
  std::string reason_;
};

// "*** " + text + "\n", the shape of every message.
inline Failure MakeFailure(int status, std::string_view text) {
  std::string line = "*** ";
  line.append(text);
  line.push_back('\n');
  return Failure(std::move(line), status);
}

// The line standard error gets for `failure`: "vantira: " + its reason + LF,
// or nothing when it has none.
inline std::string ReasonLine(const Failure& failure) {
  if (failure.Reason().empty()) return {};
  return std::string("vantira: ").append(failure.Reason()).append("\n");
}

// "line L: " + what: the reason of a reader's failure on input line L.
inline std::string AtLine(uint64_t line, std::string_view what) {
  return std::string("line ").append(std::to_string(line)).append(": ").append(what);
}

// "'" + name + "'": a name as a reason quotes it.
inline std::string Quoted(std::string_view name) { return std::string("'").append(name).append("'"); }

// The operating system's words for errno `error` ("No such file or directory").
inline std::string SystemReason(int error) { return std::generic_category().message(error); }

inline Failure NoMemory() { return MakeFailure(kExitNoMemory, "not enough memory"); }

}  // namespace vantira
