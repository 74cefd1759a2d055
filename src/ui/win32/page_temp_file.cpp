#include "ui/win32/page_temp_file.h"

#include <utility>

#include "platform/files.h"

namespace setup::ui {

std::string TemporaryPath(std::string_view name) {
  std::string folder = platform::TemporaryFolder();
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  folder += '\\';
  folder += name;
  return folder;
}

TTemporaryFile::TTemporaryFile(std::string path, ByteView bytes) : path_(std::move(path)) {
  platform::File file;
  if (!file.Open(path_, platform::OpenMode::CreateAlways)) return;
  created_ = true;
  written_ = bytes.empty() || file.Write(bytes.data(), bytes.size());
}

TTemporaryFile::~TTemporaryFile() {
  if (created_) platform::RemoveFile(path_);
}

}  // namespace setup::ui
