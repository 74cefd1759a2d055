#pragma once
// The "SetupInfo" record: the product-level settings of a setup.

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_io.h"

namespace setup {

// One registry place where an existing installation records its folder.
struct TInstallDirRegKey {
  uint8_t Root = 0;  // registry root index: 0 HKLM, 1 HKCU, 2 HKCR, 3 HKU, 4 HKCC
  std::string Path;
  std::string Key;
};

class TSetupInfoFile {
 public:
  std::string SetupName;
  std::string ShortName;
  std::string SetupExeName;
  std::string UninstallExeName;
  std::string UninstallPrefix;
  std::string InstallDir;
  std::string Changelog;
  std::array<TInstallDirRegKey, 5> InstallDirRegKey;
  std::string PagesName;
  std::string UninstallPagesName;
  uint8_t IsUninstaller = 0;
  uint8_t CreateUninstaller = 0;

  // Reads the record from the decompressed entry. False when the record ends early
  // (a corrupt package, reported like a missing "SetupInfo"); bytes after the last
  // flag are ignored.
  bool LoadFromBuffer(ByteView data);
  // The record's bytes, in the stored order and encoding.
  Bytes Serialize() const;
  // Creates (or truncates) the file and writes the record; write errors are not reported.
  void SaveToFile(const std::string& path) const;
  // The folder recorded by an existing installation: the first of the five slots
  // (in order, skipping those with an empty Key) whose value is not empty.
  std::string FindInstallDirInRegistry() const;
};

}  // namespace setup
