// Writing out and starting the finaliser.
#include "uninstall/finaliser_launch.h"

#include <cstdint>
#include <optional>

#include "installlog/uninstall_list.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/programs.h"
#include "script/path_variables.h"
#include "script/setup_context.h"

namespace setup {

namespace {

// The folder part of a path, up to and including its last backslash; empty when it has
// none.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool WriteBufferToFile(const std::string& path, ByteView data, TUninstallList& list) {
  ForceDirectoriesLogged(FolderOf(path), list);
  platform::File file;
  if (!file.Open(path, platform::OpenMode::CreateAlways)) return false;
  if (!data.empty() && !file.Write(data.data(), data.size())) {
    file.Close();
    platform::RemoveFile(path);
    return false;
  }
  return true;
}

bool RunFinaliser(SetupContext& context) {
  // Without a temporary folder the program would land in whatever folder is current.
  const std::string folder = platform::TemporaryFolder();
  if (folder.empty()) return false;
  uint32_t size = 0;
  std::optional<Bytes> program = context.Package.ExtractByName(kFinaliserEntry, 0, size);
  // An empty file is no program: starting it could only fail, or run whatever the
  // system makes of an empty file.
  if (!program || program->empty()) return false;
  const std::string path = AddBackslash(folder) + kFinaliserFileName;
  const bool written = WriteBufferToFile(path, *program, context.UninstallList);
  program.reset();
  if (!written) return false;
  platform::RunningProgram finaliser = platform::StartProgram(path, "\"" + platform::ModuleFileName() + "\"");
  if (!finaliser.IsValid()) return false;
  finaliser.Release();
  return true;
}

}  // namespace setup
