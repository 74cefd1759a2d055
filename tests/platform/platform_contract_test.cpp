// What the file, shell-link and registry services promise in both builds, checked once
// against each: the posix stand-ins (a sandbox drive, the in-memory registry) and the
// Windows services (real folders, shell links and registry, under Wine).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform_fixture.h"
#include "test_support.h"

namespace setup::platform {
namespace {

using PlatformContract = PlatformTest;

// Catches: a copy that refuses to replace, or copies a folder; a rename that silently
// replaces (the Windows move refuses); a folder removal that takes its contents along,
// removes a file, or refuses a trailing "\".
TEST_F(PlatformContract, CopyRenameAndRemoveFolderFollowTheWindowsRules) {
  const std::string one = In("a\\one.txt"), two = In("a\\two.txt"), moved = In("b\\moved.txt");
  Write(one, "one");
  Write(two, "two");
  EXPECT_FALSE(RenameFile(one, two));
  EXPECT_EQ(Read(two), "two");
  EXPECT_TRUE(CopyFileReplacing(one, two));
  EXPECT_EQ(Read(two), "one");
  EXPECT_FALSE(CopyFileReplacing(In("a\\missing.txt"), In("a\\three.txt")));
  EXPECT_FALSE(CopyFileReplacing(In("a"), In("copy")));

  ASSERT_TRUE(CreateDirectoryTree(In("b\\inner")));
  EXPECT_TRUE(RenameFile(one, moved));
  EXPECT_FALSE(FileExists(one));
  EXPECT_EQ(Read(moved), "one");

  EXPECT_FALSE(RemoveFolder(In("b")));  // a file and a folder in it
  EXPECT_TRUE(FileExists(moved));
  EXPECT_FALSE(RemoveFolder(moved));  // a file
  EXPECT_TRUE(RemoveFile(moved));
  EXPECT_FALSE(RemoveFolder(In("b")));  // a folder in it
  EXPECT_TRUE(RemoveFolder(In("b\\inner")));
  EXPECT_TRUE(RemoveFolder(In("b\\")));
  EXPECT_FALSE(DirectoryExists(In("b")));
}

// Catches: "." and ".." listed, the folder flag wrong, a trailing "\" that changes the
// listing, a file or a missing folder listed as if it were a folder.
TEST_F(PlatformContract, ListFolderShowsFilesAndFoldersWithTheirFlag) {
  Write(In("t\\plain.txt"), "p");
  Write(In("t\\sub\\inner.txt"), "i");
  EXPECT_EQ(test::SortedListing(In("t")), (test::Listing{{"plain.txt", false}, {"sub", true}}));
  EXPECT_EQ(test::SortedListing(In("t\\")), test::SortedListing(In("t")));
  EXPECT_TRUE(ListFolder(In("t\\plain.txt")).empty());
  EXPECT_TRUE(ListFolder(In("missing")).empty());
}

// Catches: a property lost or swapped in the round trip, an icon location made up when
// none was given, a value with quotes, a line break or "%" that splits or changes, a
// save into a missing folder reported as done, something that is no link read as one,
// the component-object system left uninitialised.
TEST_F(PlatformContract, ShellLinksRoundTrip) {
  ComponentObjectScope scope;
  Write(In("App\\app.exe"), "a program");
  const ShellLink withIcon{In("App\\app.exe"), "-x \"%1\" \"b c\" 100%0A\nnext", In("App\\"),
                           In("icons\\a=b.ico"), 3};
  const ShellLink plain{In("App\\app.exe"), "", In("App\\"), "", 0};
  const auto fields = [](const ShellLink& l) {
    return std::tie(l.target, l.arguments, l.workingFolder, l.iconPath, l.iconIndex);
  };
  for (const auto& [name, link] : {std::pair{"with.lnk", withIcon}, std::pair{"plain.lnk", plain}}) {
    ASSERT_TRUE(SaveShellLink(In(name), link)) << name;
    const std::optional<ShellLink> loaded = LoadShellLink(In(name));
    ASSERT_TRUE(loaded.has_value()) << name;
    EXPECT_EQ(fields(*loaded), fields(link)) << name;
  }

  EXPECT_FALSE(SaveShellLink(In("missing\\x.lnk"), plain));
  EXPECT_FALSE(LoadShellLink(In("absent.lnk")).has_value());
  Write(In("bad.lnk"), "not a link\n");
  EXPECT_FALSE(LoadShellLink(In("bad.lnk")).has_value());
}

// Catches: Open creating keys, Create not making the parents, roots sharing one tree,
// path forms the system accepts (trailing, doubled "\") or refuses (leading "\"), a bad
// root taken as a root, a write through a key that failed to open.
TEST_F(PlatformContract, OpenCreateAndPathForms) {
  RegistryKey key;
  EXPECT_FALSE(key.Open(kHkeyCurrentUser, Key("A")));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, Key()));
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key("A\\B\\")));
  EXPECT_TRUE(RegistryKeyExists(kHkeyCurrentUser, Key("A")));
  EXPECT_TRUE(RegistryKeyExists(kHkeyCurrentUser, Key() + "\\\\A\\B"));
  EXPECT_TRUE(RegistryKeyExists(kHkeyCurrentUser, ""));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, "\\" + Key("A")));
  EXPECT_FALSE(key.Create(kHkeyCurrentUser, "\\" + Key("C")));
  EXPECT_FALSE(RegistryKeyExists(kHkeyLocalMachine, Key()));
  for (const uint32_t badRoot : {kNoRootKey, 0x80000004u, 2u}) {
    SCOPED_TRACE(badRoot);
    EXPECT_FALSE(key.Open(badRoot, "Software"));
    EXPECT_FALSE(key.Create(badRoot, "Software"));
    EXPECT_FALSE(RegistryKeyExists(badRoot, ""));
    EXPECT_FALSE(DeleteRegistryKey(badRoot, "Software"));
    EXPECT_FALSE(key.WriteString("v", "x"));  // the failed open left it closed
  }
}

