#include "config/header_checks.h"

#include <gtest/gtest.h>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::SectionTree;
using testing::storedDword;

TEST(HeaderChecksTest, MissingSwitchesTakeTheirDefaultsAndOthersOfTheNamingStayUntouched) {
  SectionTree tree(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n"
      "\"Enable_Receivedfor\"=dword:00000000\n"
      "\"Enable_Header2\"=dword:00000009\n"
      "\"Enable_Header12\"=dword:00000005\n"
      "\"Enable_Header37\"=dword:00000000\n"
      "\"Enable_Header38\"=dword:00000007\n"
      "\"Enable_Header037\"=dword:00000007\n");
  loadHeaderChecks(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.Enable_Receivedfor, 0);
  EXPECT_EQ(tree.config.Check_DELIVERED_TO, 0);
  EXPECT_EQ(tree.config.Enable_Header3, 1);
  EXPECT_EQ(tree.config.Enable_Header7, 1);
  EXPECT_EQ(tree.config.Enable_Header12, 1);
  EXPECT_EQ(tree.config.Enable_Header36, 1);
  EXPECT_EQ(tree.config.Enable_Header37, 0);

  saveHeaderChecks(tree.config, kProductRoot);
  EXPECT_EQ(storedDword(*tree.store, "POP3", "Enable_Header12"), 1u);
  EXPECT_EQ(storedDword(*tree.store, "POP3", "Enable_Header37"), 0u);
  EXPECT_EQ(storedDword(*tree.store, "POP3", "Enable_Header2"), 9u);
  EXPECT_EQ(storedDword(*tree.store, "POP3", "Enable_Header38"), 7u);
  EXPECT_EQ(storedDword(*tree.store, "POP3", "Enable_Header037"), 7u);
  // The six stored values, then the 34 switches that were missing.
  EXPECT_EQ(testing::findKey(*tree.store, "SOFTWARE\\Kestrum\\POP3")->values().size(), 6u + 34u);
}

}  // namespace
}  // namespace kestrum
