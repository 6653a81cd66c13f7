// Shared test fixtures: registry trees written as .reg text, and a fake host
// whose every answer a test sets.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/host.h"
#include "platform/memory_store.h"

namespace kestrum::testing {

// A memory store holding the tree that `regText` describes. The text may omit
// the "REGEDIT4" header and use LF line ends; a parse error fails the test.
std::unique_ptr<MemoryStore> storeFromReg(std::string_view regText);

// The REGEDIT4 text of the store's tree, with LF line ends for readable
// expectations.
std::string regText(const MemoryStore& store);

// The REGEDIT4 text of one key and everything below it, LF line ends
// (`path` below HKEY_LOCAL_MACHINE, e.g. "SOFTWARE\\Kestrum\\POP3").
// Empty when the key does not exist.
std::string regTextOf(const MemoryStore& store, std::string_view path);

// The node at `path` below HKEY_LOCAL_MACHINE, or null.
const RegNode* findKey(const MemoryStore& store, std::string_view path);

class FakeDialupLibrary;

class FakeHost : public Host {
 public:
  FakeHost();
  explicit FakeHost(unsigned codePageId);

  const CodePage& codePage() const override { return *codePage_; }
  bool entryExists(std::string_view name) const override;
  std::unique_ptr<DialupLibrary> loadDialupLibrary() override;
  std::optional<std::string> hostName() override { return hostName_; }
  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string& name) override;
  std::string loadString(unsigned id) override;

  // What the fake reports; tests set these directly.
  std::set<std::string> entries;             // names present in the working directory
  bool dialupLibraryPresent = false;
  bool dialupFunctionPresent = true;
  std::vector<std::string> phonebook;        // entry names, in platform order
  std::uint32_t dialupFailureCode = 0;       // non-zero: the enumeration fails so
  std::optional<std::string> hostName_ = std::nullopt;
  std::optional<std::vector<std::vector<std::uint8_t>>> addresses = std::nullopt;
  int dialupLoads = 0;                       // how often the library was bound
  int dialupReleases = 0;                    // how often it was released

 private:
  std::unique_ptr<CodePage> codePage_;
};

}  // namespace kestrum::testing