// Catches: names matched with case, absent and empty values confused, the default value
// (empty name) lost, long text cut.
TEST_F(PlatformContract, StringValuesReadBackWhateverTheCaseOfTheirNames) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key("A\\B")));
  ASSERT_TRUE(key.WriteString("InstallPath", "C:\\Program Files\\Product"));
  ASSERT_TRUE(key.WriteString("Empty", ""));
  ASSERT_TRUE(key.WriteString("", "default"));
  key.Close();

  ASSERT_TRUE(key.Open(kHkeyCurrentUser, Key("a\\b")));
  EXPECT_EQ(key.ReadString("INSTALLPATH"), "C:\\Program Files\\Product");
  EXPECT_EQ(key.ReadString("Empty"), std::optional<std::string>(""));
  EXPECT_EQ(key.ReadString(""), "default");
  EXPECT_EQ(key.ReadString("Absent"), std::nullopt);
  const std::string longText(5000, 'L');
  ASSERT_TRUE(key.Open(kHkeyCurrentUser, Key("A\\B"), RegistryAccess::Full));
  ASSERT_TRUE(key.WriteString("Long", longText));
  EXPECT_EQ(key.ReadString("long"), longText);
}

// Catches: text read as a number or a number as text, a rewrite (in any case of the
// name) that keeps the old type, a closed, deleted or never opened key that still
// reads or writes.
TEST_F(PlatformContract, NumberValuesStayApartFromText) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key("N")));
  ASSERT_TRUE(key.WriteDword("Count", 0xFFFFFFFEu));
  ASSERT_TRUE(key.WriteString("Text", "12"));
  EXPECT_EQ(key.ReadDword("COUNT"), 0xFFFFFFFEu);
  EXPECT_EQ(key.ReadString("Count"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Text"), std::nullopt);
  EXPECT_EQ(key.ReadString("text"), "12");
  ASSERT_TRUE(key.WriteDword("TEXT", 0));
  EXPECT_EQ(key.ReadDword("Text"), 0u);
  EXPECT_EQ(key.ReadString("Text"), std::nullopt);
  key.Close();
  EXPECT_EQ(key.ReadDword("Count"), std::nullopt);
  EXPECT_FALSE(key.WriteDword("Count", 1));

  ASSERT_TRUE(key.Open(kHkeyCurrentUser, Key("N"), RegistryAccess::Full));
  EXPECT_TRUE(key.WriteString("COUNT", "text now"));
  EXPECT_EQ(key.ReadDword("Count"), std::nullopt);
  EXPECT_EQ(key.ReadString("Count"), "text now");
  ASSERT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, Key("N")));
  EXPECT_FALSE(key.WriteDword("Count", 1));
  EXPECT_FALSE(RegistryKey().WriteDword("x", 1));
}

