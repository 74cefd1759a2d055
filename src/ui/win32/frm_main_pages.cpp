// The wizard's page flow: Back, Next and Cancel, the folder page with its field and
// tree, the confirmation page's space check, and closing.
#include <string>

#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"
#include "ui/model/caption.h"
#include "ui/model/wizard_flow.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/page_area.h"
#include "ui/win32/shell_tree_view.h"

namespace setup::ui {

namespace {

// Marks a tree synchronisation as under way for its own lifetime.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = previous_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

void TFrmMain::NextButtonClick() {
  folderRefusalTip_.Hide();
  TVXPageControl& pages = *pageSet_;
  if (pages.Pages().empty()) return;
  const int32_t before = pages.CurrentPage();
  pages.ShowPage(before + 1);
  if (pages.CurrentPage() == before) return;  // beyond the last page: nothing happens
  switch (*pages.CurrentType()) {
    case TPageType::patch:
      if (!SpaceSuffices(context_.Variables)) {
        pages.Buttons().Next.Enabled = false;
        pages.ApplyButtons();
      }
      ShowFreeSpace();
      break;
    case TPageType::installdir:
      if (!dirPageVisited_) {
        dirPageVisited_ = true;
        SetFolderFieldText(context_.SetupInfo.InstallDir);
      }
      InstallDir_Edit_Change();
      break;
    case TPageType::patching:
      // An uninstaller has no script; a run would only save the log and build and
      // register another uninstaller.
      if (context_.SetupInfo.IsUninstaller != 1) InstallRun();
      break;
    case TPageType::uninstall:
      if (RunRemoval) RunRemoval(*this);
      break;
    case TPageType::finish:
      // Reached with Next, not by a run: the wizard is done.
      if (context_.SetupInfo.IsUninstaller == 1) FinishPageLeft();
      PostMessageW(window_.get(), WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

void TFrmMain::BackButtonClick() {
  folderRefusalTip_.Hide();
  pageSet_->ShowPage(pageSet_->CurrentPage() - 1);
  RecheckNext();
}

void TFrmMain::CancelButtonClick() { PostMessageW(window_.get(), WM_CLOSE, 0, 0); }

void TFrmMain::ShowFreeSpace() {
  if (spaceAvailable_ == nullptr) return;
  spaceAvailable_->SetCaption(ExpandCaption(context_.Languages, context_.Macros, kFreeSpaceCaption));
}

// Showing a page enables Next; the page's own checks (the drive of the folder field,
// the free space) may take that back. They never enable it.
void TFrmMain::RecheckNext() {
  const std::optional<TPageType> type = pageSet_->CurrentType();
  if (!type) return;
  std::optional<std::string> folder;
  if (installDirEdit_ != nullptr) folder = FolderFieldText();
  if (!PageChecksAllowNext(*type, folder, context_.Variables)) {
    pageSet_->Buttons().Next.Enabled = false;
    pageSet_->ApplyButtons();
  }
}

// ---- folder page ----

std::string TFrmMain::FolderFieldText() const {
  return installDirEdit_ == nullptr ? std::string() : platform::WideToAnsi(installDirEdit_->Text());
}

// Sets the field's text without raising its change handler; callers run it themselves.
void TFrmMain::SetFolderFieldText(const std::string& text) {
  if (installDirEdit_ == nullptr) return;
  FlagScope suppress(suppressEditChange_);
  installDirEdit_->SetText(platform::AnsiToWide(text));
}

void TFrmMain::InstallDir_Edit_Change() {
  if (installDirEdit_ == nullptr || suppressEditChange_) return;
  const std::string text = FolderFieldText();
  if (pageSet_->CurrentType() == TPageType::installdir) {
    const bool usable = ApplyFolderText(text, dirPageVisited_, context_.SetupInfo, context_.Variables);
    pageSet_->Buttons().Next.Enabled = usable;
    pageSet_->ApplyButtons();
    ShowFolderProblem(text);
    if (!usable) return;
  }
  if (shellTree_ != nullptr && !treeSynchronising_) SynchroniseTree(text, true);
}

// A folder text the page cannot use gets a balloon saying why (FolderTextProblem).
void TFrmMain::ShowFolderProblem(const std::string& text) {
  const std::optional<std::string> problem = FolderTextProblem(text);
  if (!problem || installDirEdit_ == nullptr) {
    folderRefusalTip_.Hide();
    return;
  }
  folderRefusalTip_.Show(installDirEdit_->Window(), platform::win32::ToWide(platform::AnsiToWide(*problem)));
}

void TFrmMain::AttachTreeChange() {
  if (shellTree_ == nullptr) return;
  shellTree_->Tree()->OnChange = [this] { Guarded([this] { ShellTreeViewChange(); }); };
}

void TFrmMain::ShellTreeViewChange() {
  // While the tree follows the field, its selection must not write back into the field
  // (it would replace what the user is typing with the nearest existing folder).
  if (installDirEdit_ == nullptr || shellTree_ == nullptr || treeSynchronising_) return;
  if (pageSet_->CurrentType() != TPageType::installdir) return;
  const std::string path = shellTree_->Tree()->SelectedPath();
  if (!FolderDriveUsable(path)) return;
  SetFolderFieldText(path);
  InstallDir_Edit_Change();
}

void TFrmMain::SynchroniseTree(const std::string& path, bool expand) {
  if (shellTree_ == nullptr) return;
  TVX_ShellTreeView& tree = *shellTree_->Tree();
  FlagScope synchronising(treeSynchronising_);
  const std::optional<std::string> folder =
      TreeFolderFor(path, [](const std::string& p) { return platform::DirectoryExists(p); });
  if (!folder) return;
  tree.SelectPath(*folder);
  if (!expand) return;
  // The drives are the tree's top-level items; open the folders down to the one found,
  // under one update of the tree.
  // Turning drawing back on shows a hidden window: only a shown tree is held still.
  const bool hold = IsWindowVisible(tree.Window()) != FALSE;
  if (hold) SendMessageW(tree.Window(), WM_SETREDRAW, FALSE, 0);
  for (const std::string& prefix : TreeFolderPrefixes(*folder)) {
    const std::vector<TTreeItem> items = tree.Items();
    const TTreeItem* match = nullptr;
    for (const TTreeItem& item : items) {
      if (SameTreeFolder(item.path, prefix)) {
        match = &item;
        break;
      }
    }
    if (match == nullptr) break;
    tree.Expand(match->item);
  }
  if (platform::DirectoryExists(path)) {
    for (const TTreeItem& item : tree.Items()) {
      if (SameTreeFolder(item.path, path)) {
        tree.Select(item.item);
        break;
      }
    }
  }
  if (hold) {
    SendMessageW(tree.Window(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(tree.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

// ---- closing ----

bool TFrmMain::FormCloseQuery() { return QueryClose(working_, pageSet_->CurrentType(), context_.Languages); }

void TFrmMain::FormClose() {
  if (thread_) {
    context_.Run.ShuttingDown = true;
    thread_->RequestStop();
    thread_->Join();
    thread_.reset();
  }
  if (pageSet_->CurrentType() == TPageType::finish && context_.SetupInfo.IsUninstaller == 1) FinishPageLeft();
}

void TFrmMain::FinishPageLeft() {
  if (finaliserStarted_) return;
  finaliserStarted_ = true;
  if (StartFinaliser) StartFinaliser(*this);
}

}  // namespace setup::ui
