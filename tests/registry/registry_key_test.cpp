#include "registry/registry_key.h"

#include <gtest/gtest.h>

#include "platform/memory_store.h"
#include "support/fixtures.h"

namespace kestrum {
namespace {

// A store with HKLM\SOFTWARE\Kestrum\General holding a few values, and a key
// handle on General.
class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegNode& general = store.tree().localMachine().childOrCreate("SOFTWARE").childOrCreate("Kestrum").childOrCreate("General");
    general.setValue("Number", kRegDword, std::string("\x07\x00\x00\x00", 4));
    general.setValue("Digits", kRegSz, "1234");
    general.setValue("Bare", kRegSz, "abc");                          // no terminator
    general.setValue("Inner", kRegSz, std::string("ab\0cd\0", 6));    // zero inside
    general.setValue("Short", kRegBinary, std::string("\x05\x01", 2));
    general.setValue("Text", kRegSz, std::string("hello\0", 6));
  }

  MemoryStore store;
};

TEST_F(RegistryKeyTest, ReadsFallBackToDefaultsAndFollowTheTypeRules) {
  RegistryKey key(store, kHkeyLocalMachine);
  ASSERT_TRUE(key.openSubkey("Software", kKeyRead));  // other case, same key
  ASSERT_TRUE(key.openSubkey("Kestrum\\General", kKeyRead));

  EXPECT_EQ(key.readString("Missing", "dflt"), "dflt");
  EXPECT_EQ(key.readString("Number", "dflt"), "");      // not REG_SZ: empty, not the default
  EXPECT_EQ(key.readString("Bare", "dflt"), "abc");     // terminator appended on query
  EXPECT_EQ(key.readString("Inner", "dflt"), "ab");     // up to the first zero
  EXPECT_EQ(key.readString("TEXT", "dflt"), "hello");   // value names ignore case

  EXPECT_EQ(key.readDword("Missing", -9), -9);
  EXPECT_EQ(key.readDword("Number", -9), 7);
  EXPECT_EQ(key.readDword("Digits", -9), 875770417);    // no type check: "1234" as bytes
  EXPECT_EQ(key.readDword("Short", -9), 0x0105);        // never reads past the data
}

TEST_F(RegistryKeyTest, QueryAppendsOneZeroToStringData) {
  RegistryKey key(store, kHkeyLocalMachine);
  ASSERT_TRUE(key.openSubkey("SOFTWARE\\Kestrum\\General", kKeyRead));
  auto bare = key.queryValue("Bare");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->length, 4u);
  EXPECT_EQ(bare->data.back(), 0);
  auto binary = key.queryValue("Short");
  ASSERT_TRUE(binary);
  EXPECT_EQ(binary->length, 2u);
  EXPECT_EQ(key.queryValue("Missing"), nullptr);
}

