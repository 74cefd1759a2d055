#include "script/commands/out_file_command.h"

namespace setup {

TOutFileCommand::TOutFileCommand() : TCommandClass("outfile", /*isHeader=*/true) {}

}  // namespace setup
