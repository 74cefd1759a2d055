#pragma once
// The surroundings "setupc apply" runs a setup in: everything stays below the target
// folder or a temporary folder that is removed at the end.
//
// posix: the sandbox root is a fresh temporary folder; the installation folder
// "C:\Game" is mounted on the target folder; files are found without regard to case;
// the registry is the in-memory one. Windows: the installation folder is the target
// folder itself; the special folders are redirected into a temporary folder; the
// registry's roots are redirected to a volatile key (platform/registry.h). Both:
// programs and documents are recorded, not started; the setup file stands in for the
// running program (the uninstaller is copied from it).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace setup::setupc {

struct SystemFile {
  std::string path;  // as the run saw it: "C:\Users\User\Desktop\a.lnk", or the redirected path
  uint64_t size = 0;
};

class ApplyEnvironment {
 public:
  ApplyEnvironment() = default;
  ~ApplyEnvironment() { End(); }
  ApplyEnvironment(const ApplyEnvironment&) = delete;
  ApplyEnvironment& operator=(const ApplyEnvironment&) = delete;

  // False with a reason when the surroundings cannot be made (nothing is left set then).
  bool Begin(const std::filesystem::path& setupFile, const std::filesystem::path& folder, std::string& error);
  // Restores every setting and removes the temporary folder. Safe to call twice.
  void End();

  // The files the run put into the system folders (the sandbox), in path order.
  std::vector<SystemFile> SystemFiles() const;

  std::string InstallFolder() const { return installFolder_; }  // the path the run sees
  std::string LogPath() const { return logPath_; }              // the run log, outside the sandbox
  std::string RegistryWhere() const { return registryWhere_; }  // where registry writes went
  std::string SandboxFolder() const { return temporary_.string(); }

 private:
  bool begun_ = false;
  std::filesystem::path temporary_;  // removed by End
  std::filesystem::path systemRoot_;  // where system folders land
  std::string installFolder_;
  std::string logPath_;
  std::string registryWhere_;
};

}  // namespace setup::setupc
