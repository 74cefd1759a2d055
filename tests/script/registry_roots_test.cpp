// The registry root index: short names, root keys and display names.
#include "script/registry_roots.h"

#include <gtest/gtest.h>

#include <string>

namespace setup {
namespace {

// Catches: case-sensitive or prefix matching ("HKEY_CURRENT_USER" is not a short name,
// "HKU" is not "HKUX"), an unknown name that maps anywhere but HKLM; a root key table
// in another order than the index, a missing bound check (index 5 or 255 read past the
// table), a wrong display text.
TEST(RegistryRoots, ShortNamesIndexesRootKeysAndDisplayNames) {
  const struct {
    const char* name;
    uint8_t index;
  } names[] = {{"hklm", 0}, {"Hkcu", 1}, {"hKcR", 2}, {"hku", 3},   {"HKCC", 4},   {"HKEY_CURRENT_USER", 0},
               {"", 0},     {"HKUX", 0}, {"HKC", 0},  {" HKCU", 0}, {"HK\xC3U", 0}};
  for (const auto& c : names) EXPECT_EQ(RootIndexFromName(c.name), c.index) << '"' << c.name << '"';

  const struct {
    uint8_t index;
    uint32_t key;
    const char* display;
  } roots[] = {{0, 0x80000002u, "HKEY_LOCAL_MACHINE"},
               {1, 0x80000001u, "HKEY_CURRENT_USER"},
               {2, 0x80000000u, "HKEY_CLASSES_ROOT"},
               {3, 0x80000003u, "HKEY_USERS"},
               {4, 0x80000005u, "HKEY_CURRENT_CONFIG"},
               {5, 0, "!ERROR!"},
               {255, 0, "!ERROR!"}};
  for (const auto& c : roots) {
    EXPECT_EQ(RootKeyFromIndex(c.index), c.key) << int{c.index};
    EXPECT_EQ(RootDisplayName(c.index), c.display) << int{c.index};
  }
}

}  // namespace
}  // namespace setup
