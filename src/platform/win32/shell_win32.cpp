// Special folders, shell execution and shell links through the shell.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "base/decimal_text.h"
#include "base/errors.h"
#include "platform/programs.h"
#include "platform/shell.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

std::string SpecialFolderLocation(int csidl, void* owner) {
  if (std::optional<std::string> redirected = RedirectedSpecialFolder(csidl)) return *redirected;
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(static_cast<HWND>(owner), csidl, &items)) || items == nullptr) {
    return {};
  }
  wchar_t path[MAX_PATH] = {};
  const BOOL converted = SHGetPathFromIDListW(items, path);
  CoTaskMemFree(items);
  return converted ? win32::WideStringToAnsi(path) : std::string();
}

bool OpenDocumentMaximized(const std::string& path, void* owner) {
  if (RecordProgramRequest({path, {}, true})) return true;
  const std::wstring file = win32::AnsiToWideString(path);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The caller may end the process right after: the shell must have finished starting
  // the program (including any DDE conversation) before this returns.
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = static_cast<HWND>(owner);
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWMAXIMIZED;
  return ShellExecuteExW(&info) != FALSE;
}

std::string SpecialFolderPath(int csidl) {
  if (std::optional<std::string> redirected = RedirectedSpecialFolder(csidl)) return *redirected;
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return win32::WideStringToAnsi(path);
}

// ---- shell links ----

namespace {

// Owns one reference to a component-object interface.
template <typename Interface>
class ComReference {
 public:
  ComReference() = default;
  ~ComReference() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  void** put() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// A link's text properties are at most a path long (the arguments at most the
// info-tip size); the buffers leave room for both.
constexpr int kLinkTextCapacity = 1024;

// Calls a getter of the link into a buffer; empty text when it fails.
template <typename Getter>
std::string LinkText(Getter getter) {
  wchar_t buffer[kLinkTextCapacity] = {};
  if (FAILED(getter(buffer, kLinkTextCapacity))) return {};
  buffer[kLinkTextCapacity - 1] = L'\0';
  return win32::WideStringToAnsi(buffer);
}

}  // namespace

bool SaveShellLink(const std::string& linkPath, const ShellLink& link) {
  ComReference<IShellLinkW> shellLink;
  const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, shellLink.put());
  if (FAILED(created) || shellLink.get() == nullptr) {
    throw SetupError("Unable to create a shell link object (error 0x" +
                     PaddedHex(static_cast<uint32_t>(created), 8) + ")");
  }
  // The properties are set as far as the shell takes them; only the save decides.
  shellLink->SetPath(win32::AnsiToWideString(link.target).c_str());
  shellLink->SetArguments(win32::AnsiToWideString(link.arguments).c_str());
  shellLink->SetWorkingDirectory(win32::AnsiToWideString(link.workingFolder).c_str());
  shellLink->SetShowCmd(SW_SHOWNORMAL);
  if (!link.iconPath.empty()) {
    shellLink->SetIconLocation(win32::AnsiToWideString(link.iconPath).c_str(), link.iconIndex);
  }
  ComReference<IPersistFile> file;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put())) || file.get() == nullptr) {
    return false;
  }
  return SUCCEEDED(file->Save(win32::AnsiToWideString(linkPath).c_str(), TRUE));
}

std::optional<ShellLink> LoadShellLink(const std::string& linkPath) {
  ComReference<IShellLinkW> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shellLink.put())) ||
      shellLink.get() == nullptr) {
    return std::nullopt;
  }
  ComReference<IPersistFile> file;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put())) || file.get() == nullptr ||
      FAILED(file->Load(win32::AnsiToWideString(linkPath).c_str(), STGM_READ))) {
    return std::nullopt;
  }
  ShellLink link;
  // The raw path: the target as set, without resolving it against the file system.
  link.target = LinkText([&](wchar_t* buffer, int size) {
    return shellLink->GetPath(buffer, size, nullptr, SLGP_RAWPATH);
  });
  link.arguments = LinkText([&](wchar_t* buffer, int size) { return shellLink->GetArguments(buffer, size); });
  link.workingFolder =
      LinkText([&](wchar_t* buffer, int size) { return shellLink->GetWorkingDirectory(buffer, size); });
  int iconIndex = 0;
  link.iconPath = LinkText([&](wchar_t* buffer, int size) {
    return shellLink->GetIconLocation(buffer, size, &iconIndex);
  });
  link.iconIndex = iconIndex;
  return link;
}

ComponentObjectScope::ComponentObjectScope() {
  // S_FALSE: already initialised on this thread, which still counts for one release.
  const HRESULT result = CoInitialize(nullptr);
  initialised_ = result == S_OK || result == S_FALSE;
}

ComponentObjectScope::~ComponentObjectScope() {
  if (initialised_) CoUninitialize();
}

}  // namespace setup::platform
