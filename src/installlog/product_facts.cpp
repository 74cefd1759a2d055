#include "installlog/product_facts.h"

#include "package/pak.h"
#include "platform/registry.h"

namespace setup {

TProductFacts ParseProductFacts(std::string_view text) {
  TProductFacts facts;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string value(line.substr(equals + 1));
    if (key == "privileges") {
      facts.PerUser = value == "user";
    } else if (key == "version") {
      facts.Version = value;
    } else if (key == "publisher") {
      facts.Publisher = value;
    } else if (key == "url") {
      facts.Url = value;
    }
  }
  return facts;
}

std::string FormatProductFacts(const TProductFacts& facts) {
  std::string text = std::string("privileges=") + (facts.PerUser ? "user" : "admin") + "\r\n";
  if (!facts.Version.empty()) text += "version=" + facts.Version + "\r\n";
  if (!facts.Publisher.empty()) text += "publisher=" + facts.Publisher + "\r\n";
  if (!facts.Url.empty()) text += "url=" + facts.Url + "\r\n";
  return text;
}

TProductFacts LoadProductFacts(TPak& package) {
  uint32_t size = 0;
  const std::optional<Bytes> text = package.ExtractByName(kProductFactsEntry, 0, size);
  if (!text) return {};
  return ParseProductFacts(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
}

uint32_t RegistrationRoot(const TProductFacts& facts) {
  return facts.PerUser ? platform::kHkeyCurrentUser : platform::kHkeyLocalMachine;
}

}  // namespace setup
