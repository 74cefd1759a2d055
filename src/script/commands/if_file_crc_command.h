#pragma once
// "iffilecrc": branches on whether a file's CRC-32 is the one given. A command added in a later version
// (id 33): an older stub skips the line as unknown.

#include <cstdint>
#include <optional>
#include <string>

#include "script/command_class.h"

namespace setup {

class TIfFileCrcCommand final : public TCommandClass {
 public:
  TIfFileCrcCommand();
  // Parameters: path, CRC-32 as 8 hexadecimal digits, line if equal, line if different.
  // The path is resolved and expanded as "iffileexists" does. A file that is missing or
  // cannot be read, and a CRC text that is not 8 hexadecimal digits, count as
  // different. The branch taken jumps like "goto" unless its line is -1 (or no number).
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;

  // The CRC-32 of the file, read in pieces; nothing when it is missing or cannot be read.
  static std::optional<uint32_t> FileCrc(const std::string& path);
  // The value of exactly 8 hexadecimal digits (either case); nothing for any other text.
  static std::optional<uint32_t> ParseCrc(const std::string& text);
};

}  // namespace setup
