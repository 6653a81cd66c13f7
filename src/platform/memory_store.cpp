#include "platform/memory_store.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kestrum {
namespace {

constexpr std::size_t kIndexThreshold = 32;

// FNV-1a over the folded bytes: names that compare equal hash equal.
std::uint32_t nameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ foldRegistryByte(static_cast<unsigned char>(c))) * 16777619u;
  return hash;
}

// Splits a key path into its steps; empty steps (doubled or trailing
// backslashes) are skipped.
template <typename F>
bool forEachStep(std::string_view path, F&& step) {
  while (!path.empty()) {
    std::size_t cut = path.find('\\');
    std::string_view part = path.substr(0, cut);
    if (!part.empty() && !step(part)) return false;
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return true;
}

}  // namespace

std::string RegNode::path() const {
  if (parent_ == nullptr || parent_->parent_ == nullptr) return name_;
  std::string up = parent_->path();
  if (parent_->parent_->parent_ == nullptr) return name_;  // child of a root
  return up + "\\" + name_;
}

RegNode* RegNode::child(std::string_view name) const {
  auto it = children_.find(name);
  return it == children_.end() ? nullptr : it->second.get();
}

RegNode& RegNode::childOrCreate(std::string_view name) {
  auto it = children_.lower_bound(name);
  if (it != children_.end() && !children_.key_comp()(name, it->first)) return *it->second;
  auto node = std::make_unique<RegNode>(std::string(name), this);
  RegNode& ref = *node;
  children_.emplace_hint(it, std::string(name), std::move(node));
  return ref;
}

bool RegNode::removeChild(std::string_view name) {
  auto it = children_.find(name);
  if (it == children_.end()) return false;
  children_.erase(it);
  return true;
}

void RegNode::buildIndex(std::size_t slotCount) const {
  valueSlots_.assign(slotCount, 0);
  for (std::size_t i = 0; i < values_.size(); ++i) indexValue(i);
}

void RegNode::indexValue(std::size_t position) const {
  const std::size_t mask = valueSlots_.size() - 1;
  std::size_t slot = nameHash(values_[position].name) & mask;
  while (valueSlots_[slot] != 0) slot = (slot + 1) & mask;
  valueSlots_[slot] = static_cast<std::uint32_t>(position + 1);
}

std::size_t RegNode::findValue(std::string_view name) const {
  const std::size_t count = values_.size();
  if (count < kIndexThreshold) {
    const std::size_t start = lastFound_ < count ? lastFound_ : 0;
    for (std::size_t i = start; i < count; ++i)
      if (registryNameEquals(values_[i].name, name)) return lastFound_ = i;
    for (std::size_t i = 0; i < start; ++i)
      if (registryNameEquals(values_[i].name, name)) return lastFound_ = i;
    return count;
  }
  // At most half the slots in use, so that probe runs stay short.
  if (valueSlots_.empty()) buildIndex(std::bit_ceil(2 * count));
  const std::size_t mask = valueSlots_.size() - 1;
  for (std::size_t slot = nameHash(name) & mask; valueSlots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::size_t i = valueSlots_[slot] - 1;
    if (registryNameEquals(values_[i].name, name)) return i;
  }
  return count;
}

const RegValue* RegNode::value(std::string_view name) const {
  std::size_t i = findValue(name);
  return i == values_.size() ? nullptr : &values_[i];
}

RegValue& RegNode::appendValue(std::string_view name, std::uint32_t type) {
  values_.push_back(RegValue{std::string(name), type, std::string()});
  if (!valueSlots_.empty()) {
    if (2 * values_.size() > valueSlots_.size())
      buildIndex(2 * valueSlots_.size());
    else
      indexValue(values_.size() - 1);
  }
  return values_.back();
}

void RegNode::setValue(std::string_view name, std::uint32_t type, std::string data) {
  std::size_t i = findValue(name);
  RegValue& value = i != values_.size() ? values_[i] : appendValue(name, type);
  value.type = type;
  value.data = std::move(data);
}

void RegNode::assignValue(std::string_view name, std::uint32_t type, std::string_view data) {
  std::size_t i = findValue(name);
  RegValue& value = i != values_.size() ? values_[i] : appendValue(name, type);
  value.type = type;
  value.data.assign(data);
}

bool RegNode::removeValue(std::string_view name) {
  std::size_t i = findValue(name);
  if (i == values_.size()) return false;
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
  valueSlots_.clear();
  return true;
}

RegTree::RegTree() : top_(std::make_unique<RegNode>("")) {}

