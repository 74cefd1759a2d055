#include "setupc/package_input.h"

#include <ostream>

#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/text.h"

namespace setup::setupc {

bool OpenPackage(TPak& pak, const std::string& path, std::ostream& err) {
  {
    platform::File probe;
    if (!probe.Open(path, platform::OpenMode::ReadShared)) {
      ReportError(err, "cannot read " + path + (platform::FileExists(path) ? "" : ": no such file"));
      return false;
    }
  }
  pak.Create(path);
  switch (pak.State()) {
    case PakState::Valid:
      return true;
    case PakState::Damaged:
      ReportError(err, path + ": damaged package: " + pak.DamageReason());
      return false;
    case PakState::NoPackage:
      ReportError(err, path + ": no package found (the file does not end with a \"KZPF\" trailer)");
      return false;
    case PakState::Closed:
    case PakState::Writing:
      break;
  }
  ReportError(err, "cannot read " + path);
  return false;
}

std::string EntryLabel(size_t index, const TPakEntry& entry) {
  return "entry " + std::to_string(index) + " (" + AnsiToNative(entry.Name) + ")";
}

std::string CountOf(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace setup::setupc
