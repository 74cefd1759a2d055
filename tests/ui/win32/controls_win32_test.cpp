// The gradient gauge and the folder tree as Windows draws them (under Wine), read back
// from a memory bitmap. The window tests are skipped, with the reason, without a display.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/win32/unique_handle.h"
#include "ui/win32/grad_gauge.h"
#include "ui/win32/page_gdi.h"
#include "ui/win32/shell_tree_view.h"
#include "win32_test_support.h"

namespace setup::ui {
namespace {

using test::WindowText;

constexpr COLORREF kMarker = RGB(255, 0, 255);  // pixels nobody painted
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A memory bitmap to paint into and read back; what nobody painted stays kMarker.
class Canvas : public TMemoryDc {
 public:
  Canvas(int width, int height) : TMemoryDc(nullptr, width, height) {
    const UniqueGdiObject brush(CreateSolidBrush(kMarker));
    const RECT all{0, 0, width, height};
    FillRect(Dc(), &all, static_cast<HBRUSH>(brush.get()));
  }
  // The gauge painted at 200 x 40.
  explicit Canvas(const TGaugeModel& model) : Canvas(200, 40) {
    TGaugePainter painter(model);
    painter.Paint(Dc(), model, 200, 40, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), RGB(0, 0, 0));
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    return GetPixel(Dc(), x, y);
  }
  struct Probe {
    int x, y;
    COLORREF colour;
  };
  void Expect(std::initializer_list<Probe> probes) const {
    for (const Probe& p : probes) EXPECT_EQ(At(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  }
  // How many pixels of the rectangle have the colour.
  int Count(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) count += At(x, y) == colour ? 1 : 0;
    }
    return count;
  }
};

// Catches: a border in the wrong place or colour, a bar on a new gauge, the unfilled
// part missing or spilling over the border (outside it lies the parent's), no caption.
TEST(GaugePainting, NewGaugeShowsZeroAndAnEmptyBarInASolidBorder) {
  const TGaugeModel model;
  const Canvas canvas(model);
  const COLORREF border = model.BorderColor();
  canvas.Expect({{1, 1, border}, {199, 20, border}, {100, 39, border}, {0, 0, kMarker}, {2, 2, kWhite},
                 {198, 38, kWhite}});
  EXPECT_GT(canvas.Count(RECT{60, 10, 140, 30}, RGB(0, 0, 0)), 0) << "caption drawn";
}

// Catches: the bar rounded like the caption (66 instead of 67 per cent: 131 of the 197
// pixels inside the border), the gradient not starting at Color1 on the top row, the
// unfilled part painted over the bar.
TEST(GaugePainting, TwoThirdsFillsSixtySevenPercentWithTheGradient) {
  constexpr COLORREF kRed = RGB(255, 0, 0);
  TGaugeModel model;
  model.SetMax(3);
  model.SetProgress(2);
  model.SetColor1(kRed);
  model.SetColor2(RGB(0, 0, 255));
  const Canvas canvas(model);
  canvas.Expect({{2, 2, kRed}, {132, 2, kRed}, {133, 5, kWhite}, {198, 38, kWhite}});
  EXPECT_NE(canvas.At(132, 38), kRed) << "the gradient moves on";
}

// Catches: an unfilled part shown at 100 per cent, a gradient used for one colour,
// bevels with their colours swapped.
TEST(GaugePainting, FullPlainBarAndBevelledBorders) {
  constexpr COLORREF kGreen = RGB(0, 128, 0);
  TGaugeModel model;
  model.SetColor1(kGreen);
  model.SetColor2(kGreen);
  model.SetBackcolor(RGB(10, 20, 30));
  model.SetProgress(500);
  model.SetBorderStyle(TggBorderStyle::ggRaised);
  const Canvas raised(model);
  EXPECT_EQ(raised.Count(RECT{2, 2, 199, 39}, RGB(10, 20, 30)), 0);
  raised.Expect({{2, 2, kGreen}, {198, 38, kGreen}, {1, 1, kWhite}, {199, 5, model.BorderColor()}});
  model.SetBorderStyle(TggBorderStyle::ggLowered);
  Canvas(model).Expect({{1, 1, model.BorderColor()}, {199, 5, kWhite}});
}

// A top-level window for the controls; it hands the tree's notifications on, as the
// page area does.
TVX_ShellTreeView* g_tree = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && g_tree != nullptr) {
    LRESULT result = 0;
    if (g_tree->HandleNotify(reinterpret_cast<const NMHDR*>(lParam), result)) return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ControlWindows : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"ControlsTestHost";
    RegisterClassExW(&windowClass);
    host_.reset(CreateWindowExW(0, L"ControlsTestHost", L"host", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 400,
                                400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!host_) GTEST_SKIP() << "no display for windows";
  }
  void TearDown() override { g_tree = nullptr; }

  platform::win32::UniqueWindow host_;
};

