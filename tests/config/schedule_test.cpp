#include "config/schedule.h"

#include <gtest/gtest.h>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::RefusingStore;
using testing::SectionTree;
using testing::storedDword;

constexpr const char* kKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\";

TEST(ScheduleTest, ACountAboveThePresentSubkeysGivesZeroEntriesAndCreatesTheirKeys) {
  SectionTree tree(std::string(kKey) + "Schedule]\n\"Schedule_Mode\"=dword:00000002\n\"nSchedule\"=dword:00000002\n" +
                   kKey + "Schedule\\1]\n\"Weekday\"=dword:00000005\n\"Hour\"=dword:00000017\n\"Minute\"=dword:ffffffff\n");
  loadSchedule(tree.config, tree.root);
  EXPECT_EQ(tree.config.Schedule_Mode, 2);
  EXPECT_EQ(tree.config.Schedule_Waittime, 30);
  ASSERT_EQ(tree.config.scheduleEntries.size(), 2u);
  const ScheduleEntry& first = tree.config.scheduleEntries[0];
  EXPECT_EQ(first.Weekday, 5);
  EXPECT_EQ(first.Hour, 23);
  EXPECT_EQ(first.Minute, -1);
  const ScheduleEntry& second = tree.config.scheduleEntries[1];
  EXPECT_EQ(second.Weekday, 0);
  EXPECT_EQ(second.Hour, 0);
  EXPECT_EQ(second.Minute, 0);
  EXPECT_EQ(tree.text("Schedule\\2"), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule\\2]\n\n");

  saveSchedule(tree.config, tree.root);
  EXPECT_EQ(tree.text("Schedule"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule]\n"
            "\"Schedule_Mode\"=dword:00000002\n"
            "\"nSchedule\"=dword:00000002\n"
            "\"Schedule_Waittime\"=dword:0000001e\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule\\1]\n"
            "\"Weekday\"=dword:00000005\n"
            "\"Hour\"=dword:00000017\n"
            "\"Minute\"=dword:ffffffff\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule\\2]\n"
            "\"Weekday\"=dword:00000000\n"
            "\"Hour\"=dword:00000000\n"
            "\"Minute\"=dword:00000000\n\n");
}

TEST(ScheduleTest, AShrunkListLeavesTheOldSubkeysInPlace) {
  std::string reg = std::string(kKey) + "Schedule]\n\"nSchedule\"=dword:00000005\n";
  for (int i = 1; i <= 5; ++i)
    reg += std::string(kKey) + "Schedule\\" + std::to_string(i) + "]\n\"Weekday\"=dword:0000000" + std::to_string(i) + "\n";
  SectionTree tree(reg);
  loadSchedule(tree.config, tree.root);
  ASSERT_EQ(tree.config.scheduleEntries.size(), 5u);
  tree.config.scheduleEntries.clear();
  for (int i = 0; i < 3; ++i) {
    auto entry = std::make_unique<ScheduleEntry>();
    entry->Hour = 10 + i;
    tree.config.scheduleEntries.append(std::move(entry));
  }
  saveSchedule(tree.config, tree.root);
  EXPECT_EQ(storedDword(*tree.store, "Schedule", "nSchedule"), 3u);
  EXPECT_EQ(storedDword(*tree.store, "Schedule\\3", "Hour"), 12u);
  EXPECT_EQ(storedDword(*tree.store, "Schedule\\3", "Weekday"), 0u);
  EXPECT_EQ(tree.text("Schedule\\4"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule\\4]\n\"Weekday\"=dword:00000004\n\n");
  EXPECT_EQ(tree.text("Schedule\\5"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule\\5]\n\"Weekday\"=dword:00000005\n\n");
  loadSchedule(tree.config, tree.root);
  EXPECT_EQ(tree.config.scheduleEntries.size(), 3u);
}

TEST(ScheduleTest, ANegativeCountReadsNoEntryAndCreatesNoSubkey) {
  SectionTree tree(std::string(kKey) + "Schedule]\n\"nSchedule\"=dword:ffffffff\n");
  loadSchedule(tree.config, tree.root);
  EXPECT_TRUE(tree.config.scheduleEntries.empty());
  EXPECT_TRUE(testing::findKey(*tree.store, "SOFTWARE\\Kestrum\\Schedule")->children().empty());
}

struct MinTriggerCase {
  const char* stored;  // nullptr: missing
  std::int32_t loaded;
};

void PrintTo(const MinTriggerCase& c, std::ostream* os) {
  *os << "stored " << (c.stored != nullptr ? c.stored : "(missing)");
}

