#pragma once
// An ordered list of UTF-16 lines, read from the bytes of a language file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace setup {

class TUnicodeStringList {
 public:
  void Add(std::u16string text) { items_.push_back(std::move(text)); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises SetupError "List index out of bounds (<index>)" outside 0 .. Count() - 1.
  const std::u16string& Get(int index) const;
  const std::vector<std::u16string>& Items() const { return items_; }

  // Clears the list, then splits the buffer into lines:
  //  - bytes 0 and 1 (the byte-order mark) are skipped unread; the rest is UTF-16
  //    little-endian, and an odd trailing byte is ignored;
  //  - a CR ends a line (possibly empty), which becomes the next item;
  //  - an LF drops what the current line held so far;
  //  - what follows the last CR becomes an item only when it is not empty.
  // So CR LF and CR alone end lines, a final line end adds no empty item, and of a file
  // whose lines end in LF alone only the last line remains.
  // A null buffer raises SetupError "Cannot open file".
  void LoadFromBuffer(const uint8_t* data, size_t size);

 private:
  std::vector<std::u16string> items_;
};

}  // namespace setup
