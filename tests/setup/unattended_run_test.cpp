// The unattended run and its log: a small script run without a window, its exit code,
// the lines the log gets, and a payload file held by another program.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/posix_controls.h"
#include "script/file_in_use.h"
#include "script/script_run_fixture.h"
#include "setup/exit_code.h"
#include "setup/message_log.h"
#include "setup/unattended_run.h"

namespace setup::test {
namespace {

class UnattendedRunTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    platform::posix::SetManualClock(true, 1000);  // the retry pauses pass at once
    context.Unattended = true;
    OpenPackage({{"SetupInfo", 0, ToBytes("info")}, {"readme.txt", 1, ToBytes("read me")}});
    ASSERT_TRUE(context.Log.Open(dir_.Path("setup.log")));
  }
  void TearDown() override {
    platform::posix::HoldFileInUse("C:\\Program Files\\Demo\\\\readme.txt", 0);
    platform::posix::SetManualClock(false);
    ScriptRunTest::TearDown();
  }

  // Runs the script unattended and returns the exit code; the log's text is in log_.
  ExitCode RunUnattendedLogged() {
    ExitCode code;
    {
      const MessageLogScope boxes(context.Log, /*unattended=*/true);
      code = RunUnattended(context, [](const std::string& message, const std::string&) { FAIL() << message; });
    }
    ReadLog();
    return code;
  }
  void ReadLog() {
    context.Log.Finish();
    std::ifstream in(dir_.Path("setup.log"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    log_ = text.str();
  }
  bool Logged(const std::string& line) const { return log_.find("] " + line + "\r\n") != std::string::npos; }

  std::string log_;
};

TEST_F(UnattendedRunTest, ExitCodeAndLogLinesOfEachOutcome) {
  const std::string file = "C:\\Program Files\\Demo\\\\readme.txt";
  const struct {
    const char* what;
    uint32_t heldOpens;  // failing opens of readme.txt before it is free
    bool failureLine;
    ExitCode code;
    std::vector<std::string> lines;
  } cases[] = {
      {"a clean run", 0, false, ExitCode::Success,
       {"registry value set: HKLM\\Software\\Demo \"Version\" = \"1.0\"", "line 1 writeregstr: done",
        "file written: " + file + " (7 bytes)", "line 2 file: done", "install run done"}},
      {"the file is free after two tries", 2, false, ExitCode::Success,
       {"file in use by another program: " + file + ", trying again", "file written: " + file + " (7 bytes)"}},
      {"the file stays in use", 100, false, ExitCode::ScriptFailed,
       {"file in use by another program: " + file + ", giving up after 5 tries",
        "run failed: Setup failed to install patch.", "line 2 file: failed", "install run failed"}},
      {"the script's failure", 0, true, ExitCode::ScriptFailed,
       {"line 3 failure: failed", "install run failed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    context.CompiledLines = TCompLines();
    context.Run.SetupFailed = false;
    ASSERT_TRUE(context.Log.Open(dir_.Path("setup.log")));
    platform::posix::HoldFileInUse(file, c.heldOpens);
    Line("writeregstr", {"HKLM", "Software\\Demo", "Version", "1.0"});
    Line("file", {"payload", "1"});
    if (c.failureLine) Line("failure", {});
    EXPECT_EQ(RunUnattendedLogged(), c.code);
    EXPECT_EQ(log_.rfind("Setup log, ", 0), 0u);
    for (const std::string& line : c.lines) EXPECT_TRUE(Logged(line)) << line << "\n" << log_;
    platform::posix::HoldFileInUse(file, 0);
  }
}

// With the wizard, a file in use asks: catches a box that does not name the file, a
// Retry that does not try again, and a Cancel that does not fail the run.
TEST_F(UnattendedRunTest, WizardAsksRetryOrCancelForAFileInUse) {
  context.Unattended = false;
  const std::string file = "C:\\Program Files\\Demo\\readme.txt";
  ASSERT_TRUE(platform::CreateDirectoryTree("C:\\Program Files\\Demo"));
  const struct {
    const char* what;
    int answer;
    bool opened;
  } cases[] = {{"Retry once the file is free", platform::kAnswerRetry, true},
               {"Cancel", platform::kAnswerCancel, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    context.Run.SetupFailed = false;
    platform::posix::HoldFileInUse(file, 1);
    std::vector<platform::MessageRequest> boxes;
    const platform::MessageHandler previous = platform::SetMessageHandler([&](const platform::MessageRequest& box) {
      boxes.push_back(box);
      return c.answer;
    });
    platform::File out;
    EXPECT_EQ(OpenPayloadFile(context, file, out), c.opened);
    platform::SetMessageHandler(previous);
    EXPECT_EQ(context.Run.SetupFailed, !c.opened);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons, platform::MessageButtons::RetryCancel);
    EXPECT_EQ(boxes[0].caption, u"Setup Error");
    EXPECT_NE(boxes[0].text.find(platform::AnsiToWide(file)), std::u16string::npos);
  }
}

// Catches a wrong UTF-8 form (one to four bytes, an unpaired surrogate, a code-page
// character) and a line break that would split a log line.
TEST_F(UnattendedRunTest, LogLinesAreUtf8OnOneLine) {
  const struct {
    std::u16string text;
    const char* utf8;
  } cases[] = {
      {u"A\u00e9", "A\xc3\xa9"},
      {u"\u20ac", "\xe2\x82\xac"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},
      {std::u16string(1, char16_t{0xD800}) + u"x", "\xef\xbf\xbdx"},
      {u"one\r\ntwo", "one / two"},
  };
  for (const auto& c : cases) context.Log.Write(c.text);
  context.Log.Write({"caf", "\xe9"});  // Windows-1252
  ReadLog();
  for (const auto& c : cases) EXPECT_TRUE(Logged(c.utf8)) << c.utf8 << "\n" << log_;
  EXPECT_TRUE(Logged("caf\xc3\xa9")) << log_;
}

// Nobody answers a box unattended: each takes its default, and the log has its text.
TEST(MessageLog, UnattendedBoxesTakeTheirDefaultAndAreLogged) {
  TRunLog log;
  const MessageLogScope boxes(log, /*unattended=*/true);
  const struct { platform::MessageButtons buttons; int answer; } cases[] = {
      {platform::MessageButtons::Ok, platform::kAnswerOk},
      {platform::MessageButtons::OkCancel, platform::kAnswerOk},
      {platform::MessageButtons::YesNo, platform::kAnswerYes},
      {platform::MessageButtons::RetryCancel, platform::kAnswerCancel},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ShowMessage(u"text", u"Demo", c.buttons), c.answer);
  EXPECT_FALSE(log.Failed());
  platform::ShowMessage(u"Error: Unsafe Entry Name.", u"Setup Error");
  EXPECT_TRUE(log.Failed());
}

}  // namespace
}  // namespace setup::test
