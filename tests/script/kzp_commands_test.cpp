// "kzpupdate", "kzpofficial" and "duplicateentry" in a whole run: scrambled
// parameters, status lines, and what a failed package update does to the run.

#include "package/kzp_format.h"
#include "package/package_password_key.h"
#include "script_run_fixture.h"

namespace setup::test {
namespace {

class KzpCommandsTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    language_ = Utf16File(
        u"English\r\n0409;\r\n19 Processing <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> files\r\n"
        u"20 Writing <%KZPNAME%>`s Header\r\n23 Setup failed to install patch.\r\n");
    context.Languages = TLanguages();
    context.Languages.Add(language_.data(), language_.size());
    context.Languages.Current = 0;
    std::filesystem::create_directories(Local("C:\\Program Files\\Demo"));
  }

  TKzpLayout Layout(const std::string& name) {
    platform::File file;
    TKzpLayout layout;
    std::string reason;
    EXPECT_TRUE(file.Open("C:\\Program Files\\Demo\\" + name, platform::OpenMode::ReadShared));
    EXPECT_TRUE(ReadKzpLayout(file, layout, reason)) << reason;
    return layout;
  }
};

TEST_F(KzpCommandsTest, UpdateRunTwiceThroughAJumpUnscramblesOnce) {
  OpenPackage({{"Sounds\\a.txt", 1, ToBytes("aaa")}, {"b.txt", 1, ToBytes("bb")}});
  WriteFileBytes(Local("C:\\Program Files\\Demo\\game.kzp"), EmptyKzpPackage());
  const std::string scrambled = EncodeString(PackagePasswordKey, "s3cret");
  Label();
  Line("kzpupdate", {"src", scrambled, "game.kzp", "1"});
  Line("iffileexists", {"$INSTDIR\\again", "4", "-1"});
  Line("copyfile", {"$INSTDIR\\game.kzp", "$INSTDIR\\again"});
  Line("goto", {"0"});
  Line("kzpofficial", {"game.kzp", EncodeString(PackagePasswordKey, "qorvint"), "true"});
  Line("duplicateentry", {"game.kzp", "sounds\\A.TXT", "c.txt"});
  MessageRecorder boxes;
  Run();
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
  EXPECT_FALSE(context.Run.SetupFailed);
  EXPECT_EQ(context.CompiledLines.Lines()[1].Params[1], "s3cret");
  const TKzpLayout layout = Layout("game.kzp");
  EXPECT_EQ(layout.Signature.Password, "s3cret");
  EXPECT_TRUE(layout.Signature.Official);
  ASSERT_EQ(layout.Records.size(), 3u);
  EXPECT_EQ(layout.Records[2].Offset, layout.Records[0].Offset);
  const std::vector<std::string> once = {"Processing game.kzp: 0 of 2 files", "Processing game.kzp: 0 of 2 files",
                                         "Processing game.kzp: 1 of 2 files", "Writing game.kzp`s Header"};
  std::vector<std::string> expected = once;
  expected.insert(expected.end(), once.begin(), once.end());
  std::vector<std::string> kzpLines;
  for (const std::string& s : statuses) {
    if (s.find("game.kzp") != std::string::npos && s.find("Copying") == std::string::npos) kzpLines.push_back(s);
  }
  EXPECT_EQ(kzpLines, expected);
}

TEST_F(KzpCommandsTest, AFailedUpdateShowsItsErrorAndFailsTheRun) {
  OpenPackage({{"a.txt", 1, ToBytes("aaa")}});
  WriteFileBytes(Local("C:\\Program Files\\Demo\\damaged.kzp"), ToBytes("not a package at all, not at all"));
  const struct {
    std::string name;
    int answer;
    std::vector<std::string> captions;
    std::string text;
  } cases[] = {
      {"damaged.kzp", platform::kAnswerOk, {"Error"}, "File C:\\Program Files\\Demo\\\\damaged.kzp has corrupted header."},
      {"absent.kzp", platform::kAnswerCancel, {"Error"}, "File not found: \"C:\\Program Files\\Demo\\\\absent.kzp\"."},
  };
  for (const auto& c : cases) {
    context.CompiledLines.Clear();
    context.Run.SetupFailed = false;
    Line("kzpupdate", {"src", "", c.name, "1"});
    Line("createdirectory", {"$INSTDIR\\after"});
    MessageRecorder boxes(c.answer);
    Run();
    ExpectOneBox(boxes, "Error", c.text);
    EXPECT_TRUE(context.Run.SetupFailed);
    EXPECT_EQ(context.HandOff.TakePending().FinishText, u"Setup failed to install patch.");
    EXPECT_FALSE(std::filesystem::exists(Local("C:\\Program Files\\Demo\\after")));
  }
}

}  // namespace
}  // namespace setup::test
