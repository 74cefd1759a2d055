// The registry service against the real registry (Wine's under test), in a key of its
// own under HKEY_CURRENT_USER that is removed afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace setup::platform {
namespace {

// A key name no other run shares; the whole tree below it goes when the test ends.
class RealRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\SetupRegistryTest-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    const std::wstring wide(base_.begin(), base_.end());
    RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
    EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, base_));
  }
  std::string Path(const std::string& sub) const { return sub.empty() ? base_ : base_ + "\\" + sub; }
  // Raw access, so that what the service wrote is checked by the system's own calls.
  HKEY RawOpen(const std::string& sub) const {
    const std::string path = Path(sub);
    const std::wstring wide(path.begin(), path.end());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    return key;
  }

  std::string base_;
};

// Catches: a value written as another type or without its terminator, names matched
// with case, absent and empty values confused, Open creating a key, roots mapped by a
// plain cast (the predefined handles are sign-extended on 64-bit Windows).
TEST_F(RealRegistry, WritesAndReadsStringValues) {
  RegistryKey key;
  EXPECT_FALSE(key.Open(kHkeyCurrentUser, Path("A")));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, Path("A")));
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Path("A\\B")));
  ASSERT_TRUE(key.WriteString("InstallPath", "C:\\Program Files\\Product"));
  ASSERT_TRUE(key.WriteString("Empty", ""));
  ASSERT_TRUE(key.WriteString("", "default"));
  key.Close();

  HKEY raw = RawOpen("A\\B");
  wchar_t data[64] = {};
  DWORD type = 0;
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueExW(raw, L"installpath", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof(L"C:\\Program Files\\Product"));
  EXPECT_STREQ(data, L"C:\\Program Files\\Product");

  // Data of other kinds: text without a terminator reads whole, a number is no text.
  const wchar_t unterminated[] = {L'x', L'y', L'z'};
  RegSetValueExW(raw, L"NoTerminator", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                 sizeof unterminated);
  const DWORD number = 5;
  RegSetValueExW(raw, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(raw);

  ASSERT_TRUE(key.Open(kHkeyCurrentUser, Path("a\\b")));
  EXPECT_EQ(key.ReadString("INSTALLPATH"), "C:\\Program Files\\Product");
  EXPECT_EQ(key.ReadString("Empty"), std::optional<std::string>(""));
  EXPECT_EQ(key.ReadString(""), "default");
  EXPECT_EQ(key.ReadString("Absent"), std::nullopt);
  EXPECT_EQ(key.ReadString("NoTerminator"), "xyz");
  EXPECT_EQ(key.ReadString("Number"), std::nullopt);
  const std::string longText(5000, 'L');
  ASSERT_TRUE(key.Open(kHkeyCurrentUser, Path("A\\B"), RegistryAccess::Full));
  ASSERT_TRUE(key.WriteString("Long", longText));
  EXPECT_EQ(key.ReadString("long"), longText);

  EXPECT_FALSE(key.Open(0x80000004u, "Software"));
  EXPECT_FALSE(key.WriteString("v", "x"));
}

// Catches: a key deleted with its subkeys, the root deletable through an empty path,
// DeleteValue reporting success for an absent value.
TEST_F(RealRegistry, DeletesValuesAndLeafKeysOnly) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Path("P\\Leaf")));
  ASSERT_TRUE(key.WriteString("v", "1"));
  EXPECT_TRUE(key.DeleteValue("V"));
  EXPECT_FALSE(key.DeleteValue("v"));
  key.Close();

  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, Path("P")));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, ""));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, Path("P\\Absent")));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, Path("p\\leaf")));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, Path("P\\Leaf")));
  EXPECT_TRUE(RegistryKeyExists(kHkeyCurrentUser, Path("P")));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, Path("P")));
}

// Catches: a number written as text or in the wrong width, text read as a number or a
// number as text, a rewrite that keeps the old type.
TEST_F(RealRegistry, NumberValuesAreDwordsAndStayApartFromText) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Path("N")));
  ASSERT_TRUE(key.WriteDword("Count", 0xFFFFFFFEu));
  ASSERT_TRUE(key.WriteString("Text", "12"));
  HKEY raw = RawOpen("N");
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  ASSERT_EQ(RegQueryValueExW(raw, L"count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(value, 0xFFFFFFFEu);
  const uint8_t eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(RegSetValueExW(raw, L"Wide", 0, REG_QWORD, eight, sizeof eight), ERROR_SUCCESS);
  RegCloseKey(raw);

  EXPECT_EQ(key.ReadDword("COUNT"), 0xFFFFFFFEu);
  EXPECT_EQ(key.ReadString("Count"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Text"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Wide"), std::nullopt);
  ASSERT_TRUE(key.WriteDword("Text", 0));
  EXPECT_EQ(key.ReadDword("Text"), 0u);
  EXPECT_EQ(key.ReadString("Text"), std::nullopt);
  key.Close();
  EXPECT_EQ(key.ReadDword("Count"), std::nullopt);
  EXPECT_FALSE(key.WriteDword("Count", 1));
}

}  // namespace
}  // namespace setup::platform