TEST(RegistryValueTest, BuildsTextAndNumberRecords) {
  RegistryValue text("Name", std::string_view("abc"));
  EXPECT_EQ(text.type, kRegSz);
  EXPECT_EQ(text.length, 4u);
  EXPECT_EQ(text.data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
  RegistryValue number("Name", -2);
  EXPECT_EQ(number.type, kRegDword);
  EXPECT_EQ(number.length, 4u);
  EXPECT_EQ(number.data, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  RegistryValue empty("Name", std::string_view(""));
  EXPECT_EQ(empty.length, 1u);
}

TEST_F(RegistryKeyTest, WalkMovesDownAndStaysPutOnFailure) {
  RegistryKey key(store, kHkeyLocalMachine);
  ASSERT_TRUE(key.createSubkey("SOFTWARE", kKeyAllAccess));   // exists: moves there
  ASSERT_TRUE(key.createSubkey("NewOne", kKeyAllAccess));     // one level deeper
  ASSERT_TRUE(key.createSubkey("Deeper", kKeyAllAccess));
  ASSERT_NE(store.tree().localMachine().child("SOFTWARE")->child("NewOne")->child("Deeper"), nullptr);
  EXPECT_EQ(store.tree().localMachine().child("SOFTWARE")->child("Deeper"), nullptr);

  const KeyHandle before = key.handle();
  EXPECT_FALSE(key.openSubkey("Absent", kKeyAllAccess));
  EXPECT_EQ(key.handle(), before);
  EXPECT_TRUE(key.writeValue(RegistryValue("Here", 1)));
  EXPECT_NE(store.tree().localMachine().child("SOFTWARE")->child("NewOne")->child("Deeper")->value("Here"), nullptr);
}

TEST_F(RegistryKeyTest, FailedCreateKeepsTheKeyItHeld) {
  RegistryKey key(store, kHkeyLocalMachine);
  ASSERT_TRUE(key.openSubkey("SOFTWARE", kKeyRead));  // may not create below
  const KeyHandle before = key.handle();
  EXPECT_FALSE(key.createSubkey("Forbidden", kKeyAllAccess));
  EXPECT_EQ(key.handle(), before);
  EXPECT_EQ(store.tree().localMachine().child("SOFTWARE")->child("Forbidden"), nullptr);
}

TEST_F(RegistryKeyTest, ReopenFromGivesAnIndependentHandle) {
  RegistryKey first(store, kHkeyLocalMachine);
  ASSERT_TRUE(first.createSubkey("SOFTWARE", kKeyAllAccess));
  ASSERT_TRUE(first.createSubkey("Kestrum", kKeyAllAccess));
  RegistryKey second(store);
  ASSERT_TRUE(second.reopenFrom(first.handle(), kKeyAllAccess));
  ASSERT_TRUE(second.createSubkey("General", kKeyAllAccess));
  ASSERT_TRUE(first.writeValue(RegistryValue("AtRoot", 1)));
  EXPECT_NE(store.tree().localMachine().child("SOFTWARE")->child("Kestrum")->value("AtRoot"), nullptr);
  second.close();
  EXPECT_FALSE(second.reopenFrom(kNoKey, kKeyAllAccess));
  EXPECT_EQ(second.handle(), kNoKey);
}

TEST_F(RegistryKeyTest, AKeylessObjectFailsEverything) {
  RegistryKey key(store);
  EXPECT_EQ(key.readDword("x", 5), 5);
  EXPECT_EQ(key.readString("x", "d"), "d");
  EXPECT_FALSE(key.writeValue(RegistryValue("x", 1)));
  EXPECT_FALSE(key.createSubkey("x", kKeyAllAccess));
  EXPECT_FALSE(key.openSubkey("x", kKeyAllAccess));
}

TEST_F(RegistryKeyTest, EveryHandleIsClosed) {
  {
    RegistryKey untouched(store, kHkeyLocalMachine);  // predefined root: closing is harmless
    RegistryKey key(store, kHkeyLocalMachine);
    ASSERT_TRUE(key.createSubkey("SOFTWARE", kKeyAllAccess));
    ASSERT_TRUE(key.createSubkey("A", kKeyAllAccess));
    RegistryKey other(store);
    ASSERT_TRUE(other.reopenFrom(key.handle(), kKeyAllAccess));
    EXPECT_EQ(store.openHandleCount(), 2u);
  }
  EXPECT_EQ(store.openHandleCount(), 0u);
}

}  // namespace
}  // namespace kestrum

namespace kestrum {
namespace {

TEST(RegistryKeyCount, ACountAboveTheLimitIsRefusedInTheStoreAndReadsAsZero) {
  for (const auto& [data, expected, refused] :
       std::vector<std::tuple<std::string, std::int32_t, bool>>{
           {"dword:000f4240", kMaxCount, false}, {"dword:000f4241", 0, true}, {"dword:7fffffff", 0, true}}) {
    SCOPED_TRACE(data);
    auto store = kestrum::testing::storeFromReg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n\"nPOP3\"=" + data + "\n");
    RegistryKey key(*store, kHkeyLocalMachine);
    ASSERT_TRUE(key.openSubkey("SOFTWARE\\Kestrum\\POP3", kKeyRead));
    EXPECT_EQ(key.readCount("nPOP3"), expected);
    EXPECT_EQ(store->firstFailure().has_value(), refused);
    if (refused) {
      EXPECT_EQ(store->firstFailure()->what, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3 value \"nPOP3\"");
    }
  }
}

}  // namespace
}  // namespace kestrum
