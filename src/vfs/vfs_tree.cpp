#include "vfs/vfs_tree.h"

#include "vfs/vfs_file.h"

namespace setup {

void TVFSTree::Clear() {
  entries_.clear();
  freeEntries_.clear();
  byPath_.clear();
  dirty_.clear();
  reserved_ = 0;
}

int32_t TVFSTree::NewEntry() {
  if (!freeEntries_.empty()) {
    const int32_t index = freeEntries_.back();
    freeEntries_.pop_back();
    entries_[static_cast<size_t>(index)] = TVFSTreeEntry{};
    entries_[static_cast<size_t>(index)].Index = index;
    return index;
  }
  if (entries_.size() >= static_cast<size_t>(INT32_MAX)) return -1;
  entries_.emplace_back();
  entries_.back().Index = static_cast<int32_t>(entries_.size() - 1);
  return entries_.back().Index;
}

void TVFSTree::Index(int32_t entry) {
  // A name that occurs twice keeps the first entry, as a scan in tree order finds it.
  byPath_.emplace(VfsFoldCase(entries_[static_cast<size_t>(entry)].Path), entry);
}

void TVFSTree::AddRootEntry(uint32_t slot) {
  TVFSNode& node = file_.Roots()[slot];
  if (node.Name.find('\\') != std::string::npos) {
    throw VfsError("The root entry \"" + node.Name + "\" holds a \"\\\" in its name.");
  }
  const int32_t index = NewEntry();
  TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
  entry.Path = node.Name;
  entry.Node = &node;
  entry.RootSlot = static_cast<int32_t>(slot);
  entry.ChainBlocks = file_.ClaimChain(node, entry.Path);
  Index(index);
}

void TVFSTree::BuildFull() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Index < 0 || !entries_[i].Node->IsFolder() || entries_[i].Node->StoredSize == 0) continue;
    const std::unique_ptr<TVFSFileBuffer> content = file_.ReadFile(*entries_[i].Node);
    const size_t count = entries_[i].Node->StoredSize / kVfsRecordSize;
    if (!content || content->Size() < count * kVfsRecordSize) {
      throw VfsError("The content of the folder \"" + entries_[i].Path + "\" cannot be read.");
    }
    for (size_t k = 0; k < count; ++k) {
      auto node = std::make_unique<TVFSNode>(DecodeRecord(content->Data().data() + k * kVfsRecordSize));
      if (node->Name.empty() || node->Name.find('\\') != std::string::npos) {
        throw VfsError("The folder \"" + entries_[i].Path + "\" holds an entry without a proper name.");
      }
      const int32_t index = NewEntry();
      TVFSTreeEntry& child = entries_[static_cast<size_t>(index)];
      TVFSTreeEntry& parent = entries_[i];
      child.Path = parent.Path + "\\" + node->Name;
      child.Parent = static_cast<int32_t>(i);
      child.ChildSlot = static_cast<int32_t>(parent.Children.size());
      child.Depth = parent.Depth + 1;
      child.ChainBlocks = file_.ClaimChain(*node, child.Path);
      child.Node = node.get();
      child.Owned = std::move(node);
      parent.Children.push_back(index);
      ++parent.LiveChildren;
      Index(index);
    }
  }
}

int32_t TVFSTree::FindByPath(const std::string& path) const {
  const auto it = byPath_.find(VfsFoldCase(path));
  return it == byPath_.end() ? -1 : it->second;
}

int32_t TVFSTree::FindChild(int32_t parent, const std::string& name) const {
  if (parent < 0) return FindByPath(name);
  return FindByPath(entries_[static_cast<size_t>(parent)].Path + "\\" + name);
}

int64_t TVFSTree::ReserveIf(const TVFSTreeEntry& entry, uint32_t liveChildren) const {
  const auto need = static_cast<int64_t>(BlocksFor(uint64_t{liveChildren} * kVfsRecordSize, file_.Header().BlockSize));
  return std::max<int64_t>(0, need - entry.ChainBlocks);
}

int64_t TVFSTree::ReserveOf(const TVFSTreeEntry& entry) const {
  return entry.Dirty ? ReserveIf(entry, entry.LiveChildren) : 0;
}

void TVFSTree::SetDirty(int32_t index, bool dirty) {
  TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
  reserved_ -= ReserveOf(entry);
  if (dirty) {
    dirty_.emplace(-int64_t{entry.Depth}, index);
  } else {
    dirty_.erase({-int64_t{entry.Depth}, index});
  }
  entry.Dirty = dirty;
  reserved_ += ReserveOf(entry);
}

