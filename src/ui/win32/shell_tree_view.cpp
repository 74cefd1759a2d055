#include "ui/win32/shell_tree_view.h"

#include <shellapi.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/drives.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/common_controls.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

namespace {

// Room for every drive letter: "X:\" and a NUL each, one more NUL at the end.
constexpr size_t kDriveListCapacity = 26 * 4 + 1;
constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
using UniqueFind = platform::win32::UniqueHandle<FindTraits>;

bool IsListedFolder(const WIN32_FIND_DATAW& found) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  if ((found.dwFileAttributes & kLeftOut) != 0) return false;
  const std::wstring_view name(found.cFileName);
  return name != L"." && name != L"..";
}

// Calls visit with each listed subfolder of folder (which ends with a backslash) until
// visit returns false.
template <typename Visit>
void ForEachSubfolder(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = folder + L"*";
  UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                   FindExSearchLimitToDirectories, nullptr, 0));
  if (!find) return;
  do {
    if (IsListedFolder(found) && !visit(found.cFileName)) return;
  } while (FindNextFileW(find.get(), &found));
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// The shell's small icon of a folder or drive root, as an index in the system's list.
int ShellIcon(const std::wstring& path, bool open) {
  // Folders are named without their trailing backslash, drive roots with it.
  std::wstring name = path;
  if (name.size() > 3 && name.back() == L'\\') name.pop_back();
  SHFILEINFOW info{};
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
  if (SHGetFileInfoW(name.c_str(), 0, &info, sizeof info, flags) == 0) return 0;
  return info.iIcon;
}

std::wstring DriveDisplayName(const std::wstring& root) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) != 0 &&
      info.szDisplayName[0] != L'\0') {
    return info.szDisplayName;
  }
  return root;
}

// A colour the tree reports, or the fallback when it reports "default" or "none".
COLORREF Actual(COLORREF colour, COLORREF fallback) {
  return (colour & 0xFF000000u) != 0 ? fallback : colour;
}

}  // namespace

TVX_ShellTreeView::TVX_ShellTreeView(HWND parent, int left, int top, int width, int height) {
  InitCommonControlClasses(ICC_TREEVIEW_CLASSES);
  const DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | TVS_HASBUTTONS | TVS_HASLINES |
                      TVS_LINESATROOT | TVS_SHOWSELALWAYS;
  window_.reset(CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", style, left, top, width, height,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!window_) throw std::runtime_error("The folder tree could not be created.");
  const HWND tree = window_.get();
  // Like any control, the tree starts with its parent's font.
  if (parent != nullptr) SetFont(reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)));

  // The system's list of small icons; the tree only borrows it.
  wchar_t windows[MAX_PATH] = {};
  if (GetWindowsDirectoryW(windows, MAX_PATH) == 0) windows[0] = L'\0';
  SHFILEINFOW info{};
  const auto icons = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (icons != nullptr) TreeView_SetImageList(tree, icons, TVSIL_NORMAL);

  for (const std::string& root : platform::LogicalDriveRoots(kDriveListCapacity)) {
    std::wstring path = platform::win32::AnsiToWideString(root);
    if (path.empty()) continue;
    if (path.back() != L'\\') path += L'\\';
    // A drive may hold folders: its button goes when it turns out empty.
    std::wstring text = DriveDisplayName(path);
    Insert(TVI_ROOT, std::move(path), std::move(text), true);
  }
}

TVX_ShellTreeView::~TVX_ShellTreeView() {
  // The tree may report a changed selection while it goes; nobody listens any more.
  OnChange = nullptr;
  // Destroyed with its parent already: nothing left to destroy.
  if (window_ && !IsWindow(window_.get())) window_.release();
}

