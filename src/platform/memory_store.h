// An in-memory registry tree: the store for unit tests, and the core of the
// image-file store, which parses the file into one and writes it back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store.h"

namespace kestrum {

// Registry names compare with ASCII letters upper-cased, every other byte as
// it is.
inline unsigned char foldRegistryByte(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// Case-insensitive ordering of registry names the way the registry sorts them.
struct RegistryNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned char x = foldRegistryByte(static_cast<unsigned char>(a[i]));
      const unsigned char y = foldRegistryByte(static_cast<unsigned char>(b[i]));
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

inline bool registryNameEquals(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the same case, as nearly always
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldRegistryByte(static_cast<unsigned char>(a[i])) != foldRegistryByte(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct RegValue {
  std::string name;  // case as first created; "" is the default value
  std::uint32_t type = kRegNone;
  std::string data;  // the exact bytes
};

// One key of the tree. Values keep their creation order; subkeys are kept in
// the registry's case-insensitive order, which is also the export order.
class RegNode {
 public:
  explicit RegNode(std::string name, RegNode* parent = nullptr)
      : name_(std::move(name)), parent_(parent) {}
  RegNode(const RegNode&) = delete;
  RegNode& operator=(const RegNode&) = delete;

  const std::string& name() const { return name_; }
  const RegNode* parent() const { return parent_; }
  // The key's path below its root, e.g. "SOFTWARE\\Kestrum" for a key of
  // HKEY_LOCAL_MACHINE, the root's own name for a root.
  std::string path() const;
  const std::vector<RegValue>& values() const { return values_; }
  const std::map<std::string, std::unique_ptr<RegNode>, RegistryNameLess>&
  children() const {
    return children_;
  }

  RegNode* child(std::string_view name) const;
  RegNode& childOrCreate(std::string_view name);
  // Removes the named subkey and its whole tree; false when absent.
  bool removeChild(std::string_view name);

  const RegValue* value(std::string_view name) const;
  void setValue(std::string_view name, std::uint32_t type, std::string data);
  // As setValue, but copies `data` into the storage the value already has,
  // so that rewriting a value with data of the same size allocates nothing.
  void assignValue(std::string_view name, std::uint32_t type, std::string_view data);
  bool removeValue(std::string_view name);
  // Room for `count` values in all, for a reader that knows how many follow.
  // Exact for a key without values; otherwise at least doubling, so that a
  // key named again and again still grows in few steps.
  void reserveValues(std::size_t count) {
    if (count > values_.capacity()) values_.reserve(values_.empty() ? count : std::max(count, 2 * values_.capacity()));
  }

 private:
  std::string name_;
  RegNode* parent_;
  std::vector<RegValue> values_;
  // A hash table over values_ (open addressing; a slot holds a position + 1,
  // 0 is free), built once a key holds many values (long numbered lists) so
  // that lookups stay cheap without costing memory on the many small keys.
  // Empty while not built.
  mutable std::vector<std::uint32_t> valueSlots_;
  // Where the last lookup in a small key found its value: reads and writes
  // mostly walk a key's values in their stored order, so the next one is
  // usually there or just behind it.
  mutable std::size_t lastFound_ = 0;
  std::map<std::string, std::unique_ptr<RegNode>, RegistryNameLess> children_;
  std::size_t findValue(std::string_view name) const;
  void buildIndex(std::size_t slotCount) const;
  void indexValue(std::size_t position) const;
  RegValue& appendValue(std::string_view name, std::uint32_t type);
};

// The whole registry: one node per root ("HKEY_LOCAL_MACHINE", and whatever
// other roots an image file carries, kept untouched). Only
// HKEY_LOCAL_MACHINE is reachable through the store operations.
class RegTree {
 public:
  RegTree();
  RegNode& top() { return *top_; }
  const RegNode& top() const { return *top_; }
  RegNode& localMachine();

 private:
  std::unique_ptr<RegNode> top_;
};

class MemoryStore : public Store {
 public:
  MemoryStore();
  explicit MemoryStore(RegTree tree);

  bool openKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
               KeyHandle& result) override;
  bool createKey(KeyHandle parent, std::string_view subKey,
                 std::uint32_t access, KeyHandle& result) override;
  bool queryValue(KeyHandle key, std::string_view name, std::uint32_t& type,
                  std::uint8_t* data, std::uint32_t& size) override;
  bool setValue(KeyHandle key, std::string_view name, std::uint32_t type,
                const std::uint8_t* data, std::uint32_t size) override;
  void closeKey(KeyHandle key) override;
  std::optional<StoreFailure> firstFailure() const override;
  void refuseValue(KeyHandle key, std::string_view name, std::string why) override;

  RegTree& tree() { return tree_; }
  const RegTree& tree() const { return tree_; }
  // Number of handles currently open (tests check that walks close theirs).
  std::size_t openHandleCount() const;

  // Records a failure on behalf of a store built on this one.
  void recordFailure(StoreFailure failure);

 private:
  struct OpenKey {
    RegNode* node = nullptr;
    std::uint32_t access = 0;
  };
  RegTree tree_;
  std::vector<OpenKey> handles_;      // slot i is handle i + 1
  std::vector<std::size_t> freeSlots_;
  std::optional<StoreFailure> failure_;

  const OpenKey* resolve(KeyHandle key) const;
  KeyHandle issue(RegNode* node, std::uint32_t access);
  std::string pathOf(KeyHandle key, std::string_view subKey) const;
};

}  // namespace kestrum
