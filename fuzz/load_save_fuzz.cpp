// A whole run over an arbitrary image: load, add an account, save, raise
// General\Updated. The run must succeed without a store failure, leave no key
// open, leave an image that reads back as it is, and a second run over that
// image must save the same image again.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/run.h"
#include "config/configuration.h"
#include "fuzz_support.h"
#include "registry/settings.h"

namespace {

using kestrum::RegNode;
using kestrum::RegValue;
using kestrum::fuzz::fail;

// A stored count makes the load create and read that many keys. Counts this
// large are real work, not findings, and would only make runs time out.
constexpr std::uint32_t kLargestCount = 4096;
constexpr std::array<std::string_view, 8> kCountNames = {
    "nPOP3", "nDomains", "nRules", "nRuleIFs", "nIFs", "nEntries", "nServers", "nSchedule",
};

bool holdsLargeCount(const RegNode& node) {
  for (const RegValue& value : node.values()) {
    bool counted = false;
    for (std::string_view name : kCountNames) counted = counted || kestrum::registryNameEquals(name, value.name);
    if (!counted) continue;
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < value.data.size(); ++i)
      number |= static_cast<std::uint32_t>(static_cast<unsigned char>(value.data[i])) << (8 * i);
    if (number > kLargestCount && number < 0x80000000u) return true;
  }
  for (const auto& [name, child] : node.children())
    if (holdsLargeCount(*child)) return true;
  return false;
}

const RegNode* findKey(const kestrum::RegTree& tree, std::string_view path) {
  const RegNode* node = tree.top().child("HKEY_LOCAL_MACHINE");
  while (node != nullptr && !path.empty()) {
    const std::size_t cut = path.find('\\');
    node = node->child(path.substr(0, cut));
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return node;
}

std::string dword(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

void requireValue(const kestrum::RegTree& tree, std::string_view key, std::string_view name,
                  const std::string& data) {
  const RegNode* node = findKey(tree, key);
  const RegValue* value = node == nullptr ? nullptr : node->value(name);
  if (value == nullptr || value->data != data)
    fail(std::string(key) + " \"" + std::string(name) + "\" is not what the run wrote");
}

constexpr const char* kArgv[] = {
    "kestrum_addaccount", "pop.example.com", "alice", "s3cret", "0", "", "995", "60",
    "postmaster@example.com", "1", "0", "Alice", nullptr,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Western and the double-byte code pages, the input's length choosing.
  constexpr unsigned kCodePages[] = {1252, 932, 936, 949, 950};
  kestrum::fuzz::FuzzHost host(kCodePages[size % std::size(kCodePages)]);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kestrum::RegTree tree;
  kestrum::RegParseError error;
  if (!parseRegFile(bytes, host.codePage(), tree, error)) return -1;
  if (holdsLargeCount(tree.top())) return -1;

  kestrum::MemoryStore store(std::move(tree));
  std::string out;
  const int status = kestrum::runSequence(static_cast<int>(std::size(kArgv) - 1), kArgv, store, host, out);
  if (status != kestrum::kStatusAdded) fail("the run returned " + std::to_string(status));
  if (!out.empty()) fail("the run printed something");
  if (auto failure = store.firstFailure()) fail("store failure: " + failure->what + ": " + failure->why);
  if (store.openHandleCount() != 0) fail(std::to_string(store.openHandleCount()) + " keys left open");

  requireValue(store.tree(), "SOFTWARE\\Kestrum\\General", "Updated", dword(1));
  const RegNode* pop3 = findKey(store.tree(), "SOFTWARE\\Kestrum\\POP3");
  const RegValue* count = pop3 == nullptr ? nullptr : pop3->value("nPOP3");
  if (count == nullptr || count->data.size() != 4) fail("no account count");
  std::uint32_t accounts = 0;
  for (std::size_t i = 0; i < 4; ++i)
    accounts |= static_cast<std::uint32_t>(static_cast<unsigned char>(count->data[i])) << (8 * i);
  const std::string added = "SOFTWARE\\Kestrum\\POP3\\" + std::to_string(accounts);
  requireValue(store.tree(), added, "Server", std::string("pop.example.com") + '\0');
  requireValue(store.tree(), added, "Username", std::string("alice") + '\0');

  const std::string image = kestrum::fuzz::requireRoundTrip(store.tree(), host.codePage());

  // What a run saved, the next run loads and saves again unchanged.
  kestrum::RegTree saved;
  if (!parseRegFile(image, host.codePage(), saved, error)) fail("the saved image does not read back");
  kestrum::MemoryStore again(std::move(saved));
  {
    kestrum::Configuration config(again, host);
    config.loadConfiguration();
    config.saveConfiguration();
  }
  kestrum::writeSettingFlag(again, kestrum::kProductRoot, "General", "Updated", 1);
  if (again.firstFailure()) fail("store failure in the second run");
  if (auto diff = kestrum::fuzz::treeDifference(store.tree(), again.tree()))
    fail("a second load and save changed the image: " + *diff);
  return 0;
}
