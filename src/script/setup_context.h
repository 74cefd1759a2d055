#pragma once
// The process-wide values of a setup run, created once at start-up and passed by
// reference to start-up, the commands and the wizard, so that a test can build a
// fresh one. It owns everything it holds for the life of the process.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installlog/uninstall_list.h"
#include "package/pak.h"
#include "package/pak_system.h"
#include "script/command_list.h"
#include "script/comp_lines.h"
#include "script/path_variables.h"
#include "script/run_log.h"
#include "script/run_state.h"
#include "installlog/product_facts.h"
#include "script/setup_info.h"
#include "script/vfs_update.h"
#include "text/language_strings.h"
#include "text/languages.h"

namespace setup {

struct SetupContext {
  SetupContext();
  SetupContext(const SetupContext&) = delete;
  SetupContext& operator=(const SetupContext&) = delete;

  TPak Package;                  // the open package, for the whole run
  bool ExternalPackage = false;  // read from the file named on the command line
  bool Unattended = false;       // /S: no wizard, no boxes; the log takes their texts
  uint16_t SystemLangID = 0;     // the system default language identifier

  TSetupInfoFile SetupInfo;
  TProductFacts Facts;              // "ProductFacts": per-user, registration values
  TPathVariables Variables;         // folder values, environment, space figures
  TCompLines CompiledLines;         // the compiled script (installer only)
  TCommandList Commands;            // the command classes, by id
  std::vector<uint8_t> GroupKinds;  // how each package group counts for the space required
  TLanguages Languages;
  TLanguageStrings Macros;
  TUninstallList UninstallList;  // files are recorded in their path-variable form

  TPakSystem KzpEngine;  // updates the product's KZP packages ("kzpupdate" and friends)

  TRunState Run;     // the line being run and the failure flag
  THandOff HandOff;  // status, progress and finish text for the wizard
  TVfsUpdateState Vfs;  // the VFS archive an update holds open
  TRunLog Log;          // the run's log (/LOG=FILE, or kept in the temporary folder on failure)

  // What the end of the install run hands over to the layer above it, once the install
  // log is saved: registering the product and writing the uninstaller, given the log's
  // digest (the start-up sequence sets it; empty: no uninstaller is written).
  std::function<void(SetupContext&, const std::string& installLogDigest)> BuildUninstaller;
};

}  // namespace setup
