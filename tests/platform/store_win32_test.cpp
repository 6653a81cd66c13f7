// The registry store against the real registry (under Wine in the test
// legs). Every test works below its own scratch key of HKLM\SOFTWARE, which
// stands in for HKEY_LOCAL_MACHINE and is deleted afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/store_win32.h"

namespace kestrum {
namespace {

constexpr char kScratchParent[] = "SOFTWARE\\KestrumStoreTest";

// A unique scratch key per use, removed with its whole tree.
class ScratchKey {
 public:
  ScratchKey() {
    static std::atomic<int> counter{0};
    path_ = std::string(kScratchParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
  }
  ~ScratchKey() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());
    // The parent goes too once no other test process uses it.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kScratchParent);
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  const std::string& path() const { return path_; }
  std::string below(const std::string& subKey) const { return path_ + "\\" + subKey; }

 private:
  std::string path_;
};

// A raw registry handle, for looking at what the store did.
class RawKey {
 public:
  RawKey() = default;
  ~RawKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RawKey(const RawKey&) = delete;
  RawKey& operator=(const RawKey&) = delete;
  bool open(const std::string& path, REGSAM access = KEY_READ) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key_) == ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

class RegistryStoreTest : public ::testing::Test {
 protected:
  ScratchKey scratch_;
  // Tests serialise on their own lock: a program run elsewhere on the
  // machine must not make them wait, nor they it.
  std::string mutexName_ = "Local\\kestrum_store_test_" + std::to_string(GetCurrentProcessId());

  std::unique_ptr<Store> open() {
    RegistryStoreOptions options;
    options.rootKey = scratch_.path();
    options.runMutexName = mutexName_;
    return openRegistryStore(options);
  }
};

TEST_F(RegistryStoreTest, ValuesOfEveryTypeLandInTheRealKeyWithTheirExactBytes) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string data;
  };
  // Text passes the ANSI calls through a conversion to the registry's
  // UTF-16 form and back, which may add the missing terminating zero.
  auto same = [](const Case& c, const std::string& got) {
    return got == c.data || (c.type == kRegSz && got == c.data + std::string(1, '\0'));
  };
  const std::vector<Case> cases = {
      {"Text", kRegSz, std::string("abc\0", 4)},
      {"Unterminated", kRegSz, "xyz"},
      {"Number", kRegDword, std::string("\x2a\x00\x00\x00", 4)},
      {"Short", kRegDword, std::string("\x01\x02", 2)},
      {"Bytes", kRegBinary, std::string("\x00\xff\x10", 3)},
      {"List", kRegMultiSz, std::string("a\0bc\0\0", 6)},
      {"Empty", kRegBinary, ""},
      {"", kRegSz, std::string("default\0", 8)},
      {"Odd", 0x1234, "raw"},
  };
  auto store = open();
  ASSERT_FALSE(store->firstFailure());
  KeyHandle key = kNoKey;
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "SOFTWARE\\Kestrum", kKeyAllAccess, key));
  for (const Case& c : cases) {
    EXPECT_TRUE(store->setValue(key, c.name, c.type, reinterpret_cast<const std::uint8_t*>(c.data.data()),
                                static_cast<std::uint32_t>(c.data.size())))
        << c.name;
  }
  store->closeKey(key);

  RawKey raw;
  ASSERT_TRUE(raw.open(scratch_.below("SOFTWARE\\Kestrum")));
  for (const Case& c : cases) {
    DWORD type = 0;
    DWORD size = 64;
    BYTE buffer[64] = {};
    ASSERT_EQ(RegQueryValueExA(raw.get(), c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_PRED2(same, c, std::string(reinterpret_cast<char*>(buffer), size)) << c.name;
  }

  // And the store reads them back the way the key handle asks: size first, then bytes.
  KeyHandle again = kNoKey;
  ASSERT_TRUE(store->openKey(kHkeyLocalMachine, "software\\KESTRUM", kKeyRead, again));
  for (const Case& c : cases) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(store->queryValue(again, c.name, type, nullptr, size)) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    std::vector<std::uint8_t> bytes(size);
    ASSERT_TRUE(store->queryValue(again, c.name, type, bytes.data(), size)) << c.name;
    EXPECT_PRED2(same, c, std::string(bytes.begin(), bytes.end())) << c.name;
  }
  store->closeKey(again);
  EXPECT_FALSE(store->firstFailure());
}

