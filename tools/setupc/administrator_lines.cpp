#include "setupc/administrator_lines.h"

#include "setupc/text.h"

namespace setup::setupc {

namespace {

// Path parameters (by index) of the keywords that write, create or remove files.
std::vector<size_t> PathParams(const std::string& keyword, size_t count) {
  if (keyword == "file") return count == 2 ? std::vector<size_t>{1} : std::vector<size_t>{};
  if (keyword == "copyfile" || keyword == "rename") return {1};
  if (keyword == "createdirectory" || keyword == "createshortcut" || keyword == "delete" || keyword == "rmdir" ||
      keyword == "installdir") {
    return {0};
  }
  return {};
}

bool BelowSystemFolders(const std::string& path) {
  const std::string lower = AsciiLower(path);
  for (const char* marker : {"%windir%", "%systemroot%", "%programfiles", "%commonprogramfiles", "%programw6432%",
                             ":\\windows", ":\\program files", ":/windows", ":/program files"}) {
    if (lower.find(marker) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> AdministratorOnly(std::string_view keyword, const std::vector<std::string>& params) {
  const std::string lower = AsciiLower(keyword);
  if (lower == "writeregstr" && !params.empty()) {
    const std::string root = AsciiLower(params[0]);
    if (root != "hkcu" && root != "hkey_current_user") return "\"writeregstr\" writes below " + params[0];
  }
  if (lower == "writeregstr_url") return std::string("\"writeregstr_url\" registers a URL protocol below HKCR");
  for (size_t index : PathParams(lower, params.size())) {
    if (index < params.size() && BelowSystemFolders(params[index])) {
      return "\"" + lower + "\" writes below the Windows or Program Files folder";
    }
  }
  return std::nullopt;
}

}  // namespace setup::setupc
