#pragma once
// Script lines that need administrator rights, for the warnings of a per-user setup.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

// Why the line with this keyword (any case) and these parameters (as written) needs
// administrator rights; nothing when it does not. Registry values outside HKCU, URL
// protocols (HKCR), and files or folders below the Windows or Program Files folders,
// named literally or through their environment variables ("$PROGRAMFILES" is the
// user's own programs folder in a per-user setup and passes).
std::optional<std::string> AdministratorOnly(std::string_view keyword, const std::vector<std::string>& params);

}  // namespace setup::setupc