TEST_F(RegistryStoreTest, TooSmallABufferFailsAndLeavesItAlone) {
  auto store = open();
  KeyHandle key = kNoKey;
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "K", kKeyAllAccess, key));
  const std::uint8_t data[] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(store->setValue(key, "V", kRegBinary, data, sizeof data));
  std::uint8_t buffer[4] = {9, 9, 9, 9};
  std::uint32_t type = 77;
  std::uint32_t size = sizeof buffer;
  EXPECT_FALSE(store->queryValue(key, "V", type, buffer, size));
  EXPECT_EQ(type, 77u);
  for (std::uint8_t b : buffer) EXPECT_EQ(b, 9);
  // A value that grew between the size query and the read is a failed read.
  std::uint32_t grownSize = 0;
  ASSERT_TRUE(store->queryValue(key, "V", type, nullptr, grownSize));
  const std::uint8_t longer[] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(store->setValue(key, "V", kRegBinary, longer, sizeof longer));
  std::vector<std::uint8_t> stale(grownSize);
  EXPECT_FALSE(store->queryValue(key, "V", type, stale.data(), grownSize));
  store->closeKey(key);
}

TEST_F(RegistryStoreTest, OpenNeverCreatesAndMissingValuesFail) {
  auto store = open();
  KeyHandle key = kNoKey;
  EXPECT_FALSE(store->openKey(kHkeyLocalMachine, "Absent\\Deeper", kKeyAllAccess, key));
  RawKey raw;
  EXPECT_FALSE(raw.open(scratch_.below("Absent")));
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "Present", kKeyAllAccess, key));
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_FALSE(store->queryValue(key, "Nothing", type, nullptr, size));
  EXPECT_FALSE(store->queryValue(kNoKey, "Nothing", type, nullptr, size));
  store->closeKey(key);
  // A closed handle is no longer served.
  EXPECT_FALSE(store->queryValue(key, "Nothing", type, nullptr, size));
  EXPECT_FALSE(store->firstFailure()) << "reads and opens are never failures";
}

TEST_F(RegistryStoreTest, CreatedKeysKeepTheirCaseAndNamesMatchWithoutIt) {
  auto store = open();
  KeyHandle key = kNoKey;
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "Mixed\\CaseKey", kKeyAllAccess, key));
  const std::uint8_t one[] = {1, 0, 0, 0};
  ASSERT_TRUE(store->setValue(key, "Updated", kRegDword, one, 4));
  store->closeKey(key);
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "MIXED\\casekey", kKeyAllAccess, key));
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_TRUE(store->queryValue(key, "UPDATED", type, nullptr, size));
  store->closeKey(key);

  RawKey parent;
  ASSERT_TRUE(parent.open(scratch_.path()));
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(parent.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, length), "Mixed");
}

TEST_F(RegistryStoreTest, AnEmptyNameOpensAnIndependentHandleOnTheSameKey) {
  auto store = open();
  KeyHandle first = kNoKey;
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "Walk", kKeyAllAccess, first));
  KeyHandle second = kNoKey;
  ASSERT_TRUE(store->openKey(first, "", kKeyAllAccess, second));
  EXPECT_NE(first, second);
  store->closeKey(first);
  const std::uint8_t one[] = {1, 0, 0, 0};
  EXPECT_TRUE(store->setValue(second, "Still", kRegDword, one, 4));
  store->closeKey(second);
  RawKey raw;
  ASSERT_TRUE(raw.open(scratch_.below("Walk")));
  EXPECT_EQ(RegQueryValueExA(raw.get(), "Still", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, ARefusedSetIsRecordedWithTheKeyPathAndTheSystemText) {
  auto store = open();
  KeyHandle key = kNoKey;
  ASSERT_TRUE(store->createKey(kHkeyLocalMachine, "ReadOnly", kKeyAllAccess, key));
  store->closeKey(key);
  ASSERT_TRUE(store->openKey(kHkeyLocalMachine, "ReadOnly", kKeyRead, key));
  const std::uint8_t one[] = {1, 0, 0, 0};
  EXPECT_FALSE(store->setValue(key, "Updated", kRegDword, one, 4));
  store->closeKey(key);
  const auto failure = store->firstFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->what, "HKEY_LOCAL_MACHINE\\" + scratch_.below("ReadOnly") + " value \"Updated\"");
  char expected[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                 expected, sizeof expected, nullptr);
  std::string text(expected);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
  EXPECT_EQ(failure->why, text);
}

