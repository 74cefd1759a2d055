// The posix build's in-memory registry (the rules of the real one that the setup relies
// on), and the installation folder looked up in it. Path forms, deleting keys and values,
// number values and the other rules both builds keep: tests/platform/platform_contract_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/posix/registry_posix.h"
#include "platform/registry.h"
#include "script/setup_info.h"

namespace setup {
namespace {

namespace posix = platform::posix;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegistryKey;

class MemoryRegistry : public ::testing::Test {
 protected:
  void SetUp() override { posix::ResetRegistry(); }
  void TearDown() override { posix::ResetRegistry(); }
};

// Catches: names compared with case, a second write in other case adding a second
// value or renaming the first, absent and empty values confused, keys listed out of
// order; a reset that leaves keys, the count or live handles behind.
TEST_F(MemoryRegistry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, "Software\\Vendor\\Product"));
  ASSERT_TRUE(key.WriteString("InstallPath", "C:\\One"));
  ASSERT_TRUE(key.WriteString("Empty", ""));
  ASSERT_TRUE(key.Open(kHkeyCurrentUser, "SOFTWARE\\vendor\\PrOdUcT"));
  EXPECT_EQ(key.ReadString("installpath"), "C:\\One");
  EXPECT_EQ(key.ReadString("EMPTY"), std::optional<std::string>(""));
  EXPECT_EQ(key.ReadString("Absent"), std::nullopt);
  ASSERT_TRUE(key.WriteString("INSTALLPATH", "C:\\Two"));
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, "software\\VENDOR\\product\\Sub"));

  std::vector<std::string> listed;
  for (const auto& item : posix::RegistryContents()) {
    listed.push_back(item.isValue ? item.valueName + "=" + item.data : item.path);
  }
  EXPECT_EQ(listed,
            (std::vector<std::string>{"Software", "Software\\Vendor", "Software\\Vendor\\Product",
                                      "Empty=", "InstallPath=C:\\Two", "Software\\Vendor\\Product\\Sub"}));
  EXPECT_EQ(posix::RegistryAccessCount(), 9u);  // every operation counts

  posix::ResetRegistry();
  EXPECT_EQ(posix::RegistryAccessCount(), 0u);
  EXPECT_FALSE(key.WriteString("v", "2"));
  EXPECT_TRUE(posix::RegistryContents().empty());
}

// Catches: a search that stops early or lets a later slot win, a slot's root ignored or
// a bad one taken as a root, a lookup that creates keys, slots with an empty Key looked
// up at all (reading the key's default value), which the access count shows.
TEST_F(MemoryRegistry, InstallDirIsTheFirstNonEmptyValueInSlotOrder) {
  const struct {
    uint32_t root;
    const char *path, *name, *data;
  } values[] = {{kHkeyLocalMachine, "Software\\A", "Other", "C:\\Wrong"},
                {kHkeyCurrentUser, "Software\\C", "Path", ""},
                {kHkeyLocalMachine, "Software\\B", "Path", "C:\\FromB"},
                {kHkeyLocalMachine, "Software\\D", "Path", "C:\\FromD"},
                {kHkeyCurrentUser, "Software\\P", "InstallPath", "C:\\Product"},
                {kHkeyCurrentUser, "", "Path", "C:\\InRoot"}};
  for (const auto& v : values) {
    RegistryKey key;
    ASSERT_TRUE(key.Create(v.root, v.path));
    ASSERT_TRUE(key.WriteString(v.name, v.data));
  }
  const size_t keys = posix::RegistryContents().size();
  const struct {
    std::vector<TInstallDirRegKey> slots;
    std::string expected;
  } cases[] = {
      // No such value, an absent key, an empty value, then the first of two.
      {{{0, "Software\\A", "Path"},
        {0, "Software\\Absent\\Deeper", "Path"},
        {1, "Software\\C", "Path"},
        {0, "Software\\B", "Path"},
        {0, "Software\\D", "Path"}},
       "C:\\FromB"},
      // Another root, no root, slots without a Key, then the fifth slot.
      {{{0, "Software\\P", "InstallPath"},
        {9, "Software\\P", "InstallPath"},
        {1, "Software\\P", ""},
        {0, "", ""},
        {1, "Software\\P", "InstallPath"}},
       "C:\\Product"},
      {{{1, "", "Path"}}, "C:\\InRoot"},  // a value of the root key itself
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    TSetupInfoFile info;
    std::copy(c.slots.begin(), c.slots.end(), info.InstallDirRegKey.begin());
    EXPECT_EQ(info.FindInstallDirInRegistry(), c.expected);
    EXPECT_EQ(posix::RegistryContents().size(), keys);

    for (auto& slot : info.InstallDirRegKey) slot.Key.clear();
    const uint64_t before = posix::RegistryAccessCount();
    EXPECT_EQ(info.FindInstallDirInRegistry(), "");
    EXPECT_EQ(posix::RegistryAccessCount(), before);
  }
}

}  // namespace
}  // namespace setup
