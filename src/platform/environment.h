#pragma once
// The process environment block.

#include <string>
#include <vector>

namespace setup::platform {

// Every string of the block, in the block's order, converted to the system code page.
// Strings normally read "name=value"; the system may also hold strings that begin with
// "=" (the current folder of each drive, such as "=C:=C:\Temp"). The posix build reads
// the process environment unless a test set a block (posix/shell_controls.h).
std::vector<std::string> EnvironmentStrings();

}  // namespace setup::platform
