// The page area and the page controls as Windows windows (under Wine), a page read
// back from a memory bitmap. Without a display every test is skipped with the reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/files.h"
#include "script/setup_context.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_controls.h"
#include "ui/win32/page_gdi.h"
#include "ui/win32/page_temp_file.h"
#include "win32_test_support.h"

namespace setup::ui {
namespace {

using test::WindowText;

constexpr int kAreaWidth = 300;
constexpr int kAreaHeight = 200;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// A 24-bit bitmap file whose pixel (x, y), counted from the top, has colour(x, y).
test::Bytes MakeBmp(int width, int height, const std::function<COLORREF(int, int)>& colour) {
  const int rowSize = (width * 3 + 3) & ~3;
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER file{0x4D42, offset + static_cast<DWORD>(rowSize * height), 0, 0, offset};  // "BM"
  const BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  test::Bytes out(offset);
  std::memcpy(out.data(), &file, sizeof file);
  std::memcpy(out.data() + sizeof file, &info, sizeof info);
  for (int y = height - 1; y >= 0; --y) {  // bottom-up rows
    for (int x = 0; x < width; ++x) {
      const COLORREF c = colour(x, y);
      out.insert(out.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
    out.resize(out.size() + static_cast<size_t>(rowSize - width * 3), 0);
  }
  return out;
}

TControlDesc Desc(TControlType type, const std::string& name, RECT bounds) {
  TControlDesc desc;
  desc.Name = name;
  desc.Type = type;
  desc.Left = bounds.left;
  desc.Top = bounds.top;
  desc.Width = bounds.right - bounds.left;
  desc.Height = bounds.bottom - bounds.top;
  return desc;
}

TControlDesc Label(const std::string& name, RECT bounds, const std::u16string& caption) {
  TControlDesc desc = Desc(TControlType::Label, name, bounds);
  desc.RawText = caption;
  desc.HasRawText = true;
  return desc;
}

TControlDesc Image(const std::string& name, RECT bounds, const std::string& file) {
  TControlDesc desc = Desc(TControlType::Image, name, bounds);
  desc.File = file;
  return desc;
}

class PageControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, kAreaWidth, kAreaHeight, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (host_ == nullptr) GTEST_SKIP() << "no window can be created (no display: run under Xvfb)";
    area_ = std::make_unique<TPageArea>(host_, RECT{0, 0, kAreaWidth, kAreaHeight}, 96);
    area_->SetColour(kBlue);
    ASSERT_NE(canvas_.Dc(), nullptr);
  }
  void TearDown() override {
    controls_.clear();  // before the area
    area_.reset();
    if (host_ != nullptr) DestroyWindow(host_);
  }

  void OpenPackage(const std::vector<test::RawEntry>& entries) {
    const std::string path = temp_.Path("setup.pak");
    test::WriteFileBytes(path, test::BuildRawPackage(entries).bytes);
    ASSERT_TRUE(context_.Package.Create(path));
  }

  TPageControl& Add(const TControlDesc& desc) {
    controls_.push_back(CreatePageControl(desc, *area_, context_));
    controls_.back()->SetVisible(true);
    return *controls_.back();
  }

  // The area with its children, printed into canvas_ as Windows would paint it.
  void Print() const {
    SendMessageW(area_->Window(), WM_PRINT, reinterpret_cast<WPARAM>(canvas_.Dc()),
                 PRF_CLIENT | PRF_CHILDREN);
    GdiFlush();
  }

  // What the area shows on the screen, copied into canvas_.
  BOOL TakeScreen() const {
    const HDC dc = GetDC(area_->Window());
    const BOOL copied = BitBlt(canvas_.Dc(), 0, 0, kAreaWidth, kAreaHeight, dc, 0, 0, SRCCOPY);
    ReleaseDC(area_->Window(), dc);
    GdiFlush();
    return copied;
  }
  COLORREF Pixel(int x, int y) const { return GetPixel(canvas_.Dc(), x, y); }

  test::TempDir temp_;
  SetupContext context_;
  HWND host_ = nullptr;
  std::unique_ptr<TPageArea> area_;
  TMemoryDc canvas_{nullptr, kAreaWidth, kAreaHeight};
  std::vector<std::unique_ptr<TPageControl>> controls_;
};

// Catches a transparent label that paints the area's plain colour (or nothing) where
// a picture lies beneath it, a hidden picture still painted, an opaque label that lets
// the picture through, and a transparent bitmap whose bottom-left colour is drawn.
TEST_F(PageControlsTest, TransparentLabelShowsThePictureBeneathIt) {
  OpenPackage({{"red.bmp", 0, MakeBmp(8, 8, [](int, int) { return kRed; })},
               {"spot.bmp", 0, MakeBmp(4, 4, [](int x, int y) {
                  return x >= 1 && x <= 2 && y >= 1 && y <= 2 ? kYellow : kGreen;
                })}});
  TControlDesc back = Image("Back", {0, 0, 100, 100}, "red.bmp");
  back.Stretch = true;
  TPageControl& picture = Add(back);
  TControlDesc spot = Image("Spot", {200, 150, 204, 154}, "spot.bmp");
  spot.Transparent = true;
  Add(spot);
  TControlDesc overPicture = Label("Over", {10, 10, 70, 30}, u"x");
  overPicture.Transparent = true;
  Add(overPicture);
  TControlDesc outside = Label("Outside", {120, 10, 180, 30}, u"x");
  outside.Transparent = true;
  Add(outside);
  Add(Label("Opaque", {10, 50, 70, 70}, u"x"));

  Print();
  EXPECT_EQ(Pixel(65, 25), kRed) << "transparent label over the picture";
  EXPECT_EQ(Pixel(175, 25), kBlue) << "transparent label beside the picture";
  EXPECT_EQ(Pixel(65, 65), kBlue) << "opaque label over the picture";
  EXPECT_EQ(Pixel(90, 90), kRed) << "stretched picture";
  EXPECT_EQ(Pixel(150, 150), kBlue) << "area";
  EXPECT_EQ(Pixel(200, 150), kBlue) << "transparent colour left out";
  EXPECT_EQ(Pixel(201, 151), kYellow) << "rest of the transparent bitmap";

  // The same on the screen, also after a new caption repainted the label alone.
  ShowWindow(host_, SW_SHOWNA);
  ShowWindow(area_->Window(), SW_SHOWNA);
  UpdateWindow(host_);
  controls_[2]->SetCaption(u"y");
  UpdateWindow(area_->Window());
  ASSERT_NE(TakeScreen(), 0);
  EXPECT_EQ(Pixel(65, 25), kRed) << "painted: transparent label over the picture";
  EXPECT_EQ(Pixel(65, 65), kBlue) << "painted: opaque label over the picture";
  EXPECT_EQ(Pixel(201, 151), kYellow) << "painted: transparent bitmap";

  picture.SetVisible(false);
  Print();
  EXPECT_EQ(Pixel(65, 25), kBlue) << "hidden picture";
}

// Catches tiling that draws one copy only, misplaces copies, or spills past the
// control; a picture file left in the temporary folder; its folder not recorded.
TEST_F(PageControlsTest, TiledPictureCoversTheControlWithCopies) {
  const COLORREF pattern[2][3] = {{kRed, kGreen, kYellow}, {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 128, 128)}};
  const std::string folder = TemporaryPath("page-controls-test") + "\\";
  platform::RemoveFile(folder + "tile.bmp");
  platform::RemoveFolder(folder);
  OpenPackage({{"page-controls-test\\tile.bmp", 0, MakeBmp(3, 2, [&](int x, int y) { return pattern[y][x]; })}});
  TControlDesc desc = Image("Tiled", {0, 0, 10, 7}, "page-controls-test\\tile.bmp");
  desc.Tile = true;
  Add(desc);
  EXPECT_FALSE(platform::FileExists(folder + "tile.bmp"));
  EXPECT_EQ(context_.UninstallList.Folders(), std::vector<std::string>{folder});
  platform::RemoveFolder(folder);

