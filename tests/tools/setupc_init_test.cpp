// init: the skeleton it writes compiles without a warning into a setup that verifies,
// for the name and languages asked for, with every text its pages and the setup
// itself ask for; and the refusals, which leave nothing behind.
#include <filesystem>
#include <regex>
#include <set>

#include "package/pak.h"
#include "script/setup_info.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::ToBytes;

// The numbers of the <LANGn> tags in the page files of one page set.
std::set<int> PageTextNumbers(const std::string& pageSet) {
  std::set<int> numbers;
  const std::regex tag("<LANG([0-9]+)>");
  for (const auto& file : fs::directory_iterator(pageSet)) {
    if (file.path().extension() != ".txt") continue;
    const test::Bytes bytes = test::ReadFileBytes(file.path().string());
    const std::string text(bytes.begin(), bytes.end());
    for (std::sregex_iterator m(text.begin(), text.end(), tag), end; m != end; ++m) {
      numbers.insert(std::stoi((*m)[1].str()));
    }
  }
  return numbers;
}

class InitTest : public SetupcTest {};

TEST_F(InitTest, InitThenCompileThenVerifyForTheNameAndLanguagesAsked) {
  const std::string dir = Path("product");
  fs::create_directory(dir);  // an empty folder is taken
  // The name as the command line delivers it: in the code page on Windows, UTF-8 elsewhere.
#ifdef _WIN32
  const std::string typedName = "  Caf\xE9 Tools 2.1 ";
#else
  const std::string typedName = "  Caf\xC3\xA9 Tools 2.1 ";
#endif
  RunResult r = Run({"init", dir, "--name", typedName, "--languages", "German,english,german"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");

  // A stub with its finaliser beside it, so that compile has nothing to warn about.
  Source("stub.exe", ToBytes("MZ fake stub"));
  Source("finalise.exe", ToBytes("MZ fake finaliser"));
  r = Run({"compile", dir + "/setup.txt", "--stub", Path("stub.exe")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string setup = dir + "/setup.exe";
  r = Run({"verify", setup});
  EXPECT_EQ(r.code, kExitOk) << r.err;

  TPak pak;
  ASSERT_TRUE(pak.Create(setup));
  TSetupInfoFile info;
  ASSERT_TRUE(info.LoadFromBuffer(pak.ExtractEntry(0).value()));
  EXPECT_EQ(info.SetupName, "Caf\xE9 Tools 2.1");  // code page
  EXPECT_EQ(info.ShortName, "Caf\xE9 Tools");
  EXPECT_EQ(info.InstallDir, "$PROGRAMFILES\\Caf\xE9 Tools\\");
  EXPECT_EQ(info.CreateUninstaller, 1);
  std::vector<std::string> languages;
  for (const TPakEntry& entry : pak.Entries()) {
    if (entry.Name.find("LANGUAGE-") != std::string::npos) languages.push_back(entry.Name);
  }
  EXPECT_EQ(languages, (std::vector<std::string>{"LANGUAGE-german", "LANGUAGE-english",
                                                 "UNINSTALL_LANGUAGE-uninstall-german",
                                                 "UNINSTALL_LANGUAGE-uninstall-english"}));

  // Every text a page shows and every text the setup asks for by number, in every
  // language: a missing one would show as "NOT FOUND n".
  const struct {
    std::string pages;
    std::set<int> ownNumbers;
    std::vector<std::string> entries;
  } sets[] = {
      {dir + "/pages/default", {7, 12, 13, 14, 15, 16, 17, 18, 23, 27, 28}, {languages[0], languages[1]}},
      {dir + "/pages/uninstall", {12, 13, 14, 15, 16, 19, 23, 24, 25, 26, 27, 28}, {languages[2], languages[3]}},
  };
  for (const auto& set : sets) {
    std::set<int> numbers = PageTextNumbers(set.pages);
    EXPECT_TRUE(numbers.count(1) && numbers.count(9)) << set.pages << ": the page files were not read";
    numbers.insert(set.ownNumbers.begin(), set.ownNumbers.end());
    for (const std::string& entry : set.entries) {
      std::vector<std::string> arguments = {"text", setup, entry};
      for (int number : numbers) arguments.push_back(std::to_string(number));
      r = Run(arguments);
      EXPECT_EQ(r.code, kExitOk) << entry << ": " << r.err;
      EXPECT_EQ(r.out.find("NOT FOUND"), std::string::npos) << entry << ":\n" << r.out;
    }
  }
}

TEST_F(InitTest, DefaultsAreMyProductInEnglish) {
  const RunResult r = Run({"init", Path("new/product")});  // missing parents are made
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const test::Bytes bytes = test::ReadFileBytes(Path("new/product/setup.txt"));
  const std::string script(bytes.begin(), bytes.end());
  for (const char* line : {"\nname \"My Product 1.0\"\n", "\nshortname \"My Product\"\n", "\nlanguage english\n",
                           "\nuninstalllanguage uninstall-english\n"}) {
    EXPECT_NE(script.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(script.find('@'), std::string::npos) << "a placeholder left unfilled";
  EXPECT_FALSE(fs::exists(Path("new/product/languages/german.txt")));
  EXPECT_TRUE(fs::exists(Path("new/product/payload/readme.txt")));
}

// Each refusal: its exit code and message, and nothing written or changed.
TEST_F(InitTest, RefusalsLeaveEverythingAsItWas) {
  fs::create_directory(Path("full"));
  Source("full/keep.txt", ToBytes("mine"));
  Source("file.txt", ToBytes("mine too"));
  const struct {
    std::vector<std::string> arguments;
    int code;
    std::string message;
  } cases[] = {
      {{"init", Path("full")}, kExitFailed, "is not empty"},
      {{"init", Path("file.txt")}, kExitFailed, "exists and is not a folder"},
      {{"init", Path("fresh"), "--languages", "english,french"}, kExitUsage,
       "unknown language \"french\"; init knows english, german"},
      {{"init", Path("fresh"), "--languages", ",,"}, kExitUsage, "--languages"},
      {{"init", Path("fresh"), "--name", "A/B 1.0"}, kExitUsage, "--name \"A/B 1.0\" is refused"},
      {{"init", Path("fresh"), "--name", "100% Tool"}, kExitUsage, "is refused"},
      {{"init", Path("fresh"), "--name", "  "}, kExitUsage, "--name needs a product name"},
      {{"init"}, kExitUsage, "DIR is required"},
      {{"init", Path("fresh"), Path("other")}, kExitUsage, "was not expected: "},
  };
  for (const auto& c : cases) {
    ExpectOneError(Run(c.arguments), c.code, c.message);
  }
  EXPECT_EQ(test::ReadFileBytes(Path("full/keep.txt")), ToBytes("mine"));
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("full")), fs::directory_iterator()), 1);
  EXPECT_EQ(test::ReadFileBytes(Path("file.txt")), ToBytes("mine too"));
  EXPECT_FALSE(fs::exists(Path("fresh")));
}

}  // namespace
}  // namespace setup::setupc
