#pragma once
// What the commands that show a setup's own files (info, text) share: the group-0
// entries read and parsed the way the setup reads them when it starts.

#include <cstddef>
#include <iosfwd>
#include <string>

#include "base/byte_io.h"
#include "script/setup_context.h"

namespace setup::setupc {

// The content of entry index; an empty entry gives no bytes. False, after one line on
// err naming the entry, when it cannot be read: a large entry (a setup file is never
// that big), a CRC mismatch, a corrupt stream, a wrong size.
bool ReadSetupEntry(TPak& pak, size_t index, Bytes& content, std::ostream& err);

// Opens the package into context.Package and loads what start-up loads before the
// languages: "SetupInfo"; "CompiledLines" (an installer must have it, an uninstaller's
// is read when it is there); the command list; GroupKinds and the space required, as
// start-up computes them (an uninstaller runs no script: [0] and 0). Returns kExitOk,
// or the exit code after one line on err: kExitUsage when the file holds no readable
// package, kExitFailed when the package is not a readable setup.
int LoadSetup(SetupContext& context, const std::string& path, std::ostream& err);

// A language entry: a name whose first nine characters are "LANGUAGE-" in any case.
bool IsLanguageEntry(const std::string& name);

// Appends the language read from entry index to context.Languages. False, after one
// line on err, when the entry cannot be read or is no valid language file.
bool AddLanguage(SetupContext& context, size_t index, std::ostream& err);

}  // namespace setup::setupc
