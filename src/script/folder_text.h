#pragma once
// Whether a folder text (typed on the folder page, or given with /D=) can name a folder
// at all, before anything is created in it.

#include <optional>
#include <string>
#include <string_view>

namespace setup {

// Why the text cannot name a folder, or nothing when it can: it holds a character no
// Windows name may hold (" * < > ? | or a control character), or a ":" other than the
// drive's.
std::optional<std::string> FolderTextRefusal(std::string_view folder);

}  // namespace setup
