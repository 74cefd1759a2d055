#pragma once
// What the registry commands and the uninstaller builder share: the form in which the
// uninstall log records a registry value, and a string write whose failure is an error.

#include <string>

#include "base/errors.h"
#include "platform/registry.h"

namespace setup {

// The uninstall log's registry line: root short name, key path, value name and value,
// each in double quotes, separated by single blanks. An empty value name stands for the
// key's default value. The fields are taken as they are (they cannot hold a quote).
inline std::string RegistryLogLine(const std::string& root, const std::string& keyPath,
                                   const std::string& valueName, const std::string& value) {
  return "\"" + root + "\" \"" + keyPath + "\" \"" + valueName + "\" \"" + value + "\"";
}

// The message of a registry value that could not be written (valueName empty for the
// default value).
inline std::string RegistryWriteErrorText(const std::string& valueName) {
  return "Failed to set data for '" + valueName + "'";
}

// Writes a string value; a key that is not open or a refused write raises SetupError.
inline void WriteStringOrFail(platform::RegistryKey& key, const std::string& valueName,
                              const std::string& value) {
  if (!key.WriteString(valueName, value)) throw SetupError(RegistryWriteErrorText(valueName));
}

}  // namespace setup
