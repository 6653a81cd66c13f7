// The contract every store keeps, as one parameterised suite. The tests are
// in store_contract_test.cpp; a backend joins by naming a factory in a test
// file of its own:
//
//   KESTRUM_STORE_CONTRACT(MyStore, kestrum::testing::StoreFactory{"MyStore", makeMySubject});
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/store.h"

namespace kestrum::testing {

// One store under test, made fresh for each test.
struct StoreSubject {
  std::unique_ptr<Store> store;
  // A key path below HKEY_LOCAL_MACHINE that does not exist yet; the test
  // works below it.
  std::string base;
  // The REGEDIT4 text (CRLF or LF) of everything the store holds, as a fresh
  // reader of its persistent form would see it; may commit first.
  std::function<std::string()> exportText;
  // How many handles are open, where the store can tell; null otherwise.
  std::function<std::size_t()> openHandles;
  // Runs after the store is destroyed (removes temporary files or keys).
  std::function<void()> cleanup;
};

struct StoreFactory {
  std::string name;
  std::function<StoreSubject()> make;
};

inline std::string bytesOf(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

class StoreContractTest : public ::testing::TestWithParam<StoreFactory> {
 protected:
  void SetUp() override { subject_ = GetParam().make(); }
  void TearDown() override {
    std::function<void()> cleanup = std::move(subject_.cleanup);
    subject_ = StoreSubject{};
    if (cleanup) cleanup();
  }

  Store& store() { return *subject_.store; }
  std::string path(const std::string& below) const { return subject_.base + "\\" + below; }

  KeyHandle create(const std::string& keyPath, std::uint32_t access = kKeyAllAccess) {
    KeyHandle key = kNoKey;
    EXPECT_TRUE(store().createKey(kHkeyLocalMachine, keyPath, access, key)) << keyPath;
    return key;
  }
  bool open(KeyHandle parent, const std::string& name, KeyHandle& key, std::uint32_t access = kKeyAllAccess) {
    key = kNoKey;
    return store().openKey(parent, name, access, key);
  }
  bool set(KeyHandle key, const std::string& name, std::uint32_t type, const std::string& data) {
    return store().setValue(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                            static_cast<std::uint32_t>(data.size()));
  }
  // The value's type and bytes, asked for as the key handle asks: size first.
  std::optional<std::pair<std::uint32_t, std::string>> get(KeyHandle key, const std::string& name) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (!store().queryValue(key, name, type, nullptr, size)) return std::nullopt;
    std::string data(size, '\0');
    std::uint32_t type2 = 0;
    if (!store().queryValue(key, name, type2, reinterpret_cast<std::uint8_t*>(data.data()), size)) return std::nullopt;
    EXPECT_EQ(type2, type);
    data.resize(size);
    return std::make_pair(type, data);
  }

  // The lines of one key's block in the exported text, without line ends.
  std::vector<std::string> exportedBlock(const std::string& keyPath) {
    std::string text = subject_.exportText();
    std::string lf;
    for (char c : text)
      if (c != '\r') lf += c;
    const std::string head = "[HKEY_LOCAL_MACHINE\\" + keyPath + "]\n";
    std::vector<std::string> lines;
    std::size_t at = lf.find(head);
    if (at == std::string::npos) return lines;
    at += head.size();
    while (at < lf.size() && lf[at] != '\n') {
      const std::size_t end = lf.find('\n', at);
      lines.push_back(lf.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }

  StoreSubject subject_;
};

inline void PrintTo(const StoreFactory& factory, std::ostream* out) { *out << factory.name; }

inline std::string storeFactoryName(const ::testing::TestParamInfo<StoreFactory>& info) {
  return info.param.name;
}

}  // namespace kestrum::testing

#define KESTRUM_STORE_CONTRACT(Name, ...)                                                     \
  namespace kestrum::testing {                                                                \
  INSTANTIATE_TEST_SUITE_P(Name, StoreContractTest, ::testing::Values(__VA_ARGS__), storeFactoryName); \
  }
