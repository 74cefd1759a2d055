// setupc diff OLD NEW: the differences between two builds of a product as a report
// (text or JSON), or with -o a patch's source folder (patch_writer.h).

#include <exception>
#include <ostream>

#include "setupc/commands.h"
#include "setupc/diff/patch_writer.h"
#include "setupc/diff/tree_diff.h"
#include "setupc/json_output.h"
#include "setupc/local_files.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

const char* FormatName(FileFormat format) {
  switch (format) {
    case FileFormat::Kzp:
      return "kzp";
    case FileFormat::Vfs:
      return "vfs";
    case FileFormat::Plain:
      break;
  }
  return "plain";
}

std::string KindName(uint16_t kind) {
  return kind == 1 ? "sound" : kind == 2 ? "data" : "kind " + std::to_string(kind);
}

// A name for a line of human output.
std::string Shown(const std::string& ansi) { return OneLine(AnsiToUtf8(ansi)); }

std::string PasswordText(const std::string& password) { return password.empty() ? "none" : "set"; }

std::string ChangeColumn(ChangeKind kind) {
  std::string text = ChangeKindName(kind);
  text.resize(9, ' ');
  return text;
}

void WriteText(const TreeDiff& diff, std::ostream& out) {
  if (diff.Empty()) {
    out << "no differences\n";
    return;
  }
  if (!diff.Files.empty()) out << "Loose files:\n";
  for (const FileChange& f : diff.Files) {
    out << "  " << ChangeColumn(f.Kind) << Shown(f.Path) << "  (";
    if (f.Format != FileFormat::Plain)
      out << (f.Format == FileFormat::Kzp ? "KZP package, " : "VFS archive, ");
    if (f.Kind == ChangeKind::Added) out << f.NewSize << " bytes)\n";
    if (f.Kind == ChangeKind::Removed) out << f.OldSize << " bytes)\n";
    if (f.Kind == ChangeKind::Changed) out << f.OldSize << " -> " << f.NewSize << " bytes)\n";
  }
  if (!diff.AddedFolders.empty()) out << "Folders added:\n";
  for (const std::string& folder : diff.AddedFolders) out << "  " << Shown(folder) << "\n";
  if (!diff.RemovedFolders.empty()) out << "Folders removed:\n";
  for (const std::string& folder : diff.RemovedFolders) out << "  " << Shown(folder) << "\n";
  for (const KzpDiff& p : diff.Packages) {
    out << "KZP package " << Shown(p.Path) << ":\n";
    for (const KzpEntryChange& e : p.Entries) {
      out << "  " << ChangeColumn(e.Kind) << Shown(e.Name);
      if (e.Kind != ChangeKind::Removed)
        out << "  (" << KindName(e.NewKind) << ", " << e.NewSize << " bytes)";
      out << "\n";
    }
    for (const KzpSharedName& s : p.SharedNames) {
      out << "  shared   " << Shown(s.Target) << "  now shares the data of " << Shown(s.Source) << "\n";
    }
    if (p.OldOfficial != p.NewOfficial) {
      out << "  official flag " << (p.OldOfficial ? "set" : "clear") << " -> "
          << (p.NewOfficial ? "set" : "clear") << "\n";
    }
    if (p.OldPassword != p.NewPassword) {
      out << "  password changed (" << PasswordText(p.OldPassword) << " -> " << PasswordText(p.NewPassword)
          << ")\n";
    }
  }
  for (const VfsDiff& a : diff.Archives) {
    out << "VFS archive " << Shown(a.Path) << ":\n";
    for (const VfsFileChange& f : a.Files) {
      out << "  " << ChangeColumn(f.Kind) << Shown(f.Name);
      if (f.Kind != ChangeKind::Removed) out << "  (" << f.NewSize << " bytes)";
      out << "\n";
    }
  }
  if (!diff.Inexpressibles.empty()) out << "Cannot be expressed by a patch:\n";
  for (const Inexpressible& i : diff.Inexpressibles) {
    out << "  " << Shown(i.Path) << (i.Entry.empty() ? "" : ": " + Shown(i.Entry)) << ": " << i.Reason
        << "\n";
  }
}

// Members go in through these few functions, not through nlohmann's initializer
// lists: there, every key length and value type instantiates constructors of its
// own, and the Windows test programs sit near the object format's section limit.
void Set(Json& object, const std::string& key, Json value) { object[key] = std::move(value); }
Json Number(uint64_t value) { return Json(value); }
Json Text(const std::string& value) { return Json(value); }
Json Truth(bool value) { return Json(value); }

Json Names(const std::vector<std::string>& list) {
  Json array = Json::array();
  for (const std::string& name : list) array.push_back(AnsiJson(name));
  return array;
}

