// setupc kzp list|extract|verify|pack: the product's KZP packages, for authors who
// test their patches and for support staff who look at a player's package.

#include <cstdio>
#include <ostream>
#include <random>

#include "base/zlib_codec.h"
#include "package/entry_path.h"
#include "package/kzp_format.h"
#include "package/kzp_sound.h"
#include "package/pak_system.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/local_files.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

bool OpenKzp(const std::string& path, platform::File& file, TKzpLayout& layout, std::ostream& err) {
  if (!file.Open(path, platform::OpenMode::ReadShared)) {
    ReportError(err, path + ": cannot be opened");
    return false;
  }
  std::string reason;
  if (!ReadKzpLayout(file, layout, reason)) {
    ReportError(err, path + ": not a readable KZP package: " + reason);
    return false;
  }
  const JournalInspection journal = InspectJournal(path);
  if (journal.State == JournalState::Pending) {
    ReportError(err, path + ": an interrupted update left " + JournalPath(path) +
                         "; the next update rolls it back (shown here as it is now)");
  } else if (journal.State != JournalState::None) {
    ReportError(err, path + ": " + journal.Describe(path));
  }
  return true;
}

std::string FormName(KzpSignatureForm form) {
  switch (form) {
    case KzpSignatureForm::Old: return "old";
    case KzpSignatureForm::New: return "new";
    case KzpSignatureForm::None: break;
  }
  return "none";
}

// An MS-DOS date and time as "YYYY-MM-DD HH:MM:SS".
std::string DosTimeText(uint32_t value) {
  const uint32_t date = value >> 16;
  const uint32_t time = value & 0xFFFF;
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), (date >> 5) & 15, date & 31,
                time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

std::string KindName(uint16_t kind) {
  return kind == kKzpKindSound ? "sound" : kind == kKzpKindData ? "data" : std::to_string(kind);
}

int List(const KzpOptions& options, std::ostream& out, std::ostream& err) {
  platform::File file;
  TKzpLayout layout;
  if (!OpenKzp(options.package, file, layout, err)) return kExitUsage;
  const TKzpSignature& s = layout.Signature;
  if (options.json) {
    Json records = Json::array();
    for (const TKzpRecord& r : layout.Records) {
      records.push_back({{"name", AnsiJson(r.Name)},
                         {"kind", r.Kind},
                         {"size", r.Size},
                         {"stored_length", r.StoredLength},
                         {"offset", r.Offset},
                         {"time", DosTimeText(r.Time)}});
    }
    WriteJson({{"signature", FormName(s.Form)},
               {"password_set", !s.Password.empty()},
               {"official", s.Official},
               {"table_start", layout.TableStart},
               {"records", std::move(records)}},
              out);
    return kExitOk;
  }
  out << "Signature: " << FormName(s.Form) << "\nPassword: " << (s.Password.empty() ? "none" : "set")
      << "\nOfficial: " << (s.Official ? "yes" : "no") << "\nRecords: " << layout.Records.size() << "\n";
  char line[96];
  std::snprintf(line, sizeof line, "%-5s  %10s  %10s  %10s  %-19s  %s\n", "Kind", "Size", "Stored", "Offset", "Time",
                "Name");
  out << line;
  for (const TKzpRecord& r : layout.Records) {
    std::snprintf(line, sizeof line, "%-5s  %10u  %10u  %10u  %-19s  ", KindName(r.Kind).c_str(), r.Size,
                  r.StoredLength, r.Offset, DosTimeText(r.Time).c_str());
    out << line << OneLine(AnsiToUtf8(r.Name)) << "\n";
  }
  return kExitOk;
}

// The entry's content: a kind-2 block inflated, a sound block as stored. Empty
// problem on success.
std::string ReadContent(platform::File& file, const TKzpRecord& record, Bytes& content) {
  Bytes block(record.StoredLength);
  if (!file.ReadAt(record.Offset, block.data(), block.size())) return "its block cannot be read";
  if (record.Kind != kKzpKindData) {
    if (record.Kind == kKzpKindSound &&
        (block.size() < kSoundHeaderSize || GetU32(&block[54]) != block.size() - kSoundHeaderSize)) {
      return "its sound header does not match its block's length";
    }
    content = std::move(block);
    return {};
  }
  ToggleBlockCrc(block);
  try {
    InflateResult result = Inflate(block, record.Size);
    if (result.inflatedLength != record.Size) {
      return "it inflates to " + std::to_string(result.inflatedLength) + " bytes, not " + std::to_string(record.Size);
    }
    content = std::move(result.content);
  } catch (const std::exception&) {
    return "its block is not a valid zlib stream";
  }
  return {};
}

