// The one error channel of the program: a failure carries the exact message line
// the user sees ("*** ...\n") and the exit status; main prints it and exits.
#pragma once

#include <exception>
#include <string>
#include <string_view>

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

 private:
  std::string message_;
  int status_;
};

// "*** " + text + "\n", the shape of every message.
inline Failure MakeFailure(int status, std::string_view text) {
  std::string line = "*** ";
  line.append(text);
  line.push_back('\n');
  return Failure(std::move(line), status);
}

inline Failure NoMemory() { return MakeFailure(kExitNoMemory, "not enough memory"); }

}  // namespace vantira
