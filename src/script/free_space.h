#pragma once
// The free space of the installation drive and the rule that compares it with the
// space the run needs. The folder measured is always the expanded one: a folder that
// still begins with a path variable such as "$PROGRAMFILES" names its drive only once
// the variable is replaced.

#include <string>

#include "script/path_variables.h"

namespace setup {

// The free bytes the user may use on the drive that folder (already expanded) names by
// its first letter, with their text. When the folder names no drive letter, or the
// system cannot tell, the free space is unknown: kUnknownFreeSpace, shown as
// kUnknownFreeSpaceText.
void MeasureFreeSpace(const std::string& expandedFolder, TPathVariables& vars);

// Whether the run may start: the free space reaches the space required, or it is
// unknown (a failed query is no reason to refuse an installation).
bool SpaceSuffices(const TPathVariables& vars);

}  // namespace setup
