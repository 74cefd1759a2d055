#pragma once
// "writeregstr_url" (protocol, icon, program, [arguments ...]): registers a URL protocol
// under HKEY_CLASSES_ROOT.

#include "script/command_class.h"

namespace setup {

class TWriteRegStr_URLCommand final : public TCommandClass {
 public:
  TWriteRegStr_URLCommand();

  // Writes, each key opened with creation:
  //   <protocol>                       default "URL:<protocol> Protocol", "URL Protocol" empty
  //   <protocol>\DefaultIcon\          default: the icon, expanded
  //   <protocol>\shell\open\command\   default: "<program, expanded>" followed by
  //                                    ' "<argument>"' for each further parameter, as written
  // and records four registry lines (root "HKCR", empty value and data; the second with
  // the value name "URL Protocol"). A value that cannot be written (the key did not
  // open) raises SetupError "Failed to set data for '<value name>'". A line with fewer
  // than three parameters does nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
