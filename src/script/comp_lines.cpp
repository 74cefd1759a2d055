#include "script/comp_lines.h"

#include <algorithm>
#include <limits>

#include "base/errors.h"
#include "package/buffer_manager.h"

namespace setup {

namespace {

// The smallest record: three u32 numbers and no parameters.
constexpr size_t kMinRecordSize = 12;
// The smallest parameter: an empty counted string.
constexpr size_t kMinParamSize = 2;

bool ReadLine(TBufferManager& in, TCompLine& line) {
  uint32_t commandId = 0;
  uint32_t lineIndex = 0;
  uint32_t paramCount = 0;
  if (!in.ReadU32(commandId) || !in.ReadU32(lineIndex) || !in.ReadU32(paramCount)) return false;
  // A count the remaining bytes cannot hold is refused before anything is allocated.
  if (paramCount > in.Remaining() / kMinParamSize ||
      paramCount > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  line.CommandId = static_cast<int32_t>(commandId);
  line.LineIndex = static_cast<int32_t>(lineIndex);
  line.ParamCount = static_cast<int32_t>(paramCount);
  line.Params.resize(paramCount);
  for (std::string& param : line.Params) {
    if (!in.ReadString(param)) return false;
  }
  return true;
}

}  // namespace

bool TCompLines::LoadFromBuffer(ByteView data) {
  lines_.clear();
  TBufferManager in(data);
  uint16_t count = 0;
  if (!in.ReadU16(count)) return false;
  lines_.reserve(std::min<size_t>(count, in.Remaining() / kMinRecordSize));
  for (uint16_t i = 0; i < count; ++i) {
    TCompLine line;
    if (!ReadLine(in, line)) {
      lines_.clear();
      return false;
    }
    lines_.push_back(std::move(line));
  }
  return true;
}

Bytes TCompLines::Serialize() const {
  if (lines_.size() > std::numeric_limits<uint16_t>::max()) {
    throw SetupError("Too many compiled lines (" + std::to_string(lines_.size()) +
                     ", at most 65535)");
  }
  ByteWriter out;
  out.U16(static_cast<uint16_t>(lines_.size()));
  for (const TCompLine& line : lines_) {
    out.U32(static_cast<uint32_t>(line.CommandId));
    out.U32(static_cast<uint32_t>(line.LineIndex));
    out.U32(static_cast<uint32_t>(line.Params.size()));
    for (const std::string& param : line.Params) out.CountedString(param);
  }
  return out.take();
}

bool TCompLines::HasParams(int32_t lineIndex, int32_t n) const {
  const TCompLine* line = Find(lineIndex);
  return line != nullptr && static_cast<int64_t>(line->Params.size()) >= n;
}

TCompLine* TCompLines::Find(int32_t lineIndex) {
  if (lineIndex < 0 || static_cast<size_t>(lineIndex) >= lines_.size()) return nullptr;
  return &lines_[static_cast<size_t>(lineIndex)];
}

const TCompLine* TCompLines::Find(int32_t lineIndex) const {
  if (lineIndex < 0 || static_cast<size_t>(lineIndex) >= lines_.size()) return nullptr;
  return &lines_[static_cast<size_t>(lineIndex)];
}

int32_t TCompLines::Add(TCompLine line) {
  line.ParamCount = static_cast<int32_t>(line.Params.size());
  lines_.push_back(std::move(line));
  return static_cast<int32_t>(lines_.size() - 1);
}

}  // namespace setup