HTREEITEM TVX_ShellTreeView::Insert(HTREEITEM parent, std::wstring path, std::wstring text,
                                    bool alwaysButton) {
  ItemData& data = items_.emplace_back();
  data.path = std::move(path);
  data.text = std::move(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = data.text.data();
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = alwaysButton ? 1 : I_CHILDRENCALLBACK;
  insert.item.lParam = reinterpret_cast<LPARAM>(&data);
  const HTREEITEM item = TreeView_InsertItem(window_.get(), &insert);
  if (item == nullptr) items_.pop_back();
  return item;
}

TVX_ShellTreeView::ItemData* TVX_ShellTreeView::DataOf(HTREEITEM item) const {
  if (item == nullptr) return nullptr;
  TVITEMW query{};
  query.mask = TVIF_PARAM | TVIF_HANDLE;
  query.hItem = item;
  if (!TreeView_GetItem(window_.get(), &query)) return nullptr;
  return reinterpret_cast<ItemData*>(query.lParam);
}

void TVX_ShellTreeView::Fill(HTREEITEM item) {
  ItemData* data = DataOf(item);
  if (data == nullptr || data->filled) return;
  data->filled = true;
  std::vector<std::wstring> names;
  ForEachSubfolder(data->path, [&names](const wchar_t* name) {
    names.emplace_back(name);
    return true;
  });
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
  // Items are appended in order: no sorted insertion, which would cost a walk each.
  for (std::wstring& name : names) {
    std::wstring path = data->path + name + L'\\';
    Insert(item, std::move(path), std::move(name), false);
  }
  data->subfolders = names.empty() ? Subfolders::None : Subfolders::Some;
  if (names.empty()) {
    TVITEMW change{};
    change.mask = TVIF_CHILDREN | TVIF_HANDLE;
    change.hItem = item;
    change.cChildren = 0;
    TreeView_SetItem(window_.get(), &change);
  }
}

void TVX_ShellTreeView::AnswerDisplayInfo(NMTVDISPINFOW& info) {
  ItemData* data = reinterpret_cast<ItemData*>(info.item.lParam);
  if (data == nullptr) data = DataOf(info.item.hItem);
  if (data == nullptr) return;
  if ((info.item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) != 0) {
    const bool expanded = (TreeView_GetItemState(window_.get(), info.item.hItem, TVIS_EXPANDED) &
                           TVIS_EXPANDED) != 0;
    int& icon = expanded ? data->openIcon : data->icon;
    if (icon < 0) icon = ShellIcon(data->path, expanded);
    info.item.iImage = icon;
    info.item.iSelectedImage = icon;
  }
  if ((info.item.mask & TVIF_CHILDREN) != 0) {
    if (data->subfolders == Subfolders::Unknown) {
      bool any = false;
      ForEachSubfolder(data->path, [&any](const wchar_t*) {
        any = true;
        return false;
      });
      data->subfolders = any ? Subfolders::Some : Subfolders::None;
    }
    info.item.cChildren = data->subfolders == Subfolders::Some ? 1 : 0;
  }
}

LRESULT TVX_ShellTreeView::CustomDraw(NMTVCUSTOMDRAW& draw) {
  const HWND tree = window_.get();
  const auto item = reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec);
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const bool selected = (TreeView_GetItemState(tree, item, TVIS_SELECTED) & TVIS_SELECTED) != 0;
      if (selected) {
        if (customOptions_.Contains(TCustomOption::stvSelFontCol)) draw.clrText = ResolveColour(customSelFontCol_);
        if (customOptions_.Contains(TCustomOption::stvSelCol)) draw.clrTextBk = ResolveColour(customSelCol_);
      } else if (customOptions_.Contains(TCustomOption::stvFontCol)) {
        draw.clrText = ResolveColour(customFontCol_);
      }
      const COLORREF treeText = Actual(TreeView_GetTextColor(tree), GetSysColor(COLOR_WINDOWTEXT));
      const COLORREF treeBack = Actual(TreeView_GetBkColor(tree), GetSysColor(COLOR_WINDOW));
      drawText_ = Actual(draw.clrText, treeText);
      drawBack_ = Actual(draw.clrTextBk, treeBack);
      return CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT: {
      // The tree has drawn lines, button and icon; the text is drawn again here, its
      // background reaching to the right edge of the row.
      const ItemData* data = DataOf(item);
      RECT text{};
      RECT row{};
      if (data == nullptr || !TreeView_GetItemRect(tree, item, &text, TRUE) ||
          !TreeView_GetItemRect(tree, item, &row, FALSE)) {
        return CDRF_DODEFAULT;
      }
      text.right = row.right;
      const HDC dc = draw.nmcd.hdc;
      const HBRUSH brush = CreateSolidBrush(drawBack_);
      if (brush != nullptr) {
        FillRect(dc, &text, brush);
        DeleteObject(brush);
      }
      const HFONT font = reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0));
      const HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;
      const int previousMode = SetBkMode(dc, TRANSPARENT);
      const COLORREF previousColour = SetTextColor(dc, drawText_);
      TextOutW(dc, text.left + 2, text.top + 2, data->text.c_str(), static_cast<int>(data->text.size()));
      SetTextColor(dc, previousColour);
      SetBkMode(dc, previousMode);
      if (previousFont != nullptr) SelectObject(dc, previousFont);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

bool TVX_ShellTreeView::HandleNotify(const NMHDR* header, LRESULT& result) {
  if (header == nullptr || !window_ || header->hwndFrom != window_.get()) return false;
  // The notification structures belong to the tree, which reads back what is written
  // into them; the header is passed as const only by convention.
  NMHDR* writable = const_cast<NMHDR*>(header);
  switch (header->code) {
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      const auto* view = reinterpret_cast<const NMTREEVIEWW*>(header);
      if ((view->action & TVE_EXPAND) != 0) Fill(view->itemNew.hItem);
      result = FALSE;  // let it expand
      return true;
    }
    case TVN_GETDISPINFOW:
    case TVN_GETDISPINFOA:
      AnswerDisplayInfo(*reinterpret_cast<NMTVDISPINFOW*>(writable));
      result = 0;
      return true;
    case NM_CUSTOMDRAW:
      result = CustomDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(writable));
      return true;
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA:
      if (OnChange) OnChange();
      result = 0;
      return true;
    default:
      return false;
  }
}

