// STAND-IN for the patch writer (patch_writer.cpp, written on another branch), so that
// this branch links on its own: CMakeLists.txt builds this file only while
// patch_writer.cpp is absent. Delete it once the real writer is merged.
#include <ostream>

#include "setupc/diff/patch_writer.h"

namespace setup::setupc {

int WritePatchSource(TreeDiff&, const PatchOptions& options, std::ostream&, std::ostream& err) {
  err << "setupc: " << options.output.string() << ": the patch writer is not part of this build\n";
  return 2;
}

}  // namespace setup::setupc
