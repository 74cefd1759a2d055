#include "script/register_macros.h"

#include <string>

namespace setup {

void RegisterMacros(TLanguageStrings& strings, const TSetupInfoFile& info, const TPathVariables& vars) {
  strings.Add(std::string(kMacroSetupTitle), &info.SetupName);
  strings.Add(std::string(kMacroSetupShortTitle), &info.ShortName);
  strings.Add(std::string(kMacroChangelog), &info.Changelog);
  strings.Add(std::string(kMacroSpaceRequired), &vars.RequiredSpaceText);
  strings.Add(std::string(kMacroSpaceAvailable), &vars.FreeSpaceText);
}

}  // namespace setup
