#pragma once
// The product skeleton that "setupc init" writes: the template files with the script
// filled in for one product name and a choice of languages.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

struct SkeletonFile {
  std::string path;  // below the product's folder, "/" between folders
  std::vector<uint8_t> bytes;
};

// The languages the templates hold, by the name "--languages" takes ("english",
// "german"), in template order. A language counts when both its installer and its
// uninstaller texts are there.
std::vector<std::string> SkeletonLanguages();

// The short title for a product name: the name without its last word when that word is
// a version (it begins with a digit, or with "v" and a digit) and another word comes
// before it: "My Product 1.0" -> "My Product", "Tool v2" -> "Tool", "2048" -> "2048".
std::string ShortTitleOf(std::string_view name);

// The skeleton's files for a product called name (code-page text that the caller has
// checked: no double quote, nothing a folder name cannot hold) in the given languages (names SkeletonLanguages holds, the wizard's first
// choice first): the script setup.txt with the name, short title and language lines
// filled in (UTF-8), the languages asked for and every other template as it is.
std::vector<SkeletonFile> SkeletonFiles(std::string_view name, const std::vector<std::string>& languages);

}  // namespace setup::setupc
