#pragma once
// The hand-over at the end of an uninstall: the finaliser program carried in the
// uninstaller's package is written into the temporary folder and started with the
// uninstaller's own path, so that it can delete the uninstaller once this process has
// ended. The uninstaller neither waits for it nor checks on it.

#include <string>

#include "base/byte_io.h"

namespace setup {

struct SetupContext;
class TUninstallList;

// The finaliser's entry in the uninstaller's package (group 0), and the name it is
// written under in the temporary folder.
inline constexpr const char* kFinaliserEntry = "FINALISE.EXE";
inline constexpr const char* kFinaliserFileName = "FINALISE.exe";

// Creates the missing folders of the path's folder (recorded in list), then creates or
// truncates the file and writes data into it. False when the file cannot be created or
// not all of data could be written; a partly written file is deleted again.
bool WriteBufferToFile(const std::string& path, ByteView data, TUninstallList& list);

// Writes the finaliser into the temporary folder and starts it with one argument, the
// running uninstaller's full path in double quotes, without waiting for it. True when
// it was started. Nothing is written when the package holds no finaliser, or an empty
// one, or the system names no temporary folder; nothing is started when it could not
// be written whole.
bool RunFinaliser(SetupContext& context);

}  // namespace setup
