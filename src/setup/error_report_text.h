#pragma once
// The text of the error report and of the box that announces it, from facts gathered
// beforehand: nothing here asks the system anything.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/pak_entry.h"
#include "setup/os_info.h"

namespace setup {

struct ErrorReportFacts {
  std::string SetupName;
  std::string SetupExeName;
  std::optional<TPakTrailer> Trailer;  // none when no package is open
  std::string ErrorType;               // empty: "Unknown"
  std::string ErrorText;
  std::vector<std::string> Arguments;  // the command line after the program name
  TOSInfo OS;
  uint64_t PhysicalMemory = 0;  // bytes
  uint32_t CpuSpeedMhz = 0;
};

// The whole file: CR LF line ends, headings underlined with "-", values as
// "%-22s : %s".
std::string ErrorReportText(const ErrorReportFacts& facts);

// The "Params" value: the arguments upper-cased (ASCII letters only) and joined with
// single spaces. An argument that upper-cases to "/J" (so "/j" too) is written
// "/j X X.X.X.X" and the two arguments after it are left out.
std::string ErrorReportParams(const std::vector<std::string>& arguments);

// "ErrorLog0000.TXT": at least four digits, zero-padded.
std::string ErrorLogFileName(uint32_t number);

// The error type as the report names it: "Unknown" for an empty one.
std::string ReportedErrorType(const std::string& errorType);

// The box after the report was written, and the one when it could not be.
std::string ErrorReportCreatedMessage(const std::string& errorType, const std::string& errorText,
                                      const std::string& path);
std::string ErrorReportNotWrittenMessage(const std::string& errorType, const std::string& errorText,
                                         const std::string& path);

}  // namespace setup
