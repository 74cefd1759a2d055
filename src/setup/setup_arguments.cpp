#include "setup/setup_arguments.h"

#include <cctype>
#include <string_view>

namespace setup {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when argument begins with prefix (given in upper case), in any letter case.
bool StartsWithSwitch(std::string_view argument, std::string_view prefix) {
  if (argument.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(argument[i]) != prefix[i]) return false;
  }
  return true;
}

// A switch: "/", a name of letters (or "?"), and nothing more or "=" and a value.
// ("/usr/x", a local path of the posix build, is none.)
bool IsSwitch(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '/') return false;
  size_t i = 1;
  while (i < argument.size() && (std::isalpha(static_cast<unsigned char>(argument[i])) || argument[i] == '?')) ++i;
  return i > 1 && (i == argument.size() || argument[i] == '=');
}

}  // namespace

SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments) {
  SetupArguments parsed;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (StartsWithSwitch(argument, "/D=")) {
      // The last switch: everything after it belongs to the folder.
      std::string folder = argument.substr(3);
      for (size_t rest = i + 1; rest < arguments.size(); ++rest) folder += " " + arguments[rest];
      if (!folder.empty()) parsed.Folder = std::move(folder);
      break;
    }
    if (argument.size() == 2 && StartsWithSwitch(argument, "/S")) {
      parsed.Unattended = true;
    } else if (StartsWithSwitch(argument, "/LOG=")) {
      if (argument.size() > 5) parsed.LogFile = argument.substr(5);
    } else if (!argument.empty() && !IsSwitch(argument) && !parsed.Package) {
      parsed.Package = argument;
    }
  }
  return parsed;
}

}  // namespace setup
