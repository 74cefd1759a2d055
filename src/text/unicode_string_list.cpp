#include "text/unicode_string_list.h"

#include <string>

#include "base/errors.h"

namespace setup {

const std::u16string& TUnicodeStringList::Get(int index) const {
  if (index < 0 || index >= Count()) {
    throw SetupError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return items_[static_cast<size_t>(index)];
}

void TUnicodeStringList::LoadFromBuffer(const uint8_t* data, size_t size) {
  Clear();
  if (data == nullptr) throw SetupError("Cannot open file");
  if (size < 2) return;

  constexpr char16_t kLineFeed = 0x000A;
  constexpr char16_t kCarriageReturn = 0x000D;
  const uint8_t* text = data + 2;
  const size_t count = (size - 2) / 2;
  std::u16string line;
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
    if (c == kLineFeed) {
      line.clear();
    } else if (c == kCarriageReturn) {
      items_.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) items_.push_back(std::move(line));
}

}  // namespace setup
