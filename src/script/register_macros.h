#pragma once
// The text macros of wizard captions.

#include <string_view>

#include "script/path_variables.h"
#include "script/setup_info.h"
#include "text/language_strings.h"

namespace setup {

// Registered once with the language strings; each stands for a live value.
inline constexpr std::string_view kMacroSetupTitle = "<%SETUPTITLE%>";            // SetupName
inline constexpr std::string_view kMacroSetupShortTitle = "<%SETUPSHORTTITLE%>";  // ShortName
inline constexpr std::string_view kMacroChangelog = "<%CHANGELOG%>";              // Changelog
inline constexpr std::string_view kMacroSpaceRequired = "<%SPACEREQ%>";           // RequiredSpaceText
inline constexpr std::string_view kMacroSpaceAvailable = "<%SPACEAVA%>";          // FreeSpaceText

// Replaced by the code that shows the text.
inline constexpr std::string_view kMacroFileName = "<%FILENAME%>";
inline constexpr std::string_view kMacroKzpName = "<%KZPNAME%>";
inline constexpr std::string_view kMacroFileNumber = "<%FNUM%>";
inline constexpr std::string_view kMacroFileTotal = "<%FTOTAL%>";

// Registers the five macros above as pointers to the fields of info and vars, so that a
// caption shows their values at the moment it is expanded. Both objects must outlive
// strings and stay where they are.
void RegisterMacros(TLanguageStrings& strings, const TSetupInfoFile& info, const TPathVariables& vars);

}  // namespace setup
