#pragma once
// The command line of the setup and the uninstaller:
//
//   setup.exe [PACKAGE] [/S] [/LOG=FILE] [/D=FOLDER]
//
// /S runs without the wizard (unattended). /LOG=FILE writes the run's log to FILE.
// /D=FOLDER sets the installation folder; it must come last and takes the rest of the
// command line, blanks included, without quotes. Switches are matched in any letter
// case. Any argument of the form "/NAME" or "/NAME=VALUE" (NAME of letters) is a switch
// (an unknown one is ignored) and never names the package; the first other argument
// before /D= is the package file.

#include <optional>
#include <string>
#include <vector>

namespace setup {

struct SetupArguments {
  bool Unattended = false;             // /S
  std::optional<std::string> LogFile;  // /LOG=FILE
  std::optional<std::string> Folder;   // /D=FOLDER
  std::optional<std::string> Package;  // the first argument that is no switch
};

// arguments: the command line after the program name, split as the system splits it
// (a quoted argument arrives without its quotes). The parts of /D= that the system
// split at blanks are joined again with one blank each.
SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments);

}  // namespace setup