void WriteJsonReport(const TreeDiff& diff, std::ostream& out) {
  Json files = Json::array();
  for (const FileChange& f : diff.Files) {
    Json item = Json::object();
    Set(item, "change", Text(ChangeKindName(f.Kind)));
    Set(item, "path", AnsiJson(f.Path));
    Set(item, "format", Text(FormatName(f.Format)));
    Set(item, "old_size", Number(f.OldSize));
    Set(item, "new_size", Number(f.NewSize));
    Set(item, "old_crc", Number(f.OldCrc));
    Set(item, "new_crc", Number(f.NewCrc));
    files.push_back(std::move(item));
  }
  Json packages = Json::array();
  for (const KzpDiff& p : diff.Packages) {
    Json entries = Json::array();
    for (const KzpEntryChange& e : p.Entries) {
      Json item = Json::object();
      Set(item, "change", Text(ChangeKindName(e.Kind)));
      Set(item, "name", AnsiJson(e.Name));
      Set(item, "kind", Number(e.NewKind));
      Set(item, "size", Number(e.NewSize));
      Set(item, "crc", Number(e.NewCrc));
      entries.push_back(std::move(item));
    }
    Json shared = Json::array();
    for (const KzpSharedName& n : p.SharedNames) {
      Json item = Json::object();
      Set(item, "source", AnsiJson(n.Source));
      Set(item, "target", AnsiJson(n.Target));
      shared.push_back(std::move(item));
    }
    Json item = Json::object();
    Set(item, "path", AnsiJson(p.Path));
    Set(item, "old_size", Number(p.OldFileSize));
    Set(item, "old_crc", Number(p.OldFileCrc));
    Set(item, "new_crc", Number(p.NewFileCrc));
    Set(item, "old_official", Truth(p.OldOfficial));
    Set(item, "new_official", Truth(p.NewOfficial));
    Set(item, "old_password_set", Truth(!p.OldPassword.empty()));
    Set(item, "new_password_set", Truth(!p.NewPassword.empty()));
    Set(item, "password_changed", Truth(p.OldPassword != p.NewPassword));
    Set(item, "entries", std::move(entries));
    Set(item, "shared_names", std::move(shared));
    packages.push_back(std::move(item));
  }
  Json archives = Json::array();
  for (const VfsDiff& a : diff.Archives) {
    Json list = Json::array();
    for (const VfsFileChange& f : a.Files) {
      Json item = Json::object();
      Set(item, "change", Text(ChangeKindName(f.Kind)));
      Set(item, "name", AnsiJson(f.Name));
      Set(item, "size", Number(f.NewSize));
      Set(item, "crc", Number(f.NewCrc));
      list.push_back(std::move(item));
    }
    Json item = Json::object();
    Set(item, "path", AnsiJson(a.Path));
    Set(item, "old_size", Number(a.OldFileSize));
    Set(item, "old_crc", Number(a.OldFileCrc));
    Set(item, "new_crc", Number(a.NewFileCrc));
    Set(item, "files", std::move(list));
    archives.push_back(std::move(item));
  }
  Json inexpressible = Json::array();
  for (const Inexpressible& i : diff.Inexpressibles) {
    Json item = Json::object();
    Set(item, "path", AnsiJson(i.Path));
    Set(item, "entry", AnsiJson(i.Entry));
    Set(item, "reason", Text(i.Reason));
    inexpressible.push_back(std::move(item));
  }
  Json document = Json::object();
  Set(document, "equal", Truth(diff.Empty()));
  Set(document, "files", std::move(files));
  Set(document, "added_folders", Names(diff.AddedFolders));
  Set(document, "removed_folders", Names(diff.RemovedFolders));
  Set(document, "packages", std::move(packages));
  Set(document, "archives", std::move(archives));
  Set(document, "inexpressible", std::move(inexpressible));
  WriteJson(document, out);
}

void ListInexpressibles(const TreeDiff& diff, std::ostream& err) {
  for (const Inexpressible& i : diff.Inexpressibles) {
    ReportError(err, "cannot be expressed: " + Shown(i.Path) +
                         (i.Entry.empty() ? "" : ": " + Shown(i.Entry)) + ": " + i.Reason);
  }
}

// Text typed for the patch's script, in the code page; nullopt (reported) when it
// holds a character the code page lacks.
std::optional<std::string> ScriptText(const std::string& typed, const char* option, std::ostream& err) {
  std::optional<std::string> ansi = ArgumentToAnsi(typed);
  if (!ansi)
    ReportError(err, std::string(option) + ": \"" + typed + "\" has characters the code page cannot hold");
  return ansi;
}

int WritePatch(TreeDiff& diff, const DiffOptions& options, std::ostream& out, std::ostream& err) {
  PatchOptions patch;
  patch.oldRoot = FsPath(options.oldRoot);
  patch.newRoot = FsPath(options.newRoot);
  patch.output = FsPath(options.output);
  if (options.sources) patch.sources = FsPath(*options.sources);
  std::string name = options.name.value_or("");
  if (!options.name) {
    std::filesystem::path folder = std::filesystem::absolute(patch.newRoot).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    name = NativeString(folder.filename()) + " patch";
  }
  std::optional<std::string> text = ScriptText(name, "--name", err);
  if (!text) return kExitUsage;
  patch.name = *text;
  const std::pair<const std::optional<std::string>*, std::optional<std::string>*> optionals[] = {
      {&options.logPrefix, &patch.logPrefix}, {&options.installDir, &patch.installDir}};
  const char* optionNames[] = {"--log-prefix", "--installdir"};
  for (size_t i = 0; i < 2; ++i) {
    if (!*optionals[i].first) continue;
    text = ScriptText(**optionals[i].first, optionNames[i], err);
    if (!text) return kExitUsage;
    *optionals[i].second = *text;
  }
  for (const std::string& item : options.regKey) {
    text = ScriptText(item, "--regkey", err);
    if (!text) return kExitUsage;
    patch.regKey.push_back(*text);
  }
  patch.allowPartial = options.allowPartial;
  const int code = WritePatchSource(diff, patch, out, err);
  ListInexpressibles(diff, err);
  return code;
}

}  // namespace

int DiffCommand(const DiffOptions& options, std::ostream& out, std::ostream& err) {
  TreeDiff diff;
  try {
    diff = DiffTrees(FsPath(options.oldRoot), FsPath(options.newRoot));
  } catch (const std::exception& e) {
    ReportError(err, e.what());
    return kExitUsage;
  }
  if (!options.output.empty()) return WritePatch(diff, options, out, err);
  if (options.json) {
    WriteJsonReport(diff, out);
  } else {
    WriteText(diff, out);
  }
  ListInexpressibles(diff, err);
  return diff.Empty() ? kExitOk : kExitFailed;
}

}  // namespace setup::setupc
