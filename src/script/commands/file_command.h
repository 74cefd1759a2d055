#pragma once
// "file": extracts one package group into a folder.

#include "script/command_class.h"

namespace setup {

inline constexpr const char* kParamCountMessage = "TFileCommand.SFXProcess - Param Count Invalid!!!";
inline constexpr const char* kParamCountCaption = "Error";

class TFileCommand final : public TCommandClass {
 public:
  TFileCommand();
  // Parameters: source folder (the authoring tool's, unused here), then either nothing,
  // a destination, or a subfolder and a registry test (root, key, value name, mode,
  // expected); the last parameter is the group number (no number raises SetupError).
  // 1 or 2 parameters: the group goes into InstallDir; 3: into the destination
  // (MakeInstallPath of its expanded text); 8: into InstallDir\subfolder\ (the
  // subfolder not expanded) when RegistryCondition holds. Any other count shows
  // kParamCountMessage and extracts nothing. A group number outside 0..65535 names no
  // group: nothing is extracted.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
  uint8_t GroupKind() const override;
};

}  // namespace setup
