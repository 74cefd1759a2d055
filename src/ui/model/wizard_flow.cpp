#include "ui/model/wizard_flow.h"

#include <cctype>

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "script/folder_text.h"

namespace setup {

namespace {

constexpr size_t kRootLength = 3;  // "C:\"

}  // namespace

void ResetButtonCaptions(TWizardButtons& buttons) {
  buttons.Back.CaptionId = kTextBack;
  buttons.Next.CaptionId = kTextNext;
  buttons.Cancel.CaptionId = kTextCancel;
}

void ApplyPageButtons(TWizardButtons& buttons, int32_t index, TPageType type) {
  buttons.Back.Visible = index != 0;
  buttons.Next.Enabled = true;
  buttons.Cancel.Enabled = true;
  buttons.Next.CaptionId = kTextNext;
  switch (type) {
    case TPageType::patch:
      buttons.Next.CaptionId = kTextPatch;
      break;
    case TPageType::patching:
    case TPageType::uninstall:
      buttons.Back.Visible = false;
      buttons.Next.Enabled = false;
      buttons.Cancel.Enabled = false;
      buttons.Language.Visible = false;
      break;
    case TPageType::finish:
      buttons.Cancel.CaptionId = kTextFinish;
      buttons.Back.Visible = false;
      buttons.Next.Visible = false;
      break;
    default:
      break;
  }
}

std::string DriveRootOf(std::string_view folderText) {
  return std::string(folderText.substr(0, kRootLength));
}

bool DriveTakesInstall(platform::DriveType type) {
  switch (type) {
    case platform::DriveType::Removable:
    case platform::DriveType::Fixed:
    case platform::DriveType::Remote:
      return true;
    default:
      return false;
  }
}

bool FolderDriveUsable(std::string_view folderText) {
  // An empty or two-character text would be asked about the current folder's drive and
  // pass; it names no folder to install into.
  if (folderText.size() < kRootLength) return false;
  return DriveTakesInstall(platform::DriveTypeOf(DriveRootOf(folderText)));
}

bool FolderTextUsable(std::string_view folderText) {
  return !FolderTextRefusal(folderText) && FolderDriveUsable(folderText);
}

std::optional<std::string> FolderTextProblem(std::string_view folderText) {
  if (std::optional<std::string> refusal = FolderTextRefusal(folderText)) {
    (*refusal)[0] = static_cast<char>(std::toupper(static_cast<unsigned char>((*refusal)[0])));
    return *refusal + ".";
  }
  if (folderText.size() < kRootLength || FolderDriveUsable(folderText)) return std::nullopt;
  const std::string root = DriveRootOf(folderText);
  switch (platform::DriveTypeOf(root)) {
    case platform::DriveType::CdRom:
      return "Drive " + root + " is a CD or DVD drive, which cannot take an installation.";
    case platform::DriveType::RamDisk:
      return "Drive " + root + " is a RAM disk, which loses what it holds when Windows restarts.";
    default:
      break;
  }
  if (!std::isalpha(static_cast<unsigned char>(root[0])) || root[1] != ':') {
    return std::string("The folder must begin with a drive, such as C:\\.");
  }
  return "There is no drive " + root + ".";
}

bool ApplyFolderText(std::string_view folderText, bool dirPageVisited, TSetupInfoFile& info, TPathVariables& vars) {
  if (!FolderTextUsable(folderText)) return false;
  if (dirPageVisited) {
    info.InstallDir = AddBackslash(folderText);
    MeasureFreeSpace(info.InstallDir, vars);
  }
  return true;
}

bool PageChecksAllowNext(TPageType type, const std::optional<std::string>& folderText, const TPathVariables& vars) {
  switch (type) {
    case TPageType::installdir:
      return !folderText || FolderTextUsable(*folderText);
    case TPageType::patch:
      return SpaceSuffices(vars);
    default:
      return true;
  }
}

bool QueryClose(bool working, std::optional<TPageType> currentType, const TLanguages& languages) {
  if (working) return false;
  if (currentType == TPageType::finish) return true;
  const int answer = platform::ShowMessage(languages.GetString(kTextCloseQuestion),
                                           languages.GetString(kTextCloseCaption), platform::MessageButtons::YesNo,
                                           platform::MessageIcon::None);
  return answer != platform::kAnswerNo;
}

std::optional<std::u16string> ChosenLanguageSelection(const std::vector<TPageRadios>& pages) {
  std::optional<std::u16string> chosen;
  for (const TPageRadios& page : pages) {
    if (page.Type != TPageType::languageselection) continue;
    for (const TRadioChoice& radio : page.Radios) {
      if (radio.Checked) {
        chosen = radio.Caption;
        break;
      }
    }
  }
  return chosen;
}

std::optional<std::string> TreeFolderFor(std::string_view path, const FolderExistsFunction& folderExists) {
  std::string folder(path);
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  while (!folder.empty() && folder.size() >= kRootLength && !folderExists(folder)) {
    const size_t slash = folder.rfind('\\');
    folder.resize(slash == std::string::npos ? 0 : slash);
  }
  if (folder.empty() || !folderExists(folder)) return std::nullopt;
  return folder + "\\";
}

std::vector<std::string> TreeFolderPrefixes(std::string_view folder) {
  std::vector<std::string> prefixes;
  size_t start = 0;
  while (start < folder.size()) {
    size_t slash = folder.find('\\', start);
    if (slash == std::string_view::npos) slash = folder.size();
    // An empty component (a doubled backslash) adds no level of the tree.
    if (slash > start) prefixes.push_back(AddBackslash(folder.substr(0, slash)));
    start = slash + 1;
  }
  return prefixes;
}

bool SameTreeFolder(std::string_view itemPath, std::string_view folder) {
  return platform::AnsiLowerCase(AddBackslash(itemPath)) == platform::AnsiLowerCase(AddBackslash(folder));
}

}  // namespace setup