// Catches: a visible new gauge, a caption the driver cannot read, a window that paints
// something other than the painter, a repaint lost on WM_PRINTCLIENT.
TEST_F(ControlWindows, GaugeWindowKeepsItsCaptionAsTextAndPrintsItsFace) {
  TGradGauge gauge(host_.get(), 10, 10, 200, 40);
  ASSERT_NE(gauge.Window(), nullptr);
  EXPECT_FALSE(IsWindowVisible(gauge.Window()));
  EXPECT_EQ(WindowText(gauge.Window()), L"0%");
  gauge.SetMax(3);
  gauge.SetProgress(2);
  EXPECT_EQ(WindowText(gauge.Window()), L"66%");
  gauge.SetAutocaption(false);
  gauge.SetCaption("Done");
  EXPECT_EQ(WindowText(gauge.Window()), L"Done");

  gauge.SetAutocaption(true);
  gauge.SetBackcolor(RGB(1, 2, 3));
  Canvas canvas(200, 40);
  SendMessageW(gauge.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  canvas.Expect({{1, 1, gauge.BorderColor()}, {133, 5, RGB(1, 2, 3)}});
  EXPECT_NE(canvas.At(0, 0), kMarker) << "the parent's background beneath";
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

int IndexOf(const std::vector<TTreeItem>& items, const std::string& path) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (SameText(items[i].path, path)) return static_cast<int>(i);
  }
  return -1;
}

// Catches: top-level items other than the drives, a path without its backslash, no
// change event for a programmatic selection, a failed look-up that moves the
// selection, items out of display-list order.
TEST_F(ControlWindows, TreeListsTheDrivesAndSelectsAFolderByPath) {
  TVX_ShellTreeView tree(host_.get(), 0, 0, 300, 300);
  g_tree = &tree;
  EXPECT_FALSE(IsWindowVisible(tree.Window()));
  EXPECT_TRUE(tree.CustomOptions().Empty());

  const std::vector<std::string> drives = platform::LogicalDriveRoots(1024);
  std::vector<std::string> topLevel;
  for (const TTreeItem& item : tree.Items()) topLevel.push_back(item.path);
  EXPECT_EQ(topLevel, drives);

  int changes = 0;
  tree.OnChange = [&changes] { ++changes; };
  ASSERT_TRUE(tree.SelectPath("C:\\windows\\system32"));
  EXPECT_TRUE(SameText(tree.SelectedPath(), "C:\\windows\\system32\\")) << tree.SelectedPath();
  EXPECT_EQ(changes, 1);

  const std::vector<TTreeItem> items = tree.Items();
  const int drive = IndexOf(items, "C:\\");
  const int windows = IndexOf(items, "C:\\windows\\");
  const int system32 = IndexOf(items, "C:\\windows\\system32\\");
  EXPECT_TRUE(drive >= 0 && drive < windows && windows < system32) << drive << " " << windows << " " << system32;
  EXPECT_EQ(TreeView_GetSelection(tree.Window()), items[static_cast<size_t>(system32)].item);

  EXPECT_FALSE(tree.SelectPath("C:\\windows\\no such folder"));
  EXPECT_FALSE(tree.SelectPath("relative\\path"));
  EXPECT_TRUE(SameText(tree.SelectedPath(), "C:\\windows\\system32\\"));
  ASSERT_TRUE(tree.SelectPath("c:\\WINDOWS\\"));
  EXPECT_TRUE(SameText(tree.SelectedPath(), "C:\\windows\\"));
  EXPECT_EQ(changes, 2);
}

// Catches: the custom selection colour not used, the selected row not filled to the
// right edge, options set for colours nobody set.
TEST_F(ControlWindows, TreeDrawsTheSelectedRowInTheCustomColour) {
  TVX_ShellTreeView tree(host_.get(), 0, 0, 300, 300);
  g_tree = &tree;
  tree.SetBorder(false);
  tree.SetBackgroundColour(RGB(15, 15, 15));
  tree.SetCustomSelCol(RGB(111, 0, 0));
  EXPECT_FALSE(tree.CustomOptions().Contains(TCustomOption::stvFontCol));
  ASSERT_TRUE(tree.SelectPath("C:\\windows"));
  ShowWindow(tree.Window(), SW_SHOWNA);

  const std::vector<TTreeItem> items = tree.Items();
  const HTREEITEM selected = TreeView_GetSelection(tree.Window());
  const HTREEITEM other = items.front().item == selected ? items[1].item : items.front().item;
  RECT selectedRow{};
  RECT otherRow{};
  ASSERT_TRUE(TreeView_GetItemRect(tree.Window(), selected, &selectedRow, FALSE));
  ASSERT_TRUE(TreeView_GetItemRect(tree.Window(), other, &otherRow, FALSE));
  RECT client{};
  GetClientRect(tree.Window(), &client);

  Canvas canvas(client.right, client.bottom);
  SendMessageW(tree.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()),
               PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(canvas.At(client.right - 2, (selectedRow.top + selectedRow.bottom) / 2), RGB(111, 0, 0));
  EXPECT_EQ(canvas.At(client.right - 2, (otherRow.top + otherRow.bottom) / 2), RGB(15, 15, 15));
}

}  // namespace
}  // namespace setup::ui