void TVX_ShellTreeView::SetCustomFontCol(uint32_t colour) {
  customFontCol_ = colour;
  customOptions_.Include(TCustomOption::stvFontCol);
  InvalidateRect(window_.get(), nullptr, TRUE);
}

void TVX_ShellTreeView::SetCustomSelFontCol(uint32_t colour) {
  customSelFontCol_ = colour;
  customOptions_.Include(TCustomOption::stvSelFontCol);
  InvalidateRect(window_.get(), nullptr, TRUE);
}

void TVX_ShellTreeView::SetCustomSelCol(uint32_t colour) {
  customSelCol_ = colour;
  customOptions_.Include(TCustomOption::stvSelCol);
  InvalidateRect(window_.get(), nullptr, TRUE);
}

void TVX_ShellTreeView::SetBackgroundColour(uint32_t colour) {
  TreeView_SetBkColor(window_.get(), ResolveColour(colour));
}

void TVX_ShellTreeView::SetFontColour(uint32_t colour) {
  TreeView_SetTextColor(window_.get(), ResolveColour(colour));
}

void TVX_ShellTreeView::SetBorder(bool border) {
  const HWND tree = window_.get();
  const LONG_PTR extended = GetWindowLongPtrW(tree, GWL_EXSTYLE);
  const LONG_PTR wanted = border ? (extended | WS_EX_CLIENTEDGE) : (extended & ~LONG_PTR{WS_EX_CLIENTEDGE});
  if (wanted == extended) return;
  SetWindowLongPtrW(tree, GWL_EXSTYLE, wanted);
  SetWindowPos(tree, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TVX_ShellTreeView::SetFont(HFONT font) {
  if (font == nullptr) return;
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool TVX_ShellTreeView::SelectPath(const std::string& path) {
  const std::wstring wide = platform::win32::AnsiToWideString(path);
  std::vector<std::wstring_view> parts;
  const std::wstring_view all(wide);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(L'\\', start);
    if (end == std::wstring_view::npos) end = all.size();
    if (end > start) parts.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (parts.empty() || parts[0].size() != 2 || parts[0][1] != L':') return false;

  const HWND tree = window_.get();
  std::wstring prefix = std::wstring(parts[0]) + L'\\';
  // Finds the first child of parent (or top-level item) whose folder is prefix.
  const auto find = [&](HTREEITEM first) -> HTREEITEM {
    for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
      const ItemData* data = DataOf(item);
      if (data != nullptr && SamePath(data->path, prefix)) return item;
    }
    return nullptr;
  };
  HTREEITEM item = find(TreeView_GetRoot(tree));
  for (size_t i = 1; i < parts.size() && item != nullptr; ++i) {
    Expand(item);
    prefix.append(parts[i]).push_back(L'\\');
    item = find(TreeView_GetChild(tree, item));
  }
  if (item == nullptr) return false;
  Select(item);
  return true;
}

std::string TVX_ShellTreeView::SelectedPath() const {
  const ItemData* data = DataOf(TreeView_GetSelection(window_.get()));
  return data != nullptr ? platform::win32::WideStringToAnsi(data->path) : std::string();
}

std::vector<TTreeItem> TVX_ShellTreeView::Items() const {
  const HWND tree = window_.get();
  std::vector<TTreeItem> list;
  list.reserve(items_.size());
  // Depth first without recursion: child, else next sibling, else the next sibling of
  // the nearest ancestor that has one.
  HTREEITEM item = TreeView_GetRoot(tree);
  while (item != nullptr) {
    const ItemData* data = DataOf(item);
    list.push_back({item, data != nullptr ? platform::win32::WideStringToAnsi(data->path) : std::string()});
    HTREEITEM next = TreeView_GetChild(tree, item);
    while (next == nullptr && item != nullptr) {
      next = TreeView_GetNextSibling(tree, item);
      if (next == nullptr) item = TreeView_GetParent(tree, item);
    }
    item = next;
  }
  return list;
}

void TVX_ShellTreeView::Expand(HTREEITEM item) {
  if (item == nullptr) return;
  Fill(item);  // a programmatic expansion sends no TVN_ITEMEXPANDING
  TreeView_Expand(window_.get(), item, TVE_EXPAND);
}

void TVX_ShellTreeView::Select(HTREEITEM item) {
  if (item == nullptr) return;
  TreeView_SelectItem(window_.get(), item);
  TreeView_EnsureVisible(window_.get(), item);
}

}  // namespace setup::ui
