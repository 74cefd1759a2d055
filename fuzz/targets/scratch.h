#pragma once
// What the targets share: a private folder for the inputs that readers take by path,
// a quiet platform, and cutting one input into several files.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_io.h"

namespace setup::fuzz {

// The process's scratch folder, made on first use (and removed at exit). It is also the
// sandbox root, so a drive path inside an input stays in it, and message boxes are
// answered at once with the button a user without a screen would get, without a line on
// the error stream.
const std::string& ScratchFolder();

// Writes bytes to ScratchFolder()/name, replacing the file, and returns its path.
std::string WriteScratch(const std::string& name, ByteView bytes);
// Removes ScratchFolder()/name if it is there.
void RemoveScratch(const std::string& name);

// The folder FuzzCompile compiles its scripts in, with the files a script can name:
// readme.txt, payload/, pages/default/, languages/english.txt, ChangeLog.rtf, kzp/,
// vfs/, icon.ico, finalise.exe.
const std::string& CompileFolder();

// A stream that discards what is written to it.
std::ostream& NullStream();

// The pieces of data between the separators, at most maxParts (the last piece keeps
// any further separators).
std::vector<ByteView> SplitInput(ByteView data, std::string_view separator, size_t maxParts);

}  // namespace setup::fuzz
