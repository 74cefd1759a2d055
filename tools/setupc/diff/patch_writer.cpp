// setupc diff -o OUT: the patch's source folder. The differences are gone through in
// the diff's order (sorted), each payload file written as soon as it is read (one entry
// in memory at a time), and the script written last, from what could be written.

#include "setupc/diff/patch_writer.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <set>

#include "package/kzp_sound.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/diff/archive_reader.h"
#include "setupc/diff/patch_names.h"
#include "setupc/diff/patch_script.h"
#include "setupc/diff/patch_sound.h"
#include "setupc/init_templates.h"
#include "setupc/local_files.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

using platform::AnsiLowerCase;

constexpr uint64_t kMaxPayloadFile = 0xFFFFFFFFu;  // what a setup's entry holds
constexpr size_t kCopyChunk = 1 << 20;
constexpr const char* kLanguage = "english";
// No command removes an entry from a KZP package or a file from a VFS archive; the
// comparison names these with the same words.
constexpr const char* kRemoved = "entry removed";

// OUT could not be written: the folder is taken back and the command ends (exit 2).
struct WriteFailure {
  std::string message;
};

// What the writer made below OUT, so that a failure half-way takes it back. OUT was
// empty or absent, so nothing of the author's is ever touched.
class Undo {
 public:
  void Made(const std::string& path) { made_.push_back(path); }
  void Commit() { made_.clear(); }
  ~Undo() {
    for (auto path = made_.rbegin(); path != made_.rend(); ++path) {
      if (!platform::RemoveFile(*path)) platform::RemoveFolder(*path);
    }
  }

 private:
  std::vector<std::string> made_;
};

bool IsUnder(const std::string& lowerPath, const std::string& lowerFolder) {
  return lowerPath.size() > lowerFolder.size() && lowerPath.compare(0, lowerFolder.size(), lowerFolder) == 0 &&
         lowerPath[lowerFolder.size()] == '\\';
}

size_t Depth(const std::string& path) { return static_cast<size_t>(std::count(path.begin(), path.end(), '\\')); }

class PatchWriter {
 public:
  PatchWriter(TreeDiff& diff, const PatchOptions& options, std::string outFolder, PatchScript& script)
      : diff_(diff), out_(std::move(outFolder)), newRoot_(NativeString(options.newRoot)),
        script_(script), sources_(options.sources) {}

  void Write() {
    MakeFolder(out_);
    for (const EmbeddedFile& file : InitTemplateFiles()) {
      const std::string path = file.name;
      if (path != std::string("languages/") + kLanguage + ".txt" && !path.starts_with("pages/default/")) continue;
      std::string name = path;
      std::replace(name.begin(), name.end(), '/', '\\');
      WriteFile(PayloadPath(out_, name), file.bytes);
    }
    LooseFiles();
    Folders();
    Packages();
    Archives();
  }

