// The example product's installer pages as the wizard builds them (under Wine): every
// label's text fits its control at 100 %, 150 % and 200 % in each language, and screen
// readers get names, roles and values through the windows' accessible objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver_io.h"
#include "read_out.h"
#include "script/register_macros.h"
#include "script/setup_context.h"
#include "test_support.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/accessible_names.h"
#include "ui/win32/accessible_object.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_set.h"

namespace setup::ui {
namespace {

namespace fs = std::filesystem;

// The page area of the demo's main form, in layout pixels.
constexpr int kAreaWidth = 578;
constexpr int kAreaHeight = 375;

using driver::WindowText;

// The size the label's text takes in its font, wrapped at its width or on one line.
SIZE Needed(HWND label, bool wrap) {
  const std::wstring text = WindowText(label);
  RECT client{};
  GetClientRect(label, &client);
  RECT needed{0, 0, wrap ? client.right : 0, 0};
  const HDC dc = GetDC(label);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
            DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (wrap ? DT_WORDBREAK : 0));
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  return {needed.right, needed.bottom};
}

class DemoPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 2 * kAreaWidth, 2 * kAreaHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host_ == nullptr) GTEST_SKIP() << "no window can be created (no display: run under Xvfb)";
    context_.SetupInfo.SetupName = "Demo Product 1.0";
    context_.SetupInfo.ShortName = "Demo Product";
    context_.SetupInfo.Changelog = "ChangeLog.rtf";
    context_.Variables.RequiredSpaceText = "12.34 MB";
    context_.Variables.FreeSpaceText = "123.45 GB";
    RegisterMacros(context_.Macros, context_.SetupInfo, context_.Variables);
  }

  // Opens a package holding the page set of that folder of the demo and the changelog,
  // with the two languages of those files.
  void Open(const std::string& pageSet, const char* english, const char* german) {
    pages_.reset();
    const fs::path demo = SETUP_DEMO_DIR;
    const fs::path pages = demo / "pages" / pageSet;
    std::vector<test::RawEntry> entries;
    for (const auto& file : fs::recursive_directory_iterator(pages)) {
      if (!file.is_regular_file()) continue;
      std::string name = fs::relative(file.path(), pages).generic_string();
      for (char& c : name) c = c == '/' ? '\\' : c;  // as the layouts name them
      entries.push_back({name, 0, test::ReadFileBytes(file.path().string())});
    }
    entries.push_back({"ChangeLog.rtf", 0, test::ReadFileBytes((demo / "ChangeLog.rtf").string())});
    const std::string package = temp_.Path(pageSet + ".pak");
    test::WriteFileBytes(package, test::BuildRawPackage(entries).bytes);
    ASSERT_TRUE(context_.Package.Create(package));
    for (const char* language : {english, german}) {
      languageFiles_.push_back(test::ReadFileBytes((demo / "languages" / language).string()));
      context_.Languages.Add(languageFiles_.back().data(), languageFiles_.back().size());
    }
    context_.Languages.Current = static_cast<int32_t>(context_.Languages.Languages().size()) - 2;
    layout_ = LoadPageSet(context_.Package);
  }

  void TearDown() override {
    pages_.reset();  // before the area
    area_.reset();
    if (host_ != nullptr) DestroyWindow(host_);
  }

  void Build(int32_t dpi) {
    pages_.reset();
    area_ = std::make_unique<TPageArea>(
        host_, RECT{0, 0, ScaleLength(kAreaWidth, dpi), ScaleLength(kAreaHeight, dpi)}, dpi);
    pages_ = std::make_unique<TVXPageControl>(TWizardButtonWindows{}, *area_, context_);
    pages_->LoadFromPackage("Pages.txt");
  }

  // The page's control of that name in the layout.
  HWND Control(const std::string& name) const {
    for (size_t page = 0; page < layout_.Pages.size(); ++page) {
      for (size_t i = 0; i < layout_.Pages[page].Controls.size(); ++i) {
        if (layout_.Pages[page].Controls[i].Name == name) return pages_->Pages()[page].Controls[i]->Window();
      }
    }
    return nullptr;
  }
  int32_t PageIndex(const std::string& entry) const {
    for (size_t page = 0; page < layout_.Pages.size(); ++page) {
      if (layout_.Pages[page].EntryName == entry) return static_cast<int32_t>(page);
    }
    return -1;
  }

  test::TempDir temp_;
  SetupContext context_;
  std::deque<test::Bytes> languageFiles_;  // the languages keep pointers into them
  TPageSetDesc layout_;
  HWND host_ = nullptr;
  std::unique_ptr<TPageArea> area_;
  std::unique_ptr<TVXPageControl> pages_;
};

