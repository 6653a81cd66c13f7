// What the configuration logic needs of the five store operations, checked
// against every store (see store_contract.h for how a store joins).
#include "platform/store.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/memory_store.h"
#include "platform/reg_format.h"
#include "store_contract.h"

namespace kestrum::testing {
namespace {

TEST_P(StoreContractTest, OpeningAMissingKeyFailsAndCreatesNothing) {
  KeyHandle key = kNoKey;
  EXPECT_FALSE(open(kHkeyLocalMachine, subject_.base, key));
  EXPECT_FALSE(open(kHkeyLocalMachine, path("Deeper"), key));
  EXPECT_FALSE(open(kHkeyLocalMachine, subject_.base, key));
  EXPECT_EQ(subject_.exportText().find(subject_.base), std::string::npos);
}

TEST_P(StoreContractTest, CreatedKeyOpensAndCreatingAgainOpensTheSameKey) {
  KeyHandle created = create(path("Child"));
  ASSERT_NE(created, kNoKey);
  ASSERT_TRUE(set(created, "v", kRegDword, bytesOf(7)));
  store().closeKey(created);

  KeyHandle opened = kNoKey;
  ASSERT_TRUE(open(kHkeyLocalMachine, path("Child"), opened, kKeyRead));
  EXPECT_EQ(get(opened, "v"), std::make_pair(kRegDword, bytesOf(7)));
  store().closeKey(opened);

  KeyHandle again = create(path("Child"));
  EXPECT_EQ(get(again, "v"), std::make_pair(kRegDword, bytesOf(7)));
  store().closeKey(again);
  EXPECT_FALSE(store().firstFailure().has_value());
}

TEST_P(StoreContractTest, EmptySubkeyNameOpensTheKeyItselfIndependently) {
  KeyHandle first = create(subject_.base);
  KeyHandle second = kNoKey;
  ASSERT_TRUE(open(first, "", second));
  EXPECT_NE(second, first);
  store().closeKey(first);
  ASSERT_TRUE(set(second, "v", kRegBinary, "\x01\x02"));
  store().closeKey(second);

  KeyHandle check = kNoKey;
  ASSERT_TRUE(open(kHkeyLocalMachine, subject_.base, check));
  EXPECT_EQ(get(check, "v"), std::make_pair(kRegBinary, std::string("\x01\x02")));
  store().closeKey(check);
}

TEST_P(StoreContractTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
  KeyHandle created = create(path("MixedCase"));
  ASSERT_TRUE(set(created, "ValName", kRegDword, bytesOf(1)));
  KeyHandle upper = kNoKey;
  ASSERT_TRUE(open(kHkeyLocalMachine, path("MIXEDCASE"), upper));
  ASSERT_TRUE(set(upper, "VALNAME", kRegDword, bytesOf(2)));
  KeyHandle lower = create(path("mixedcase"));
  EXPECT_EQ(get(lower, "valname"), std::make_pair(kRegDword, bytesOf(2)));
  for (KeyHandle key : {created, upper, lower}) store().closeKey(key);

  EXPECT_EQ(exportedBlock(path("MixedCase")), std::vector<std::string>{"\"ValName\"=dword:00000002"});
  const std::string text = subject_.exportText();
  EXPECT_EQ(text.find("MIXEDCASE"), std::string::npos);
  EXPECT_EQ(text.find("mixedcase"), std::string::npos);
}

TEST_P(StoreContractTest, ValuesKeepCreationOrderAndAReplacedValueKeepsItsPlace) {
  KeyHandle key = create(subject_.base);
  ASSERT_TRUE(set(key, "Zeta", kRegDword, bytesOf(1)));
  ASSERT_TRUE(set(key, "alpha", kRegDword, bytesOf(2)));
  ASSERT_TRUE(set(key, "Mid", kRegDword, bytesOf(3)));
  ASSERT_TRUE(set(key, "ALPHA", kRegBinary, "\xff"));
  store().closeKey(key);
  EXPECT_EQ(exportedBlock(subject_.base),
            (std::vector<std::string>{"\"Zeta\"=dword:00000001", "\"alpha\"=hex:ff", "\"Mid\"=dword:00000003"}));
}

TEST_P(StoreContractTest, QueryGivesTheSizeThenTheBytesAndRefusesASmallBuffer) {
  KeyHandle key = create(subject_.base);
  ASSERT_TRUE(set(key, "bin", kRegBinary, "\x01\x02\x03\x04\x05"));
  ASSERT_TRUE(set(key, "text", kRegSz, std::string("abc\0", 4)));

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  ASSERT_TRUE(store().queryValue(key, "bin", type, nullptr, size));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(size, 5u);

  std::array<std::uint8_t, 8> buffer{};
  buffer.fill(0xAA);
  size = 8;
  ASSERT_TRUE(store().queryValue(key, "bin", type, buffer.data(), size));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::memcmp(buffer.data(), "\x01\x02\x03\x04\x05", 5), 0);