  Print();
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(Pixel(x, y), pattern[y % 2][x % 3]) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(10, 3), kBlue);
  EXPECT_EQ(Pixel(3, 7), kBlue);
}

// Catches an automatic size that ignores the text, its font or its line breaks, a
// word-wrapped label whose width changes, and a size that does not follow a new caption.
TEST_F(PageControlsTest, AutoSizedLabelTakesItsTextsSize) {
  const HDC dc = GetDC(host_);
  const HGDIOBJ previous = SelectObject(dc, area_->Font());
  SIZE extent{};
  GetTextExtentPoint32W(dc, L"Hello world", 11, &extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(host_, dc);

  const auto autoLabel = [&](const char* name, int top, int width, const std::u16string& text,
                             bool wrap) -> TPageControl& {
    TControlDesc desc = Label(name, {5, top, 5 + width, top + 10}, text);
    desc.AutoSize = true;
    desc.WordWrap = wrap;
    return Add(desc);
  };
  const auto size = [](const TPageControl& control) {
    RECT bounds{};
    GetClientRect(control.Window(), &bounds);
    return std::make_pair(bounds.right, bounds.bottom);
  };
  EXPECT_EQ(size(autoLabel("Single", 5, 10, u"Hello world", false)),
            std::make_pair(extent.cx, metrics.tmHeight));
  // "<BR>" becomes a carriage return: a line break.
  const auto twoLines = size(autoLabel("TwoLines", 20, 10, u"Hello\rworld", false));
  EXPECT_LT(twoLines.first, extent.cx);
  EXPECT_EQ(twoLines.second, 2 * metrics.tmHeight);

  TPageControl& wrapping = autoLabel("Wrapped", 40, 40, u"one two three four five six", true);
  EXPECT_EQ(size(wrapping).first, 40);
  EXPECT_GE(size(wrapping).second, 3 * metrics.tmHeight);
  wrapping.SetCaption(u"one");
  EXPECT_EQ(size(wrapping), std::make_pair(LONG{40}, metrics.tmHeight));
  EXPECT_EQ(WindowText(wrapping.Window()), L"one");
}

// Catches controls left at their layout pixels after a DPI change, a font not made
// again at the new DPI, a picture at its own size not enlarged with the page, and an
// automatic height that does not follow the larger font.
TEST_F(PageControlsTest, ControlsFollowTheAreaToAnotherDpi) {
  OpenPackage({{"halves.bmp", 0, MakeBmp(4, 4, [](int x, int) { return x < 2 ? kRed : kGreen; })}});
  Add(Image("Halves", {10, 10, 60, 60}, "halves.bmp"));
  TControlDesc fitted = Label("Fitted", {5, 40, 55, 41}, u"x");
  fitted.AutoSize = true;
  fitted.WordWrap = true;
  const HWND label = Add(fitted).Window();
  const HWND edit = Add(Desc(TControlType::Edit, "Edit", {20, 30, 70, 51})).Window();
  area_->SetDpi(192);
  for (const auto& control : controls_) control->ApplyDpi();

  const auto placed = [this](HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    MapWindowPoints(nullptr, area_->Window(), reinterpret_cast<POINT*>(&bounds), 2);
    return std::vector<LONG>{bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
  };
  EXPECT_EQ(placed(edit), (std::vector<LONG>{40, 60, 100, 42}));
  LOGFONTW font{};
  GetObjectW(area_->Font(), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -21);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), area_->Font());
  const HDC dc = GetDC(host_);
  const HGDIOBJ previous = SelectObject(dc, area_->Font());
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(host_, dc);
  EXPECT_EQ(placed(label), (std::vector<LONG>{10, 80, 100, metrics.tmHeight}));

  Print();
  EXPECT_EQ(Pixel(21, 21), kRed);
  EXPECT_EQ(Pixel(26, 26), kGreen);
  EXPECT_EQ(Pixel(29, 21), kBlue) << "the picture at twice its own size, no more";
}

