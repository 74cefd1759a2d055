// A script for setupc compile: script text in, diagnostics out. The script lives in a
// folder with a few files it can name (a payload, a page set, a language, a changelog).

#include <cctype>
#include <filesystem>
#include <string_view>

#include "base/errors.h"
#include "fuzz_targets.h"
#include "setupc/script_compiler.h"
#include "targets/scratch.h"

namespace setup::fuzz {

namespace {

void WriteText(const std::string& name, std::string_view text) {
  WriteScratch("compile/" + name, ByteView(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

const std::string& CompileFolder() {
  static const std::string folder = [] {
    const std::string root = ScratchFolder() + "/compile";
    for (const char* sub : {"payload/sub", "pages/default", "languages", "kzp", "vfs"}) {
      std::filesystem::create_directories(root + "/" + sub);
    }
    WriteText("readme.txt", "read me\r\n");
    WriteText("payload/a.txt", "payload\r\n");
    WriteText("payload/sub/b.txt", "nested\r\n");
    WriteText("kzp/Data.txt", "kzp entry\r\n");
    WriteText("vfs/maps.txt", "vfs entry\r\n");
    WriteText("ChangeLog.rtf", "{\\rtf1 changes}\r\n");
    WriteText("pages/default/Pages.txt",
              "[Pages]\r\nwelcome.txt\r\nfinish.txt\r\n[PageTypes]\r\nWelcome\r\nFinish\r\n[Settings]"
              "\r\ncolour $FFFFFF\r\n");
    WriteText(
        "pages/default/welcome.txt",
        "[WelcomeLabel]\r\nType=TLabel\r\nCaption=<LANG1>\r\n[Side]\r\nType=TImage\r\nFile=side.bmp\r\n");
    WriteText("pages/default/side.bmp", "BM");
    WriteText("icon.ico", std::string_view("\0\0\1\0\0\0", 6));
    WriteText("finalise.exe", "MZ");
    WriteText("pages/default/finish.txt", "[FinishLabel]\r\nType=TLabel\r\nCaption=<LANG2>\r\n");
    const std::u16string language = u"English\r\n0409;\r\n1 Welcome\r\n2 Done\r\n";
    Bytes file = {0xFF, 0xFE};
    for (char16_t c : language) {
      file.push_back(static_cast<uint8_t>(c));
      file.push_back(static_cast<uint8_t>(c >> 8));
    }
    WriteScratch("compile/languages/english.txt", file);
    return root;
  }();
  return folder;
}

namespace {

bool PathChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':' || c == '$';
}

// Whether every path the script can name stays inside the compile folder: no "..", and
// every separator follows a name (a path that begins with one is absolute here).
bool StaysInFolder(std::string_view script) {
  if (script.find("..") != std::string_view::npos) return false;
  for (size_t i = 0; i < script.size(); ++i) {
    if ((script[i] == '/' || script[i] == '\\') &&
        (i == 0 || !PathChar(static_cast<unsigned char>(script[i - 1])))) {
      return false;
    }
  }
  return true;
}

}  // namespace

void FuzzCompile(const uint8_t* data, size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  if (!StaysInFolder(script)) return;
  const std::string path = CompileFolder() + "/script.setup";
  WriteScratch("compile/script.setup", ByteView(data, size));
  setupc::CompiledScript result;
  setupc::Diagnostics diagnostics;
  const bool compiled = setupc::CompileScript(path, result, diagnostics);
  if (compiled != diagnostics.empty()) std::abort();  // a failure always says why
}

}  // namespace setup::fuzz
