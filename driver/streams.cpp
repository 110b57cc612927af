#include "driver/streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "base/failure.h"
#include "formats/input_text.h"

namespace vantira {

namespace {

// A name that ends in a suffix of the net formats, in any case.
bool IsNetFileName(std::string_view name) {
  for (std::string_view suffix : {".net", ".ndr", ".pnml"}) {
    if (name.size() >= suffix.size() &&
        std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
      return true;
    }
  }
  return false;
}

// The reason told of a file name such as "-x" or "--verbose", more likely
// meant as an option.
std::string NoOptionReason(const std::string& name) { return "no option " + name + "; vantira -h lists the options"; }

// A file named on the command line that open() refused with errno `error`.
Failure OpenFailure(const std::string& name, int error) {
  Failure failure = OpenError(std::string_view(name));
  if (name.size() > 1 && name[0] == '-') return std::move(failure).Because(NoOptionReason(name));
  return std::move(failure).Because(name + ": " + SystemReason(error));
}

// The report `name` ("-": standard output), whose write or close failed with
// errno `error`.
Failure WriteFailure(const std::string& name, int error) {
  // A reader that has seen enough and gone (`vantira net | head`) is told
  // nothing; the status still says that the report is not whole.
  if (name == "-" && error == EPIPE) return Failure(std::string(), kExitFile);
  const std::string shown = name == "-" ? "standard output" : name;
  return WriteError(std::string_view(name)).Because(shown + ": " + SystemReason(error));
}

// "-q -g" for "-qg", a word made only of option letters; empty for any other.
std::string OptionsApart(std::string_view word) {
  if (word.size() < 3 || word[0] != '-') return {};
  std::string apart;
  for (char letter : word.substr(1)) {
    if (std::string_view("hvqsgejzpta").find(letter) == std::string_view::npos) return {};
    if (!apart.empty()) apart.push_back(' ');
    apart.append({'-', letter});
  }
  return apart;
}

// Opens the report file `name` for writing, creating it but not emptying it
// (the report's first write does that), and refuses a name that would lose
// a file of the user's: an option mistyped, the input, an existing net file.
int OpenReport(const std::string& name, const ProtectedFile& input) {
  if (name[0] == '-') {
    const std::string apart = OptionsApart(name);
    throw OpenError(std::string_view(name))
        .Because(NoOptionReason(name) + (apart.empty() ? "" : " (write options apart: " + apart + ")"));
  }
  if (IsSameFile(name, input)) {
    throw OpenError(std::string_view(name)).Because(name + " is the input file; the report would overwrite it");
  }
  if (IsNetFileName(name) && access(name.c_str(), F_OK) == 0) {
    throw OpenError(std::string_view(name)).Because(name + " is a net file; the report would overwrite it");
  }
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw OpenFailure(name, errno);
  return fd;
}

constexpr std::string_view kTerminalNote =
    "vantira: reading a net from standard input (end it with Ctrl-D); vantira -h lists the options\n";

}  // namespace

FdCloser::~FdCloser() {
  if (fd_ >= 0) close(fd_);
}

bool FdCloser::Close() {
  const int fd = fd_;
  fd_ = -1;
  return fd < 0 || close(fd) == 0;
}

Streams::Streams(const Options& options) {
  if (options.infile != "-") {
    in_fd_ = open(options.infile.c_str(), O_RDONLY | O_CLOEXEC);
    if (in_fd_ < 0) throw OpenFailure(options.infile, errno);
    input_.Own(in_fd_);
    input_name_ = options.infile;
  }
  input_file_ = IdentifyFd(in_fd_);
  int out_fd = STDOUT_FILENO;
  if (options.has_outfile && options.outfile != "-") {
    report_name_ = options.outfile;
    out_fd = OpenReport(options.outfile, input_file_);
    output_.Own(out_fd);
  }
  report_file_ = IdentifyFd(out_fd);
  report_ = std::make_unique<Output>(out_fd);
  if (report_name_ != "-" && report_file_.known) report_->EmptyBeforeFirstWrite();
  if (options.infile == "-" && isatty(STDIN_FILENO)) WriteAll(STDERR_FILENO, kTerminalNote);
}

void Streams::CloseReport() {
  report_->Flush();
  if (report_->Failed()) throw WriteFailure(report_name_, report_->Error());
  if (!output_.Close()) throw WriteFailure(report_name_, errno);
  report_.reset();
}

}  // namespace vantira
