// The start-up values of the path variables, taken from the machine.
#include "platform/drives.h"
#include "platform/environment.h"
#include "platform/shell.h"
#include "script/path_variables.h"

namespace setup {

std::string FindCdDrive() {
  for (const std::string& root : platform::LogicalDriveRoots(kDriveListCapacity)) {
    if (platform::DriveTypeOf(root) == platform::DriveType::CdRom) return root;
  }
  return {};
}

void LoadShellFolders(TPathVariables& vars, bool perUser, void* owner) {
  vars.SmPrograms = platform::SpecialFolderLocation(platform::kFolderPrograms, owner) + "\\";
  // A per-user setup installs below the user's own programs folder, which the user may
  // write without administrator rights.
  vars.ProgramFiles = perUser ? platform::SpecialFolderLocation(platform::kFolderLocalAppData, owner) + "\\Programs\\"
                              : platform::SpecialFolderLocation(platform::kFolderProgramFiles, owner) + "\\";
  vars.Desktop = platform::SpecialFolderLocation(platform::kFolderDesktop, owner) + "\\";
}

TEnvironmentTable ParseEnvironmentBlock(const std::vector<std::string>& strings) {
  TEnvironmentTable table;
  table.reserve(strings.size());
  for (const std::string& text : strings) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
      table.emplace_back();
    } else {
      table.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    }
  }
  return table;
}

void LoadEnvironmentTable(TPathVariables& vars) {
  vars.Environment = ParseEnvironmentBlock(platform::EnvironmentStrings());
}

void InitPathVariables(TPathVariables& vars, void* owner) {
  vars.CdDrive = FindCdDrive();
  LoadShellFolders(vars, false, owner);
  LoadEnvironmentTable(vars);
}

}  // namespace setup
