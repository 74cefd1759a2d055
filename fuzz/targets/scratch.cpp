#include "targets/scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/posix/posix_controls.h"

namespace setup::fuzz {

namespace {

class ScratchDir {
 public:
  ScratchDir() {
    // Memory rather than a disk where there is a choice: the targets write a file per
    // input, and the journal flushes.
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path base =
        (tmp == nullptr || *tmp == '\0') && std::filesystem::is_directory("/dev/shm")
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "setup-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("setup fuzz: cannot make a scratch folder");
      std::abort();
    }
    path_ = pattern;
    platform::posix::SetSandboxRoot(path_);
    platform::SetMessageHandler([](const platform::MessageRequest& request) {
      return request.buttons == platform::MessageButtons::RetryCancel ? platform::kAnswerCancel
             : request.buttons == platform::MessageButtons::YesNo ||
                     request.buttons == platform::MessageButtons::YesNoCancel
                 ? platform::kAnswerYes
                 : platform::kAnswerOk;
    });
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

const std::string& ScratchFolder() {
  static ScratchDir dir;
  return dir.path();
}

std::string WriteScratch(const std::string& name, ByteView bytes) {
  const std::string path = ScratchFolder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr ||
      (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())) {
    std::perror(("setup fuzz: cannot write " + path).c_str());
    std::abort();
  }
  std::fclose(file);
  return path;
}

void RemoveScratch(const std::string& name) { std::remove((ScratchFolder() + "/" + name).c_str()); }

std::ostream& NullStream() {
  static NullBuffer buffer;
  static std::ostream stream(&buffer);
  return stream;
}

std::vector<ByteView> SplitInput(ByteView data, std::string_view separator, size_t maxParts) {
  std::vector<ByteView> parts;
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  size_t start = 0;
  while (parts.size() + 1 < maxParts) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) break;
    parts.push_back(data.subspan(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(data.subspan(start));
  return parts;
}

}  // namespace setup::fuzz
