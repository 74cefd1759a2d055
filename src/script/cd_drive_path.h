#pragma once
// Paths on a CD-ROM drive, named with "$CDDRIVE" in scripts.

#include <string>

namespace setup {

// When the upper-cased path holds "$CDDRIVE": for each logical drive in the system's
// order whose kind is CD-ROM, the path with every "$CDDRIVE" (any case) replaced by the
// drive's root ("D:\"); the first such candidate that names an existing file is the
// result. Otherwise (no such drive holds the file, or no "$CDDRIVE" at all) the path
// unchanged; ExpandVariables later puts in the CD-ROM drive found at start-up. Raises
// SetupError when the list of drives does not fit in kDriveListCapacity characters.
std::string ResolveCdDrivePath(const std::string& path);

}  // namespace setup
