#pragma once
// The page-flow rules of the wizard that need no window: which of the Back, Next, Cancel
// and language buttons a page shows and enables and what they read, when the folder
// page and the confirmation page let the user go on, when the wizard may close, which
// language the user picked on the language-selection pages, and how the folder tree
// follows a typed folder. The window layer applies what these functions decide.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "script/free_space.h"
#include "script/path_variables.h"
#include "script/setup_info.h"
#include "text/languages.h"
#include "ui/model/page_layout.h"

namespace setup {

// Language texts of the wizard's own controls.
inline constexpr uint16_t kTextBack = 12;
inline constexpr uint16_t kTextNext = 13;
inline constexpr uint16_t kTextCancel = 14;
inline constexpr uint16_t kTextPatch = 15;   // Next on a confirmation page
inline constexpr uint16_t kTextFinish = 16;  // Cancel on a finish page
inline constexpr uint16_t kTextUninstallTitle = 26;
inline constexpr uint16_t kTextCloseQuestion = 27;
inline constexpr uint16_t kTextCloseCaption = 28;
// The free-space label's caption, expanded again when the confirmation page shows.
inline constexpr const char16_t* kFreeSpaceCaption = u"<LANG7>";

struct TButtonState {
  bool Visible = true;
  bool Enabled = true;
  uint16_t CaptionId = 0;  // language text; 0 for the language button (its caption is a name)
};

struct TWizardButtons {
  TButtonState Back{true, true, kTextBack};
  TButtonState Next{true, true, kTextNext};
  TButtonState Cancel{true, true, kTextCancel};
  TButtonState Language{true, true, 0};
};

// The captions a language switch sets before the page rule runs again: Back 12, Next
// 13, Cancel 14.
void ResetButtonCaptions(TWizardButtons& buttons);

// ShowPage's rule for the page at index, of the given type: Back shown (hidden on page
// 0), Next and Cancel enabled, Next reads 13; then a confirmation page's Next reads 15;
// a run or removal page hides Back and the language button and disables Next and
// Cancel; a finish page's Cancel reads 16 and Back and Next are hidden. Nothing here
// shows Next or the language button again once hidden.
void ApplyPageButtons(TWizardButtons& buttons, int32_t index, TPageType type);

// ---- folder and space ----

// The root the drive type is asked for: the first three characters of a folder text.
std::string DriveRootOf(std::string_view folderText);
// Removable, fixed and remote drives take an installation; a drive the system cannot
// determine, a missing root, a CD-ROM or a RAM disk do not.
bool DriveTakesInstall(platform::DriveType type);
// The drive rule for a folder text: a text shorter than a root ("C:\") names no drive;
// otherwise the system's drive type of its first three characters decides.
bool FolderDriveUsable(std::string_view folderText);

// The drive rule, and a text that can name a folder at all (FolderTextRefusal).
bool FolderTextUsable(std::string_view folderText);

// Why the folder page keeps Next disabled for folderText, as a sentence for the user:
// a character no folder name may hold, a text that names no drive, or a drive that takes
// no installation. Nothing when the text is usable, or while it is shorter than a drive
// root (still being typed).
std::optional<std::string> FolderTextProblem(std::string_view folderText);

// The folder field changed on a folder page: returns whether Next is enabled. When the
// folder text is usable and the page has been visited, InstallDir becomes the text with a
// backslash appended and the free space is measured again.
bool ApplyFolderText(std::string_view folderText, bool dirPageVisited, TSetupInfoFile& info, TPathVariables& vars);

// Whether Next may stay enabled on the page now shown, by the checks its arrival ran:
// the drive of the folder field on a folder page (when there is a field), the space on
// a confirmation page; true for other pages. A language switch shows the page again,
// which enables Next, and then asks this so that it never enables Next where the
// checks would not.
bool PageChecksAllowNext(TPageType type, const std::optional<std::string>& folderText, const TPathVariables& vars);

// ---- closing ----

// Whether the wizard may close: never while working (without a word); on a finish page
// at once; on any other page (or without pages) only when the user answers Yes to
// text 27, caption 28 (a plain Yes/No box without owner or icon).
bool QueryClose(bool working, std::optional<TPageType> currentType, const TLanguages& languages);

// ---- language selection ----

struct TRadioChoice {
  std::u16string Caption;
  bool Checked = false;
};
struct TPageRadios {
  TPageType Type = TPageType::welcome;
  std::vector<TRadioChoice> Radios;  // in the page's control order
};

// "$LANGUAGESELECTION" from the language-selection pages: the caption of the first
// checked radio button of each such page, a later page overriding an earlier one;
// nullopt when no such page has a checked radio button (the value stays as it was).
std::optional<std::u16string> ChosenLanguageSelection(const std::vector<TPageRadios>& pages);

// ---- folder tree synchronisation ----

// The folder the tree can show for a path: one trailing backslash removed, then cut at
// its last backslash (a path without one becomes empty) while it is not an existing
// folder, stopping at an existing folder, an empty text or one shorter than three
// characters. Returns the existing folder with a backslash appended, or nullopt when
// the trimmed path is no existing folder.
using FolderExistsFunction = std::function<bool(const std::string&)>;
std::optional<std::string> TreeFolderFor(std::string_view path, const FolderExistsFunction& folderExists);

// The prefixes the tree expands one after the other, for a folder that ends in a
// backslash: "C:\", "C:\a\", "C:\a\b\".
std::vector<std::string> TreeFolderPrefixes(std::string_view folder);

// Tree items and folders are the same when their paths agree in lower case, each with
// a trailing backslash.
bool SameTreeFolder(std::string_view itemPath, std::string_view folder);

}  // namespace setup
