// The posix build's in-memory registry: the rules of the real one that the setup
// relies on.
#include <gtest/gtest.h>

#include <string>
#include <thread>
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
// value or renaming the first, absent and empty values confused.
TEST_F(MemoryRegistry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, "Software\\Vendor\\Product"));
  ASSERT_TRUE(key.WriteString("InstallPath", "C:\\One"));
  ASSERT_TRUE(key.WriteString("Empty", ""));
  key.Close();

  RegistryKey again;
  ASSERT_TRUE(again.Open(kHkeyCurrentUser, "SOFTWARE\\vendor\\PrOdUcT"));
  EXPECT_EQ(again.ReadString("installpath"), "C:\\One");
  EXPECT_EQ(again.ReadString("EMPTY"), std::optional<std::string>(""));
  EXPECT_EQ(again.ReadString("Absent"), std::nullopt);
  ASSERT_TRUE(again.WriteString("INSTALLPATH", "C:\\Two"));
  EXPECT_EQ(again.ReadString("InstallPath"), "C:\\Two");
  ASSERT_TRUE(again.Create(kHkeyCurrentUser, "software\\VENDOR\\product\\Sub"));

  const auto contents = posix::RegistryContents();
  ASSERT_EQ(contents.size(), 6u);
  EXPECT_EQ(contents[0].path, "Software");
  EXPECT_EQ(contents[1].path, "Software\\Vendor");
  EXPECT_EQ(contents[2].path, "Software\\Vendor\\Product");
  EXPECT_TRUE(contents[3].isValue);
  EXPECT_EQ(contents[3].valueName, "Empty");
  EXPECT_EQ(contents[4].valueName, "InstallPath");
  EXPECT_EQ(contents[4].data, "C:\\Two");
  EXPECT_EQ(contents[5].path, "Software\\Vendor\\Product\\Sub");
  for (const auto& item : contents) EXPECT_EQ(item.root, kHkeyCurrentUser);
}

// Catches: Open creating keys, Create not making the parents, roots sharing one tree,
// path forms the system accepts (trailing or doubled "\") or refuses (leading "\")
// treated otherwise, a bad root accepted.
TEST_F(MemoryRegistry, OpenCreateAndPathForms) {
  RegistryKey key;
  EXPECT_FALSE(key.Open(kHkeyLocalMachine, "Software\\A"));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_TRUE(posix::RegistryContents().empty());

  ASSERT_TRUE(key.Create(kHkeyLocalMachine, "Software\\A\\B\\"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, "Software"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, "Software\\A"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, "Software\\\\A\\B"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyLocalMachine, ""));
  EXPECT_FALSE(RegistryKeyExists(kHkeyLocalMachine, "\\Software\\A"));
  EXPECT_FALSE(key.Create(kHkeyLocalMachine, "\\Software\\C"));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, "Software"));
  EXPECT_FALSE(RegistryKeyExists(kHkeyUsers, "Software"));

  for (const uint32_t badRoot : {kNoRootKey, 0x80000004u, 2u}) {
    SCOPED_TRACE(badRoot);
    EXPECT_FALSE(key.Create(badRoot, "Software"));
    EXPECT_FALSE(key.Open(badRoot, ""));
    EXPECT_FALSE(RegistryKeyExists(badRoot, ""));
    EXPECT_FALSE(DeleteRegistryKey(badRoot, "Software"));
    EXPECT_FALSE(key.WriteString("v", "x"));  // the failed open left it closed
    EXPECT_EQ(key.ReadString("v"), std::nullopt);
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
  EXPECT_EQ(leaf.ReadString("w"), "2");

  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P"));  // has a subkey
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, ""));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P\\Absent"));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\Absent\\Leaf"));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "SOFTWARE\\p\\LEAF\\"));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, "Software\\P\\Leaf"));

  // The handle still open on the deleted key fails, like the system's.
  EXPECT_FALSE(leaf.WriteString("x", "3"));
  EXPECT_EQ(leaf.ReadString("w"), std::nullopt);
  EXPECT_FALSE(leaf.DeleteValue("w"));

  RegistryKey fresh;
  ASSERT_TRUE(fresh.Create(kHkeyCurrentUser, "Software\\P\\Leaf"));
  EXPECT_EQ(fresh.ReadString("w"), std::nullopt);
  fresh.Close();

  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P\\Leaf"));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\P"));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "Software"));
  EXPECT_TRUE(posix::RegistryContents().empty());
}

// Catches: a reset that leaves keys, the count or live handles behind; operations
// that are not counted.
TEST_F(MemoryRegistry, ResetAndAccessCount) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, "Software\\R"));
  ASSERT_TRUE(key.WriteString("v", "1"));
  EXPECT_EQ(key.ReadString("v"), "1");
  EXPECT_FALSE(key.Open(kHkeyCurrentUser, "Software\\Absent"));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, "Software\\Absent"));
  EXPECT_EQ(posix::RegistryAccessCount(), 5u);

  ASSERT_TRUE(key.Open(kHkeyCurrentUser, "Software\\R"));
  posix::ResetRegistry();
  EXPECT_EQ(posix::RegistryAccessCount(), 0u);
  EXPECT_TRUE(posix::RegistryContents().empty());
  EXPECT_FALSE(key.WriteString("v", "2"));
  EXPECT_TRUE(posix::RegistryContents().empty());
}

// Catches: a tree changed without the lock (lost keys or a crash under the sanitizers).
TEST_F(MemoryRegistry, ConcurrentWritersLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kKeys = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kKeys; ++i) {
        RegistryKey key;
        if (key.Create(kHkeyLocalMachine, "Software\\T" + std::to_string(t) + "\\K" +
                                              std::to_string(i))) {
          key.WriteString("n", std::to_string(i));
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  // Software, one key per thread, and per created key the key and its value.
  EXPECT_EQ(posix::RegistryContents().size(), 1u + kThreads + 2u * kThreads * kKeys);
}

}  // namespace
}  // namespace setup::platform
