#include "setupc/apply_environment.h"

#include <chrono>
#include <random>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/programs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#ifndef _WIN32
#include "platform/posix/posix_controls.h"
#include "platform/posix/shell_controls.h"
#endif

namespace setup::setupc {

namespace fs = std::filesystem;

namespace {

// The installation folder a posix run sees: a drive path, mounted on the target folder.
constexpr const char* kPosixInstallFolder = "C:\\Game";

fs::path NewTemporaryFolder(std::string& error) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) {
    error = "no temporary folder: " + ec.message();
    return {};
  }
  std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("setupc-apply-" + std::to_string(random() % 1000000000u));
    if (fs::create_directory(candidate, ec)) return candidate;
  }
  error = "cannot create a temporary folder in " + base.string();
  return {};
}

}  // namespace

bool ApplyEnvironment::Begin(const fs::path& setupFile, const fs::path& folder, std::string& error) {
  End();
  temporary_ = NewTemporaryFolder(error);
  if (temporary_.empty()) return false;
  std::error_code ec;
  systemRoot_ = temporary_ / "system";
  fs::create_directories(systemRoot_, ec);
  logPath_ = (temporary_ / "run.log").string();
  const std::string absoluteFolder = fs::absolute(folder, ec).lexically_normal().string();
  registryWhere_ = platform::BeginRegistrySandbox();
  if (registryWhere_.empty()) {
    fs::remove_all(temporary_, ec);
    temporary_.clear();
    error = "the registry sandbox cannot be made (a volatile key below HKCU); nothing was run";
    return false;
  }
#ifdef _WIN32
  installFolder_ = absoluteFolder;
  while (installFolder_.size() > 3 && (installFolder_.back() == '\\' || installFolder_.back() == '/')) {
    installFolder_.pop_back();
  }
  platform::RedirectSpecialFolders(systemRoot_.string());
#else
  // Drive paths land in the sandbox, the installation folder in the target folder; the
  // free space of drive C: is that of the sandbox's file system.
  platform::posix::SetSandboxRoot(systemRoot_.string());
  fs::create_directories(systemRoot_ / "C", ec);
  installFolder_ = kPosixInstallFolder;
  platform::posix::MountFolder(installFolder_, absoluteFolder);
  platform::posix::SetCaseBlindPaths(true);
  platform::posix::ResetSpecialFolders();
  platform::posix::ResetOpenedDocuments();
#endif
  platform::RecordProgramStarts(true);
  platform::SetModuleFileNameOverride(fs::absolute(setupFile, ec).string());
  begun_ = true;
  return true;
}

void ApplyEnvironment::End() {
  if (!begun_) return;
  begun_ = false;
  platform::SetModuleFileNameOverride({});
  platform::RecordProgramStarts(false);
  platform::EndRegistrySandbox();
#ifdef _WIN32
  platform::RedirectSpecialFolders({});
#else
  platform::posix::SetCaseBlindPaths(false);
  platform::posix::UnmountFolders();
  platform::posix::SetSandboxRoot({});
#endif
  std::error_code ec;
  fs::remove_all(temporary_, ec);
  temporary_.clear();
}

std::vector<SystemFile> ApplyEnvironment::SystemFiles() const {
  std::vector<SystemFile> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(systemRoot_, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string relative = fs::relative(it->path(), systemRoot_, ec).generic_string();
#ifdef _WIN32
    std::string shown = (systemRoot_ / relative).string();
#else
    // "C/Users/User/x" -> "C:\Users\User\x"
    std::string shown = relative.size() >= 1 ? relative.substr(0, 1) + ":" + relative.substr(1) : relative;
#endif
    for (char& c : shown) {
      if (c == '/') c = '\\';
    }
    files.push_back({shown, static_cast<uint64_t>(it->file_size(ec))});
  }
  std::sort(files.begin(), files.end(), [](const SystemFile& a, const SystemFile& b) { return a.path < b.path; });
  return files;
}

}  // namespace setup::setupc
