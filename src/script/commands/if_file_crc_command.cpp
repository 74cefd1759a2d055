#include "script/commands/if_file_crc_command.h"

#include <vector>

#include "base/crc32.h"
#include "platform/files.h"
#include "script/cd_drive_path.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

namespace {
constexpr size_t kCrcPiece = 64 * 1024;  // bytes read at a time: memory stays bounded
}

TIfFileCrcCommand::TIfFileCrcCommand() : TCommandClass("iffilecrc", /*isHeader=*/false) {}

std::optional<uint32_t> TIfFileCrcCommand::ParseCrc(const std::string& text) {
  if (text.size() != 8) return std::nullopt;
  uint32_t value = 0;
  for (const char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else return std::nullopt;
    value = (value << 4) | digit;
  }
  return value;
}

std::optional<uint32_t> TIfFileCrcCommand::FileCrc(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadShared)) return std::nullopt;
  const uint64_t size = file.Size();
  std::vector<uint8_t> piece(kCrcPiece);
  uint32_t crc = 0;
  uint64_t done = 0;
  while (done < size) {
    const size_t count = file.Read(piece.data(), piece.size());
    if (count == 0) return std::nullopt;  // cut short: cannot be read
    crc = Crc32(ByteView(piece.data(), count), crc);
    done += count;
  }
  return crc;
}

void TIfFileCrcCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const int32_t ifEqual = LineParamNumber(line, 2);
  const int32_t ifDifferent = LineParamNumber(line, 3);
  const std::string path =
      ExpandVariables(ResolveCdDrivePath(LineParam(line, 0)), context.SetupInfo, context.Variables);
  const std::optional<uint32_t> expected = ParseCrc(LineParam(line, 1));
  const std::optional<uint32_t> actual = expected ? FileCrc(path) : std::nullopt;
  const int32_t target = actual && *actual == *expected ? ifEqual : ifDifferent;
  if (target > -1) context.Run.CurrentLine = target;
}

}  // namespace setup
