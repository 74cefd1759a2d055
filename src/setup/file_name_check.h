#pragma once
// The check that a setup still carries the file name it was built with. A browser that
// downloads the same file twice names the copy "setup(2).exe" or "setup[1].exe"; such
// copies pass, any other name stops the setup.

#include <optional>
#include <string>
#include <string_view>

namespace setup {

// The part of a path after its last "\", "/" or ":".
std::string_view FileNamePart(std::string_view path);

// The name with its download-duplicate suffixes removed: every "(" ... ")" group whose
// inner text is empty or made of the digits 1 to 9 only, scanning left to right and
// resuming after each ")"; then the same with "[" ... "]". A group holding anything
// else ("(10)", "(2a)") stays, and so does an opening bracket without a closing one
// and everything after it.
std::string RemoveDuplicateSuffixes(std::string_view name);

// Compares the file-name part of setupExeName with that of the running program's
// path, both lower-cased (ASCII letters), the program's name also cleaned of its
// duplicate suffixes. nullopt when they match; otherwise the message to show, which
// names the stored SetupExeName and the program's file name as they are.
std::optional<std::string> FileNameMismatch(const std::string& setupExeName,
                                            const std::string& moduleFileName);

}  // namespace setup
