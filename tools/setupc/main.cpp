// setupc: the command-line tool for package authors.

#include <iostream>
#include <string>
#include <vector>

#include "setupc/commands.h"
#include "setupc/setupc.h"

int main(int argc, char** argv) {
  setup::setupc::SetApplyCommand(setup::setupc::ApplyCommand);
  setup::setupc::SetDiffCommand(setup::setupc::DiffCommand);
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return setup::setupc::RunSetupc(arguments, std::cout, std::cerr);
}
