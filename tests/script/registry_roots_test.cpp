// The registry root index: short names, root keys and display names.
#include "script/registry_roots.h"

#include <gtest/gtest.h>

#include <string>

namespace setup {
namespace {

// Catches: case-sensitive matching, prefix matching ("HKEY_CURRENT_USER" is not a short
// name, "HKU" is not "HKUX"), an unknown name that maps anywhere but HKLM.
TEST(RegistryRoots, ShortNamesMatchWithoutCase) {
  const struct {
    const char* name;
    uint8_t index;
  } cases[] = {
      {"hklm", 0},
      {"HKCU", 1},
      {"Hkcu", 1},
      {"hKcR", 2},
      {"hku", 3},
      {"HKCC", 4},
      // unknown names: HKLM
      {"HKEY_CURRENT_USER", 0},
      {"", 0},
      {"HKC", 0},
      {"HKUX", 0},
      {"HKCU ", 0},
      {" HKCU", 0},
      {"HK\xC3U", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RootIndexFromName(c.name), c.index) << '"' << c.name << '"';
  }
}

// Catches: a root key table in another order than the index, a missing bound check
// (index 5 or 255 read past the table), a wrong display text.
TEST(RegistryRoots, IndexGivesRootKeyAndDisplayName) {
  const struct {
    uint8_t index;
    uint32_t key;
    const char* display;
  } cases[] = {
      {0, 0x80000002u, "HKEY_LOCAL_MACHINE"},
      {1, 0x80000001u, "HKEY_CURRENT_USER"},
      {2, 0x80000000u, "HKEY_CLASSES_ROOT"},
      {3, 0x80000003u, "HKEY_USERS"},
      {4, 0x80000005u, "HKEY_CURRENT_CONFIG"},
      {5, 0, "!ERROR!"},
      {255, 0, "!ERROR!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    EXPECT_EQ(RootKeyFromIndex(c.index), c.key);
    EXPECT_EQ(RootDisplayName(c.index), c.display);
  }
}

}  // namespace
}  // namespace setup