  buffer.fill(0xAA);
  size = 4;
  EXPECT_FALSE(store().queryValue(key, "bin", type, buffer.data(), size));
  for (std::uint8_t byte : buffer) EXPECT_EQ(byte, 0xAA);

  EXPECT_EQ(get(key, "text"), std::make_pair(kRegSz, std::string("abc\0", 4)));
  EXPECT_FALSE(store().queryValue(key, "missing", type, nullptr, size));
  store().closeKey(key);
}

TEST_P(StoreContractTest, ClosedAndInvalidHandlesFail) {
  KeyHandle key = create(subject_.base);
  ASSERT_TRUE(set(key, "v", kRegDword, bytesOf(1)));
  store().closeKey(key);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_FALSE(store().queryValue(key, "v", type, nullptr, size));
  EXPECT_FALSE(set(key, "w", kRegDword, bytesOf(2)));
  KeyHandle other = kNoKey;
  EXPECT_FALSE(open(key, "", other));
  EXPECT_FALSE(store().queryValue(kNoKey, "v", type, nullptr, size));
  EXPECT_FALSE(set(kNoKey, "v", kRegDword, bytesOf(1)));
  EXPECT_FALSE(open(kNoKey, "", other));
  EXPECT_FALSE(store().createKey(kNoKey, "x", kKeyAllAccess, other));
  store().closeKey(kNoKey);
  store().closeKey(kHkeyLocalMachine);
  EXPECT_TRUE(open(kHkeyLocalMachine, subject_.base, other));
  store().closeKey(other);
}

TEST_P(StoreContractTest, ClosingReleasesTheHandle) {
  if (!subject_.openHandles) GTEST_SKIP() << "the store cannot count its handles";
  const std::size_t before = subject_.openHandles();
  for (int i = 0; i < 100; ++i) {
    KeyHandle key = create(path("K" + std::to_string(i % 7)));
    KeyHandle again = kNoKey;
    ASSERT_TRUE(open(key, "", again));
    store().closeKey(key);
    store().closeKey(again);
  }
  EXPECT_EQ(subject_.openHandles(), before);
}

TEST_P(StoreContractTest, AReadOnlyHandleCannotSetValuesAndTheRefusalIsRecorded) {
  KeyHandle created = create(subject_.base);
  store().closeKey(created);
  KeyHandle reader = kNoKey;
  ASSERT_TRUE(open(kHkeyLocalMachine, subject_.base, reader, kKeyRead));
  EXPECT_FALSE(set(reader, "v", kRegSz, std::string("secret\0", 7)));
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_FALSE(store().queryValue(reader, "v", type, nullptr, size));
  store().closeKey(reader);

  const std::optional<StoreFailure> failure = store().firstFailure();
  ASSERT_TRUE(failure.has_value());
  EXPECT_FALSE(failure->what.empty());
  EXPECT_FALSE(failure->why.empty());
  EXPECT_EQ((failure->what + failure->why).find("secret"), std::string::npos);
}

TEST_P(StoreContractTest, BackslashesSeparatePathSteps) {
  KeyHandle deep = create(path("A\\B\\C"));
  ASSERT_TRUE(set(deep, "v", kRegDword, bytesOf(3)));
  store().closeKey(deep);

  KeyHandle a = kNoKey;
  ASSERT_TRUE(open(kHkeyLocalMachine, path("A"), a));
  KeyHandle c = kNoKey;
  ASSERT_TRUE(open(a, "B\\C", c));
  EXPECT_EQ(get(c, "v"), std::make_pair(kRegDword, bytesOf(3)));
  KeyHandle b = kNoKey;
  ASSERT_TRUE(store().createKey(a, "B", kKeyAllAccess, b));
  KeyHandle c2 = kNoKey;
  ASSERT_TRUE(open(b, "C", c2));
  EXPECT_EQ(get(c2, "v"), std::make_pair(kRegDword, bytesOf(3)));
  for (KeyHandle key : {a, b, c, c2}) store().closeKey(key);
  EXPECT_FALSE(open(kHkeyLocalMachine, path("A\\C"), c));
}

StoreSubject memorySubject() {
  auto store = std::make_unique<MemoryStore>();
  MemoryStore* memory = store.get();
  StoreSubject subject;
  subject.store = std::move(store);
  subject.base = "SOFTWARE\\KestrumContract";
  subject.exportText = [memory] { return formatRegFile(memory->tree()); };
  subject.openHandles = [memory] { return memory->openHandleCount(); };
  return subject;
}

}  // namespace
}  // namespace kestrum::testing

KESTRUM_STORE_CONTRACT(Memory, kestrum::testing::StoreFactory{"Memory", kestrum::testing::memorySubject})
