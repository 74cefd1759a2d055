#include "package/pak_system.h"

#include <atomic>

#include "base/crc32.h"
#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/kzp_sound.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace setup {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string LostMessage(const std::string& path) {
  return "Disk full, " + path + " is lost. Restore it from backup and try again. ";
}

std::string RestoredMessage(const std::string& path) {
  return "Disk full, " + path + " could not be written and has been restored as it was before the update. " +
         "Free some disk space and try again.";
}

std::string InUseMessage(const std::string& path) {
  return "Unable to modify file:" + Quoted(path) + ", file may be in use or drive is write protected...";
}

std::string LowerName(const std::string& name) { return platform::AnsiLowerCase(name); }

// A record holds a name of at most 127 characters. A longer one would be stored cut and
// then never found under its full name again (each update would add another record),
// so it is refused before the package is opened.
std::optional<KzpOutcome> RefuseLongName(const std::string& entryName, const std::string& package) {
  if (entryName.size() <= kKzpMaxNameLength) return std::nullopt;
  return KzpOutcome::Failure("Error Entry Name Too Long\rFile: " + package + "\rEntry: " + entryName +
                             "\rA KZP package holds entry names of at most " +
                             std::to_string(kKzpMaxNameLength) + " characters.");
}

// A key byte from 2 to 6. It only varies the scrambled form of the password (which
// keeps it from casual view, not from a reader), so a small generator seeded from the
// processor's counter serves; the library's random device would add kilobytes to the
// stub that every setup carries.
uint8_t RandomKeyByte() {
  static std::atomic<uint64_t> state{0};
  uint64_t x = state.load();
  if (x == 0) x = platform::TimeStampCounter() ^ (uint64_t{platform::TickCount()} << 32) ^ 0x9E3779B97F4A7C15ull;
  // xorshift64*
  x ^= x >> 12;
  x ^= x << 25;
  x ^= x >> 27;
  state.store(x);
  return static_cast<uint8_t>(2 + ((x * 0x2545F4914F6CDD1Dull) >> 32) % 5);
}

}  // namespace

std::string CorruptedHeaderMessage(const std::string& path) { return "File " + path + " has corrupted header."; }

std::optional<KzpBlock> MakeKzpBlock(const std::string& name, ByteView content) {
  if (IsSoundEntryName(name)) {
    std::optional<Bytes> sound = BuildSoundBlock(name, content);
    if (!sound) return std::nullopt;
    return KzpBlock{kKzpKindSound, std::move(*sound)};
  }
  KzpBlock block{kKzpKindData, CompressBest(content)};
  ToggleBlockCrc(block.Data);
  return block;
}

KzpOutcome TPakSystem::Open(const std::string& installDir, const std::string& name, TKzpHost& host) {
  FileName = name;
  path_ = installDir + "\\" + name;
  for (;;) {
    std::string message;
    if (!platform::FileExists(path_)) {
      message = "File not found: " + Quoted(path_) + ".";
    } else if (platform::IsReadOnly(path_) && !platform::ClearReadOnly(path_)) {
      message = "Unable to modify " + Quoted(path_) + " attributes";
    } else if (!file_.Open(path_, platform::OpenMode::ReadWriteExclusive)) {
      message = InUseMessage(path_);
    } else {
      // Holding the package, finish or undo what an earlier run left unfinished.
      const RecoveryResult recovery = RecoverArchive(path_, file_);
      if (recovery.Usable()) break;
      file_.Close();
      // A journal that cannot be read stays with the package; retrying cannot help.
      if (recovery.Outcome == JournalRecovery::Unreadable) return KzpOutcome::Failure(recovery.Message(path_));
      message = recovery.Message(path_);
    }
    if (!host.AskRetry(message)) return KzpOutcome::Failure("");
  }

  std::string reason;
  if (!ReadKzpLayout(file_, layout_, reason)) {
    file_.Close();
    return KzpOutcome::Failure(CorruptedHeaderMessage(path_));
  }
  // Every signature sets the three values afresh; a package without one has no
  // password and is not official (nothing carries over from another package).
  const TKzpSignature& signature = layout_.Signature;
  SignatureForm = signature.Form;
  Password = signature.Password;
  HasPassword = !Password.empty();
  Official = signature.Official;

  records_.clear();
  index_.clear();
  records_.reserve(layout_.Records.size());
  index_.reserve(layout_.Records.size());
  for (TKzpRecord& record : layout_.Records) Append(std::move(record));
  layout_.Records.clear();
  writePosition_ = layout_.TableStart;
  return {};
}

