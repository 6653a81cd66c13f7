#include "registry/settings.h"

#include <gtest/gtest.h>

#include "platform/memory_store.h"

namespace kestrum {
namespace {

RegNode* node(MemoryStore& store, std::initializer_list<std::string_view> path) {
  RegNode* n = &store.tree().localMachine();
  for (auto step : path) {
    n = n->child(step);
    if (n == nullptr) return nullptr;
  }
  return n;
}

TEST(SettingsTest, ReadsNeverCreateKeys) {
  MemoryStore store;
  store.tree().localMachine().childOrCreate("SOFTWARE");
  EXPECT_EQ(readSettingDword(store, "Kestrum", "General", "FormatVersion", 42), 42);
  EXPECT_EQ(readSettingString(store, "Kestrum", "General", "x", "d"), "d");
  EXPECT_TRUE(readSettingFlag(store, "Kestrum", "General", "x", true));
  EXPECT_EQ(node(store, {"SOFTWARE", "Kestrum"}), nullptr);
  EXPECT_EQ(store.openHandleCount(), 0u);
}

TEST(SettingsTest, FlagsAndTypesReadAsTheStoreSays) {
  MemoryStore store;
  RegNode& pop3 = store.tree().localMachine().childOrCreate("SOFTWARE").childOrCreate("Kestrum").childOrCreate("POP3");
  pop3.setValue("Five", kRegDword, std::string("\x05\0\0\0", 4));
  pop3.setValue("Zero", kRegDword, std::string("\0\0\0\0", 4));
  pop3.setValue("Text", kRegSz, std::string("abc\0", 4));
  EXPECT_TRUE(readSettingFlag(store, "Kestrum", "POP3", "Five", false));
  EXPECT_FALSE(readSettingFlag(store, "Kestrum", "POP3", "Zero", true));
  EXPECT_FALSE(readSettingFlag(store, "Kestrum", "POP3", "Missing", false));
  EXPECT_EQ(readSettingString(store, "Kestrum", "POP3", "Five", "d"), "");
  EXPECT_EQ(readSettingString(store, "Kestrum", "POP3", "Text", "d"), "abc");
}

TEST(SettingsTest, WritesCreateTheProductAndSectionKeys) {
  MemoryStore store;
  store.tree().localMachine().childOrCreate("SOFTWARE");
  writeSettingFlag(store, "Kestrum", "General", "Updated", 1);
  writeSettingString(store, "Kestrum", "General", "Empty", "");
  writeSettingDword(store, "Kestrum", "General", "Minus", -1);
  RegNode* general = node(store, {"SOFTWARE", "Kestrum", "General"});
  ASSERT_NE(general, nullptr);
  ASSERT_EQ(general->values().size(), 3u);
  EXPECT_EQ(general->values()[0].type, kRegDword);
  EXPECT_EQ(general->values()[0].data, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(general->values()[1].type, kRegSz);
  EXPECT_EQ(general->values()[1].data, std::string(1, '\0'));
  EXPECT_EQ(general->values()[2].data, std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_EQ(store.openHandleCount(), 0u);
}

TEST(SettingsTest, WritesAreNeverRedirectedUpThePath) {
  // Without a SOFTWARE key the write has nowhere to go: nothing is written.
  MemoryStore bare;
  writeSettingDword(bare, "Kestrum", "General", "X", 1);
  EXPECT_TRUE(bare.tree().localMachine().children().empty());
}

}  // namespace
}  // namespace kestrum
