// Names and writes the subnet files.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "planners/subnet_plan.h"

namespace vantira {

// zname if not empty, else infile, less one trailing ".ndr", ".net" or
// ".pnml" when the name is longer than that suffix.
std::string SubnetBaseName(std::string_view infile, std::string_view zname);

// base + "-z" + k + extension.
std::string SubnetFileName(std::string_view base, int32_t k, std::string_view extension);

// A regular file the run must never overwrite: its input and its report.
struct ProtectedFile {
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
};
ProtectedFile IdentifyFd(int fd);
// True when `path` exists and is the same regular file as `first` or
// `second` (one stat for both: it runs once per subnet file).
bool IsSameFile(const std::string& path, const ProtectedFile& first, const ProtectedFile& second = {});

// "*** error open file NAME" and "*** error write file NAME", status 4.
Failure OpenError(std::string_view name);
Failure WriteError(std::string_view name);

// Writes the files of subnets 1..count from `plan`. A file that cannot be
// opened, or would overwrite the input or the report, ends the run with
// "*** error open file %s" (status 4); a failed write or close with
// "*** error write file %s" (status 4); a failure met while planning ends the
// run after the first file, which holds what came before the failing line.
void WriteSubnetFiles(const SubnetPlan& plan, int32_t count, std::string_view base, std::string_view extension,
                      const ProtectedFile& input, const ProtectedFile& report);

}  // namespace vantira
