#pragma once
// The "install.log" file: three u16 counts (files, registry entries, folders), then the
// entries of the three lists in that order, each a counted string (u16 byte count and
// the bytes, no terminator) whose bytes are the entry scrambled with EncodeString and a
// digit key. docs/install-log.md describes it for tool authors.
//
// This file holds the byte format alone: the key, the pure encoder and decoder (the
// latter also serves `setupc log`), the file reader behind TUninstallList::Load, and
// the single counted-string helpers on an open file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_io.h"
#include "package/string_scramble.h"
#include "platform/files.h"

namespace setup {

// The key of the log's scrambling. The installer and the uninstaller are the same
// program, so this one value serves both; it never leaves the program except as the
// scrambling of the log.
inline constexpr std::string_view UninstallLogKey =
    "4971371361812141692416495799821566359413873795182745625356954"
    "3951824744877864382528723465838561573695299495113625412528998"
    "9515786917112433419338835741794664432659352686776239661252665"
    "4799831689894876161879953554193497746738189344622779437489649";
static_assert(UninstallLogKey.size() == 244, "the log key has 244 digits");
static_assert(IsDigitKey(UninstallLogKey), "the log key holds decimal digits only");

// The 16-bit counts bound a list's length and an entry's length alike.
inline constexpr size_t kMaxLogEntries = 0xFFFF;
inline constexpr size_t kMaxLogEntryLength = 0xFFFF;

// The three lists, in file order.
struct InstallLogLists {
  std::vector<std::string> Files;
  std::vector<std::string> RegistryEntries;
  std::vector<std::string> Folders;
};

// What a log's bytes hold. A log that ends before its counts are satisfied keeps every
// entry read in full before the end; a string cut short is dropped and reading stops.
struct InstallLogImage {
  InstallLogLists Lists;        // decoded entries
  uint16_t Announced[3] = {};   // the counts in the header (0 when it is cut short)
  bool HeaderComplete = false;  // the six count bytes were there
  bool Complete = false;        // the header and every announced string were there
  uint64_t TrailingBytes = 0;   // bytes after the last announced string (when Complete)
};

// The log path: folder, "\", prefix, "install.log", joined with nothing else (a folder
// ending in a backslash gives a doubled one, which file systems accept).
std::string InstallLogPath(const std::string& folder, const std::string& prefix);

// The bytes of a log holding the lists, each entry scrambled with key. Throws
// SetupError when a list or an entry is beyond the 16-bit limits (TUninstallList never
// holds such a list).
Bytes EncodeInstallLog(const InstallLogLists& lists, std::string_view key = UninstallLogKey);

// Decodes a log from its bytes; never reads outside them, and allocates no more than
// the bytes can fill whatever the counts say.
InstallLogImage DecodeInstallLog(ByteView bytes, std::string_view key = UninstallLogKey);

// Decodes the log file at path (a Windows-style path, through the file services).
// False, with image untouched, when the file does not exist or cannot be opened.
// digest, when given, receives the SHA-256 (hex) of every byte of the file, read in
// the same pass as the entries (so it is the digest of the log that was decoded, bytes
// after the last entry included); it is emptied when the digest could not be made.
bool ReadInstallLogFile(const std::string& path, InstallLogImage& image,
                        std::string_view key = UninstallLogKey, std::string* digest = nullptr);

// Writes one counted string at the file's position. Returns true when the write failed
// (the file is not open, the disk is full) or the text is over 65,535 bytes, in which
// case nothing is written.
bool WriteCountedString(platform::File& file, const std::string& text);

// Reads one counted string at the file's position. False when the file ends before the
// count or the string does; text is then left as it was.
bool ReadCountedString(platform::File& file, std::string& text);

}  // namespace setup
