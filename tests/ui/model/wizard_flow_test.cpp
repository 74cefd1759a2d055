#include "ui/model/wizard_flow.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/posix/shell_controls.h"
#include "test_support.h"

namespace setup {
namespace {

using platform::DriveType;

// Restores the default drives and free space after each test.
class WizardFlowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::posix::ResetLogicalDrives();
    platform::posix::ResetFreeDiskSpace();
  }
};

// Each button with its caption id, marked only where it is hidden or disabled.
std::string Describe(const TWizardButtons& b) {
  auto one = [](const char* name, const TButtonState& s) {
    return std::string(name) + (s.Visible ? "" : " hidden") + (s.Enabled ? " " : " disabled ") +
           std::to_string(s.CaptionId);
  };
  return one("Back", b.Back) + "; " + one("Next", b.Next) + "; " + one("Cancel", b.Cancel) + "; " +
         one("Lang", b.Language);
}

TEST_F(WizardFlowTest, ShowPageButtonsFollowThePageTypesAndNeverShowNextOrLanguageAgain) {
  // An installer's walk, then steps that a later ShowPage must not undo.
  struct Step { int32_t index; TPageType type; const char* expected; };
  const Step steps[] = {
      {0, TPageType::welcome, "Back hidden 12; Next 13; Cancel 14; Lang 0"},
      {1, TPageType::installdir, "Back 12; Next 13; Cancel 14; Lang 0"},
      {2, TPageType::patch, "Back 12; Next 15; Cancel 14; Lang 0"},
      {1, TPageType::installdir, "Back 12; Next 13; Cancel 14; Lang 0"},
      {3, TPageType::patching, "Back hidden 12; Next disabled 13; Cancel disabled 14; Lang hidden 0"},
      {4, TPageType::finish, "Back hidden 12; Next hidden 13; Cancel 16; Lang hidden 0"},
      // Nothing brings Next or the language button back; Back comes back off page 0.
      {1, TPageType::welcome, "Back 12; Next hidden 13; Cancel 16; Lang hidden 0"},
      {0, TPageType::uninstall, "Back hidden 12; Next hidden disabled 13; Cancel disabled 16; Lang hidden 0"},
  };
  TWizardButtons buttons;
  for (const Step& step : steps) {
    ApplyPageButtons(buttons, step.index, step.type);
    EXPECT_EQ(Describe(buttons), step.expected) << "page " << step.index;
  }
  ResetButtonCaptions(buttons);
  EXPECT_EQ(buttons.Cancel.CaptionId, kTextCancel);
}

