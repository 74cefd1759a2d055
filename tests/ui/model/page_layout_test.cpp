#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "package/pak.h"
#include "test_support.h"
#include "ui/model/page_layout.h"

namespace setup {
namespace {

using T = TControlType;
using test::ErrorOf;

test::RawEntry Entry(const std::string& name, const std::string& text) {
  return {name, 0, test::ToBytes(text), true};
}

class PageLayout : public ::testing::Test {
 protected:
  TPageSetDesc Load(const std::vector<test::RawEntry>& entries) {
    const std::string path = dir_.Path("setup.pak");
    test::WriteFileBytes(path, test::BuildRawPackage(entries).bytes);
    TPak package;
    EXPECT_TRUE(package.Create(path));
    return LoadPageSet(package);
  }

  // The controls of a page set with one page file of the given text.
  std::vector<TControlDesc> Controls(const std::string& pageText) {
    const TPageSetDesc set = Load({Entry("Pages.txt", "[Pages]\rpage.txt"), Entry("page.txt", pageText)});
    EXPECT_EQ(set.Pages.size(), 1u);
    return set.Pages.empty() ? std::vector<TControlDesc>() : set.Pages[0].Controls;
  }

  test::TempDir dir_;
  test::MessageRecorder boxes_;
};

TEST_F(PageLayout, PageSetListsPagesTypesAndColour) {
  const TPageSetDesc set = Load({
      Entry("pages.TXT",
            "junk before any section\r\n"
            "[pages]\r\n  welcome.txt \r\n\r\nmissing.txt\r\n"
            "[Other]\r\nfinish.txt\r\n"
            "[PAGETYPES]\r\nChangeLog\r\nno-such-type\r\nMainLayout\r\nfinish\r\n"
            "[Settings]\r\nfont=1\r\ncolour=$0F0E0D\r\n"),
      Entry("Welcome.txt", "[A]\rType=TLabel"),
      Entry("mainlayout.txt", ""),  // an empty entry is an empty page, not a missing one
  });
  ASSERT_EQ(set.Pages.size(), 2u);
  EXPECT_EQ(set.Pages[0].EntryName, "welcome.txt");
  EXPECT_EQ(set.Pages[0].Type, TPageType::changelog);
  ASSERT_EQ(set.Pages[0].Controls.size(), 1u) << "page file looked up without regard to case";
  EXPECT_EQ(set.Pages[1].Type, TPageType::welcome) << "an unknown type keyword changes nothing";
  EXPECT_TRUE(set.Pages[1].Controls.empty());
  EXPECT_EQ(set.Colour, 0x0F0E0Du);
  test::ExpectOneBox(boxes_, "Missing File", "Error File Missing: |missing.txt|");

  // The separator after "colour" may be any character; empty entries are not missing.
  const struct { std::string settings; uint32_t colour; } cases[] = {
      {"colour $000000", 0}, {"COLOUR=$00FF00", 0xFF00}, {"color=$000000", 0xFFFFFF}, {"", 0xFFFFFF}};
  for (const auto& c : cases) {
    const TPageSetDesc s = Load({Entry("Pages.txt", "[Settings]\r" + c.settings + "\r[Pages]\rmainlayout.txt"),
                                 Entry("mainlayout.txt", "")});
    EXPECT_EQ(s.Colour, c.colour) << c.settings;
  }
  EXPECT_EQ(boxes_.boxes.size(), 1u) << "no box for an empty entry";

  // Without the page set itself: its own box, and no pages.
  EXPECT_TRUE(Load({Entry("Other.txt", "[Pages]\rOther.txt")}).Pages.empty());
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].text, "Error File Missing: Pages.txt");
  EXPECT_EQ(boxes_.boxes[1].caption, "Missing File");
}