// Catches a label whose font grows faster than its box (fonts do not scale exactly
// with the DPI: hinting rounds each glyph), a German text longer than the box made
// for the English one, and a page file whose boxes were drawn too tight at 100 %.
TEST_F(DemoPagesTest, EveryLabelsTextFitsItsControlAtEveryScaleAndLanguage) {
  struct TSet {
    const char* folder;
    const char* english;
    const char* german;
  };
  for (const TSet& set : {TSet{"default", "english.txt", "german.txt"},
                          TSet{"uninstall", "uninstall-english.txt", "uninstall-german.txt"}}) {
    Open(set.folder, set.english, set.german);
    const int32_t first = context_.Languages.Current;
    for (const int32_t dpi : {96, 144, 192}) {
      Build(dpi);
      for (const int32_t language : {first, first + 1}) {
        context_.Languages.Current = language;
        pages_->RefreshCaptions();
        for (size_t page = 0; page < layout_.Pages.size(); ++page) {
          for (size_t i = 0; i < layout_.Pages[page].Controls.size(); ++i) {
            const TControlDesc& desc = layout_.Pages[page].Controls[i];
            if (desc.Type != TControlType::Label) continue;
            const HWND label = pages_->Pages()[page].Controls[i]->Window();
            if (GetWindowTextLengthW(label) == 0) continue;
            RECT client{};
            GetClientRect(label, &client);
            const SIZE needed = Needed(label, desc.WordWrap.value_or(false));
            const std::string where = std::string(set.folder) + "\\" + layout_.Pages[page].EntryName + " " +
                                      desc.Name + " at " + std::to_string(dpi) + " DPI, language " +
                                      std::to_string(language) + ": needs " + std::to_string(needed.cx) +
                                      "x" + std::to_string(needed.cy);
            EXPECT_LE(needed.cx, client.right) << where;
            EXPECT_LE(needed.cy, client.bottom) << where;
          }
        }
      }
    }
  }
}

// Catches a custom-drawn label, gauge or page area that a screen reader finds nameless
// or reads as a plain window, an edit or folder tree not named after its caption, a
// gauge without its percentage, and names that keep the old language after a switch.
TEST_F(DemoPagesTest, ScreenReadersReadNamesRolesAndValues) {
  Open("default", "english.txt", "german.txt");
  Build(96);
  pages_->ShowPage(PageIndex("install.txt"));
  using driver::ReadOut;
  const std::wstring title = L"Choose the installation folder";
  EXPECT_EQ(ReadOut(Control("InstallTitle")), L"role=41 name=" + title + L" value=");  // static text
  EXPECT_EQ(ReadOut(area_->Window()), L"role=38 name=" + title + L" value=")           // property page
      << "the page title, announced on arrival";
  EXPECT_NE(ReadOut(Control("InstallDir_ShellTreeView")).find(L" name=" + title + L" value="),
            std::wstring::npos);
  // The edit's own object answers all but the name: its role (editable text), its text.
  EXPECT_EQ(ReadOut(Control("InstallDir_Edit")),
            L"role=42 name=Setup will install Demo Product into this folder: value=");
  EXPECT_EQ(ReadOut(Control("MainBevel")), L"role=21 name= value=");  // separator
  EXPECT_EQ(ReadOut(Control("Patching_ProgressBar")),
            L"role=48 name=Please wait while the files are installed. value=0%");  // progress bar

  context_.Languages.Current = 1;
  pages_->RefreshCaptions();
  EXPECT_EQ(ReadOut(Control("InstallDir_Edit")),
            L"role=42 name=" + WindowText(Control("InstallDirLabel")) + L" value=");
  EXPECT_NE(WindowText(Control("InstallDirLabel")), L"Setup will install Demo Product into this folder:");
}

// A window whose procedure has an accessible object of its own (as a rich edit has),
// answering the value "own" and no name.
const TAccessibleProperties* OwnProperties(HWND) {
  static const TAccessibleProperties own{std::nullopt, ROLE_SYSTEM_TEXT, L"own"};
  return &own;
}
LRESULT CALLBACK OwnObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const auto toResult = reinterpret_cast<decltype(&LresultFromObject)>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), "LresultFromObject")));
  if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
    IAccessible* own = NewAccessibleObject(window, nullptr, &OwnProperties);
    const LRESULT result = toResult(IID_IAccessible, wParam, own);
    own->Release();
    return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Catches a named window whose own accessible object is replaced by the standard one
// (a rich edit would lose its text for screen readers) instead of keeping all of it
// but the name.
TEST_F(DemoPagesTest, AWindowsOwnAccessibleObjectKeepsAllButTheName) {
  const WNDCLASSW type{0,       OwnObjectProc, 0,       0,       GetModuleHandleW(nullptr),
                       nullptr, nullptr,       nullptr, nullptr, L"OwnObjectWindow"};
  RegisterClassW(&type);
  const HWND window = CreateWindowExW(0, L"OwnObjectWindow", L"", WS_CHILD, 0, 0, 10, 10, host_, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(driver::ReadOut(window), L"role=42 name= value=own");
  SetAccessibleName(window, L"Notes");
  EXPECT_EQ(driver::ReadOut(window), L"role=42 name=Notes value=own");
  DestroyWindow(window);
}

}  // namespace
}  // namespace setup::ui
