#pragma once
// The folder tree of the folder page: a common-controls tree view of the file system
// whose top-level items are the logical drives and whose children are folders (hidden
// and system folders left out), filled when an item is first expanded, with the
// shell's small icons (the open-folder icon for an expanded item). The selection stays
// visible when the tree loses focus. Items are drawn in the custom colours that are in
// force: the text colour of the selected item, its background, the text colour of the
// other items; the text rectangle is widened to the right edge of the row.
//
// The tree view sends its notifications to its parent window. The parent must pass
// every WM_NOTIFY whose header's hwndFrom is Window() to HandleNotify and, when that
// returns true, return the result it gives from its window procedure:
//
//   case WM_NOTIFY: {
//     LRESULT result = 0;
//     if (tree && tree->HandleNotify(reinterpret_cast<NMHDR*>(lParam), result)) return result;
//     break;
//   }
//
// Without it the tree cannot fill folders the user opens, draws in the tree's own
// colours and raises no OnChange. Expand, Select and SelectPath fill what they need
// themselves.
//
// Paths are 8-bit text in the system code page. Folder paths end with a backslash.

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace setup::ui {

enum class TCustomOption { stvSelFontCol, stvFontCol, stvSelCol };

// A set of TCustomOption.
class TCustomOptions {
 public:
  bool Contains(TCustomOption option) const { return (bits_ & Bit(option)) != 0; }
  void Include(TCustomOption option) { bits_ |= Bit(option); }
  bool Empty() const { return bits_ == 0; }

 private:
  static unsigned Bit(TCustomOption option) { return 1u << static_cast<unsigned>(option); }
  unsigned bits_ = 0;
};

struct TTreeItem {
  HTREEITEM item;
  std::string path;  // the folder, with a trailing backslash
};

class TVX_ShellTreeView {
 public:
  // Creates the tree hidden, as a child of parent, listing the logical drives.
  // Throws std::runtime_error when the window cannot be created.
  TVX_ShellTreeView(HWND parent, int left, int top, int width, int height);
  ~TVX_ShellTreeView();
  TVX_ShellTreeView(const TVX_ShellTreeView&) = delete;
  TVX_ShellTreeView& operator=(const TVX_ShellTreeView&) = delete;

  HWND Window() const { return window_.get(); }

  // The custom colours (0x00BBGGRR or system colours); setting one puts it in force.
  void SetCustomFontCol(uint32_t colour);
  void SetCustomSelFontCol(uint32_t colour);
  void SetCustomSelCol(uint32_t colour);
  uint32_t CustomFontCol() const { return customFontCol_; }
  uint32_t CustomSelFontCol() const { return customSelFontCol_; }
  uint32_t CustomSelCol() const { return customSelCol_; }
  TCustomOptions CustomOptions() const { return customOptions_; }

  // The tree's own background and text colours.
  void SetBackgroundColour(uint32_t colour);
  void SetFontColour(uint32_t colour);
  // A sunken single border (true) or none.
  void SetBorder(bool border);
  // Not owned: the font must outlive the tree or be replaced first.
  void SetFont(HFONT font);

  // Expands the items down to the folder (with or without a trailing backslash) and
  // selects it. False, with the selection unchanged, when the tree has no item for it
  // (no such folder, a hidden one, not a drive path).
  bool SelectPath(const std::string& path);
  // The selected folder with a trailing backslash; empty without a selection.
  std::string SelectedPath() const;
  // Every item so far created, in display-list order (each item before its children,
  // children in order), with its folder.
  std::vector<TTreeItem> Items() const;
  // Fills the item's folders when not done yet and expands it.
  void Expand(HTREEITEM item);
  // Selects the item and scrolls it into view.
  void Select(HTREEITEM item);

  // Raised when the selection changes, by the user or the program.
  std::function<void()> OnChange;

  // Handles a notification from the tree (see above). False when it is not from this
  // tree or not one the tree answers.
  bool HandleNotify(const NMHDR* header, LRESULT& result);

 private:
  enum class Subfolders { Unknown, Some, None };
  struct ItemData {
    std::wstring path;  // with a trailing backslash
    std::wstring text;  // as shown
    int icon = -1;      // indices in the system's small image list, -1 until asked
    int openIcon = -1;
    Subfolders subfolders = Subfolders::Unknown;
    bool filled = false;
  };

  HTREEITEM Insert(HTREEITEM parent, std::wstring path, std::wstring text, bool alwaysButton);
  ItemData* DataOf(HTREEITEM item) const;
  void Fill(HTREEITEM item);
  void AnswerDisplayInfo(NMTVDISPINFOW& info);
  LRESULT CustomDraw(NMTVCUSTOMDRAW& draw);

  uint32_t customFontCol_ = 0;
  uint32_t customSelFontCol_ = 0;
  uint32_t customSelCol_ = 0;
  TCustomOptions customOptions_;
  // The colours chosen for the item being drawn, from its pre-paint to its post-paint.
  COLORREF drawText_ = 0;
  COLORREF drawBack_ = 0;
  std::deque<ItemData> items_;  // stable addresses: each item's lParam points here
  // Last, so that the window goes first while the item data still exists.
  platform::win32::UniqueWindow window_;
};

}  // namespace setup::ui