// Catches rich text shown as its source, a macro in the file value not applied, the
// temporary file left behind, and a missing entry that shows no box or the wrong one.
TEST_F(PageControlsTest, RichEditLoadsItsEntryOrReportsItMissing) {
  OpenPackage({{"log.rtf", 0, test::ToBytes("{\\rtf1\\ansi Hello \\b world\\b0\\par}")},
               {"notes.txt", 0, test::ToBytes("plain {\\rtf text")}});
  const std::string changelog = "log.rtf";
  context_.Macros.Add("<%CHANGELOG%>", &changelog);

  const auto textOf = [&](const std::string& file) {
    TControlDesc desc = Desc(TControlType::RichEdit, "Rich" + std::to_string(controls_.size()), {0, 0, 200, 100});
    desc.File = file;
    return WindowText(Add(desc).Window());
  };
  EXPECT_EQ(textOf("<%CHANGELOG%>").substr(0, 11), L"Hello world");
  EXPECT_EQ(textOf("NOTES.TXT").substr(0, 16), L"plain {\\rtf text");
  EXPECT_FALSE(platform::FileExists(TemporaryPath("RETL.temp")));

  test::MessageRecorder boxes;
  EXPECT_EQ(textOf("missing.rtf"), L"");
  test::ExpectOneBox(boxes, "Rich Edit Error", "Error: File \"missing.rtf\" Missing");
}

