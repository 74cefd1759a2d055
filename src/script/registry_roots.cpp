#include "script/registry_roots.h"

#include <array>

#include "platform/registry.h"

namespace setup {

namespace {

struct Root {
  std::string_view shortName;
  uint32_t key;
  std::string_view displayName;
};

constexpr std::array<Root, 5> kRoots = {{
    {"HKLM", platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {"HKCU", platform::kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {"HKCR", platform::kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
    {"HKU", platform::kHkeyUsers, "HKEY_USERS"},
    {"HKCC", platform::kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
}};

// Short names are ASCII, so folding ASCII letters is all the matching needs.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

uint8_t RootIndexFromName(std::string_view name) {
  for (size_t i = 0; i < kRoots.size(); ++i) {
    if (SameIgnoringCase(name, kRoots[i].shortName)) return static_cast<uint8_t>(i);
  }
  return 0;
}

uint32_t RootKeyFromIndex(uint8_t index) {
  return index < kRoots.size() ? kRoots[index].key : platform::kNoRootKey;
}

std::string RootDisplayName(uint8_t index) {
  return std::string(index < kRoots.size() ? kRoots[index].displayName : "!ERROR!");
}

}  // namespace setup
