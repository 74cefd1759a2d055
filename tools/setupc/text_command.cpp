// setupc text PACKAGE ENTRY NUMBER...: language texts as a page shows them, with tags,
// line breaks and the macros of the setup's own values expanded.

#include <ostream>

#include "base/errors.h"
#include "script/register_macros.h"
#include "setupc/commands.h"
#include "setupc/package_input.h"
#include "setupc/setup_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"
#include "ui/model/caption.h"

namespace setup::setupc {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<uint16_t> ParseTextNumber(std::string_view text) {
  const bool hex = !text.empty() && text.front() == '$';
  if (hex) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    if (value > 0xFFFF) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

int TextCommand(const TextOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<uint16_t> numbers;
  for (const std::string& text : options.numbers) {
    const std::optional<uint16_t> number = ParseTextNumber(text);
    if (!number) {
      ReportError(err, "bad text number \"" + text + "\": decimal or $hexadecimal, 0 to 65535");
      return kExitUsage;
    }
    numbers.push_back(*number);
  }
  const std::optional<std::string> entryName = ArgumentToAnsi(options.entry);
  if (!entryName) {
    ReportError(err, "bad entry name \"" + options.entry + "\": it has characters the code page cannot hold");
    return kExitUsage;
  }

  SetupContext context;
  if (const int code = LoadSetup(context, options.package, err); code != kExitOk) return code;
  const std::optional<size_t> index = context.Package.IndexOf(*entryName, 0);
  if (!index) {
    ReportError(err, options.package + ": no entry \"" + AnsiToNative(*entryName) + "\" in group 0");
    return kExitFailed;
  }
  if (!AddLanguage(context, *index, err)) return kExitFailed;
  context.Languages.Current = 0;
  RegisterMacros(context.Macros, context.SetupInfo, context.Variables);

  // Every text is expanded before any is printed: a failing tag leaves stdout empty.
  std::string result;
  for (uint16_t number : numbers) {
    std::u16string text;
    try {
      text = ExpandCaption(context.Languages, context.Macros, context.Languages.GetString(number));
    } catch (const SetupError& e) {
      ReportError(err,
                  "text " + std::to_string(number) + " of " + AnsiToNative(*entryName) + ": " + e.what());
      return kExitFailed;
    }
    for (char c : Utf16ToUtf8(text)) result += c == '\r' ? '\n' : c;
    result += '\n';
  }
  out << result;
  return kExitOk;
}

}  // namespace setup::setupc
