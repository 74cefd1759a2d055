#pragma once
// The entry-by-entry comparison of one KZP package or VFS archive that both builds
// hold (tree_diff.cpp decides when; see tree_diff.h for what counts as a change).

#include <string>
#include <vector>

#include "setupc/diff/archive_reader.h"
#include "setupc/diff/tree_diff.h"

namespace setup::setupc {

// Fills diff (whose Path is set) and adds the comparison's findings about it to notes:
// entries removed, names whose letter case changed, names that differ only in case
// inside one build. False, with the reason in damage, when an entry of either side
// cannot be read: the caller then compares the two files whole.
bool DiffKzpEntries(KzpReader& oldPackage, KzpReader& newPackage, KzpDiff& diff, std::vector<Inexpressible>& notes,
                    std::string& damage);
bool DiffVfsFiles(VfsReader& oldArchive, VfsReader& newArchive, VfsDiff& diff, std::vector<Inexpressible>& notes,
                  std::string& damage);

}  // namespace setup::setupc
