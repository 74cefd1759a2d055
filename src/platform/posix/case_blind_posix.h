#pragma once
// Case-blind lookup of existing files and folders for the posix files layer, as
// Windows finds them: "Data\Main.kzp" finds data/main.kzp. Off by default (tests of
// exact behaviour keep it off); posix::SetCaseBlindPaths turns it on.
//
// A path is tried exactly first (one lstat). When it is missing, the deepest existing
// folder above it is found, and every missing component below is looked up in its
// parent folder without regard to the case of ASCII letters. Each folder's lower-cased
// names are cached: an entry is checked against the folder's modification time (so a
// change by anyone else refreshes it), and kept up to date by the layer's own creates,
// removes and renames, so that a run writing many new files into one folder costs one
// listing of it, not one per file.

#include <string>

namespace setup::platform::posix {

// The local path an operation uses: local itself when case-blind lookup is off or local
// exists; else local with its missing components replaced by existing names that match
// without regard to case. A component that has no match stays as given, and the rest
// with it (a file to be created keeps the name it was given).
std::string ResolveCaseBlind(const std::string& local);

// The layer's own changes, so that the cache stays whole without a new listing.
void NoteEntryAdded(const std::string& local);
void NoteEntryRemoved(const std::string& local);

}  // namespace setup::platform::posix