  void WriteScript(const std::string& text) {
    WriteFile(JoinNativePath(out_, "setup.txt"), ByteView(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }

  void Commit() { undo_.Commit(); }

 private:
  // --- What cannot be expressed ------------------------------------------------------

  // Listed once: what the comparison found already ("entry removed") is not repeated.
  void LeaveOut(const std::string& path, const std::string& entry, const std::string& reason) {
    const bool listed = std::any_of(diff_.Inexpressibles.begin(), diff_.Inexpressibles.end(), [&](const Inexpressible& i) {
      return i.Path == path && i.Entry == entry && i.Reason == reason;
    });
    if (!listed) diff_.Inexpressibles.push_back({path, entry, reason});
  }

  // Why a path cannot stand in the script's expanded parameters; empty when it can.
  static std::string ScriptPathProblem(const std::string& path) {
    if (!ScriptParameter("$INSTDIR\\" + path)) return "path the script cannot hold";
    return ExpansionProblem(path);
  }

  // --- OUT -----------------------------------------------------------------------------

  void MakeFolder(const std::string& folder) {
    if (!CreateFolderChain(folder, [this](const std::string& made) { undo_.Made(made); })) {
      throw WriteFailure{"cannot create folder " + folder};
    }
  }

  platform::File CreateFile(const std::string& path) {
    MakeFolder(FolderOf(path));
    platform::File file;
    if (!file.Open(path, platform::OpenMode::CreateNew)) throw WriteFailure{"cannot write " + path};
    undo_.Made(path);
    return file;
  }

  void WriteFile(const std::string& path, ByteView bytes) {
    platform::File file = CreateFile(path);
    if (!file.Write(bytes.data(), bytes.size())) throw WriteFailure{"cannot write " + path};
  }

  // Copies NEW's file piece by piece; false (nothing left behind) when it cannot be read.
  bool CopyFile(const std::string& from, const std::string& to) {
    platform::File source;
    if (!source.Open(from, platform::OpenMode::ReadShared)) return false;
    const uint64_t size = source.Size();
    platform::File target = CreateFile(to);
    Bytes buffer(static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk)));
    for (uint64_t done = 0; done < size;) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(size - done, buffer.size()));
      if (!source.ReadAt(done, buffer.data(), want)) {
        target.Close();
        platform::RemoveFile(to);
        return false;
      }
      if (!target.Write(buffer.data(), want)) throw WriteFailure{"cannot write " + to};
      done += want;
    }
    return true;
  }

  // --- Loose files and folders -----------------------------------------------------

  void LooseFiles() {
    const std::string folder = JoinNativePath(out_, "files");
    PayloadNames names;
    for (const FileChange& change : diff_.Files) {
      const std::string& path = change.Path;
      if (change.Kind == ChangeKind::Removed) {
        if (const std::string problem = ScriptPathProblem(path); !problem.empty()) {
          LeaveOut(path, "", "file removed, but " + problem);
          continue;
        }
        script_.deletes.push_back(path);
        script_.guards.push_back({PatchGuard::Kind::Removed, path, change.OldCrc, 0});
        continue;
      }
      std::string problem = PayloadNameProblem(path);
      if (problem.empty() && change.Kind == ChangeKind::Changed) problem = ScriptPathProblem(path);
      if (problem.empty() && change.NewSize > kMaxPayloadFile) problem = "file over 4 GiB, more than a setup holds";
      if (problem.empty()) problem = names.Add(path);
      if (!problem.empty()) {
        LeaveOut(path, "", problem);
        continue;
      }
      if (!CopyFile(PayloadPath(newRoot_, path), PayloadPath(folder, path))) {
        LeaveOut(path, "", "NEW's file cannot be read");
        continue;
      }
      written_.insert(AsciiLower(path));
      ++script_.files;
      if (change.Kind == ChangeKind::Changed) {
        script_.guards.push_back({PatchGuard::Kind::Changed, path, change.OldCrc, change.NewCrc});
      }
    }
    if (script_.files > 0) script_.filesSource = "files";
  }

  void Folders() {
    std::vector<std::string> lowerAdded;
    for (const std::string& folder : diff_.AddedFolders) lowerAdded.push_back(AsciiLower(folder));
    for (const std::string& folder : diff_.AddedFolders) {
      const std::string lower = AsciiLower(folder);
      // A folder that a written file or another new folder lies in is made with it.
      const auto below = [&](const std::string& path) { return IsUnder(path, lower); };
      if (std::any_of(written_.begin(), written_.end(), below) ||
          std::any_of(lowerAdded.begin(), lowerAdded.end(), below)) {
        continue;
      }
      if (const std::string problem = ScriptPathProblem(folder); !problem.empty()) {
        LeaveOut(folder, "", "empty folder added, but " + problem);
        continue;
      }
      script_.createFolders.push_back(folder);
    }
    std::vector<std::string> removed;
    for (const std::string& folder : diff_.RemovedFolders) {
      if (const std::string problem = ScriptPathProblem(folder); !problem.empty()) {
        LeaveOut(folder, "", "folder removed, but " + problem);
        continue;
      }
      removed.push_back(folder);
    }
    std::stable_sort(removed.begin(), removed.end(),
                     [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    script_.removeFolders = std::move(removed);
  }

  // --- KZP packages ------------------------------------------------------------------

  struct KzpGroupWriter {
    std::string folder;  // native
    PayloadNames names;
    size_t entries = 0;
  };

  void Packages() {
    for (const KzpDiff& package : diff_.Packages) {
      const bool empty = package.Entries.empty() && package.SharedNames.empty() &&
                         package.OldOfficial == package.NewOfficial && package.OldPassword == package.NewPassword;
      if (!empty) Package(package);
    }
  }

  void Package(const KzpDiff& p) {
    const auto leaveOutAll = [&](const std::string& why) {
      for (const KzpEntryChange& e : p.Entries) LeaveOut(p.Path, e.Name, why);
      for (const KzpSharedName& s : p.SharedNames) LeaveOut(p.Path, s.Target, why);
      if (p.OldOfficial != p.NewOfficial || p.OldPassword != p.NewPassword) LeaveOut(p.Path, "", why);
    };
    if (const std::string problem = ScriptPathProblem(p.Path); !problem.empty()) {
      leaveOutAll("package's " + problem);
      return;
    }
    std::string reason;
    std::unique_ptr<KzpReader> reader = KzpReader::Open(FsPath(PayloadPath(newRoot_, p.Path)), reason);
    if (!reader) {
      leaveOutAll("NEW's package cannot be read: " + reason);
      return;
    }
    std::map<std::string, const TKzpRecord*> records;  // NEW's, by lower-cased name
    for (const TKzpRecord& record : reader->Layout().Records) records.try_emplace(AnsiLowerCase(record.Name), &record);

    // kzpupdate must give the stored password; an empty one takes the given one.
    const bool passwordWritable = p.OldPassword.empty() || p.OldPassword == p.NewPassword;
    const bool passwordFits = p.NewPassword.size() <= kKzpMaxPasswordLength && ScriptParameter(p.NewPassword);
    std::string noUpdate;
    if (!passwordWritable) {
      noUpdate = "not written: the package's password changed, and kzpupdate refuses any but the stored one";
      LeaveOut(p.Path, "", "password changed from a set one (kzpupdate refuses any but the stored password)");
    } else if (!passwordFits) {
      noUpdate = "not written: NEW's password cannot stand in a script";
      LeaveOut(p.Path, "", "NEW's password cannot stand in a script");
    }

    // Names that NEW gives a block that another name has, and OLD lacked: a
    // duplicateentry makes them, when the source is there after the update. It names
    // the new entry in lower case, so a name with capitals is written as a file instead
    // (its content is NEW's; only the sharing of the block is lost).
    std::set<std::string> added;
    for (const KzpEntryChange& e : p.Entries) {
      if (e.Kind == ChangeKind::Added) added.insert(AnsiLowerCase(e.Name));
    }
    std::vector<KzpSharedName> pending;
    std::set<std::string> pendingTargets;
    for (const KzpSharedName& s : p.SharedNames) {
      const std::string target = AnsiLowerCase(s.Target);
      if (added.count(target) != 0 && target == s.Target && pendingTargets.insert(target).second) {
        pending.push_back(s);
      }
    }

    KzpGroupWriter group{JoinNativePath(JoinNativePath(out_, "kzp"), std::to_string(kzpGroups_ + 1)), {}, 0};
    std::set<std::string> present;  // written, or made by a duplicateentry line
    const auto write = [&](const std::string& name) {
      if (!noUpdate.empty()) {
        LeaveOut(p.Path, name, noUpdate);
        return;
      }
      const auto record = records.find(AnsiLowerCase(name));
      if (record == records.end()) {
        LeaveOut(p.Path, name, "entry not found in NEW's package");
        return;
      }
      if (KzpEntry(p.Path, *reader, *record->second, group)) present.insert(record->first);
    };
    for (const KzpEntryChange& e : p.Entries) {
      if (e.Kind == ChangeKind::Removed) {
        LeaveOut(p.Path, e.Name, kRemoved);
      } else if (pendingTargets.count(AnsiLowerCase(e.Name)) == 0) {
        write(e.Name);
      }
    }

    PatchKzpGroup lines{p.Path, "", 0, p.NewPassword, {}, std::nullopt};
    // A source is there after the update unless OLD lacked it and nothing makes it.
    for (bool progress = true; progress;) {
      progress = false;
      for (auto s = pending.begin(); s != pending.end();) {
        const std::string source = AnsiLowerCase(s->Source);
        if (added.count(source) == 0 || present.count(source) != 0) {
          present.insert(AnsiLowerCase(s->Target));
          lines.duplicates.push_back(*s);
          s = pending.erase(s);
          progress = true;
        } else {
          ++s;
        }
      }
    }
    for (const KzpSharedName& s : pending) write(s.Target);  // the content under the name

    // A new password needs an update that writes something: an entry NEW has, which
    // the update finds present and leaves, carries it.
    if (noUpdate.empty() && group.entries == 0 && p.OldPassword != p.NewPassword) {
      if (!PasswordCarrier(*reader, group)) LeaveOut(p.Path, "", "password set, but no entry can carry it");
    }
    if (group.entries > 0) {
      ++kzpGroups_;
      lines.source = "kzp\\" + std::to_string(kzpGroups_);
      lines.entries = group.entries;
    }
    if (p.OldOfficial != p.NewOfficial) lines.official = p.NewOfficial;
    if (lines.source.empty() && lines.duplicates.empty() && !lines.official) return;
    script_.guards.push_back({PatchGuard::Kind::Archive, p.Path, p.OldFileCrc, p.NewFileCrc});
    script_.packages.push_back(std::move(lines));
  }

  // Writes one entry of NEW's package into the group's folder: a data entry's content,
  // a sound's WAVE file. False (and the entry left out) when it cannot be.
  bool KzpEntry(const std::string& package, KzpReader& reader, const TKzpRecord& record, KzpGroupWriter& group) {
    const std::string& name = record.Name;
    std::string problem = PayloadNameProblem(name);
    if (problem.empty() && record.Kind == kKzpKindSound && !IsSoundEntryName(name)) {
      problem = "sound entry whose name does not end in .wav";
    } else if (problem.empty() && record.Kind == kKzpKindData && IsSoundEntryName(name)) {
      problem = "data entry whose name ends in .wav (kzpupdate would make it a sound)";
    } else if (problem.empty() && record.Kind != kKzpKindSound && record.Kind != kKzpKindData) {
      problem = "entry of unknown kind " + std::to_string(record.Kind);
    }
    if (problem.empty()) problem = group.names.Add(name);
    if (!problem.empty()) {
      LeaveOut(package, name, problem);
      return false;
    }
    std::string reason;
    std::optional<Bytes> content = reader.ReadContent(record, reason);
    if (!content) {
      LeaveOut(package, name, "NEW's entry cannot be read: " + reason);
      return false;
    }
    if (record.Kind == kKzpKindSound) {
      Bytes wave;
      if (const std::string why = FindSoundWave(name, *content, record.Size, sources_, wave); !why.empty()) {
        LeaveOut(package, name, why);
        return false;
      }
      content = std::move(wave);
    }
    WriteFile(PayloadPath(group.folder, name), *content);
    ++group.entries;
    return true;
  }

  // The first data entry of NEW (by lower-cased name) that can be written.
  bool PasswordCarrier(KzpReader& reader, KzpGroupWriter& group) {
    std::vector<const TKzpRecord*> candidates;
    for (const TKzpRecord& record : reader.Layout().Records) {
      if (record.Kind == kKzpKindData && !IsSoundEntryName(record.Name) && PayloadNameProblem(record.Name).empty()) {
        candidates.push_back(&record);
      }
    }
    std::sort(candidates.begin(), candidates.end(), [](const TKzpRecord* a, const TKzpRecord* b) {
      return AnsiLowerCase(a->Name) < AnsiLowerCase(b->Name);
    });
    for (const TKzpRecord* record : candidates) {
      std::string reason;
      if (std::optional<Bytes> content = reader.ReadContent(*record, reason)) {
        if (!group.names.Add(record->Name).empty()) continue;
        WriteFile(PayloadPath(group.folder, record->Name), *content);
        ++group.entries;
        return true;
      }
    }
    return false;
  }

  // --- VFS archives ------------------------------------------------------------------

  void Archives() {
    for (const VfsDiff& archive : diff_.Archives) {
      if (!archive.Files.empty()) Archive(archive);
    }
  }

  void Archive(const VfsDiff& a) {
    const auto leaveOutAll = [&](const std::string& why) {
      for (const VfsFileChange& f : a.Files) LeaveOut(a.Path, f.Name, why);
    };
    if (const std::string problem = ScriptPathProblem(a.Path); !problem.empty()) {
      leaveOutAll("archive's " + problem);
      return;
    }
    std::string reason;
    std::unique_ptr<VfsReader> reader = VfsReader::Open(FsPath(PayloadPath(newRoot_, a.Path)), reason);
    if (!reader) {
      leaveOutAll("NEW's archive cannot be read: " + reason);
      return;
    }
    const std::string folder = JoinNativePath(JoinNativePath(out_, "vfs"), std::to_string(vfsGroups_ + 1));
    PayloadNames names;
    size_t files = 0;
    for (const VfsFileChange& f : a.Files) {
      if (f.Kind == ChangeKind::Removed) {
        LeaveOut(a.Path, f.Name, kRemoved);
        continue;
      }
      std::string problem = PayloadNameProblem(f.Name);
      // vfsupdate puts a path below its folders only when it holds a "." somewhere.
      if (problem.empty() && f.Name.find('\\') != std::string::npos && f.Name.find('.') == std::string::npos) {
        problem = "path without a \".\", which vfsupdate puts at the archive's top level";
      }
      if (problem.empty()) problem = names.Add(f.Name);
      if (!problem.empty()) {
        LeaveOut(a.Path, f.Name, problem);
        continue;
      }
      std::optional<Bytes> content = reader->ReadFile(f.Name, reason);
      if (!content) {
        LeaveOut(a.Path, f.Name, "NEW's file cannot be read: " + reason);
        continue;
      }
      WriteFile(PayloadPath(folder, f.Name), *content);
      ++files;
    }
    if (files == 0) return;
    ++vfsGroups_;
    script_.guards.push_back({PatchGuard::Kind::Archive, a.Path, a.OldFileCrc, a.NewFileCrc});
    script_.archives.push_back({a.Path, "vfs\\" + std::to_string(vfsGroups_), files});
  }

  TreeDiff& diff_;
  std::string out_;      // native
  std::string newRoot_;  // native
  PatchScript& script_;
  SourceWaves sources_;
  Undo undo_;
  std::set<std::string> written_;  // loose files written, lower-cased
  size_t kzpGroups_ = 0, vfsGroups_ = 0;
};

// The folder's own name: "build" for "/x/build" and "/x/build/".
std::string FolderName(const std::filesystem::path& folder) {
  std::filesystem::path path = folder.lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return NativeString(path.filename());
}

// An option's text (code page) as a script parameter; nullopt after reporting.
std::optional<std::string> Checked(const std::string& text, const std::string& what, std::ostream& err) {
  if (!ScriptParameter(text)) {
    ReportError(err, what + " \"" + AnsiToNative(text) + "\" cannot stand in a script (it holds a control character)");
    return std::nullopt;
  }
  return text;
}

bool Headers(const PatchOptions& options, PatchScript& script, std::ostream& err) {
  // The product's folder is proposed under the new build's folder name, not the patch's.
  const std::string product =
      ArgumentToAnsi(FolderName(std::filesystem::absolute(options.newRoot))).value_or("new build");
  std::string name = options.name;
  if (name.empty()) name = product + " patch";
  const std::optional<std::string> checkedName = Checked(name, "the name", err);
  if (!checkedName) return false;
  script.name = *checkedName;
  const std::optional<std::string> installDir =
      Checked(options.installDir.value_or("$PROGRAMFILES\\" + product + "\\"), "--installdir", err);
  if (!installDir) return false;
  script.installDir = *installDir;
  if (!options.regKey.empty()) {
    static const std::set<std::string> kRoots = {"hklm", "hkcu", "hkcr", "hku", "hkcc"};
    if (options.regKey.size() != 3 || kRoots.count(AsciiLower(options.regKey[0])) == 0) {
      ReportError(err, "--regkey takes ROOT KEY VALUE, ROOT one of HKLM, HKCU, HKCR, HKU, HKCC");
      return false;
    }
    for (const std::string& part : options.regKey) {
      const std::optional<std::string> checked = Checked(part, "--regkey", err);
      if (!checked) return false;
      script.regKey.push_back(*checked);
    }
  }
  if (options.logPrefix) {
    const std::optional<std::string> prefix = Checked(*options.logPrefix, "--log-prefix", err);
    if (!prefix) return false;
    script.logPrefix = *prefix;
  }
  script.language = kLanguage;
  return true;
}

}  // namespace