KzpOutcome TPakSystem::Cut() {
  const uint64_t size = layout_.FileSize;
  if (!journal_.Begin(path_, file_) || !journal_.SaveFrom(file_, layout_.TableStart, size - layout_.TableStart) ||
      !journal_.Sync()) {
    // Nothing of the package was changed: a journal begun here goes again.
    const bool busy = journal_.Busy();
    journal_.Discard();
    CloseWithoutChange();
    return KzpOutcome::Failure(busy ? RecoveryResult{JournalRecovery::InUse, {}, {}}.Message(path_)
                                    : InUseMessage(path_));
  }
  if (!file_.SetLength(layout_.TableStart)) {
    return FailAndRollBack(RestoredMessage(path_));
  }
  return {};
}

KzpOutcome TPakSystem::AddEntry(TPak& package, size_t index) {
  const TPakEntry& entry = package.Entries()[index];
  std::optional<KzpBlock> block;
  const bool storedCompressed = entry.StoredSize != 0 && entry.StoredSize != entry.Size;
  try {
    if (storedCompressed && !IsSoundEntryName(entry.Name)) {
      // The setup package's own zlib stream is already what the block holds.
      std::optional<Bytes> stored = package.ReadStored(index);
      if (stored) {
        block = KzpBlock{kKzpKindData, std::move(*stored)};
        ToggleBlockCrc(block->Data);
      }
    } else {
      std::optional<Bytes> content = package.ExtractEntry(index);
      if (content || entry.Size == 0) {
        block = MakeKzpBlock(entry.Name, content ? *content : Bytes());
        if (!block) return {};  // a sound the product cannot play: skipped
      }
    }
  } catch (const SetupError&) {
    block.reset();  // a corrupt stream in the setup package
  }
  if (!block) {
    return FailAndRollBack("Error: Verification Failed. Setup is corrupt.\rID: " + std::to_string(index) +
                               " Filename: " + entry.Name);
  }

  const std::string key = LowerName(entry.Name);
  const TKzpRecord* existing = Find(key);
  if (existing != nullptr && existing->StoredLength == block->Data.size() && existing->Size == entry.Size) {
    Bytes old(existing->StoredLength);
    if (file_.ReadAt(existing->Offset, old.data(), old.size()) && Crc32(old) == Crc32(block->Data)) return {};
  }
  // Offsets are 32-bit: a package cannot grow past 4 GiB.
  if (writePosition_ + block->Data.size() > UINT32_MAX) {
    return FailAndRollBack("File " + path_ + " cannot grow past 4 GiB; it has been restored as it was before the update.");
  }
  if (!file_.WriteAt(writePosition_, block->Data.data(), block->Data.size())) {
    return FailAndRollBack(RestoredMessage(path_));
  }
  TKzpRecord record;
  record.Kind = block->Kind;
  record.Time = KzpTimeNow();
  record.StoredLength = static_cast<uint32_t>(block->Data.size());
  record.Size = entry.Size;
  record.Offset = static_cast<uint32_t>(writePosition_);
  record.Name = existing != nullptr ? existing->Name : entry.Name;  // Update checked its length
  writePosition_ += block->Data.size();
  Remove(key);
  Append(std::move(record));
  return {};
}

KzpOutcome TPakSystem::WriteHeader() {
  std::vector<const TKzpRecord*> table;
  table.reserve(index_.size());
  for (const std::optional<TKzpRecord>& record : records_) {
    if (record) table.push_back(&*record);
  }
  const Bytes tail = BuildKzpTail(table, Password, Official, RandomKeyByte(), RandomKeyByte());
  // A journal left behind after its commit mark is removed by the next open: the
  // package is complete either way.
  if (!file_.WriteAt(writePosition_, tail.data(), tail.size()) ||
      !file_.SetLength(writePosition_ + tail.size()) ||
      journal_.Commit(file_) == ArchiveJournal::CommitResult::Failed) {
    return FailAndRollBack(RestoredMessage(path_));
  }
  CloseWithoutChange();
  return {};
}

