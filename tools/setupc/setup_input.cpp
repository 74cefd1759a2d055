#include "setupc/setup_input.h"

#include <ostream>

#include "base/errors.h"
#include "script/group_kinds.h"
#include "setupc/commands.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"

namespace setup::setupc {

namespace {

constexpr const char* kSetupInfoName = "SetupInfo";
constexpr const char* kCompiledLinesName = "CompiledLines";
constexpr std::string_view kLanguagePrefix = "LANGUAGE-";

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool ReadSetupEntry(TPak& pak, size_t index, Bytes& content, std::ostream& err) {
  const TPakEntry& entry = pak.Entries()[index];
  content.clear();
  if (entry.IsEmpty()) return true;
  if (entry.IsLarge()) {
    ReportError(err, EntryLabel(index, entry) + ": " + std::to_string(entry.Size) +
                         " bytes is too large for a setup file (70 MiB and more)");
    return false;
  }
  std::optional<Bytes> extracted;
  try {
    extracted = pak.ExtractEntry(index);
  } catch (const SetupError& e) {
    ReportError(err, EntryLabel(index, entry) + ": " + e.what());
    return false;
  }
  if (!extracted) {
    ReportError(err, EntryLabel(index, entry) + " cannot be read (damaged data: see setupc verify)");
    return false;
  }
  content = std::move(*extracted);
  return true;
}

int LoadSetup(SetupContext& context, const std::string& path, std::ostream& err) {
  TPak& pak = context.Package;
  if (!OpenPackage(pak, path, err)) return kExitUsage;

  const std::optional<size_t> infoIndex = pak.IndexOf(kSetupInfoName, 0);
  if (!infoIndex) {
    ReportError(err, path +
                         ": not a setup: no \"SetupInfo\" entry in group 0 (the setup stops with "
                         "\"Error: Setup Information Missing. Setup is corrupt\")");
    return kExitFailed;
  }
  Bytes content;
  if (!ReadSetupEntry(pak, *infoIndex, content, err)) return kExitFailed;
  if (!context.SetupInfo.LoadFromBuffer(content)) {
    ReportError(err, path + ": damaged SetupInfo: the record ends early (" + std::to_string(content.size()) +
                         " bytes)");
    return kExitFailed;
  }

  const bool uninstaller = context.SetupInfo.IsUninstaller == 1;
  context.Facts = LoadProductFacts(pak);
  if (const std::optional<size_t> linesIndex = pak.IndexOf(kCompiledLinesName, 0)) {
    if (!ReadSetupEntry(pak, *linesIndex, content, err)) return kExitFailed;
    if (!context.CompiledLines.LoadFromBuffer(content)) {
      ReportError(err, path + ": damaged CompiledLines: the records end early (" +
                           std::to_string(content.size()) + " bytes)");
      return kExitFailed;
    }
  } else if (!uninstaller) {
    ReportError(err, path +
                         ": no \"CompiledLines\" entry in group 0, which an installer needs (the setup "
                         "stops with \"Error: Compiled Lines Missing. Setup is corrupt\")");
    return kExitFailed;
  }

  RegisterCommands(context.Commands);
  if (uninstaller) {
    context.GroupKinds = {0};
    context.Variables.SetRequiredSpace(0);
  } else {
    context.GroupKinds = BuildGroupKinds(context.CompiledLines, context.Commands);
    context.Variables.SetRequiredSpace(RequiredSpace(pak, context.GroupKinds));
  }
  return kExitOk;
}

bool IsLanguageEntry(const std::string& name) {
  if (name.size() < kLanguagePrefix.size()) return false;
  for (size_t i = 0; i < kLanguagePrefix.size(); ++i) {
    if (UpperAscii(name[i]) != kLanguagePrefix[i]) return false;
  }
  return true;
}

bool AddLanguage(SetupContext& context, size_t index, std::ostream& err) {
  Bytes content;
  if (!ReadSetupEntry(context.Package, index, content, err)) return false;
  try {
    // An empty entry gives no buffer, as at start-up: "Cannot open file".
    context.Languages.Add(content.empty() ? nullptr : content.data(), content.size());
  } catch (const SetupError& e) {
    ReportError(
        err, EntryLabel(index, context.Package.Entries()[index]) + " is no valid language file: " + e.what());
    return false;
  }
  return true;
}

}  // namespace setup::setupc
