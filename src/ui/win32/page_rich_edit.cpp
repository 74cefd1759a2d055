// Rich edits ("trichedit"): both scroll bars, 8-bit text from the layout, or a package
// entry (rich text or plain text) written for a moment to "\RETL.temp" in the temporary
// folder. A missing entry shows the "Rich Edit Error" box. The text stays editable: the
// layout gives no key for a read-only box.

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "ui/win32/callback_guard.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_gdi.h"
#include "ui/win32/page_temp_file.h"
#include "ui/win32/page_window_control.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

namespace {

constexpr SIZE kRichEditSize{185, 89};
constexpr const char* kRichEditErrorCaption = "Rich Edit Error";
constexpr const char* kRichEditTempName = "RETL.temp";
constexpr LPARAM kTextLimit = 0x7FFFFFFE;

// The rich edit window class: the newer library where there is one. The library stays
// loaded for the life of the process, as long as any of its windows may live.
const wchar_t* RichEditClass() {
  static const wchar_t* const className = [] {
    if (platform::win32::LoadSystemLibrary(L"msftedit.dll") != nullptr) return MSFTEDIT_CLASS;
    platform::win32::LoadSystemLibrary(L"riched20.dll");
    return RICHEDIT_CLASSW;
  }();
  return className;
}

struct StreamSource {
  ByteView bytes;
  size_t offset = 0;
};

// Called by the rich edit's own code while EM_STREAMIN runs; a failure ends the stream
// (a non-zero answer) when it does not end the process.
DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* read) {
  return GuardCallback(
      [&]() -> DWORD {
        auto* source = reinterpret_cast<StreamSource*>(cookie);
        const size_t left = source->bytes.size() - source->offset;
        const size_t chunk = std::min(left, static_cast<size_t>(std::max<LONG>(count, 0)));
        std::memcpy(buffer, source->bytes.data() + source->offset, chunk);
        source->offset += chunk;
        *read = static_cast<LONG>(chunk);
        return 0;
      },
      DWORD{1});
}

bool IsRichText(ByteView bytes) {
  static constexpr char kSignature[] = "{\\rtf";
  constexpr size_t kLength = sizeof kSignature - 1;
  return bytes.size() >= kLength && std::memcmp(bytes.data(), kSignature, kLength) == 0;
}

class TPageRichEdit final : public TWindowControl {
 public:
  TPageRichEdit(const TControlDesc& desc, TPageArea& area, SetupContext& context) : TWindowControl(desc, area) {
    const bool border = desc.Border.value_or(true);
    CreateChild(desc, border ? WS_EX_CLIENTEDGE : 0, RichEditClass(), L"",
                WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                kRichEditSize);
    const HWND window = window_.get();
    SendMessageW(window, EM_EXLIMITTEXT, 0, kTextLimit);
    SendMessageW(window, EM_SETEVENTMASK, 0, ENM_CHANGE);
    SendMessageW(window, EM_SETTARGETDEVICE, 0, 0);  // lines wrap at the window's width
    if (desc.Colour) SendMessageW(window, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ResolveColour(*desc.Colour)));
    if (font_.Colour) {
      CHARFORMAT2W format{};
      format.cbSize = sizeof format;
      format.dwMask = CFM_COLOR;
      format.crTextColor = *font_.Colour;
      SendMessageW(window, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
      SendMessageW(window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    }
    // Later lines override earlier ones: a "text" line after the "file" line wins.
    const auto setText = [&] {
      if (desc.PlainText) SetWindowTextW(window, platform::win32::AnsiToWideString(*desc.PlainText).c_str());
    };
    if (!desc.TextAfterFile) setText();
    if (desc.File) LoadFile(*desc.File, context);
    if (desc.TextAfterFile) setText();
  }

  std::u16string Text() const override { return platform::win32::FromWide(WindowText(window_.get())); }
  // A new font would replace the rich text's own fonts; the box keeps its fonts, whose
  // sizes are in points, and draws them at the new DPI itself.
  void ApplyDpi() override { MoveToLayoutPlace(); }

 private:
  void LoadFile(const std::string& value, SetupContext& context) {
    // "<%CHANGELOG%>" names the changelog entry.
    const std::string name = platform::WideToAnsi(context.Macros.ApplyMacros(platform::AnsiToWide(value)));
    const std::optional<size_t> index = context.Package.IndexOf(name, 0);
    if (!index) {
      platform::ShowMessage("Error: File \"" + name + "\" Missing", kRichEditErrorCaption);
      return;
    }
    const Bytes bytes = context.Package.ExtractEntry(*index).value_or(Bytes{});
    // The file exists while the box loads, from the same bytes.
    const TTemporaryFile file(TemporaryPath(kRichEditTempName), bytes);
    StreamSource source{bytes};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadChunk;
    SendMessageW(window_.get(), EM_STREAMIN, IsRichText(bytes) ? SF_RTF : SF_TEXT,
                 reinterpret_cast<LPARAM>(&stream));
  }
};

}  // namespace

std::unique_ptr<TPageControl> CreateRichEditControl(const TControlDesc& desc, TPageArea& area,
                                                    SetupContext& context) {
  return std::make_unique<TPageRichEdit>(desc, area, context);
}

}  // namespace setup::ui
