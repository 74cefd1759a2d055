#pragma once
// The report of "setupc apply": what a run did, as text or as a JSON document.

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/programs.h"
#include "platform/registry.h"
#include "setup/exit_code.h"
#include "setupc/apply_environment.h"
#include "setupc/apply_scan.h"

namespace setup::setupc {

struct AnsweredBox {
  std::u16string text;
  std::u16string caption;
  int answer = 0;
};

struct ApplyReport {
  std::string folder;         // DIR as given
  std::string installFolder;  // the installation folder the run saw
  std::string setupName;
  bool uninstaller = false;
  std::vector<ScanChange> files;           // below DIR, in path order
  std::string registryWhere;
  std::vector<platform::SandboxRegistryValue> registry;
  std::vector<SystemFile> systemFiles;
  std::vector<AnsweredBox> boxes;
  std::vector<platform::ProgramRequest> programs;  // not started
  std::vector<std::string> log;                    // the run log's lines (UTF-8)
  std::string internalError;                       // what the stub's error report would show
  ExitCode exitCode = ExitCode::Success;
};

// "success", "the script failed", ...
std::string ExitCodeText(ExitCode code);

void WriteApplyText(const ApplyReport& report, std::ostream& out);
void WriteApplyJson(const ApplyReport& report, std::ostream& out);

}  // namespace setup::setupc
