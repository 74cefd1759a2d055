#include "setupc/diff/patch_script.h"

#include <cstdio>

#include "package/pak_system.h"
#include "setupc/diff/patch_names.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

// The text of a parameter; the writer has checked that ScriptParameter takes it.
std::string Q(const std::string& ansi) { return ScriptParameter(ansi).value_or("\"\""); }

std::string InInstallFolder(const std::string& path) { return Q("$INSTDIR\\" + path); }

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

class Lines {
 public:
  Lines& operator<<(const std::string& line) {
    text_ += line;
    text_ += '\n';
    return *this;
  }
  std::string text() const { return text_; }

 private:
  std::string text_;
};

void Guards(const PatchScript& s, Lines& out) {
  if (s.guards.empty()) return;
  out << ""
      << "; --- Version guard ------------------------------------------------------------"
      << "; Nothing is changed unless the folder holds the build this patch was made for."
      << "; Each check jumps over its \"goto wrongbuild\" only when the file is as expected;"
      << "; a setup that does not know \"iffilecrc\" passes over those lines and stops at the"
      << "; first \"goto wrongbuild\", so it never patches a folder it cannot check.";
  size_t n = 0;
  for (const PatchGuard& g : s.guards) {
    const std::string label = "guard" + std::to_string(++n);
    const std::string path = InInstallFolder(g.path);
    switch (g.kind) {
      case PatchGuard::Kind::Changed:
        out << "; " + AnsiToUtf8(g.path) + ": changed; the old build's file, or the new one's (patched already)"
            << "iffilecrc " + path + " " + CrcDigits(g.oldCrc) + " " + label + "_ok " + label + "_new"
            << "goto wrongbuild"
            << label + "_new:"
            << "iffilecrc " + path + " " + CrcDigits(g.newCrc) + " " + label + "_ok"
            << "goto wrongbuild";
        break;
      case PatchGuard::Kind::Removed:
        out << "; " + AnsiToUtf8(g.path) + ": removed; the old build's file, or none (removed already)"
            << "iffilecrc " + path + " " + CrcDigits(g.oldCrc) + " " + label + "_ok " + label + "_gone"
            << "goto wrongbuild"
            << label + "_gone:"
            << "iffileexists " + path + " -1 " + label + "_ok"
            << "goto wrongbuild";
        break;
      case PatchGuard::Kind::Archive:
        out << "; " + AnsiToUtf8(g.path) + ": an archive the patch changes; the old build's file"
            << "iffilecrc " + path + " " + CrcDigits(g.oldCrc) + " " + label + "_ok"
            << "goto wrongbuild";
        break;
    }
    out << label + "_ok:";
  }
  out << "goto guard_passed"
      << "wrongbuild:"
      << "messagebox " +
             Q("The folder $INSTDIR does not hold the build this patch was made for: a file the patch would "
               "change is not as that build has it. Nothing has been changed.") +
             " " + Q(s.name)
      << "failure"
      << "guard_passed:";
}

void Changes(const PatchScript& s, Lines& out) {
  out << "" << "; --- The changes ----------------------------------------------------------------";
  if (s.logPrefix) {
    out << "; The product's install log, so that its uninstaller also removes what the patch adds."
        << "uninstalllogload \"$INSTDIR\" " + Q(*s.logPrefix);
  }
  for (const PatchKzpGroup& p : s.packages) {
    out << "; KZP package " + AnsiToUtf8(p.package);
    if (!p.source.empty()) {
      out << "; " + Count(p.entries, "entry", "entries") + " added or replaced, from " + AnsiToUtf8(p.source)
          << "kzpupdate " + Q(p.source) + " " + Q(p.password) + " " + Q(p.package);
    }
    for (const KzpSharedName& d : p.duplicates) {
      out << "duplicateentry " + Q(p.package) + " " + Q(d.Source) + " " + Q(d.Target);
    }
    if (p.official) {
      out << "kzpofficial " + Q(p.package) + " " + std::string(kOfficialMarker) + " " + (*p.official ? "1" : "0");
    }
  }
  for (const PatchVfsGroup& a : s.archives) {
    out << "; VFS archive " + AnsiToUtf8(a.archive) + ": " + Count(a.files, "file", "files") +
               " added or replaced, from " + AnsiToUtf8(a.source) + "; closed afterwards"
        << "vfsupdate " + Q(a.source) + " " + Q(a.archive) + " 1";
  }
  if (!s.deletes.empty()) {
    out << "; Files the new build no longer has";
    for (const std::string& path : s.deletes) out << "delete " + InInstallFolder(path);
  }
  if (!s.removeFolders.empty()) {
    out << "; Folders the new build no longer has, deepest first";
    for (const std::string& path : s.removeFolders) out << "rmdir " + InInstallFolder(path);
  }
  if (!s.filesSource.empty()) {
    out << "; " + Count(s.files, "file", "files") + " added or replaced: everything below " +
               AnsiToUtf8(s.filesSource) + ", into the installation folder"
        << "file " + Q(s.filesSource);
  }
  if (!s.createFolders.empty()) {
    out << "; Empty folders the new build adds";
    for (const std::string& path : s.createFolders) out << "createdirectory " + InInstallFolder(path);
  }
  if (s.logPrefix) out << "uninstalllogsave \"$INSTDIR\" " + Q(*s.logPrefix);
}

}  // namespace

std::string CrcDigits(uint32_t crc) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(crc));
  return digits;
}

std::string PatchScriptText(const PatchScript& s) {
  Lines out;
  out << "; " + AnsiToUtf8(s.name) + ": a patch, made by \"setupc diff\". Run in a folder that holds the"
      << "; build it was made from, it changes that folder into the new build. Compile it with"
      << ";"
      << ";   setupc compile setup.txt --stub PATH/TO/stub.exe"
      << ";"
      << "; Beside this script: languages/ and pages/default/ (the setup's texts and pages),"
      << "; files/ (loose files, as they lie below the installation folder), kzp/N/ (the"
      << "; entries of one KZP package, sounds as WAVE files) and vfs/N/ (the files of one VFS"
      << "; archive), as far as the patch needs them.";
  if (s.leftOut > 0) {
    out << "; " + Count(s.leftOut, "difference", "differences") +
               " between the builds could not be expressed and are left out (setupc diff named them).";
  }
  out << "" << "name " + Q(s.name) << "outfile setup.exe" << "installdir " + Q(s.installDir);
  if (s.regKey.size() == 3) out << "installdirregkey " + Q(s.regKey[0]) + " " + Q(s.regKey[1]) + " " + Q(s.regKey[2]);
  out << "pages default" << "language " + s.language;
  Guards(s, out);
  Changes(s, out);
  return out.text();
}

}  // namespace setup::setupc
