#pragma once
// The text macro service: "<%NAME%>" keys bound to live 8-bit text variables owned
// elsewhere, replaced in every caption before it is shown.

#include <string>
#include <utility>
#include <vector>

namespace setup {

class TLanguageStrings {
 public:
  // Appends the pair; the key is stored in lower case. value must outlive this object.
  void Add(const std::string& key, const std::string* value);
  // For every pair in registration order, ReplaceAll of the key by the value as it is now.
  std::u16string ApplyMacros(const std::u16string& text) const;

  size_t Count() const { return macros_.size(); }

 private:
  std::vector<std::pair<std::string, const std::string*>> macros_;
};

}  // namespace setup
