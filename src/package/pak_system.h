#pragma once
// The update engine for the product's KZP packages: adds or replaces the entries of
// one setup-package group, gives an entry a second name, or sets the official flag,
// then writes a new table, footer and signature at the end of the package.
//
// Every change is undoable until it is complete: before the old table is cut away,
// the end of the package (table, footer, signature) and its length go into an undo
// journal beside it (journal/archive_journal.h), flushed to the disk; the journal is
// removed once the new end has reached the disk. Opening a package with a journal
// beside it first rolls the interrupted change back. A damaged package is reported
// and never written.
//
// The engine never shows a window or touches the run's state itself: it reports
// through TKzpHost and returns what went wrong, and the script command decides.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "journal/archive_journal.h"
#include "package/kzp_format.h"
#include "package/pak.h"
#include "platform/files.h"

namespace setup {

// What the run gives the engine.
class TKzpHost {
 public:
  virtual ~TKzpHost() = default;
  // The status line "Processing NAME: DONE of TOTAL files".
  virtual void Processing(const std::string& name, size_t done, size_t total) = 0;
  // The status line announcing that the package's header is being written.
  virtual void WritingHeader(const std::string& name) = 0;
  // One entry done; update: the overall progress is to be shown now.
  virtual void StepProgress(bool update) = 0;
  // The package cannot be opened: shows message in an "Error" box with Retry and
  // Cancel; true for Retry.
  virtual bool AskRetry(const std::string& message) = 0;
};

// How an operation ended. A failed one has left the package as it was before; its
// message is for an "Error" box (empty when the user cancelled the Retry box).
struct KzpOutcome {
  bool Ok = true;
  std::string Message;
  static KzpOutcome Failure(std::string message) { return {false, std::move(message)}; }
};

// The marker word "kzpofficial" must give for the flag to be touched.
inline constexpr std::string_view kOfficialMarker = "qorvint";

// The message of a damaged package.
std::string CorruptedHeaderMessage(const std::string& path);

// A content's data block: the sound block of a ".WAV" name (kind 1; nullopt when the
// WAVE header is not one the product can play, and the entry is skipped), else the
// zlib stream with its first 4 bytes XOR-ed with the CRC of the rest (kind 2).
struct KzpBlock {
  uint16_t Kind = kKzpKindData;
  Bytes Data;
};
std::optional<KzpBlock> MakeKzpBlock(const std::string& name, ByteView content);

class TPakSystem {
 public:
  // Merges the entries of group into the package installDir\name. A group without
  // entries leaves the package untouched (not even opened); so does a group with an
  // entry name longer than a record holds (127 characters), which fails.
  KzpOutcome Update(TPak& package, const std::string& installDir, uint16_t group, const std::string& name,
                    const std::string& password, TKzpHost& host);
  // Sets the official flag from flagText ("t", "true" in any case, or "1") when the
  // marker is the marker word; otherwise nothing happens.
  KzpOutcome SetOfficial(const std::string& installDir, const std::string& name, const std::string& marker,
                         const std::string& flagText, TKzpHost& host);
  // Gives the entry source the second name target (sharing its data block); nothing
  // when source is absent or target exists. Names match without regard to case; a
  // name longer than 127 characters fails before the package is opened.
  KzpOutcome DuplicateEntry(const std::string& installDir, const std::string& name, const std::string& source,
                            const std::string& target, TKzpHost& host);

  // What the last signature read said (tests and the debug view look at them).
  KzpSignatureForm SignatureForm = KzpSignatureForm::None;
  bool HasPassword = false;
  bool Official = false;
  std::string Password;
  std::string FileName;  // the package name as the last operation was given it

 private:
  KzpOutcome Open(const std::string& installDir, const std::string& name, TKzpHost& host);
  KzpOutcome Cut();
  KzpOutcome AddEntry(TPak& package, size_t index);
  KzpOutcome WriteHeader();
  // Puts the package back as it was before this operation and closes it; anything but
  // RolledBack means that failed too (the journal then stays for the next open) or the
  // change had in fact completed.
  JournalRecovery RollBack();
  // Rolls back and fails with message, or with the "is lost" message when the roll-back
  // itself failed.
  KzpOutcome FailAndRollBack(std::string message);
  void CloseWithoutChange();

  TKzpRecord* Find(const std::string& name);
  void Append(TKzpRecord record);
  void Remove(const std::string& lowerName);

  platform::File file_;
  ArchiveJournal journal_;
  std::string path_;
  TKzpLayout layout_;
  // The records in table order; a removed one leaves an empty place, so that removal
  // and lookup stay constant-time. index_: lower-cased name -> place.
  std::vector<std::optional<TKzpRecord>> records_;
  std::unordered_map<std::string, size_t> index_;
  uint64_t writePosition_ = 0;
};

}  // namespace setup
