#pragma once
// Extraction of one package group into a folder: the work of the "file" command.
//
// Every entry of the group, in table order, is written to folder + "\" + its name;
// the file is recorded in the uninstall log (AddFile) before it is written, and each
// folder created for it is recorded too (ForceDirectoriesLogged). The status line shows
// the current language's text 18 ("Extracting <%FILENAME%>") with the entry's name
// before each entry, and once more with an empty name when the group is done; the
// gauge advances one step per entry (StepProgress(true)).
//
// An entry is extracted whole into memory and written; one that cannot be extracted,
// or is empty, leaves an empty file. The entries ahead of the one being written are
// read and inflated on as many threads as verification uses, within a budget of bytes
// held (kDecodeBudget); boxes, status texts and log records come in table order all
// the same. An entry of kLargeEntrySize bytes or more, or a compressed one over one
// chunk, is streamed from the package in kStreamChunkSize chunks (inflated on the way)
// and never held whole, while the decoding of the entries after it goes on; before each
// chunk the status shows the name, the bytes done and the total ("big.dat - 25.00 MB
// / 70.00 MB").
//
// The package stays free of the run's status, log and language concerns, so this is a
// function of the run rather than an operation of TPak.
//
// Entry names are untrusted: a name that is not a safe relative path (absolute, with a
// drive or stream colon, climbing out with "..", or otherwise refused by
// SplitEntryPath) is neither written nor logged, and the rest of the group is still
// extracted. After the group one "Setup Error" box (UnsafeEntryMessage) names the first
// refused entry, the finish page shows text 23 ("Setup failed to install patch.") and
// SetupFailed is set, so the run ends as a failed one.

#include <cstddef>
#include <cstdint>
#include <string>

namespace setup {

struct SetupContext;

inline constexpr const char* kUnsafeEntryCaption = "Setup Error";

// The text of that box: the first refused name, why it was refused, and how many
// entries of the group were refused when there were several.
std::string UnsafeEntryMessage(const std::string& name, const std::string& reason, size_t refusedCount);

void ExtractGroupTo(SetupContext& context, const std::string& folder, uint16_t group);

}  // namespace setup
