// FindInstallDirInRegistry against the in-memory registry of the posix build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/registry_posix.h"
#include "platform/registry.h"
#include "script/setup_info.h"

namespace setup {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

struct Value {
  uint32_t root;
  std::string path, name, data;
};

// Each case: what the registry holds, the five slots, the folder expected.
// Catches: a search that stops at a key without the value, at an empty value or at an
// absent key; a later slot winning; the fifth slot skipped; a slot's root ignored or an
// out-of-range root index taken as a real root; names matched with case; a lookup
// that creates the keys it opens; slots with an empty Key looked up at all (reading
// the key's default value), which the access count shows.
TEST(InstallDirLookup, FirstNonEmptyValueInSlotOrderWins) {
  const struct {
    const char* what;
    std::vector<Value> registry;
    std::vector<TInstallDirRegKey> slots;
    std::string expected;
  } cases[] = {
      {"no value, absent key, empty value, then the first of two",
       {{kHkeyLocalMachine, "Software\\A", "Other", "C:\\Wrong"},
        {kHkeyCurrentUser, "Software\\C", "Path", ""},
        {kHkeyLocalMachine, "Software\\B", "Path", "C:\\FromB"},
        {kHkeyLocalMachine, "Software\\D", "Path", "C:\\FromD"}},
       {{0, "Software\\A", "Path"},
        {0, "Software\\Absent\\Deeper", "Path"},
        {1, "Software\\C", "Path"},
        {0, "Software\\B", "Path"},
        {0, "Software\\D", "Path"}},
       "C:\\FromB"},
      {"other root, bad root, then the fifth slot without regard to case",
       {{kHkeyCurrentUser, "Software\\Vendor\\Product", "InstallPath", "C:\\Product"}},
       {{0, "Software\\Vendor\\Product", "InstallPath"},
        {9, "Software\\Vendor\\Product", "InstallPath"},
        {0, "", ""},
        {0, "", ""},
        {1, "SOFTWARE\\vendor\\PRODUCT", "installpath"}},
       "C:\\Product"},
      {"a value in the root key itself",
       {{kHkeyCurrentUser, "", "Path", "C:\\InRoot"}},
       {{1, "", "Path"}},
       "C:\\InRoot"},
      {"nothing found anywhere",
       {{kHkeyLocalMachine, "Software\\A", "Path", ""}},
       {{0, "Software\\A", "Path"}, {0, "Software\\A", "Missing"}, {3, "Software\\A", "Path"}},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::posix::ResetRegistry();
    for (const Value& v : c.registry) {
      platform::RegistryKey key;
      ASSERT_TRUE(key.Create(v.root, v.path));
      ASSERT_TRUE(key.WriteString(v.name, v.data));
    }
    const size_t keys = platform::posix::RegistryContents().size();
    TSetupInfoFile info;
    for (size_t i = 0; i < c.slots.size(); ++i) info.InstallDirRegKey[i] = c.slots[i];
    EXPECT_EQ(info.FindInstallDirInRegistry(), c.expected);
    EXPECT_EQ(platform::posix::RegistryContents().size(), keys);

    for (auto& slot : info.InstallDirRegKey) slot.Key.clear();
    const uint64_t before = platform::posix::RegistryAccessCount();
    EXPECT_EQ(info.FindInstallDirInRegistry(), "");
    EXPECT_EQ(platform::posix::RegistryAccessCount(), before);
  }
  platform::posix::ResetRegistry();
}

}  // namespace
}  // namespace setup
