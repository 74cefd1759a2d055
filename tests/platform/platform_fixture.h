#pragma once
// What a platform test may change, one half per build: a folder, named as the services
// take paths, and a registry key under HKEY_CURRENT_USER; both are gone when the test
// ends. The posix build maps the drive path "C:\Test" into a sandbox root of its own and
// empties the in-memory registry; the Windows build uses a real temporary folder and a
// key of the test's own in the real registry (Wine's under test).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#endif

namespace setup::platform {

class PlatformTest : public ::testing::Test {
 protected:
#ifdef _WIN32
  void SetUp() override {
    folder_ = dir_.Path();
    key_ = "Software\\SetupPlatformTest-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    const std::wstring wide(key_.begin(), key_.end());
    RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
    EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, key_));
  }
  static std::string Local(const std::string& path) { return path; }  // as the services take it
#else
  void SetUp() override {
    posix::SetSandboxRoot(dir_.Path());
    posix::ResetRegistry();
    folder_ = "C:\\Test";
    key_ = "Software\\Test";
    std::filesystem::create_directories(Local(folder_));
  }
  void TearDown() override {
    posix::SetSandboxRoot("");
    posix::ResetRegistry();
  }
  static std::string Local(const std::string& path) { return posix::MapPath(path); }
#endif

  // A path in the test's folder, a key below the test's key; "": the folder, the key.
  std::string In(const std::string& path = "") const {
    return path.empty() ? folder_ : folder_ + "\\" + path;
  }
  std::string Key(const std::string& sub = "") const { return sub.empty() ? key_ : key_ + "\\" + sub; }

  // Text written at a path (its folder created) and read back, without the services.
  static void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(Local(path)).parent_path());
    test::WriteFileBytes(Local(path), test::ToBytes(text));
  }
  static std::string Read(const std::string& path) {
    const test::Bytes bytes = test::ReadFileBytes(Local(path));
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir dir_;
  std::string folder_;
  std::string key_;
};

}  // namespace setup::platform
