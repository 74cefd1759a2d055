#include "fuzz_targets.h"

#include <array>

namespace setup::fuzz {

std::span<const Target> Targets() {
  static constexpr std::array<Target, 12> kTargets = {{
      {"pak", FuzzPak},
      {"setup_info", FuzzSetupInfo},
      {"comp_lines", FuzzCompLines},
      {"language", FuzzLanguage},
      {"layout", FuzzLayout},
      {"install_log", FuzzInstallLog},
      {"compile", FuzzCompile},
      {"kzp", FuzzKzp},
      {"vfs", FuzzVfs},
      {"vfs_index", FuzzVfsIndex},
      {"sound", FuzzSound},
      {"journal", FuzzJournal},
  }};
  return kTargets;
}

}  // namespace setup::fuzz
