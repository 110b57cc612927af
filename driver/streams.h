// The streams of a run: the net's input, the report's output, and the files
// a run must never overwrite.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/output.h"
#include "driver/options.h"
#include "driver/subnet_files.h"
#include "formats/input_text.h"

namespace vantira {

// Closes a descriptor the run opened.
class FdCloser {
 public:
  FdCloser() = default;
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  ~FdCloser();
  void Own(int fd) { fd_ = fd; }
  // Closes now; false when the close reports an error (data may be lost).
  bool Close();

 private:
  int fd_ = -1;
};

class Streams {
 public:
  // Opens the input and the report that `options` name, and announces a net
  // awaited from a terminal. The report is refused when its name would lose
  // a file of the user's: an option mistyped, the input, an existing net
  // file; a regular file is emptied only at the report's first write.
  explicit Streams(const Options& options);

  int InputFd() const { return in_fd_; }
  std::string_view InputName() const { return input_name_; }
  const ProtectedFile& InputFile() const { return input_file_; }
  const ProtectedFile& ReportFile() const { return report_file_; }
  Output& Report() { return *report_; }

  // Writes out what the report holds so far, on failure.
  void FlushReport() {
    if (report_) report_->Flush();
  }
  // Writes out and closes the complete report; a failed write or close throws.
  void CloseReport();

 private:
  FdCloser input_;
  FdCloser output_;
  int in_fd_ = 0;  // standard input
  std::string input_name_{kStandardInput};
  std::string report_name_ = "-";
  ProtectedFile input_file_;
  ProtectedFile report_file_;
  std::unique_ptr<Output> report_;
};

}  // namespace vantira
