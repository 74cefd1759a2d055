#pragma once
// How the package groups count towards the space an installation needs.
//
// Group k (k >= 1) holds the payload of the k-th script line whose command installs a
// group. The group table has one element per group, group 0 included:
//   0  the group's entries count with their unpacked size (extracted as files);
//   1  they count with their stored size (merged into an archive, which keeps them
//      compressed), or with their size when stored uncompressed (stored size 0).

#include <cstdint>
#include <vector>

#include "package/pak.h"
#include "script/comp_lines.h"
#include "script/command_list.h"

namespace setup {

// [0], then for each line in order whose command has group kind 1 an element 0, and
// for kind 2 an element 1. Lines without a command, or with an id that names no
// registered command, add nothing.
std::vector<uint8_t> BuildGroupKinds(const TCompLines& lines, const TCommandList& commands);

// The bytes the package's grouped entries need, counted as the table says. Entries of
// group 0 and of groups beyond the table are not counted.
int64_t RequiredSpace(const TPak& package, const std::vector<uint8_t>& groupKinds);

}  // namespace setup
