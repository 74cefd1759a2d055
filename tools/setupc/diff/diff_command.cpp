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
    case FileFormat::Kzp: return "kzp";
    case FileFormat::Vfs: return "vfs";
    case FileFormat::Plain: break;
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
    if (f.Format != FileFormat::Plain) out << (f.Format == FileFormat::Kzp ? "KZP package, " : "VFS archive, ");
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
      if (e.Kind != ChangeKind::Removed) out << "  (" << KindName(e.NewKind) << ", " << e.NewSize << " bytes)";
      out << "\n";
    }
    for (const KzpSharedName& s : p.SharedNames) {
      out << "  shared   " << Shown(s.Target) << "  now shares the data of " << Shown(s.Source) << "\n";
    }
    if (p.OldOfficial != p.NewOfficial) {
      out << "  official flag " << (p.OldOfficial ? "set" : "clear") << " -> " << (p.NewOfficial ? "set" : "clear")
          << "\n";
    }
    if (p.OldPassword != p.NewPassword) {
      out << "  password changed (" << PasswordText(p.OldPassword) << " -> " << PasswordText(p.NewPassword) << ")\n";
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
    out << "  " << Shown(i.Path) << (i.Entry.empty() ? "" : ": " + Shown(i.Entry)) << ": " << i.Reason << "\n";
  }
}

void WriteJsonReport(const TreeDiff& diff, std::ostream& out) {
  Json files = Json::array();
  for (const FileChange& f : diff.Files) {
    files.push_back({{"change", ChangeKindName(f.Kind)},
                     {"path", AnsiJson(f.Path)},
                     {"format", FormatName(f.Format)},
                     {"old_size", f.OldSize},
                     {"new_size", f.NewSize},
                     {"old_crc", f.OldCrc},
                     {"new_crc", f.NewCrc}});
  }
  const auto names = [](const std::vector<std::string>& list) {
    Json array = Json::array();
    for (const std::string& name : list) array.push_back(AnsiJson(name));
    return array;
  };
  Json packages = Json::array();
  for (const KzpDiff& p : diff.Packages) {
    Json entries = Json::array();
    for (const KzpEntryChange& e : p.Entries) {
      entries.push_back({{"change", ChangeKindName(e.Kind)},
                         {"name", AnsiJson(e.Name)},
                         {"kind", e.NewKind},
                         {"size", e.NewSize},
                         {"crc", e.NewCrc}});
    }
    Json shared = Json::array();
    for (const KzpSharedName& s : p.SharedNames) {
      shared.push_back({{"source", AnsiJson(s.Source)}, {"target", AnsiJson(s.Target)}});
    }
    packages.push_back({{"path", AnsiJson(p.Path)},
                        {"old_size", p.OldFileSize},
                        {"old_crc", p.OldFileCrc},
                        {"new_crc", p.NewFileCrc},
                        {"old_official", p.OldOfficial},
                        {"new_official", p.NewOfficial},
                        {"old_password_set", !p.OldPassword.empty()},
                        {"new_password_set", !p.NewPassword.empty()},
                        {"password_changed", p.OldPassword != p.NewPassword},
                        {"entries", std::move(entries)},
                        {"shared_names", std::move(shared)}});
  }
  Json archives = Json::array();
  for (const VfsDiff& a : diff.Archives) {
    Json list = Json::array();
    for (const VfsFileChange& f : a.Files) {
      list.push_back(
          {{"change", ChangeKindName(f.Kind)}, {"name", AnsiJson(f.Name)}, {"size", f.NewSize}, {"crc", f.NewCrc}});
    }
    archives.push_back({{"path", AnsiJson(a.Path)},
                        {"old_size", a.OldFileSize},
                        {"old_crc", a.OldFileCrc},
                        {"new_crc", a.NewFileCrc},
                        {"files", std::move(list)}});
  }
  Json inexpressible = Json::array();
  for (const Inexpressible& i : diff.Inexpressibles) {
    inexpressible.push_back({{"path", AnsiJson(i.Path)}, {"entry", AnsiJson(i.Entry)}, {"reason", i.Reason}});
  }
  WriteJson({{"equal", diff.Empty()},
             {"files", std::move(files)},
             {"added_folders", names(diff.AddedFolders)},
             {"removed_folders", names(diff.RemovedFolders)},
             {"packages", std::move(packages)},
             {"archives", std::move(archives)},
             {"inexpressible", std::move(inexpressible)}},
            out);
}

void ListInexpressibles(const TreeDiff& diff, std::ostream& err) {
  for (const Inexpressible& i : diff.Inexpressibles) {
    ReportError(err, "cannot be expressed: " + Shown(i.Path) + (i.Entry.empty() ? "" : ": " + Shown(i.Entry)) +
                         ": " + i.Reason);
  }
}

// Text typed for the patch's script, in the code page; nullopt (reported) when it
// holds a character the code page lacks.
std::optional<std::string> ScriptText(const std::string& typed, const char* option, std::ostream& err) {
  std::optional<std::string> ansi = ArgumentToAnsi(typed);
  if (!ansi) ReportError(err, std::string(option) + ": \"" + typed + "\" has characters the code page cannot hold");
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
