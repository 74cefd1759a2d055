#pragma once
// The temporary files through which the page controls load package entries: written
// at once, deleted when the owner ends.

#include <string>
#include <string_view>

#include "base/byte_io.h"

namespace setup::ui {

// The temporary folder, one backslash, and name ("C:\...\Temp\RETL.temp").
std::string TemporaryPath(std::string_view name);

class TTemporaryFile {
 public:
  // Writes bytes to path (an existing file is replaced); the file is deleted at the end
  // when it was created here.
  TTemporaryFile(std::string path, ByteView bytes);
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  bool Written() const { return written_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool created_ = false;
  bool written_ = false;
};

}  // namespace setup::ui