// A 16 x 16 icon file of one colour, 24 bits a pixel.
test::Bytes MakeIcon(COLORREF colour) {
  const uint32_t rgb = uint32_t{GetRValue(colour)} << 16 | uint32_t{GetGValue(colour)} << 8 | GetBValue(colour);
  return test::IconFile(test::SolidIconImage(16, 16, 24, rgb));
}

// An enhanced metafile filled with one colour, as its file's bytes; with windows set,
// the same as a Windows metafile with the header that gives its size.
test::Bytes MakeMetafile(COLORREF colour, bool windows) {
  const RECT frame{0, 0, 1000, 1000};  // hundredths of a millimetre
  const HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  const HBRUSH brush = CreateSolidBrush(colour);
  const RECT fill{0, 0, 40, 40};
  FillRect(dc, &fill, brush);
  DeleteObject(brush);
  const HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  test::Bytes out;
  if (!windows) {
    out.resize(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(out.size()), out.data());
  } else {
    const HDC screen = GetDC(nullptr);
    test::Bytes body(GetWinMetaFileBits(metafile, 0, nullptr, MM_ANISOTROPIC, screen));
    GetWinMetaFileBits(metafile, static_cast<UINT>(body.size()), body.data(), MM_ANISOTROPIC, screen);
    ReleaseDC(nullptr, screen);
    test::AppendU32(out, 0x9AC6CDD7);
    // handle, left, top, right, bottom, units an inch, two reserved, checksum
    for (uint16_t value : {0, 0, 0, 40, 40, 96, 0, 0, 0}) test::AppendU16(out, value);
    out.insert(out.end(), body.begin(), body.end());
  }
  DeleteEnhMetaFile(metafile);
  return out;
}

// Catches a picture kind that does not load or paint: each is stretched over its
// control and seen in the middle of it.
TEST_F(PageControlsTest, EveryPictureKindPaints) {
  OpenPackage({{"a.ico", 0, MakeIcon(kRed)},
               {"b.emf", 0, MakeMetafile(kGreen, false)},
               {"c.wmf", 0, MakeMetafile(kYellow, true)}});
  const struct {
    const char* file;
    COLORREF colour;
  } kCases[] = {{"a.ico", kRed}, {"b.emf", kGreen}, {"c.wmf", kYellow}};
  for (const auto& c : kCases) {
    TControlDesc desc = Image("Picture", {0, 0, 30, 30}, c.file);
    desc.Stretch = true;
    Add(desc);
    Print();
    EXPECT_EQ(Pixel(15, 15), c.colour) << c.file;
    controls_.clear();
  }
}

// Catches an unknown extension accepted, and one refused although the entry is absent.
TEST_F(PageControlsTest, UnknownPictureExtensionRaisesOnlyForAnEntryThatExists) {
  OpenPackage({{"picture.gif", 0, test::ToBytes("GIF89a")}});
  try {
    Add(Image("Gif", {0, 0, 10, 10}, "picture.gif"));
    ADD_FAILURE() << "no error for .gif";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Unknown picture file extension (.gif)");
  }
  EXPECT_NO_THROW(Add(Image("Absent", {0, 0, 10, 10}, "absent.gif")));
}

// Catches radio buttons of different pages unchecking each other, a click that leaves
// two checked, and an edit change that does not reach its handler.
TEST_F(PageControlsTest, RadioGroupsFollowPagesAndChangesReachTheirHandlers) {
  OpenPackage({});
  area_->BeginPage();
  TControlDesc first = Desc(TControlType::Radio, "First", {0, 0, 80, 17});
  first.Checked = true;
  TPageControl& a = Add(first);
  TPageControl& b = Add(Desc(TControlType::Radio, "Second", {0, 20, 80, 37}));
  area_->BeginPage();
  TControlDesc other = Desc(TControlType::Radio, "Other", {0, 40, 80, 57});
  other.Checked = true;
  TPageControl& c = Add(other);
  EXPECT_TRUE(a.Checked());
  EXPECT_TRUE(c.Checked());

  SendMessageW(b.Window(), BM_CLICK, 0, 0);
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(c.Checked());

  TPageControl& edit = Add(Desc(TControlType::Edit, "Field", {0, 60, 100, 81}));
  int changes = 0;
  area_->SetChangeHandler(edit.Window(), [&] { ++changes; });
  edit.SetText(u"C:\\Folder");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit.Text(), u"C:\\Folder");
}

}  // namespace
}  // namespace setup::ui