int WritePatchSource(TreeDiff& diff, const PatchOptions& options, std::ostream& out, std::ostream& err) {
  const std::string folder = NativeString(options.output);
  if (folder.empty()) {
    ReportError(err, "diff -o needs a folder for the patch");
    return kExitUsage;
  }
  switch (KindOf(folder)) {
    case PathKind::Missing:
      break;
    case PathKind::Folder:
      if (platform::ListFolder(folder).empty()) break;
      ReportError(err, folder + " is not empty; diff -o writes a patch into a new or empty folder only");
      return kExitUsage;
    default:
      ReportError(err, folder + " exists and is not a folder; diff -o writes a patch into a new or empty folder only");
      return kExitUsage;
  }
  PatchScript script;
  if (!Headers(options, script, err)) return kExitUsage;

  PatchWriter writer(diff, options, folder, script);
  try {
    writer.Write();
    script.leftOut = diff.Inexpressibles.size();
    writer.WriteScript(PatchScriptText(script));
  } catch (const WriteFailure& failure) {
    ReportError(err, failure.message + "; nothing is left of the patch");
    return kExitUsage;
  }
  writer.Commit();

  out << "patch written to " << folder << ": " << script.files << " loose " << (script.files == 1 ? "file" : "files")
      << ", " << script.deletes.size() << " removed, " << script.packages.size() << " KZP "
      << (script.packages.size() == 1 ? "package" : "packages") << ", " << script.archives.size() << " VFS "
      << (script.archives.size() == 1 ? "archive" : "archives") << "\n"
      << "next: setupc compile " << JoinNativePath(folder, "setup.txt") << " --stub STUB\n";
  if (!diff.Inexpressibles.empty() && !options.allowPartial) {
    // The caller (setupc diff) lists them.
    ReportError(err, "the patch in " + folder + " leaves out " + std::to_string(diff.Inexpressibles.size()) +
                         (diff.Inexpressibles.size() == 1 ? " difference" : " differences") +
                         " that no command can make, so it does not make the folder equal to NEW "
                         "(--allow-partial accepts that)");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace setup::setupc
