#pragma once
// The compiled install script: one record per source line of the author's script, as
// the authoring tool stores it in the package entry "CompiledLines".
//
// Entry layout (little-endian, no header):
//   u16 N, then N times: u32 CommandId, u32 LineIndex, u32 ParamCount,
//   and ParamCount counted strings (u16 length + 8-bit characters).
// The file order of the three numbers differs from the order of the fields below.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_io.h"

namespace setup {

// One compiled line. A line without a command to run (blank, comment, label) has
// CommandId <= 0 (stored as 0xFFFFFFFF) and LineIndex -1; it keeps its place in the
// array because jump targets are record positions.
struct TCompLine {
  int32_t CommandId = -1;           // 1-based id in the command list
  std::vector<std::string> Params;  // 8-bit text in the system code page
  int32_t ParamCount = 0;           // always Params.size()
  int32_t LineIndex = -1;           // the record's own position when CommandId > 0
  // Set once a command has replaced a scrambled parameter by its plain text, so that a
  // jump back to the line does not unscramble it a second time.
  bool Unscrambled = false;
};

class TCompLines {
 public:
  // Clears the array and reads the entry. False when the bytes end before the records
  // do (a count promising more records or parameters than the buffer holds): the
  // package is corrupt, and the array is left empty. Bytes after the last record are
  // ignored. Nothing else is validated; in particular LineIndex is taken as stored.
  bool LoadFromBuffer(ByteView data);

  // The entry's bytes in the stored layout. ParamCount is written as Params.size().
  // Throws SetupError for more than 65,535 lines or a parameter over 65,535 bytes.
  Bytes Serialize() const;

  // True when line lineIndex exists and has at least n parameters.
  bool HasParams(int32_t lineIndex, int32_t n) const;

  // The line at lineIndex, or nullptr when there is none; commands reach their own
  // parameters through this, so a bad index from a damaged entry is harmless.
  TCompLine* Find(int32_t lineIndex);
  const TCompLine* Find(int32_t lineIndex) const;

  // Appends a line (the authoring side builds the script with this); ParamCount is
  // set from Params. Returns the new line's index.
  int32_t Add(TCompLine line);
  void Clear() { lines_.clear(); }

  size_t Count() const { return lines_.size(); }
  const std::vector<TCompLine>& Lines() const { return lines_; }

 private:
  std::vector<TCompLine> lines_;
};

}  // namespace setup
