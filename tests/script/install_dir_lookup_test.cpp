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
  std::string path;
  std::string name;
  std::string data;
};

class InstallDirLookup : public ::testing::Test {
 protected:
  void SetUp() override { platform::posix::ResetRegistry(); }
  void TearDown() override { platform::posix::ResetRegistry(); }

  static void Put(const Value& v) {
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(v.root, v.path));
    ASSERT_TRUE(key.WriteString(v.name, v.data));
  }
  static void PutKey(uint32_t root, const std::string& path) {
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(root, path));
  }
};

// Catches: slots with an empty Key looked up anyway (reading the key's default value,
// or opening keys at all), which the access count would show.
TEST_F(InstallDirLookup, AllKeysEmptyGivesEmptyWithoutTouchingTheRegistry) {
  Put({kHkeyLocalMachine, "Software\\P", "", "C:\\FromDefaultValue"});
  TSetupInfoFile info;
  for (auto& slot : info.InstallDirRegKey) slot = {0, "Software\\P", ""};
  const uint64_t before = platform::posix::RegistryAccessCount();
  EXPECT_EQ(info.FindInstallDirInRegistry(), "");
  EXPECT_EQ(platform::posix::RegistryAccessCount(), before);
}

// Each case: what the registry holds, the five slots, the folder expected.
struct LookupCase {
  const char* what;
  std::vector<Value> registry;
  std::vector<TInstallDirRegKey> slots;
  std::string expected;
};

// Catches: a search that stops at a key without the value, at an empty value or at
// an absent key; a later slot winning over an earlier one; a slot's root ignored or
// an out-of-range root index taken as a real root; names matched with case.
TEST_F(InstallDirLookup, FirstNonEmptyValueInSlotOrderWins) {
  const std::vector<LookupCase> cases = {
      {"key exists without the value, next slot has it",
       {{kHkeyLocalMachine, "Software\\A", "Other", "C:\\Wrong"},
        {kHkeyLocalMachine, "Software\\B", "Path", "C:\\FromB"}},
       {{0, "Software\\A", "Path"}, {0, "Software\\B", "Path"}},
       "C:\\FromB"},
      {"absent key, then a value",
       {{kHkeyLocalMachine, "Software\\B", "Path", "C:\\FromB"}},
       {{0, "Software\\Absent", "Path"}, {0, "Software\\B", "Path"}},
       "C:\\FromB"},
      {"empty data is skipped",
       {{kHkeyLocalMachine, "Software\\A", "Path", ""},
        {kHkeyCurrentUser, "Software\\C", "Dir", "C:\\FromC"}},
       {{0, "Software\\A", "Path"}, {0, "", ""}, {1, "Software\\C", "Dir"}},
       "C:\\FromC"},
      {"first of several wins",
       {{kHkeyLocalMachine, "Software\\B", "Path", "C:\\FromB"},
        {kHkeyLocalMachine, "Software\\D", "Path", "C:\\FromD"}},
       {{0, "", ""}, {0, "Software\\B", "Path"}, {0, "", ""}, {0, "Software\\D", "Path"}},
       "C:\\FromB"},
      {"the fifth slot is searched too",
       {{kHkeyCurrentUser, "Software\\E", "Path", "C:\\FromE"}},
       {{0, "", ""}, {0, "", ""}, {0, "", ""}, {0, "", ""}, {1, "Software\\E", "Path"}},
       "C:\\FromE"},
      {"the slot's root decides",
       {{kHkeyCurrentUser, "Software\\A", "Path", "C:\\UserOnly"}},
       {{0, "Software\\A", "Path"}},
       ""},
      {"out-of-range root finds nothing",
       {{kHkeyLocalMachine, "Software\\A", "Path", "C:\\Machine"}},
       {{9, "Software\\A", "Path"}},
       ""},
      {"names without regard to case",
       {{kHkeyCurrentUser, "Software\\Vendor\\Product", "InstallPath", "C:\\Product"}},
       {{1, "SOFTWARE\\vendor\\PRODUCT", "installpath"}},
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
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.what);
    platform::posix::ResetRegistry();
    for (const Value& v : c.registry) Put(v);
    TSetupInfoFile info;
    for (size_t i = 0; i < c.slots.size(); ++i) info.InstallDirRegKey[i] = c.slots[i];
    EXPECT_EQ(info.FindInstallDirInRegistry(), c.expected);
  }
}

// Catches: a lookup that creates the keys it opens (it must leave no trace).
TEST_F(InstallDirLookup, SearchCreatesNothing) {
  PutKey(kHkeyLocalMachine, "Software\\Exists");
  const auto before = platform::posix::RegistryContents();
  TSetupInfoFile info;
  info.InstallDirRegKey[0] = {0, "Software\\Exists", "Path"};
  info.InstallDirRegKey[1] = {0, "Software\\Absent\\Deeper", "Path"};
  info.InstallDirRegKey[2] = {1, "Software\\Absent", "Path"};
  EXPECT_EQ(info.FindInstallDirInRegistry(), "");
  EXPECT_EQ(platform::posix::RegistryContents().size(), before.size());
  EXPECT_FALSE(platform::RegistryKeyExists(kHkeyLocalMachine, "Software\\Absent"));
  EXPECT_FALSE(platform::RegistryKeyExists(kHkeyCurrentUser, "Software\\Absent"));
}

}  // namespace
}  // namespace setup
