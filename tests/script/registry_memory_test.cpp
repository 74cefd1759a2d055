// The posix build's in-memory registry: the rules of the real one that the setup
// relies on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/registry_posix.h"
#include "platform/registry.h"

namespace setup::platform {
namespace {

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

// Catches: Open creating keys, Create not making the parents, roots sharing one tree,
// path forms the system accepts (trailing or doubled "\") or refuses (leading "\")
// treated otherwise, a bad root accepted.
TEST_F(MemoryRegistry, OpenCreateAndPathForms) {
  RegistryKey key;
  EXPECT_FALSE(key.Open(kHkeyLocalMachine, "Software\\A"));
  EXPECT_TRUE(posix::RegistryContents().empty());
  ASSERT_TRUE(key.Create(kHkeyLocalMachine, "Software\\A\\B\\"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, "Software\\A"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, "Software\\\\A\\B"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, ""));
  EXPECT_FALSE(RegistryKeyExists(kHkeyLocalMachine, "\\Software\\A"));
  EXPECT_FALSE(key.Create(kHkeyLocalMachine, "\\Software\\C"));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, "Software"));
  for (const uint32_t badRoot : {kNoRootKey, 0x80000004u, 2u}) {
    SCOPED_TRACE(badRoot);
    EXPECT_FALSE(key.Create(badRoot, "Software"));
    EXPECT_FALSE(RegistryKeyExists(badRoot, ""));
    EXPECT_FALSE(DeleteRegistryKey(badRoot, "Software"));
    EXPECT_FALSE(key.WriteString("v", "x"));  // the failed open left it closed
  }
}

// Catches: deleting a key that still has subkeys (the system refuses), deleting the
// root, a delete that leaves the values behind for a re-created key, an open key of a
// deleted one that still writes somewhere, DeleteValue reporting success for nothing.
TEST_F(MemoryRegistry, DeleteSemantics) {
  RegistryKey leaf;
  ASSERT_TRUE(leaf.Create(kHkeyCurrentUser, "Software\\P\\Leaf"));
  ASSERT_TRUE(leaf.WriteString("v", "1"));
  ASSERT_TRUE(leaf.WriteString("w", "2"));
  EXPECT_TRUE(leaf.DeleteValue("V"));
  EXPECT_FALSE(leaf.DeleteValue("v"));

  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P"));  // has a subkey
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, ""));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P\\Absent"));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "SOFTWARE\\p\\LEAF\\"));
  EXPECT_FALSE(leaf.WriteString("x", "3"));
  EXPECT_EQ(leaf.ReadString("w"), std::nullopt);

  RegistryKey fresh;
  ASSERT_TRUE(fresh.Create(kHkeyCurrentUser, "Software\\P\\Leaf"));
  EXPECT_EQ(fresh.ReadString("w"), std::nullopt);
}

}  // namespace
}  // namespace setup::platform