TEST_F(PageLayout, SectionsCreateControlsOnlyForKnownTypes) {
  const struct { std::string text; std::vector<std::string> names; } cases[] = {
      {"[A]\rType=TLabel\r[B]\rType=TNoSuch\rLeft=x\r[C]\rtype=tbutton", {"A", "C"}},
      {"[A]\r[B]\rKind=TPanel", {"B"}},                     // header only; the key is ignored
      {"[A]\rTIMAGE\r[B]\rType = TLabel", {"A"}},            // no "=": whole line; blanks count
      {std::string("[A]\rType=TEdit\r\0[B]\rType=TEdit", 30), {"A"}},  // a zero byte ends the text
      {"[A]\nType=TLabel\nLeft=5\n[B]\nType=TLabel", {}},  // bare line feeds: one header line
      {"Type=TLabel\r[A]\rType=TMemo", {"A"}},               // lines before any header: nothing
      {"", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> names;
    for (const TControlDesc& d : Controls(c.text)) names.push_back(d.Name);
    EXPECT_EQ(names, c.names) << c.text;
  }
}

TEST_F(PageLayout, PropertyLinesApplyByTypeInOrder) {
  const std::vector<TControlDesc> controls = Controls(
      "[Title]\rType=TLabel\rLEFT=220\rLeft = 1\r;Top=130\rTop=120\rwidth=264\rheight=16\r"
      "FontFace=MS Shell Dlg 2\rFontBold=TRUE\rFontBold=yes\rFontBold=true\rFontSize=10\r"
      "FontColour=$D4D4D4\rTransparent=True\rColour=not-applicable\rCaption=<LANG1> caf\xE9\r"
      "[Notes]\rType=TMemo\rText=one<BR>two<br>three\rBorder=false\r"
      "[Back]\rType=TImage\rTile=true\rFile=Back.bmp\rCenter=true\r"
      "[Tiled]\rType=TImage\rFile=Back.bmp\rTile=true\rTile=false\r"
      "[Log]\rType=TRichEdit\rFile=<%CHANGELOG%>\rText=x\r"
      "[Tree]\rType=TShellTreeView\rFontColour=$FFFFFF\rFontSelColour=1\rSelColour=2\rColour=$0F0F0F\rFontSize=9\r"
      "[Gauge]\rType=TProgressBar\rForeColour=-1\rBackColour=$FF\rCaption=ignored\rEnabled=false\r"
      "[Choice]\rType=TRadio\rChecked=true\rCaption=\r"
      "[Name]\rType=TEdit\rText=\rAutoSize=true\rWordWrap=true");
  ASSERT_EQ(controls.size(), 9u);

  const TControlDesc& label = controls[0];
  EXPECT_EQ(label.Type, T::Label);
  EXPECT_EQ(std::tie(label.Left, label.Top, label.Width, label.Height), std::make_tuple(220, 120, 264, 16));
  EXPECT_EQ(std::tie(label.FontFace, label.FontSize, label.FontColour, label.Transparent),
            std::make_tuple("MS Shell Dlg 2", 10, 0xD4D4D4u, true));
  EXPECT_EQ(label.FontBold, true) << "the last fontbold line counts";
  EXPECT_FALSE(label.Colour) << "colour does not apply to a label";
  EXPECT_EQ(std::tie(label.HasRawText, label.RawText), std::make_tuple(true, u"<LANG1> caf\u00E9"));
  EXPECT_EQ(std::tie(controls[1].PlainText, controls[1].HasRawText, controls[1].Border),
            std::make_tuple("one\rtwo\rthree", false, false));

  EXPECT_EQ(std::tie(controls[2].File, controls[2].Center), std::make_tuple("Back.bmp", true));
  EXPECT_FALSE(controls[2].Tile) << "tile before file has no effect";
  EXPECT_TRUE(controls[3].Tile) << "tile after file tiles; a later false does not undo it";

  EXPECT_EQ(std::tie(controls[4].File, controls[4].PlainText), std::make_tuple("<%CHANGELOG%>", "x"));
  EXPECT_TRUE(controls[4].TextAfterFile);

  const TControlDesc& tree = controls[5];
  EXPECT_EQ(std::tie(tree.FontColour, tree.FontSelColour, tree.SelColour, tree.Colour),
            std::make_tuple(0xFFFFFFu, 1u, 2u, 0x0F0F0Fu));
  EXPECT_FALSE(tree.FontSize) << "a folder tree takes only the font colour";

  const TControlDesc& gauge = controls[6];
  EXPECT_EQ(std::tie(gauge.ForeColour, gauge.BackColour, gauge.Enabled),
            std::make_tuple(0xFFFFFFFFu, 0xFFu, false));
  EXPECT_FALSE(gauge.HasRawText) << "a gauge takes no caption";

  // An empty caption is still a caption.
  EXPECT_EQ(std::tie(controls[7].Checked, controls[7].HasRawText), std::make_tuple(true, true));
  EXPECT_EQ(std::tie(controls[8].HasRawText, controls[8].AutoSize), std::make_tuple(true, true));
  EXPECT_FALSE(controls[8].WordWrap);
}

TEST_F(PageLayout, BadNamesAndNumbersStopLoading) {
  const std::string pages = "[Pages]\rone.txt\rtwo.txt";
  const struct { std::string one, two, error; } cases[] = {
      {"[Same]\rType=TLabel", "[sAME]\rType=TButton", "A control named sAME already exists"},
      {"[1st]\rType=TLabel", "", "'1st' is not a valid control name"},
      {"[a-b]\rType=TLabel", "", "'a-b' is not a valid control name"},
      {"[]\rType=TLabel", "", "'' is not a valid control name"},
      {"[A]\rType=TLabel\rLeft=12px", "", "'12px' is not a valid integer value"},
      {"[A]\rType=TLabel\rLeft=", "", "'' is not a valid integer value"},
      {"[A]\rType=TEdit\rColour=clRed", "", "'clRed' is not a valid integer value"},
      {"[A]\rType=TLabel\rColour=clRed", "", ""},  // not a key of a label: never read
      {"[A_1]\rType=TLabel\r[_b]\rType=TLabel", "[B1]\rTYPE=TLABEL", ""},
  };
  for (const auto& c : cases) {
    const std::vector<test::RawEntry> entries = {Entry("Pages.txt", pages), Entry("one.txt", c.one),
                                                 Entry("two.txt", c.two)};
    EXPECT_EQ(ErrorOf([&] { Load(entries); }), c.error) << c.one;
  }
  EXPECT_EQ(ErrorOf([&] { Load({Entry("Pages.txt", "[Settings]\rcolour black")}); }),
            "'black' is not a valid integer value");
}

TEST(PictureKind, ByExtensionInAnyCase) {
  const struct { std::string name; TPictureKind kind; } cases[] = {
      {"a.BMP", TPictureKind::Bitmap},  {"x.y.ico", TPictureKind::Icon},   {"m.wmf", TPictureKind::Metafile},
      {"e.Emf", TPictureKind::EnhancedMetafile}, {"p.jpg", TPictureKind::Jpeg}, {"p.JPEG", TPictureKind::Jpeg},
  };
  for (const auto& c : cases) EXPECT_EQ(PictureKindOf(c.name), c.kind) << c.name;

  const struct { std::string name, error; } bad[] = {
      {"pic.png", "Unknown picture file extension (.png)"},
      {"pic", "Unknown picture file extension (.)"},
      {"dir.bmp\\pic", "Unknown picture file extension (.)"},
  };
  for (const auto& c : bad) EXPECT_EQ(ErrorOf([&] { PictureKindOf(c.name); }), c.error) << c.name;
}

}  // namespace
}  // namespace setup