TEST_F(RegistryStoreTest, ARefusedCreateIsRecordedAndOnlyTheFirstFailureKept) {
  // The registry refuses a lasting key below a volatile one.
  RawKey volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, scratch_.below("Volatile").c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, volatileKey.out(), nullptr),
            ERROR_SUCCESS);
  auto store = open();
  KeyHandle parent = kNoKey;
  ASSERT_TRUE(store->openKey(kHkeyLocalMachine, "Volatile", kKeyAllAccess, parent));
  KeyHandle child = kNoKey;
  EXPECT_FALSE(store->createKey(parent, "General", kKeyAllAccess, child));
  EXPECT_FALSE(store->createKey(parent, "Second", kKeyAllAccess, child));
  store->closeKey(parent);
  const auto failure = store->firstFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->what, "HKEY_LOCAL_MACHINE\\" + scratch_.below("Volatile\\General"));
  EXPECT_FALSE(failure->why.empty());
  RawKey raw;
  EXPECT_FALSE(raw.open(scratch_.below("Volatile\\General")));
}

TEST_F(RegistryStoreTest, ASecondRunWaitsForTheFirstAndGivesUpAfterItsTimeOut) {
  auto first = open();
  ASSERT_FALSE(first->firstFailure());
  RegistryStoreOptions options;
  options.rootKey = scratch_.path();
  options.runMutexName = mutexName_;
  options.lockTimeout = std::chrono::milliseconds(200);
  std::optional<StoreFailure> failure;
  bool served = true;
  // The mutex belongs to a thread, so the second run is another thread.
  std::thread([&] {
    auto second = openRegistryStore(options);
    failure = second->firstFailure();
    KeyHandle key = kNoKey;
    served = second->createKey(kHkeyLocalMachine, "Blocked", kKeyAllAccess, key);
  }).join();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->why, "another run holds the run lock " + mutexName_ + " (waited 0.2 s)");
  EXPECT_FALSE(served) << "a store without the lock must not touch the registry";
  RawKey raw;
  EXPECT_FALSE(raw.open(scratch_.below("Blocked")));

  first.reset();
  std::thread([&] {
    auto third = openRegistryStore(options);
    failure = third->firstFailure();
  }).join();
  EXPECT_FALSE(failure) << "released when the first store is destroyed";
}

TEST(RegistryStoreRootTest, HandlesAreTheRegistryKeysAndTheRootIsThePredefinedKey) {
#ifndef _WIN64
  static_assert(sizeof(HKEY) == 4);
  EXPECT_EQ(reinterpret_cast<KeyHandle>(HKEY_LOCAL_MACHINE), kHkeyLocalMachine);
#endif
  RegistryStoreOptions options;
  options.runMutexName = "Local\\kestrum_store_root_test_" + std::to_string(GetCurrentProcessId());
  auto store = openRegistryStore(options);
  ASSERT_FALSE(store->firstFailure());
  KeyHandle root = kNoKey;
  ASSERT_TRUE(store->openKey(kHkeyLocalMachine, "", kKeyRead, root));
  EXPECT_EQ(root, kHkeyLocalMachine);
  KeyHandle software = kNoKey;
  ASSERT_TRUE(store->openKey(kHkeyLocalMachine, "SOFTWARE", kKeyRead, software));
  DWORD subKeys = 0;
  EXPECT_EQ(RegQueryInfoKeyA(reinterpret_cast<HKEY>(software), nullptr, nullptr, nullptr, &subKeys, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_GT(subKeys, 0u);
  store->closeKey(software);
  store->closeKey(root);
}

}  // namespace
}  // namespace kestrum
