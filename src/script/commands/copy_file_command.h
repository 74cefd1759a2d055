#pragma once
// "copyfile": copies a file.

#include "script/command_class.h"

namespace setup {

class TCopyFileCommand final : public TCommandClass {
 public:
  TCopyFileCommand();
  // Parameters: source, destination. The source is resolved for CD-ROM drives, both
  // are expanded; the destination's folders are created (and logged), the status shows
  // text 17 with the source's file name, the file is copied over any existing one, and
  // the destination is recorded whether or not the copy succeeded.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