JournalRecovery TPakSystem::RollBack() {
  journal_.Close();
  // When even that fails, the journal stays and the next open tries again.
  const JournalRecovery outcome = RecoverArchive(path_, file_).Outcome;
  CloseWithoutChange();
  return outcome;
}

KzpOutcome TPakSystem::FailAndRollBack(std::string message) {
  switch (RollBack()) {
    case JournalRecovery::RolledBack:
    case JournalRecovery::Discarded:
      return KzpOutcome::Failure(std::move(message));
    case JournalRecovery::Completed:
      return {};  // the commit mark had reached the disk: the update is complete
    default:
      return KzpOutcome::Failure(LostMessage(path_));
  }
}

void TPakSystem::CloseWithoutChange() {
  file_.Close();
  records_.clear();
  index_.clear();
}

TKzpRecord* TPakSystem::Find(const std::string& lowerName) {
  const auto it = index_.find(lowerName);
  return it == index_.end() ? nullptr : &*records_[it->second];
}

void TPakSystem::Append(TKzpRecord record) {
  // The first record of a name is the one lookups find, as in the table's order.
  index_.try_emplace(LowerName(record.Name), records_.size());
  records_.emplace_back(std::move(record));
}

void TPakSystem::Remove(const std::string& lowerName) {
  const auto it = index_.find(lowerName);
  if (it == index_.end()) return;
  records_[it->second].reset();
  index_.erase(it);
}

KzpOutcome TPakSystem::Update(TPak& package, const std::string& installDir, uint16_t group, const std::string& name,
                              const std::string& password, TKzpHost& host) {
  const size_t total = package.CountInGroup(group);
  if (total == 0) return {};
  std::vector<size_t> indexes;
  indexes.reserve(total);
  package.ForEachInGroup(group, [&](size_t index) { indexes.push_back(index); });
  for (size_t index : indexes) {
    if (auto refused = RefuseLongName(package.Entries()[index].Name, name)) return *refused;
  }
  if (KzpOutcome opened = Open(installDir, name, host); !opened.Ok) return opened;
  if (!HasPassword) {
    // The signature holds the password in a field only so long; a longer one would
    // give a package that no reader can open.
    if (password.size() > kKzpMaxPasswordLength) {
      CloseWithoutChange();
      return KzpOutcome::Failure("Error Password Too Long\rFile: " + name);
    }
    Password = password;
  } else if (password != Password) {
    CloseWithoutChange();
    return KzpOutcome::Failure("Error Incorrect Password\rFile: " + name);
  }
  if (KzpOutcome cut = Cut(); !cut.Ok) return cut;

  size_t done = 0;
  size_t lastPercent = 0;
  host.Processing(name, 0, total);
  for (size_t index : indexes) {
    const size_t percent = done * 100 / total;
    const bool rose = percent > lastPercent;
    if (rose) lastPercent = percent;
    host.Processing(name, done, total);
    if (KzpOutcome added = AddEntry(package, index); !added.Ok) return added;
    host.StepProgress(rose);
    ++done;
  }
  host.WritingHeader(name);
  return WriteHeader();
}

KzpOutcome TPakSystem::SetOfficial(const std::string& installDir, const std::string& name, const std::string& marker,
                                   const std::string& flagText, TKzpHost& host) {
  if (LowerName(marker) != kOfficialMarker) return {};
  if (KzpOutcome opened = Open(installDir, name, host); !opened.Ok) return opened;
  if (KzpOutcome cut = Cut(); !cut.Ok) return cut;
  const std::string flag = LowerName(flagText);
  Official = flag == "t" || flag == "true" || flagText == "1";
  return WriteHeader();
}

KzpOutcome TPakSystem::DuplicateEntry(const std::string& installDir, const std::string& name,
                                      const std::string& source, const std::string& target, TKzpHost& host) {
  for (const std::string* entryName : {&source, &target}) {
    if (auto refused = RefuseLongName(*entryName, name)) return *refused;
  }
  if (KzpOutcome opened = Open(installDir, name, host); !opened.Ok) return opened;
  if (KzpOutcome cut = Cut(); !cut.Ok) return cut;
  const TKzpRecord* original = Find(LowerName(source));
  const std::string targetKey = LowerName(target);
  if (original != nullptr && Find(targetKey) == nullptr) {
    TKzpRecord copy = *original;
    copy.Name = targetKey;
    Append(std::move(copy));
  }
  return WriteHeader();
}

}  // namespace setup