RegNode& RegTree::localMachine() { return top_->childOrCreate("HKEY_LOCAL_MACHINE"); }

MemoryStore::MemoryStore() { tree_.localMachine(); }

MemoryStore::MemoryStore(RegTree tree) : tree_(std::move(tree)) { tree_.localMachine(); }

const MemoryStore::OpenKey* MemoryStore::resolve(KeyHandle key) const {
  static const OpenKey kRoot{nullptr, kKeyAllAccess};
  if (key == kHkeyLocalMachine) return &kRoot;
  if (key == kNoKey || key > handles_.size()) return nullptr;
  const OpenKey& open = handles_[key - 1];
  return open.node == nullptr ? nullptr : &open;
}

KeyHandle MemoryStore::issue(RegNode* node, std::uint32_t access) {
  if (!freeSlots_.empty()) {
    std::size_t slot = freeSlots_.back();
    freeSlots_.pop_back();
    handles_[slot] = OpenKey{node, access};
    return slot + 1;
  }
  handles_.push_back(OpenKey{node, access});
  return handles_.size();
}

std::string MemoryStore::pathOf(KeyHandle key, std::string_view subKey) const {
  std::string path = "HKEY_LOCAL_MACHINE";
  const OpenKey* open = resolve(key);
  if (open != nullptr && open->node != nullptr) path.append("\\").append(open->node->path());
  if (!subKey.empty()) path.append("\\").append(subKey);
  return path;
}

bool MemoryStore::openKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
                          KeyHandle& result) {
  const OpenKey* open = resolve(parent);
  if (open == nullptr) return false;
  RegNode* node = open->node != nullptr ? open->node : &tree_.localMachine();
  if (!forEachStep(subKey, [&](std::string_view step) {
        node = node->child(step);
        return node != nullptr;
      }))
    return false;
  result = issue(node, access);
  return true;
}

bool MemoryStore::createKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
                            KeyHandle& result) {
  const OpenKey* open = resolve(parent);
  if (open == nullptr) {
    recordFailure({pathOf(kNoKey, subKey), "the parent key is not open"});
    return false;
  }
  RegNode* node = open->node != nullptr ? open->node : &tree_.localMachine();
  const bool mayCreate = (open->access & kKeyCreateSubKey) != 0;
  bool refused = false;
  forEachStep(subKey, [&](std::string_view step) {
    RegNode* next = node->child(step);
    if (next == nullptr) {
      if (!mayCreate) {
        refused = true;
        return false;
      }
      next = &node->childOrCreate(step);
    }
    node = next;
    return true;
  });
  if (refused) {
    recordFailure({pathOf(parent, subKey), "access denied"});
    return false;
  }
  result = issue(node, access);
  return true;
}

bool MemoryStore::queryValue(KeyHandle key, std::string_view name, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size) {
  const OpenKey* open = resolve(key);
  if (open == nullptr || open->node == nullptr) return false;
  const RegValue* value = open->node->value(name);
  if (value == nullptr) return false;
  if (data != nullptr) {
    if (size < value->data.size()) return false;
    std::memcpy(data, value->data.data(), value->data.size());
  }
  type = value->type;
  size = static_cast<std::uint32_t>(value->data.size());
  return true;
}

bool MemoryStore::setValue(KeyHandle key, std::string_view name, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) {
  const OpenKey* open = resolve(key);
  if (open == nullptr || open->node == nullptr) {
    recordFailure({pathOf(kNoKey, name), "the key is not open"});
    return false;
  }
  if ((open->access & kKeySetValue) == 0) {
    recordFailure({pathOf(key, "") + " value \"" + std::string(name) + "\"", "access denied"});
    return false;
  }
  open->node->assignValue(name, type, std::string_view(reinterpret_cast<const char*>(data), size));
  return true;
}

void MemoryStore::closeKey(KeyHandle key) {
  if (key == kNoKey || key == kHkeyLocalMachine || key > handles_.size()) return;
  if (handles_[key - 1].node == nullptr) return;
  handles_[key - 1] = OpenKey{};
  freeSlots_.push_back(key - 1);
}

std::optional<StoreFailure> MemoryStore::firstFailure() const { return failure_; }

void MemoryStore::refuseValue(KeyHandle key, std::string_view name, std::string why) {
  recordFailure({pathOf(key, "") + " value \"" + std::string(name) + "\"", std::move(why)});
}

void MemoryStore::recordFailure(StoreFailure failure) {
  if (!failure_) failure_ = std::move(failure);
}

std::size_t MemoryStore::openHandleCount() const { return handles_.size() - freeSlots_.size(); }

}  // namespace kestrum