// Catches a folder text that cannot name a folder let through to Next (an escaped "?"
// included), one the code page lacks held back, or a drive kind that takes no
// installation.
TEST_F(WizardFlowTest, FolderRuleByDriveKindAndCharacters) {
  platform::posix::SetLogicalDrives({{"C:\\", DriveType::Fixed}, {"D:\\", DriveType::CdRom},
                                     {"E:\\", DriveType::Removable}, {"F:\\", DriveType::Remote},
                                     {"G:\\", DriveType::RamDisk}, {"H:\\", DriveType::Unknown}});
  const struct { const char* text; bool usable; } cases[] = {
      {"C:\\Games\\Demo", true}, {"c:\\", true},        {"E:\\x", true},  {"F:\\share", true},
      {"D:\\Games", false},      {"G:\\tmp", false},    {"H:\\x", false}, {"Z:\\nodrive", false},
      {"", false},               {"C:", false},         {"Games", false}, {"\\\\server\\share", false},
      {"C:\\????\\Demo", false}, {"C:\\a*b", false},    {"C:\\a:b", false}, {"C:\\a|b<c>", false},
      {"C:\\tab\tx", false},     {"C:\\Caf\xE9 Games", true}, {"C:\\?{418}?{433}\\Demo", true},
      {"C:\\?{3F}\\Demo", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderTextUsable(c.text), c.usable) << c.text;

  // What the folder page says: nothing for a usable or half-typed text, and a reason
  // for every text it disables Next for.
  const struct { const char* text; const char* problem; } said[] = {
      {"C:\\Games", ""}, {"Z:", ""}, {"C:\\a|b", "It holds \"|\", which no folder name may hold."},
      {"Z:\\nodrive", "There is no drive Z:\\."}, {"\\\\server\\share", "The folder must begin with a drive, such as C:\\."},
      {"D:\\Games", "Drive D:\\ is a CD or DVD drive, which cannot take an installation."},
      {"G:\\tmp", "Drive G:\\ is a RAM disk, which loses what it holds when Windows restarts."},
  };
  for (const auto& c : said) EXPECT_EQ(FolderTextProblem(c.text).value_or(""), c.problem) << c.text;
  for (const auto& c : cases) EXPECT_EQ(!FolderTextProblem(c.text), c.usable || std::string_view(c.text).size() < 3) << c.text;
}

TEST_F(WizardFlowTest, FolderTextUpdatesInstallDirAndFreeSpaceOnlyAfterTheVisit) {
  platform::posix::SetLogicalDrives(
      {{"C:\\", DriveType::Fixed}, {"D:\\", DriveType::CdRom}, {"E:\\", DriveType::Fixed}});
  platform::posix::SetFreeDiskSpace("C:\\", 1000);
  platform::posix::SetFreeDiskSpace("E:\\", std::nullopt);  // the query fails
  TSetupInfoFile info;
  info.InstallDir = "C:\\Old\\";
  TPathVariables vars;

  // Before the first visit (the field is filled at set-up) nothing is taken over.
  EXPECT_TRUE(ApplyFolderText("C:\\New", false, info, vars));
  EXPECT_EQ(info.InstallDir, "C:\\Old\\");
  EXPECT_EQ(vars.FreeSpace, 0);

  EXPECT_TRUE(ApplyFolderText("c:\\New", true, info, vars));
  EXPECT_EQ(info.InstallDir, "c:\\New\\");
  EXPECT_EQ(vars.FreeSpace, 1000);
  EXPECT_FALSE(vars.FreeSpaceText.empty());

  // A CD-ROM folder disables Next and leaves the last usable folder in place.
  EXPECT_FALSE(ApplyFolderText("D:\\Games\\", true, info, vars));
  EXPECT_EQ(info.InstallDir, "c:\\New\\");

  EXPECT_TRUE(ApplyFolderText("E:\\Games\\", true, info, vars));
  EXPECT_EQ(info.InstallDir, "E:\\Games\\");
  EXPECT_EQ(vars.FreeSpace, kUnknownFreeSpace);
  EXPECT_EQ(vars.FreeSpaceText, "unknown");
}

TEST_F(WizardFlowTest, PageChecksRepeatedAfterALanguageSwitch) {
  platform::posix::SetLogicalDrives({{"C:\\", DriveType::Fixed}, {"D:\\", DriveType::CdRom}});
  TPathVariables vars;
  vars.SetRequiredSpace(500);
  const struct {
    TPageType type;
    std::optional<std::string> folder;
    int64_t freeSpace;
    bool allowed;
  } cases[] = {
      {TPageType::installdir, "D:\\Games", 1000, false},
      {TPageType::installdir, "C:\\Games", 1000, true},
      {TPageType::installdir, std::nullopt, 1000, true},  // no folder field: no check
      {TPageType::patch, std::nullopt, 499, false},
      {TPageType::patch, std::nullopt, 500, true},
      {TPageType::patch, std::nullopt, -1, true},  // unknown free space never refuses
      {TPageType::welcome, "D:\\Games", -1, true},
  };
  for (const auto& c : cases) {
    vars.SetFreeSpace(c.freeSpace);
    EXPECT_EQ(PageChecksAllowNext(c.type, c.folder, vars), c.allowed)
        << static_cast<int>(c.type) << " " << c.folder.value_or("-") << " " << c.freeSpace;
  }
}

TEST_F(WizardFlowTest, CloseIsRefusedWhileWorkingFreeOnFinishAskedElsewhere) {
  const test::Bytes file = test::Utf16File(u"English\r\n0409;\r\n27 Quit now?\r\n28 Exit Setup\r\n");
  TLanguages languages;
  languages.Add(file.data(), file.size());
  languages.Current = 0;

  {
    test::MessageRecorder boxes(platform::kAnswerYes);
    EXPECT_FALSE(QueryClose(true, TPageType::welcome, languages));
    EXPECT_TRUE(QueryClose(false, TPageType::finish, languages));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(QueryClose(false, TPageType::welcome, languages));
    EXPECT_TRUE(QueryClose(false, std::nullopt, languages));  // no pages at all
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Quit now?");
    EXPECT_EQ(boxes.boxes[0].caption, "Exit Setup");
  }
  test::MessageRecorder no(platform::kAnswerNo);
  EXPECT_FALSE(QueryClose(false, TPageType::patch, languages));
}

TEST_F(WizardFlowTest, LanguageSelectionTakesTheLastPageWithACheckedRadio) {
  using P = TPageType;
  const std::vector<TPageRadios> pages = {
      {P::languageselection, {{u"English", false}, {u"Deutsch", true}, {u"Français", true}}},
      {P::welcome, {{u"Other", true}}},                                   // not a selection page
      {P::languageselection, {{u"Español", true}}},                       // overrides the first
      {P::languageselection, {{u"Italiano", false}, {u"Polski", false}}},  // nothing checked
  };
  EXPECT_EQ(ChosenLanguageSelection(pages), u"Español");
  EXPECT_EQ(ChosenLanguageSelection({pages[0], pages[1]}), u"Deutsch");
  EXPECT_EQ(ChosenLanguageSelection({pages[1], pages[3]}), std::nullopt);
}

TEST_F(WizardFlowTest, TreeFolderTrimsToTheNearestExistingFolder) {
  const std::set<std::string> existing = {"C:", "C:\\Program Files", "C:\\Program Files\\Old"};
  const FolderExistsFunction exists = [&](const std::string& p) { return existing.count(p) > 0; };
  const struct { const char* path; std::optional<std::string> expected; } cases[] = {
      {"C:\\Program Files\\Demo Product\\", "C:\\Program Files\\"},
      {"C:\\Program Files\\Old\\", "C:\\Program Files\\Old\\"},
      {"C:\\Program Files\\Old", "C:\\Program Files\\Old\\"},
      {"C:\\Nowhere\\Deep\\Deeper", "C:\\"},  // down to the drive itself
      {"X:\\Nowhere", std::nullopt},
      {"relative\\path", std::nullopt},
      {"", std::nullopt},
      {"\\", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TreeFolderFor(c.path, exists), c.expected) << c.path;
}

TEST_F(WizardFlowTest, TreeWalkPrefixesAndItemComparison) {
  EXPECT_EQ(TreeFolderPrefixes("C:\\Program Files\\Demo\\"),
            (std::vector<std::string>{"C:\\", "C:\\Program Files\\", "C:\\Program Files\\Demo\\"}));
  EXPECT_TRUE(SameTreeFolder("C:\\Program Files", "c:\\program files\\"));
  EXPECT_FALSE(SameTreeFolder("C:\\Program", "C:\\Program Files\\"));
  EXPECT_FALSE(SameTreeFolder("", "C:\\"));
}

}  // namespace
}  // namespace setup
