// The product's KZP packages: signature, footer, table and records, each entry's block;
// and the WAVE files that become their sound entries.

#include "base/errors.h"
#include "fuzz_targets.h"
#include "package/kzp_format.h"
#include "package/kzp_sound.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "targets/scratch.h"

namespace setup::fuzz {

void FuzzKzp(const uint8_t* data, size_t size) {
  const std::string path = WriteScratch("package.kzp", ByteView(data, size));
  {
    platform::File file;
    if (!file.Open(path, platform::OpenMode::ReadShared)) std::abort();
    TKzpLayout layout;
    std::string reason;
    if (!ReadKzpLayout(file, layout, reason) && reason.empty()) std::abort();  // a refusal says why
  }
  // The records and every block, as support staff read them.
  setupc::KzpOptions options;
  options.package = path;
  options.action = "list";
  options.json = size % 2 == 0;
  setupc::KzpCommand(options, NullStream(), NullStream());
  options.action = "verify";
  setupc::KzpCommand(options, NullStream(), NullStream());
}

// The input's first byte picks the entry's folder (effects keep their samples as PCM);
// the rest is the WAVE file.
void FuzzSound(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const std::string name = (data[0] & 1) != 0 ? "Sounds\\Effects\\shot.wav" : "Sounds\\theme.wav";
  const std::optional<Bytes> block = BuildSoundBlock(name, ByteView(data + 1, size - 1));
  if (block &&
      (block->size() < kSoundHeaderSize || GetU32(&(*block)[54]) != block->size() - kSoundHeaderSize)) {
    std::abort();  // the header's length is what follows it
  }
}

}  // namespace setup::fuzz