class DialupMinTriggerTest : public ::testing::TestWithParam<MinTriggerCase> {};

TEST_P(DialupMinTriggerTest, ZeroBecomesOneAndOtherValuesStay) {
  std::string reg = std::string(kKey) + "Connection]\n";
  if (GetParam().stored != nullptr) reg += std::string("\"DU_min_triger_when_active\"=dword:") + GetParam().stored + "\n";
  SectionTree tree(reg);
  loadDialup(tree.config, tree.root);
  EXPECT_EQ(tree.config.DU_min_triger_when_active, GetParam().loaded);
  saveDialup(tree.config, tree.root);
  EXPECT_EQ(storedDword(*tree.store, "Connection", "DU_min_triger_when_active"),
            static_cast<std::uint32_t>(GetParam().loaded));
}

INSTANTIATE_TEST_SUITE_P(Dialup, DialupMinTriggerTest,
                         ::testing::Values(MinTriggerCase{"00000000", 1}, MinTriggerCase{"fffffffb", -5},
                                           MinTriggerCase{nullptr, 1}, MinTriggerCase{"00000009", 9}));

TEST(DialupTest, TextsAreCarriedByteForByteAndThePasswordStaysClear) {
  SectionTree tree(std::string(kKey) + "Connection]\n"
                   "\"DU_Password\"=\"  SeCreT \"\n\"DU_Username\"=\" Dial User\"\n\"DU_Connection\"=\"Office \\\"ISDN\\\"\"\n");
  loadDialup(tree.config, tree.root);
  EXPECT_EQ(tree.config.DU_Password, "  SeCreT ");
  EXPECT_EQ(tree.config.DU_Connection, "Office \"ISDN\"");
  saveDialup(tree.config, tree.root);
  EXPECT_EQ(tree.text("Connection"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Connection]\n"
            "\"DU_Password\"=\"  SeCreT \"\n"
            "\"DU_Username\"=\" Dial User\"\n"
            "\"DU_Connection\"=\"Office \\\"ISDN\\\"\"\n"
            "\"Use_Dialup\"=dword:00000000\n"
            "\"DU_no_disconnect\"=dword:00000000\n"
            "\"DU_triger_when_active\"=dword:00000000\n"
            "\"DU_triger_when_any_active\"=dword:00000000\n"
            "\"DU_min_triger_when_active\"=dword:00000001\n\n");
}

// A section key that can be neither opened nor created must not be replaced
// by the root: the root's own values of the same names are neither read nor
// overwritten, and no entry subkey lands below the root.
TEST(ScheduleTest, AnUnreachableSectionKeyReadsDefaultsAndWritesNothing) {
  for (const char* section : {"Schedule", "Connection"}) {
    SCOPED_TRACE(section);
    auto memory = testing::storeFromReg(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n"
        "\"Schedule_Waittime\"=dword:00000005\n\"nSchedule\"=dword:00000002\n"
        "\"Use_Dialup\"=dword:00000001\n\"DU_min_triger_when_active\"=dword:00000007\n");
    RefusingStore store(*memory, section);
    testing::FakeHost host;
    Configuration config(store, host);
    RegistryKey root(store, kHkeyLocalMachine);
    SectionTree::walk(root);
    loadSchedule(config, root);
    loadDialup(config, root);
    if (std::string_view(section) == "Schedule") {
      EXPECT_EQ(config.Schedule_Waittime, 30);
      EXPECT_TRUE(config.scheduleEntries.empty());
    } else {
      EXPECT_EQ(config.Use_Dialup, 0);
      EXPECT_EQ(config.DU_min_triger_when_active, 1);
    }
    config.Schedule_Waittime = 99;
    config.Use_Dialup = 0;
    config.DU_min_triger_when_active = 99;
    config.scheduleEntries.append(std::make_unique<ScheduleEntry>());
    saveSchedule(config, root);
    saveDialup(config, root);
    const RegNode* rootNode = testing::findKey(*memory, "SOFTWARE\\Kestrum");
    ASSERT_NE(rootNode, nullptr);
    ASSERT_EQ(rootNode->values().size(), 4u);
    EXPECT_EQ(rootNode->value("Schedule_Waittime")->data, std::string("\x05\0\0\0", 4));
    EXPECT_EQ(rootNode->value("Use_Dialup")->data, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(rootNode->value("DU_min_triger_when_active")->data, std::string("\x07\0\0\0", 4));
    EXPECT_EQ(rootNode->child("1"), nullptr);
    EXPECT_EQ(rootNode->child(section), nullptr);
  }
}

}  // namespace
}  // namespace kestrum
