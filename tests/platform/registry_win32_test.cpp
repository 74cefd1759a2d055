// The registry service against the real registry (Wine's under test), in a key of its
// own under HKEY_CURRENT_USER that is removed afterwards: what it writes, checked by the
// system's own calls, and data of kinds only other programs write. What it promises in
// both builds: platform_contract_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "platform_fixture.h"

namespace setup::platform {
namespace {

class RealRegistry : public PlatformTest {
 protected:
  // Raw access, so that what the service wrote is checked by the system's own calls.
  HKEY RawOpen(const std::string& sub) const {
    const std::string path = Key(sub);
    const std::wstring wide(path.begin(), path.end());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    return key;
  }
};

// Catches: text written as another type or without its terminator; text of another
// program without a terminator cut or refused, a number read as text; roots mapped by a
// plain cast (the predefined handles are sign-extended on 64-bit Windows).
TEST_F(RealRegistry, StringValuesAreTerminatedText) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key("A")));
  ASSERT_TRUE(key.WriteString("InstallPath", "C:\\Program Files\\Product"));
  HKEY raw = RawOpen("A");
  wchar_t data[64] = {};
  DWORD type = 0;
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueExW(raw, L"installpath", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof(L"C:\\Program Files\\Product"));
  EXPECT_STREQ(data, L"C:\\Program Files\\Product");

  const wchar_t unterminated[] = {L'x', L'y', L'z'};
  RegSetValueExW(raw, L"NoTerminator", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                 sizeof unterminated);
  const DWORD number = 5;
  RegSetValueExW(raw, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(raw);
  EXPECT_EQ(key.ReadString("NoTerminator"), "xyz");
  EXPECT_EQ(key.ReadString("Number"), std::nullopt);
}

// Catches: a number written as text or in the wrong width, a wider number read as one.
TEST_F(RealRegistry, NumberValuesAreDwords) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key("N")));
  ASSERT_TRUE(key.WriteDword("Count", 0xFFFFFFFEu));
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
  EXPECT_EQ(key.ReadDword("Wide"), std::nullopt);
}

}  // namespace
}  // namespace setup::platform
