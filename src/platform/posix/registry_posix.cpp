// The registry as an in-memory tree under the five roots. Names keep the case they were
// first written with and are matched by ASCII case folding, as the real registry does
// for the text this system writes. One mutex guards the whole tree; an open key holds
// its node, so that a key deleted while open turns every later operation on it into a
// failure instead of a dangling access.
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/posix/registry_posix.h"
#include "platform/registry.h"

namespace setup::platform {

namespace {

struct Node {
  struct Value {
    std::string name;
    bool isDword = false;  // false: text in data
    std::string data;
    uint32_t dword = 0;
  };
  std::string name;
  bool deleted = false;
  std::map<std::string, std::shared_ptr<Node>> children;  // by folded name
  std::map<std::string, Value> values;                    // by folded name
};

constexpr std::array<uint32_t, 5> kRoots = {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine,
                                            kHkeyUsers, kHkeyCurrentConfig};

struct Registry {
  std::mutex mutex;
  std::array<std::shared_ptr<Node>, kRoots.size()> roots;
  uint64_t accessCount = 0;

  Registry() {
    for (auto& root : roots) root = std::make_shared<Node>();
  }
};

Registry& State() {
  static Registry registry;
  return registry;
}

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// The root's node, or null for a number that is not one of the five roots.
std::shared_ptr<Node> RootNode(Registry& registry, uint32_t root) {
  const auto it = std::find(kRoots.begin(), kRoots.end(), root);
  if (it == kRoots.end()) return nullptr;
  return registry.roots[static_cast<size_t>(it - kRoots.begin())];
}

// The names of a key path: empty components (a doubled or trailing "\") are skipped;
// a path that begins with "\" is refused, as the system refuses it.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  if (!path.empty() && path.front() == '\\') return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

// Walks from the root to the key; with create, missing keys are added on the way.
// Must be called with the mutex held.
std::shared_ptr<Node> Find(Registry& registry, uint32_t root, const std::string& path,
                           bool create) {
  std::shared_ptr<Node> node = RootNode(registry, root);
  std::vector<std::string_view> parts;
  if (!node || !SplitPath(path, parts)) return nullptr;
  for (const std::string_view part : parts) {
    const std::string folded = Fold(part);
    auto it = node->children.find(folded);
    if (it == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_shared<Node>();
      child->name = std::string(part);
      it = node->children.emplace(folded, std::move(child)).first;
    }
    node = it->second;
  }
  return node;
}

void MarkDeleted(Node& node) {
  node.deleted = true;
  for (auto& [name, child] : node.children) MarkDeleted(*child);
}

void List(uint32_t root, const Node& node, const std::string& path,
          std::vector<posix::RegistryItem>& out) {
  for (const auto& [folded, value] : node.values) {
    out.push_back({root, path, true, value.name,
                   value.isDword ? std::to_string(value.dword) : value.data, value.isDword});
  }
  for (const auto& [folded, child] : node.children) {
    const std::string childPath = path.empty() ? child->name : path + "\\" + child->name;
    out.push_back({root, childPath, false, {}, {}});
    List(root, *child, childPath, out);
  }
}

}  // namespace

struct RegistryKey::Handle {
  std::shared_ptr<Node> node;
};

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

// Access rights are not modelled: every key may be opened for reading and writing.
bool RegistryKey::Open(uint32_t root, const std::string& path, RegistryAccess /*access*/) {
  Close();
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  std::shared_ptr<Node> node = Find(registry, root, path, false);
  if (!node) return false;
  handle_ = std::make_unique<Handle>(Handle{std::move(node)});
  return true;
}

bool RegistryKey::Create(uint32_t root, const std::string& path) {
  Close();
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  std::shared_ptr<Node> node = Find(registry, root, path, true);
  if (!node) return false;
  handle_ = std::make_unique<Handle>(Handle{std::move(node)});
  return true;
}

bool RegistryKey::IsOpen() const { return handle_ != nullptr; }

void RegistryKey::Close() { handle_.reset(); }

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  if (!handle_ || handle_->node->deleted) return std::nullopt;
  const auto it = handle_->node->values.find(Fold(name));
  if (it == handle_->node->values.end() || it->second.isDword) return std::nullopt;
  return it->second.data;
}

bool RegistryKey::WriteString(const std::string& name, const std::string& value) {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  if (!handle_ || handle_->node->deleted) return false;
  // The name keeps the case it was first written with; the type is the last write's.
  Node::Value& stored = handle_->node->values.try_emplace(Fold(name), Node::Value{name, false, {}, 0}).first->second;
  stored.isDword = false;
  stored.data = value;
  stored.dword = 0;
  return true;
}

std::optional<uint32_t> RegistryKey::ReadDword(const std::string& name) const {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  if (!handle_ || handle_->node->deleted) return std::nullopt;
  const auto it = handle_->node->values.find(Fold(name));
  if (it == handle_->node->values.end() || !it->second.isDword) return std::nullopt;
  return it->second.dword;
}

bool RegistryKey::WriteDword(const std::string& name, uint32_t value) {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  if (!handle_ || handle_->node->deleted) return false;
  Node::Value& stored = handle_->node->values.try_emplace(Fold(name), Node::Value{name, false, {}, 0}).first->second;
  stored.isDword = true;
  stored.data.clear();
  stored.dword = value;
  return true;
}

bool RegistryKey::DeleteValue(const std::string& name) {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  if (!handle_ || handle_->node->deleted) return false;
  return handle_->node->values.erase(Fold(name)) > 0;
}

bool RegistryKeyExists(uint32_t root, const std::string& path) {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  return Find(registry, root, path, false) != nullptr;
}

bool DeleteRegistryKey(uint32_t root, const std::string& path) {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  ++registry.accessCount;
  std::vector<std::string_view> parts;
  if (!SplitPath(path, parts) || parts.empty()) return false;  // never a root
  std::shared_ptr<Node> parent = RootNode(registry, root);
  if (!parent) return false;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto it = parent->children.find(Fold(parts[i]));
    if (it == parent->children.end()) return false;
    parent = it->second;
  }
  const auto it = parent->children.find(Fold(parts.back()));
  if (it == parent->children.end() || !it->second->children.empty()) return false;
  it->second->deleted = true;
  parent->children.erase(it);
  return true;
}

namespace posix {

void ResetRegistry() {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  for (auto& root : registry.roots) {
    MarkDeleted(*root);
    root = std::make_shared<Node>();
  }
  registry.accessCount = 0;
}

uint64_t RegistryAccessCount() {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  return registry.accessCount;
}

std::vector<RegistryItem> RegistryContents() {
  Registry& registry = State();
  std::lock_guard lock(registry.mutex);
  std::vector<RegistryItem> out;
  for (size_t i = 0; i < kRoots.size(); ++i) List(kRoots[i], *registry.roots[i], "", out);
  return out;
}

}  // namespace posix

std::string BeginRegistrySandbox() {
  posix::ResetRegistry();
  return "in-memory registry";
}

std::vector<SandboxRegistryValue> SandboxRegistryValues() {
  std::vector<SandboxRegistryValue> values;
  for (const posix::RegistryItem& item : posix::RegistryContents()) {
    if (item.isValue) values.push_back({item.root, item.path, item.valueName, item.data});
  }
  return values;
}

void EndRegistrySandbox() { posix::ResetRegistry(); }

}  // namespace setup::platform
