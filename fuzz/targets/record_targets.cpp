// The records read out of a package's group 0 or beside an installation: "SetupInfo",
// "CompiledLines", a language file, "install.log".

#include <cstdlib>

#include "base/errors.h"
#include "fuzz_targets.h"
#include "installlog/install_log.h"
#include "installlog/uninstall_list.h"
#include "platform/codepage.h"
#include "script/command_list.h"
#include "script/comp_lines.h"
#include "script/group_kinds.h"
#include "script/setup_info.h"
#include "setupc/commands.h"
#include "targets/scratch.h"
#include "text/languages.h"
#include "uninstall/uninstall_run.h"

namespace setup::fuzz {

namespace {

// A record that loads must come back the same from its own bytes.
void Require(bool condition) {
  if (!condition) std::abort();
}

bool SameSetupInfo(const TSetupInfoFile& a, const TSetupInfoFile& b) {
  return a.Serialize() == b.Serialize();
}

}  // namespace

void FuzzSetupInfo(const uint8_t* data, size_t size) {
  TSetupInfoFile info;
  if (!info.LoadFromBuffer(ByteView(data, size))) return;
  TSetupInfoFile again;
  Require(again.LoadFromBuffer(info.Serialize()) && SameSetupInfo(info, again));
}

void FuzzCompLines(const uint8_t* data, size_t size) {
  TCompLines lines;
  if (!lines.LoadFromBuffer(ByteView(data, size))) {
    Require(lines.Count() == 0);
    return;
  }
  // What start-up does with the lines next: the group kinds and their lookups.
  static TCommandList commands = [] {
    TCommandList list;
    RegisterCommands(list);
    return list;
  }();
  BuildGroupKinds(lines, commands);
  for (const TCompLine& line : lines.Lines()) {
    lines.HasParams(line.LineIndex, line.ParamCount);
    lines.Find(line.LineIndex);
  }
  TCompLines again;
  Require(again.LoadFromBuffer(lines.Serialize()) && again.Count() == lines.Count());
  for (size_t i = 0; i < lines.Count(); ++i) {
    const TCompLine& a = lines.Lines()[i];
    const TCompLine& b = again.Lines()[i];
    Require(a.CommandId == b.CommandId && a.LineIndex == b.LineIndex && a.Params == b.Params);
  }
}

void FuzzLanguage(const uint8_t* data, size_t size) {
  TLanguages languages;
  try {
    // An empty entry gives no buffer, as at start-up.
    languages.Add(size == 0 ? nullptr : data, size);
  } catch (const SetupError&) {
    return;
  }
  languages.SelectDefault(0x0409);
  languages.Current = 0;
  const TLanguage& language = languages.Languages()[0];
  for (uint16_t locale : language.Locales()) languages.FindByLocale(locale);
  // Captions hold tags; so may the texts they insert. A tag naming the first text (which
  // expands that text) and the second text are expanded: one expansion may insert a
  // million characters, which takes the instrumented build most of a second, so more
  // would only slow the search down.
  const std::vector<TLanguageString>& strings = language.Strings();
  if (strings.empty()) return;
  for (const std::u16string& text : {u"<LANG" + platform::AnsiToWide(std::to_string(strings[0].Id)) + u">",
                                     strings[strings.size() > 1 ? 1 : 0].Text}) {
    try {
      languages.ReplaceTags(text);
    } catch (const SetupError&) {
    }
  }
}

void FuzzInstallLog(const uint8_t* data, size_t size) {
  const ByteView bytes(data, size);
  const InstallLogImage image = DecodeInstallLog(bytes);
  // The uninstaller's reader, from the file, and what it does with registry entries.
  WriteScratch("install.log", bytes);
  TUninstallList list;
  const LoadResult result = list.Load(ScratchFolder(), "");
  Require(result != LoadResult::NotFound && list.Files() == image.Lists.Files &&
          list.Folders() == image.Lists.Folders);
  for (const std::string& entry : list.RegistryEntries()) SplitRegistryEntry(entry);
  setupc::LogCommand({ScratchFolder() + "/install.log", size % 2 == 0}, NullStream(), NullStream());
}

}  // namespace setup::fuzz
