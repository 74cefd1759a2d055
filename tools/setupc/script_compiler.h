#pragma once
// Compiling an install script: every source line becomes one "CompiledLines" record
// in run-time form (labels as line numbers, file groups as numbers, passwords
// scrambled), the header lines fill "SetupInfo", and the files the script names
// become the package's entries. docs/script.md describes the language.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "installlog/product_facts.h"
#include "script/comp_lines.h"
#include "script/setup_info.h"
#include "setupc/diagnostic.h"
#include "setupc/payload_writer.h"

namespace setup::setupc {

struct CompiledScript {
  TSetupInfoFile info;
  TCompLines lines;
  // Every entry in package order: "SetupInfo", "CompiledLines", the rest of group 0 in
  // script order, then groups 1, 2, ... in order, each sorted by name.
  std::vector<PlannedEntry> entries;
  size_t groups = 0;        // group lines ("file", "kzpupdate", "vfsupdate")
  bool hasOutFile = false;  // an "outfile" line gave SetupExeName
  // The setup builds an uninstaller but no group-0 entry "UNINSTALL_FINALISE.EXE" was
  // named: the caller adds the finaliser program (AddFinaliserEntry).
  bool wantsFinaliser = false;
  // What the setup would pass over in silence but is probably a slip (layout files), or
  // what a per-user setup cannot do without administrator rights.
  std::vector<Diagnostic> warnings;
  // "privileges", "version", "publisher", "url"; given: the entry "ProductFacts" holds
  // them (and "UNINSTALL_ProductFacts" for the uninstaller).
  TProductFacts facts;
  bool hasFacts = false;
};

// Compiles the script at scriptPath (native). Paths in the script are relative to the
// script's folder. Returns false when there are errors: all of them are in
// diagnostics, in line order. "SetupInfo" is encoded last, so a caller that changes
// result.info must call EncodeSetupInfo again.
bool CompileScript(const std::string& scriptPath, CompiledScript& result,
                   std::vector<Diagnostic>& diagnostics);

// Re-encodes result.info into the "SetupInfo" entry.
void EncodeSetupInfo(CompiledScript& result);

// Adds the local file path (size bytes) as the group-0 entry "UNINSTALL_FINALISE.EXE",
// after the other group-0 entries. False when the setup holds 65,535 entries already.
bool AddFinaliserEntry(CompiledScript& result, const std::string& path, uint64_t size);

}  // namespace setup::setupc