int Verify(const KzpOptions& options, std::ostream& out, std::ostream& err) {
  platform::File file;
  TKzpLayout layout;
  if (!OpenKzp(options.package, file, layout, err)) return kExitUsage;
  size_t failed = 0;
  for (const TKzpRecord& record : layout.Records) {
    Bytes content;
    if (std::string problem = ReadContent(file, record, content); !problem.empty()) {
      ReportError(err, options.package + ": " + OneLine(AnsiToUtf8(record.Name)) + ": " + problem);
      ++failed;
    }
  }
  out << layout.Records.size() << " records, " << failed << " damaged\n";
  return failed == 0 ? kExitOk : kExitFailed;
}

int Extract(const KzpOptions& options, std::ostream& out, std::ostream& err) {
  platform::File file;
  TKzpLayout layout;
  if (!OpenKzp(options.package, file, layout, err)) return kExitUsage;
  size_t failed = 0;
  size_t written = 0;
  for (const TKzpRecord& record : layout.Records) {
    const EntryPath path = SplitEntryPath(record.Name);
    Bytes content;
    std::string problem = path.Safe() ? ReadContent(file, record, content) : "refused: " + path.refusal;
    if (problem.empty()) {
      std::string target = options.folder;
      for (const std::string& component : path.components) target = JoinNativePath(target, AnsiToNative(component));
      platform::CreateDirectoryTree(FolderOf(target));
      platform::File output;
      if (!output.Open(target, platform::OpenMode::CreateAlways) || !output.Write(content.data(), content.size())) {
        problem = "cannot write " + target;
      }
    }
    if (problem.empty()) {
      ++written;
    } else {
      ReportError(err, options.package + ": " + OneLine(AnsiToUtf8(record.Name)) + ": " + problem);
      ++failed;
    }
  }
  out << written << " entries written to " << options.folder << "\n";
  return failed == 0 ? kExitOk : kExitFailed;
}

int Pack(const KzpOptions& options, std::ostream& out, std::ostream& err) {
  if (options.password.size() > kKzpMaxPasswordLength) {
    ReportError(err, "the password may be at most " + std::to_string(kKzpMaxPasswordLength) + " characters long");
    return kExitUsage;
  }
  std::vector<FolderFile> files;
  if (std::string error = ListFolderFiles(options.folder, files); !error.empty()) {
    ReportError(err, error);
    return kExitFailed;
  }
  platform::File output;
  if (!output.Open(options.output, platform::OpenMode::CreateAlways)) {
    ReportError(err, options.output + ": cannot be written");
    return kExitFailed;
  }
  std::vector<TKzpRecord> records;
  uint64_t offset = 0;
  for (const FolderFile& file : files) {
    if (file.name.size() > kKzpMaxNameLength) {
      ReportError(err, file.path + ": the entry name is longer than 127 characters");
      return kExitFailed;
    }
    std::optional<Bytes> content = ReadWholeFile(file.path);
    if (!content) {
      ReportError(err, file.path + ": cannot be read");
      return kExitFailed;
    }
    std::optional<KzpBlock> block = MakeKzpBlock(file.name, *content);
    if (!block) {
      ReportError(err, file.path + ": not a WAVE file the product can play; left out");
      continue;
    }
    if (offset + block->Data.size() > UINT32_MAX || !output.Write(block->Data.data(), block->Data.size())) {
      ReportError(err, options.output + ": cannot be written");
      return kExitFailed;
    }
    TKzpRecord record;
    record.Kind = block->Kind;
    record.Time = KzpTimeNow();
    record.StoredLength = static_cast<uint32_t>(block->Data.size());
    record.Size = static_cast<uint32_t>(content->size());
    record.Offset = static_cast<uint32_t>(offset);
    record.Name = file.name;
    records.push_back(std::move(record));
    offset += block->Data.size();
  }
  std::vector<const TKzpRecord*> table;
  for (const TKzpRecord& record : records) table.push_back(&record);
  std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> keyByte(2, 6);
  const Bytes tail = BuildKzpTail(table, options.password, options.official, static_cast<uint8_t>(keyByte(random)),
                                  static_cast<uint8_t>(keyByte(random)));
  if (!output.Write(tail.data(), tail.size())) {
    ReportError(err, options.output + ": cannot be written");
    return kExitFailed;
  }
  out << records.size() << " entries packed into " << options.output << "\n";
  return kExitOk;
}

}  // namespace

int KzpCommand(const KzpOptions& options, std::ostream& out, std::ostream& err) {
  if (options.action == "list") return List(options, out, err);
  if (options.action == "verify") return Verify(options, out, err);
  if (options.action == "extract") return Extract(options, out, err);
  return Pack(options, out, err);
}

}  // namespace setup::setupc
