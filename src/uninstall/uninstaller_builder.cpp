// (to be written: placeholder bodies so that the run links meanwhile)
#include "uninstall/uninstaller_builder.h"
namespace setup {
void BuildUninstaller(SetupContext&) {}
bool ChangeIcon(const std::string&, const std::string&) { return false; }
}  // namespace setup
