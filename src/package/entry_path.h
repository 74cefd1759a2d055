#pragma once
// Package entry names as paths below a target folder. A name is "\"-separated text in
// the system code page; before anything is written it is split into components and
// checked, so that no entry can land outside the folder it is extracted to.

#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct EntryPath {
  // The folder names and the file name, in order; empty when the name was refused.
  std::vector<std::string> components;
  // Why the name was refused ("it climbs out of the target folder"); empty when safe.
  std::string refusal;

  bool Safe() const { return refusal.empty(); }
};

// Splits an entry name at "\" (and "/", which Windows also takes as a separator) and
// refuses a name that is empty or absolute, holds a drive or stream colon, has an
// empty component or one made only of dots and spaces ("..", ". ." ...), holds a
// control character or one of < > " | ? *, or names a device (CON, NUL, COM1 ...).
EntryPath SplitEntryPath(std::string_view name);

// An entry name as a path inside an archive's tree (a VFS archive), where the file
// system's rules do not apply: split at "\" and "/" as above, but refused only when
// it cannot name a place in the tree — empty or absolute, an empty component, a "." or
// ".." component (".." climbs out of the tree), or a zero byte, which ends a stored
// name. Device names ("aux.cfg"), colons and characters such as * ? < > are kept.
EntryPath SplitArchiveEntryPath(std::string_view name);

// The components joined with separator.
std::string JoinEntryPath(const std::vector<std::string>& components, char separator);

}  // namespace setup
