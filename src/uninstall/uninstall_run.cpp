// The removal of an uninstaller: the log's files, folders and registry values, the
// product's registration and the log file.
#include "uninstall/uninstall_run.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>

#include "base/text_replace.h"
#include "installlog/install_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "script/path_variables.h"
#include "script/registry_roots.h"
#include "script/setup_context.h"
#include "uninstall/uninstaller_builder.h"

namespace setup {

namespace {

constexpr size_t kMaxRegistryFields = 4;
constexpr size_t kRootField = 0;
constexpr size_t kKeyField = 1;
constexpr size_t kValueField = 2;

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

// Decimal text of a number, as UTF-16 (the digits are ASCII).
std::u16string DecimalText(int64_t value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

// "X:\..." with X an ASCII letter: a path that names the same place whatever folder is
// current. The installer records nothing else; ExpandVariables collapses the two
// backslashes of a network path, so no other absolute form survives expansion.
bool IsAbsoluteDrivePath(std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char drive = path[0];
  return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
}

// Shows one step of a phase. The display is a courtesy: a failure while showing it is
// no reason to stop removing.
void ShowStep(IRemovalView& view, const std::u16string& status, int64_t position) {
  try {
    view.SetStatus(status);
    view.SetGaugePosition(static_cast<int32_t>(position));
    view.Repaint();
  } catch (...) {
  }
}

void RemoveFiles(SetupContext& context, IRemovalView& view, int64_t& position) {
  const std::vector<std::string>& files = context.UninstallList.Files();
  const auto count = static_cast<int64_t>(files.size());
  for (int64_t k = 1; k <= count; ++k) {
    ++position;
    if (ProgressDue(k, count, 0))
      ShowStep(view, UninstallStatusText(context.Languages, u"", k, count), position);
    const std::string path =
        ExpandVariables(files[static_cast<size_t>(k - 1)], context.SetupInfo, context.Variables);
    if (IsAbsoluteDrivePath(path) && platform::FileExists(path)) platform::RemoveFile(path);
  }
}

// From the last recorded folder to the first, so that inner folders go before the
// folders that hold them. Only empty folders can be removed; the others stay.
void RemoveFolders(SetupContext& context, IRemovalView& view, int64_t& position) {
  const std::vector<std::string>& folders = context.UninstallList.Folders();
  const auto count = static_cast<int64_t>(folders.size());
  const std::u16string name = context.Languages.GetString(kTextDirectories);
  for (int64_t m = 1; m <= count; ++m) {
    ++position;
    if (ProgressDue(m, count, 0))
      ShowStep(view, UninstallStatusText(context.Languages, name, m, count), position);
    const std::string& folder = folders[static_cast<size_t>(count - m)];
    if (IsAbsoluteDrivePath(folder) && platform::DirectoryExists(folder)) platform::RemoveFolder(folder);
  }
}

void RemoveRegistryEntries(SetupContext& context, IRemovalView& view, int64_t& position) {
  const std::vector<std::string>& entries = context.UninstallList.RegistryEntries();
  const auto count = static_cast<int64_t>(entries.size());
  const std::u16string name = context.Languages.GetString(kTextRegistryEntries);
  for (int64_t m = 1; m <= count; ++m) {
    ++position;
    if (ProgressDue(m, count, 0))
      ShowStep(view, UninstallStatusText(context.Languages, name, m, count), position);
    RemoveRegistryEntry(entries[static_cast<size_t>(m - 1)]);
  }
}

// The product's key under the system's Uninstall key, with every value the uninstaller
// builder writes; nothing when the short name names no key of its own.
void RemoveRegistration(const TSetupInfoFile& info, const TProductFacts& facts) {
  const std::optional<std::string> productKey = ProductUninstallKey(info.ShortName);
  if (!productKey) return;
  const std::string& path = *productKey;
  const uint32_t root = RegistrationRoot(facts);
  platform::RegistryKey key;
  if (!key.Open(root, path, platform::RegistryAccess::Full)) return;
  for (const char* value : kUninstallValueNames) key.DeleteValue(value);
  key.Close();
  platform::DeleteRegistryKey(root, path);
}

}  // namespace

bool ProgressDue(int64_t k, int64_t n, int64_t last) {
  // Compared as floating-point numbers: no conversion that could overflow, and a zero n
  // gives an infinite (or not-a-number) quotient rather than a fault.
  const double percent = std::trunc(static_cast<double>(k) * 100.0 / static_cast<double>(n));
  return percent > static_cast<double>(last);
}

std::u16string UninstallStatusText(const TLanguages& languages, std::u16string_view name, int64_t number,
                                   int64_t total) {
  std::u16string text = languages.GetString(kTextUninstallProgress);
  text = ReplaceAll(text, u"<%KZPNAME%>", name);
  text = ReplaceAll(text, u"<%FNUM%>", DecimalText(number));
  return ReplaceAll(text, u"<%FTOTAL%>", DecimalText(total));
}

std::vector<std::string> SplitRegistryEntry(std::string_view entry) {
  std::vector<std::string> fields;
  size_t pos = 0;
  while (fields.size() < kMaxRegistryFields) {
    while (pos < entry.size() && IsSeparator(entry[pos])) ++pos;
    if (pos >= entry.size()) break;
    std::string field;
    bool quoted = false;
    for (; pos < entry.size(); ++pos) {
      const char c = entry[pos];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && IsSeparator(c)) {
        break;
      } else {
        field += c;
      }
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

bool RemoveRegistryEntry(const std::string& entry) {
  const std::vector<std::string> fields = SplitRegistryEntry(entry);
  // The installer records four fields; without a value name the entry is damaged, and
  // guessing the default value would delete what nothing recorded.
  if (fields.size() <= kValueField) return false;
  const uint32_t root = RootKeyFromIndex(RootIndexFromName(fields[kRootField]));
  platform::RegistryKey key;
  if (!key.Open(root, fields[kKeyField], platform::RegistryAccess::Full)) return false;
  return key.DeleteValue(fields[kValueField]);
}

void RunRemoval(SetupContext& context, IRemovalView& view) {
  const TUninstallList& log = context.UninstallList;
  const auto total =
      static_cast<int64_t>(log.Files().size() + log.Folders().size() + log.RegistryEntries().size());
  try {
    view.SetStatus(u"Status: 0 of " + DecimalText(total) + u" items remaining");
    view.SetGaugePosition(0);
    view.SetGaugeMax(static_cast<int32_t>(total));
    view.Repaint();
  } catch (...) {
  }

  int64_t position = 0;
  RemoveFiles(context, view, position);
  RemoveFolders(context, view, position);
  RemoveRegistryEntries(context, view, position);
  RemoveRegistration(context.SetupInfo, context.Facts);
  platform::RemoveFile(InstallLogPath(context.SetupInfo.InstallDir, context.SetupInfo.UninstallPrefix));
}

}  // namespace setup
