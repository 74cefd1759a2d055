#pragma once
// The fuzz targets: each takes one input of its format and hands it to the code that
// reads that format, the way the stub or setupc reads it. The libFuzzer programs
// (fuzz/fuzz_main.cpp, one per target) and the native regression test (tests/fuzz) call
// the same functions, so an input that once failed is replayed exactly.
//
// A target returns normally for any input. What the readers raise for bad input
// (SetupError and its kinds) is caught inside; anything else escapes and is a fault.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace setup::fuzz {

using TargetFunction = void (*)(const uint8_t* data, size_t size);

struct Target {
  std::string_view name;  // the harness name: fuzz/corpus/NAME, fuzz/dict/NAME.dict
  TargetFunction run;
};

void FuzzPak(const uint8_t* data, size_t size);         // a package file: TPak, setupc info
void FuzzSetupInfo(const uint8_t* data, size_t size);   // the "SetupInfo" record
void FuzzCompLines(const uint8_t* data, size_t size);   // the "CompiledLines" entry
void FuzzLanguage(const uint8_t* data, size_t size);    // a language file
void FuzzLayout(const uint8_t* data, size_t size);      // the page set and its page files
void FuzzInstallLog(const uint8_t* data, size_t size);  // "install.log"
void FuzzCompile(const uint8_t* data, size_t size);     // a script for setupc compile
void FuzzKzp(const uint8_t* data, size_t size);         // a KZP package
void FuzzVfs(const uint8_t* data, size_t size);         // a VFS archive and its tree
void FuzzVfsIndex(const uint8_t* data, size_t size);    // the ".ht" index of an archive
void FuzzSound(const uint8_t* data, size_t size);       // a WAVE file for a KZP sound entry
void FuzzJournal(const uint8_t* data, size_t size);     // an archive's undo journal

// Every target, by name.
std::span<const Target> Targets();

}  // namespace setup::fuzz