void TVFSTree::MarkDirty(int32_t index) {
  if (index >= 0 && !entries_[static_cast<size_t>(index)].Dirty) SetDirty(index, true);
}

// A node's record changed: into its root slot at the top level, else into its
// parent's content when that is rewritten.
void TVFSTree::RecordEntry(int32_t index) {
  const TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
  if (entry.Parent < 0) {
    file_.WriteRootSlot(static_cast<size_t>(entry.RootSlot));
  } else {
    MarkDirty(entry.Parent);
  }
}

int32_t TVFSTree::CreateNewFileDir(int32_t parent, const std::string& name, uint32_t time, uint32_t unpackedSize,
                                   uint32_t storedSize, uint32_t firstBlock, bool writeNow, uint32_t flags) {
  TVFSNode node{name.substr(0, kVfsNameSize), flags, time, firstBlock, storedSize, unpackedSize};
  int32_t index = -1;
  if (parent < 0) {
    std::vector<TVFSNode>& roots = file_.Roots();
    size_t slot = 0;
    while (slot < roots.size() && !roots[slot].Name.empty()) ++slot;
    if (slot == roots.size() || (index = NewEntry()) < 0) {
      throw VfsError("CreateNewFileDir: ROOT Result = Cardinal(-1)");
    }
    roots[slot] = std::move(node);
    TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
    entry.Node = &roots[slot];
    entry.RootSlot = static_cast<int32_t>(slot);
    entry.Path = entry.Node->Name;
  } else {
    if ((index = NewEntry()) < 0) throw VfsError("CreateNewFileDir: NON-ROOT Result = Cardinal(-1)");
    TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
    TVFSTreeEntry& owner = entries_[static_cast<size_t>(parent)];
    entry.Owned = std::make_unique<TVFSNode>(std::move(node));
    entry.Node = entry.Owned.get();
    entry.Parent = parent;
    entry.Depth = owner.Depth + 1;
    entry.Path = owner.Path + "\\" + entry.Node->Name;
    reserved_ -= ReserveOf(owner);
    if (!owner.FreeChildSlots.empty()) {
      entry.ChildSlot = *owner.FreeChildSlots.begin();
      owner.FreeChildSlots.erase(owner.FreeChildSlots.begin());
      owner.Children[static_cast<size_t>(entry.ChildSlot)] = index;
    } else {
      entry.ChildSlot = static_cast<int32_t>(owner.Children.size());
      owner.Children.push_back(index);
    }
    ++owner.LiveChildren;
    reserved_ += ReserveOf(owner);
    MarkDirty(parent);
  }
  Index(index);
  if (writeNow) {
    TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
    file_.WriteFile(*entry.Node, nullptr, 0);
    entry.ChainBlocks = 1;
    if (parent < 0) RecordEntry(index);
  }
  return index;
}

void TVFSTree::DeleteEntry(int32_t index, bool nested) {
  // Everything below first; iterative, so a deep tree cannot exhaust the stack.
  std::vector<int32_t> pending{index};
  std::vector<int32_t> order;
  while (!pending.empty()) {
    const int32_t current = pending.back();
    pending.pop_back();
    order.push_back(current);
    for (int32_t child : entries_[static_cast<size_t>(current)].Children) {
      if (child >= 0) pending.push_back(child);
    }
  }
  for (int32_t current : order) {
    TVFSTreeEntry& entry = entries_[static_cast<size_t>(current)];
    SetDirty(current, false);
    file_.FreeChain(*entry.Node);
    const auto it = byPath_.find(VfsFoldCase(entry.Path));
    if (it != byPath_.end() && it->second == current) byPath_.erase(it);
  }
  TVFSTreeEntry& top = entries_[static_cast<size_t>(index)];
  if (top.Parent >= 0) {
    TVFSTreeEntry& owner = entries_[static_cast<size_t>(top.Parent)];
    reserved_ -= ReserveOf(owner);
    owner.Children[static_cast<size_t>(top.ChildSlot)] = -1;
    owner.FreeChildSlots.insert(top.ChildSlot);
    --owner.LiveChildren;
    reserved_ += ReserveOf(owner);
    if (!nested) MarkDirty(top.Parent);
  } else {
    *top.Node = TVFSNode{};
    file_.WriteRootSlot(static_cast<size_t>(top.RootSlot));
  }
  for (int32_t current : order) {
    TVFSTreeEntry& entry = entries_[static_cast<size_t>(current)];
    entry = TVFSTreeEntry{};
    freeEntries_.push_back(current);
  }
}

}  // namespace setup