// Catches: a key deleted with its subkeys, the root deletable through an empty path,
// DeleteValue reporting success for an absent value, key paths matched with case or
// refused with a trailing "\", a handle of a deleted key that still reads or writes,
// values left behind for a key made again.
TEST_F(PlatformContract, DeletesValuesAndLeafKeysOnly) {
  RegistryKey leaf;
  ASSERT_TRUE(leaf.Create(kHkeyCurrentUser, Key("P\\Leaf")));
  ASSERT_TRUE(leaf.WriteString("v", "1"));
  ASSERT_TRUE(leaf.WriteString("w", "2"));
  EXPECT_TRUE(leaf.DeleteValue("V"));
  EXPECT_FALSE(leaf.DeleteValue("v"));

  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, Key("P")));  // it has a subkey
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, ""));
  EXPECT_FALSE(DeleteRegistryKey(kHkeyCurrentUser, Key("P\\Absent")));
  std::string shouted = Key("p\\leaf\\");
  for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, shouted));
  EXPECT_FALSE(RegistryKeyExists(kHkeyCurrentUser, Key("P\\Leaf")));
  EXPECT_TRUE(RegistryKeyExists(kHkeyCurrentUser, Key("P")));
  EXPECT_FALSE(leaf.WriteString("x", "3"));
  EXPECT_EQ(leaf.ReadString("w"), std::nullopt);

  RegistryKey fresh;
  ASSERT_TRUE(fresh.Create(kHkeyCurrentUser, Key("P\\Leaf")));
  EXPECT_EQ(fresh.ReadString("w"), std::nullopt);
  fresh.Close();
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, Key("P\\Leaf")));
  EXPECT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, Key("P")));
}

// Catches: a character the code page lacks turned into "?" (a different, unusable name)
// or a look-alike; an escape the way back does not undo (surrogate pairs, an unpaired
// surrogate, a literal "?{" in the text); a malformed escape decoded; and an escaped
// name that does not reach the file system as the real name.
TEST_F(PlatformContract, TextTheCodePageLacksTravelsAsEscapesAndNamesRealFiles) {
  const std::u16string lacking[] = {u"Игры", u"Παιχνίδια", u"游戏", u"\U0001F3AE", u"a\xD800z", u"?{41F}"};
  for (const std::u16string& text : lacking) {
    const std::string ansi = WideToAnsi(text);
    EXPECT_EQ(AnsiToWide(ansi), text);
    EXPECT_NE(ansi.find("?{"), std::string::npos);
    EXPECT_EQ(WideToCodePage(text), std::nullopt);
  }
  EXPECT_EQ(WideToAnsi(u"C:\\Игры\\\U0001F3AE"), "C:\\?{418}?{433}?{440}?{44B}\\?{1F3AE}");
  EXPECT_EQ(WideToCodePage(u"Demo caf\u00E9"), WideToAnsi(u"Demo caf\u00E9"));
  for (const char* malformed : {"?{}", "?{1234567}", "?{XYZ}", "?{110000}", "a?{41F", "??{"}) {
    EXPECT_EQ(AnsiToWide(malformed), std::u16string(malformed, malformed + std::char_traits<char>::length(malformed)));
  }
  EXPECT_EQ(AnsiToWide("?{41f}x?{41F}"), u"ПxП");

  const std::string folder = In(WideToAnsi(u"Игры \U0001F3AE 游戏"));
  const std::string file = folder + "\\" + WideToAnsi(u"Παιχνίδια.txt");
  ASSERT_TRUE(CreateDirectoryTree(folder));
  File out;
  ASSERT_TRUE(out.Open(file, OpenMode::CreateAlways));
  ASSERT_TRUE(out.Write("data", 4));
  out.Close();
  EXPECT_TRUE(FileExists(file));
#ifdef _WIN32
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(AnsiToWide(file)))) << "the real name";
#endif
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_TRUE(RemoveFolder(folder));
}

}  // namespace
}  // namespace setup::platform
