#pragma once
// The base of every script command. One object per command class lives in the
// command list for the whole process; a command holds no state of its own and works
// on its own compiled line, addressed by the line's index.

#include <cstdint>
#include <string>

namespace setup {

// The process-wide state of a run (open package, setup information, compiled lines,
// uninstall log, run state, hand-off block ...). Commands receive it by reference.
struct SetupContext;

// What a command's line contributes to the package groups (see BuildGroupKinds).
inline constexpr uint8_t kGroupKindNone = 0;     // installs no group
inline constexpr uint8_t kGroupKindExtract = 1;  // extracts one group as files
inline constexpr uint8_t kGroupKindUpdate = 2;   // merges one group into an archive

class TCommandClass {
 public:
  TCommandClass(std::string name, bool isHeader) : Name(std::move(name)), IsHeader(isHeader) {}
  virtual ~TCommandClass() = default;
  TCommandClass(const TCommandClass&) = delete;
  TCommandClass& operator=(const TCommandClass&) = delete;

  // The authoring side's per-line work; the setup program never calls it.
  virtual void Compile(int32_t lineIndex);
  // The run-time action for the line at lineIndex, on the worker thread.
  virtual void SFXProcess(SetupContext& context, int32_t lineIndex);
  // One of the kGroupKind values.
  virtual uint8_t GroupKind() const;

  const std::string Name;  // the keyword as written in scripts, lower case
  const bool IsHeader;     // the whole effect is a setup information value
};

}  // namespace setup
