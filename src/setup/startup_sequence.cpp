#include "setup/startup_sequence.h"

#include <cstdint>
#include <optional>

#include "installlog/install_log.h"
#include "installlog/install_log_digest.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "script/folder_text.h"
#include "script/free_space.h"
#include "script/group_kinds.h"
#include "script/path_variables.h"
#include "script/register_macros.h"
#include "setup/file_name_check.h"
#include "uninstall/uninstaller_builder.h"

namespace setup {

namespace {

constexpr const char* kSetupInfoEntry = "SetupInfo";
constexpr const char* kCompiledLinesEntry = "CompiledLines";
constexpr std::string_view kLanguagePrefix = "LANGUAGE-";

StartupOutcome Fail(const char* text, const char* caption, StartupOutcome outcome) {
  platform::ShowMessage(std::string(text), std::string(caption));
  return outcome;
}

// Unattended, too little space ends the start; the wizard disables Install instead.
bool SpaceRefused(SetupContext& context) {
  const TPathVariables& vars = context.Variables;
  if (SpaceSuffices(vars)) return false;
  context.Log.Write({"too little free space: ", vars.RequiredSpaceText, " required, ", vars.FreeSpaceText,
                     " available"});
  context.Log.MarkFailed();
  return true;
}

// Reads a record of group 0 with its parser; false when the entry is missing, empty,
// unreadable, or the record ends early.
template <typename Record>
bool LoadRecord(TPak& package, const char* name, Record& record) {
  uint32_t size = 0;
  const std::optional<Bytes> buffer = package.ExtractByName(name, 0, size);
  return buffer && record.LoadFromBuffer(*buffer);
}

bool IsLanguageEntry(const std::string& name) {
  if (name.size() < kLanguagePrefix.size()) return false;
  for (size_t i = 0; i < kLanguagePrefix.size(); ++i) {
    const char c = name[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != kLanguagePrefix[i]) return false;
  }
  return true;
}

// Step 21: one language per language entry of group 0, in table order. Only those
// entries are read: the others are not needed, and a large one would be read whole.
void LoadLanguages(SetupContext& context) {
  TPak& package = context.Package;
  size_t index = 0;
  for (bool found = package.FindFirstIndex(0, index); found; found = package.FindNextIndex(0, index)) {
    const TPakEntry& entry = package.Entries()[index];
    if (!IsLanguageEntry(entry.Name)) continue;
    // An empty or unreadable entry gives no buffer, which the language refuses.
    const std::optional<Bytes> buffer = package.ExtractEntry(index);
    context.Languages.Add(buffer ? buffer->data() : nullptr, entry.Size);
  }
}

// What the run starts from, for the log.
void LogStartupFacts(SetupContext& context, RunMode mode) {
  const TSetupInfoFile& info = context.SetupInfo;
  TRunLog& log = context.Log;
  log.Write({"setup: ", info.SetupName, mode == RunMode::Install ? " (installer)" : " (uninstaller)"});
  log.Write({"folder: ", ExpandVariables(info.InstallDir, info, context.Variables)});
  if (const TLanguage* language = context.Languages.CurrentLanguage()) log.Write({u"language: ", language->Name()});
  if (mode == RunMode::Install) {
    log.Write({"space required: ", context.Variables.RequiredSpaceText, ", available: ",
               context.Variables.FreeSpaceText});
  }
}

}  // namespace

RunMode ModeOf(const TSetupInfoFile& info) {
  return info.IsUninstaller == 1 ? RunMode::Uninstall : RunMode::Install;
}

ExitCode ExitCodeOf(StartupOutcome outcome) {
  switch (outcome) {
    case StartupOutcome::Damaged: return ExitCode::DamagedSetup;
    case StartupOutcome::Refused: return ExitCode::StartupRefused;
    case StartupOutcome::Wizard: break;
  }
  return ExitCode::Success;
}

StartupOutcome ContinueStartup(SetupContext& context, const std::string& moduleFileName,
                               const StartupOptions& options) {
  TSetupInfoFile& info = context.SetupInfo;
  TPathVariables& vars = context.Variables;
  RegisterMacros(context.Macros, info, vars);
  // The end of the install run hands over to the uninstaller builder.
  context.BuildUninstaller = BuildUninstaller;

  // 13: the CD-ROM drive. 14: the verification left the space of the grouped entries
  // in RequiredSpace, with its text.
  vars.CdDrive = FindCdDrive();

  // 15: the setup information decides everything that follows.
  if (!LoadRecord(context.Package, kSetupInfoEntry, info)) {
    return Fail(kSetupInfoMissingMessage, "Verification Error", StartupOutcome::Damaged);
  }
  const RunMode mode = ModeOf(info);
  int64_t requiredSpace = 0;
  // The author's product facts (a setup without them installs for the machine).
  context.Facts = LoadProductFacts(context.Package);

  if (mode == RunMode::Uninstall) {
    // 16: the log of the installation this uninstaller belongs to.
    if (!platform::FileExists(InstallLogPath(info.InstallDir, info.UninstallPrefix))) {
      return Fail(kInstallLogMissingMessage, "Setup Error", StartupOutcome::Refused);
    }
    std::string logDigest;
    context.UninstallList.Load(info.InstallDir, info.UninstallPrefix, &logDigest);
    // Only the log the installation saved may direct the removal.
    if (CheckInstallLogDigest(info.ShortName, logDigest, RegistrationRoot(context.Facts)) == LogDigestCheck::Differs) {
      context.UninstallList.Clear();
      const std::string logPath = AddBackslash(info.InstallDir) + info.UninstallPrefix + "install.log";
      // The digest read, for support staff to compare with the registration's.
      context.Log.Write({"install log ", logPath, ": SHA-256 ", logDigest.empty() ? "unavailable" : logDigest,
                         ", not the registration's InstallLogDigest"});
      platform::ShowMessage(InstallLogChangedMessage(logPath), std::string("Setup Error"));
      return StartupOutcome::Refused;
    }
  } else {
    // 17: the script, its commands, and the space its groups take on disk.
    if (!LoadRecord(context.Package, kCompiledLinesEntry, context.CompiledLines)) {
      return Fail(kCompiledLinesMissingMessage, "Verification Error", StartupOutcome::Damaged);
    }
    RegisterCommands(context.Commands);
    context.GroupKinds = BuildGroupKinds(context.CompiledLines, context.Commands);
    requiredSpace = RequiredSpace(context.Package, context.GroupKinds);
  }

  // 18, 19: the space figure; the shell's folders and the environment.
  vars.SetRequiredSpace(requiredSpace);
  LoadShellFolders(vars, context.Facts.PerUser);
  LoadEnvironmentTable(vars);

  // 20: an installer must still carry the name it was built with.
  if (mode == RunMode::Install && !context.ExternalPackage) {
    if (const std::optional<std::string> message = FileNameMismatch(info.SetupExeName, moduleFileName)) {
      platform::ShowMessage(*message, std::string("Error"));
      return StartupOutcome::Refused;
    }
  }

  // 21, 22: the languages, and the one that serves the system's language.
  LoadLanguages(context);
  context.Languages.SelectDefault(context.SystemLangID);

  // 23: the folder of an existing installation, and its drive's free space.
  if (mode == RunMode::Install) {
    if (options.Folder) {
      // /D= names the folder: neither the setup's nor an earlier installation's. One
      // that cannot name a folder ends the start before anything is written.
      info.InstallDir = AddBackslash(*options.Folder);
      if (const std::optional<std::string> refusal = FolderTextRefusal(*options.Folder)) {
        const std::string message = "The folder \"" + *options.Folder + "\" cannot be used: " + *refusal + ".";
        if (options.Unattended) {
          context.Log.Write({"folder refused: ", message});
        } else {
          platform::ShowMessage(message, std::string("Error"));
        }
        return StartupOutcome::Refused;
      }
    } else if (std::string found = info.FindInstallDirInRegistry(); !found.empty()) {
      info.InstallDir = std::move(found);
    }
    if (info.InstallDir.empty()) return Fail(kRegistryKeyNotFoundMessage, "Error", StartupOutcome::Refused);
    // A folder under a path variable ("$PROGRAMFILES\...") is measured where it leads.
    MeasureFreeSpace(ExpandVariables(info.InstallDir, info, vars), vars);
  }
  LogStartupFacts(context, mode);
  if (mode == RunMode::Install && options.Unattended && SpaceRefused(context)) return StartupOutcome::Refused;
  return StartupOutcome::Wizard;
}

ExitCode FinishStartup(SetupContext& context, const std::string& moduleFileName, IMainForm& form,
                       const StartupOptions& options) {
  const StartupOutcome outcome = ContinueStartup(context, moduleFileName, options);
  if (outcome != StartupOutcome::Wizard) return ExitCodeOf(outcome);
  form.SetPagesUp();
  return form.Run();
}

}  // namespace setup
