#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/reg_format.h"
#include "sysinfo/system_lists.h"

namespace kestrum::testing {

std::unique_ptr<MemoryStore> storeFromReg(std::string_view text) {
  std::string bytes(text);
  if (bytes.rfind("REGEDIT4", 0) != 0 && bytes.rfind("Windows Registry Editor", 0) != 0)
    bytes = "REGEDIT4\n\n" + bytes;
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  if (!parseRegFile(bytes, *codePage, tree, error)) {
    ADD_FAILURE() << "fixture does not parse: line " << error.line << ": " << error.message;
    return std::make_unique<MemoryStore>();
  }
  return std::make_unique<MemoryStore>(std::move(tree));
}

namespace {

std::string withLf(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace

std::string regText(const MemoryStore& store) { return withLf(formatRegFile(store.tree())); }

const RegNode* findKey(const MemoryStore& store, std::string_view path) {
  const RegNode* node = store.tree().top().child("HKEY_LOCAL_MACHINE");
  while (node != nullptr && !path.empty()) {
    std::size_t cut = path.find('\\');
    node = node->child(path.substr(0, cut));
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return node;
}

std::string regTextOf(const MemoryStore& store, std::string_view path) {
  // Copy the branch into a tree of its own at the same path and format that.
  const RegNode* source = findKey(store, path);
  if (source == nullptr) return {};
  RegTree tree;
  RegNode* target = &tree.localMachine();
  std::string_view rest = path;
  while (!rest.empty()) {
    std::size_t cut = rest.find('\\');
    target = &target->childOrCreate(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  struct Copier {
    static void copy(const RegNode& from, RegNode& to) {
      for (const RegValue& v : from.values()) to.setValue(v.name, v.type, v.data);
      for (const auto& [name, child] : from.children()) copy(*child, to.childOrCreate(child->name()));
    }
  };
  Copier::copy(*source, *target);
  std::string text = withLf(formatRegFile(tree));
  // Keep only the branch itself: drop the lines of the keys above it.
  const std::string head = "[HKEY_LOCAL_MACHINE\\" + std::string(path) + "]";
  std::size_t at = text.find(head);
  return at == std::string::npos ? text : text.substr(at);
}

class FakeDialupLibrary : public DialupLibrary {
 public:
  explicit FakeDialupLibrary(FakeHost& host) : host_(host) {}
  ~FakeDialupLibrary() override { ++host_.dialupReleases; }
  bool hasEnumEntries() const override { return host_.dialupFunctionPresent; }
  std::uint32_t enumEntries(DialupEntryName* entries, std::uint32_t& bufferBytes,
                            std::uint32_t& count) override {
    if (host_.dialupFailureCode != 0) return host_.dialupFailureCode;
    const std::uint32_t needed = static_cast<std::uint32_t>(host_.phonebook.size() * sizeof(DialupEntryName));
    if (needed > bufferBytes) {
      bufferBytes = needed;
      count = static_cast<std::uint32_t>(host_.phonebook.size());
      return kDialupBufferTooSmall;
    }
    for (std::size_t i = 0; i < host_.phonebook.size(); ++i) {
      std::memset(&entries[i], 0, sizeof(DialupEntryName));
      entries[i].dwSize = sizeof(DialupEntryName);
      std::strncpy(entries[i].szEntryName, host_.phonebook[i].c_str(), sizeof(entries[i].szEntryName) - 1);
    }
    count = static_cast<std::uint32_t>(host_.phonebook.size());
    return 0;
  }

 private:
  FakeHost& host_;
};

FakeHost::FakeHost() : FakeHost(1252) {}
FakeHost::FakeHost(unsigned codePageId) : codePage_(makeCodePage(codePageId)) {}

bool FakeHost::entryExists(std::string_view name) const { return entries.count(std::string(name)) != 0; }

std::unique_ptr<DialupLibrary> FakeHost::loadDialupLibrary() {
  if (!dialupLibraryPresent) return nullptr;
  ++dialupLoads;
  return std::make_unique<FakeDialupLibrary>(*this);
}

std::optional<std::vector<std::vector<std::uint8_t>>> FakeHost::resolveHost(const std::string&) {
  return addresses;
}

std::string FakeHost::loadString(unsigned id) {
  return id == kStringDialupLibraryMissing ? "Could not load dial-up library RASAPI32.DLL" : "";
}

}  // namespace kestrum::testing
