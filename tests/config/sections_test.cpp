// The settings sections together: the defaults of a fresh tree, how stored
// numbers pass a load and a save, and where their values fall in the keys
// they share with other sections.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::SectionTree;
using testing::loadSections;
using testing::saveSections;
using testing::storedDword;

TEST(SectionsTest, AFreshTreeLoadsEveryDefaultAndTheSaveWritesThemAll) {
  SectionTree tree;
  loadSections(tree.config, tree.root);
  EXPECT_EQ(tree.config.enable, 0);
  EXPECT_EQ(tree.config.hollowmereMarkerFound, 0);
  EXPECT_TRUE(tree.config.scheduleEntries.empty());
  EXPECT_TRUE(tree.config.Exchanged_Domains.empty());
  // The walks leave their keys behind; the one-shot reads create nothing.
  EXPECT_EQ(testing::regTextOf(*tree.store, "SOFTWARE\\Kestrum"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Connection]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule]\n\n");

  saveSections(tree.config, tree.root);
  EXPECT_EQ(testing::regTextOf(*tree.store, "SOFTWARE\\Kestrum"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Advanced]\n"
            "\"Enable_Eventlog\"=dword:00000001\n"
            "\"Enable_Filter_Recipient_Start\"=dword:00000000\n"
            "\"Filter_Recipient_Start\"=\"\"\n"
            "\"Enable_Filter_Recipient_End\"=dword:00000000\n"
            "\"Filter_Recipient_End\"=\"\"\n"
            "\"External_source_IP\"=\"Default\"\n"
            "\"Internal_source_IP\"=\"Default\"\n"
            "\"inform_postmaster_nosender\"=dword:00000000\n"
            "\"inform_postmaster_badmail\"=dword:00000000\n"
            "\"RemoveReadReceiptRequests\"=dword:00000000\n"
            "\"remove_sensitivity\"=dword:00000000\n"
            "\"ReplaceInvalidchars\"=dword:00000000\n"
            "\"unknown_user_string\"=\"unknown-user@example.invalid\"\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Antivirus]\n"
            "\"Enable_Antivirus\"=dword:00000002\n"
            "\"Scanner_EXE\"=\"\"\n"
            "\"AV_Deliver_or_Divert\"=dword:00000001\n"
            "\"AV_Update\"=dword:00000000\n"
            "\"Last_Update\"=dword:00000000\n"
            "\"Virus_Operator\"=\"\"\n"
            "\"AV_Warn_Sender\"=dword:00000000\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Archive]\n"
            "\"ArchiveMode\"=dword:00000000\n"
            "\"ArchiveFolder\"=\"Archive\"\n"
            "\"ArchiveDontArchiveSpam\"=dword:00000001\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Connection]\n"
            "\"Use_Dialup\"=dword:00000000\n"
            "\"DU_Connection\"=\"\"\n"
            "\"DU_Password\"=\"\"\n"
            "\"DU_Username\"=\"\"\n"
            "\"DU_no_disconnect\"=dword:00000000\n"
            "\"DU_triger_when_active\"=dword:00000000\n"
            "\"DU_triger_when_any_active\"=dword:00000000\n"
            "\"DU_min_triger_when_active\"=dword:00000001\n"
            "\"UseHTTPProxy\"=dword:00000000\n"
            "\"HTTPProxy\"=\"\"\n"
            "\"HTTPProxyPort\"=dword:00001f90\n"
            "\"UseFTPProxy\"=dword:00000000\n"
            "\"FTPProxy\"=\"\"\n"
            "\"FTPProxyPort\"=dword:00001f90\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_Domains]\n"
            "\"nDomains\"=dword:00000000\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\n"
            "\"Max_Logfile_Length\"=dword:00000064\n"
            "\"Logfileoption\"=dword:00000000\n"
            "\"Current_Logfile_Date\"=\"old\"\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Hollowmere]\n"
            "\"CheckMailboxExist\"=dword:00000001\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n"
            "\"Enable_Receivedfor\"=dword:00000001\n"
            "\"Check_DELIVERED_TO\"=dword:00000000\n"
            "\"Enable_Header3\"=dword:00000001\n"
            "\"Enable_Header4\"=dword:00000001\n"
            "\"Enable_Header5\"=dword:00000001\n"
            "\"Enable_Header6\"=dword:00000001\n"
            "\"Enable_Header7\"=dword:00000001\n"
            "\"Enable_Header8\"=dword:00000001\n"
            "\"Enable_Header9\"=dword:00000001\n"
            "\"Enable_Header10\"=dword:00000001\n"
            "\"Enable_Header11\"=dword:00000001\n"
            "\"Enable_Header12\"=dword:00000001\n"
            "\"Enable_Header13\"=dword:00000001\n"
            "\"Enable_Header14\"=dword:00000001\n"
            "\"Enable_Header15\"=dword:00000001\n"
            "\"Enable_Header16\"=dword:00000001\n"
            "\"Enable_Header17\"=dword:00000001\n"
            "\"Enable_Header18\"=dword:00000001\n"
            "\"Enable_Header19\"=dword:00000001\n"
            "\"Enable_Header20\"=dword:00000001\n"
            "\"Enable_Header21\"=dword:00000001\n"
            "\"Enable_Header22\"=dword:00000001\n"
            "\"Enable_Header23\"=dword:00000001\n"
            "\"Enable_Header24\"=dword:00000001\n"
            "\"Enable_Header25\"=dword:00000001\n"
            "\"Enable_Header26\"=dword:00000001\n"
            "\"Enable_Header27\"=dword:00000001\n"
            "\"Enable_Header28\"=dword:00000001\n"
            "\"Enable_Header29\"=dword:00000001\n"
            "\"Enable_Header30\"=dword:00000001\n"
            "\"Enable_Header31\"=dword:00000001\n"
            "\"Enable_Header32\"=dword:00000001\n"
            "\"Enable_Header33\"=dword:00000001\n"
            "\"Enable_Header34\"=dword:00000001\n"
            "\"Enable_Header35\"=dword:00000001\n"
            "\"Enable_Header36\"=dword:00000001\n"
            "\"Enable_Header37\"=dword:00000001\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Schedule]\n"
            "\"Schedule_Mode\"=dword:00000000\n"
            "\"Schedule_Waittime\"=dword:0000001e\n"
            "\"nSchedule\"=dword:00000000\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Send]\n"
            "\"Out_SMTP_enable\"=dword:00000000\n"
            "\"Out_SMTP_Server\"=\"\"\n"
            "\"Out_SMTP_Port\"=dword:00001f59\n"
            "\"Out_SMTP_needs_Auth\"=dword:00000000\n"
            "\"Out_SMTP_Username\"=\"\"\n"
            "\"Out_SMTP_Password\"=\"\"\n"
            "\"Out_SMTP_POP_first\"=dword:00000000\n"
            "\"Out_SMTP_wait_until_POP\"=dword:00000001\n"
            "\"In_SMTP_Port\"=dword:00000401\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP]\n"
            "\"React_on_Exchange_Err1\"=dword:00000003\n"
            "\"React_on_Exchange_Err2\"=dword:00000002\n"
            "\"React_on_Exchange_Err3\"=dword:00000000\n"
            "\"RerouteSubjectTag\"=\"\"\n"
            "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\TARVOS]\n"
            "\"notification_email\"=\"\"\n"
            "\"prefix_case_1\"=\"\"\n"
            "\"prefix_case_2\"=\"\"\n"
            "\"prefix_case_3\"=\"\"\n\n");
}

// One stored number, loaded and saved by every section: flags come back as
// 1, numbers as stored, and `enable` is never written by a save.
struct StoredNumberCase {
  const char* key;
  const char* name;
  std::uint32_t stored;
  std::uint32_t afterSave;
};

void PrintTo(const StoredNumberCase& c, std::ostream* os) {
  *os << c.key << "\\" << c.name << " stored " << c.stored;
}

class StoredNumberTest : public ::testing::TestWithParam<StoredNumberCase> {};

TEST_P(StoredNumberTest, PassesALoadAndASave) {
  const StoredNumberCase& c = GetParam();
  char stored[9];
  std::snprintf(stored, sizeof stored, "%08x", c.stored);
  SectionTree tree(std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\") + c.key + "]\n\"" + c.name +
                   "\"=dword:" + stored + "\n");
  loadSections(tree.config, tree.root);
  saveSections(tree.config, tree.root);
  EXPECT_EQ(storedDword(*tree.store, c.key, c.name), c.afterSave);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, StoredNumberTest,
    ::testing::Values(StoredNumberCase{"Connection", "Use_Dialup", 7, 1},
                      StoredNumberCase{"Connection", "DU_triger_when_any_active", 5, 1},
                      StoredNumberCase{"POP3", "Enable_Header12", 5, 1},
                      StoredNumberCase{"POP3", "Check_DELIVERED_TO", 0, 0},
                      StoredNumberCase{"Send", "Out_SMTP_needs_Auth", 7, 1},
                      StoredNumberCase{"Advanced", "Enable_Filter_Recipient_End", 9, 1},
                      StoredNumberCase{"Archive", "ArchiveDontArchiveSpam", 5, 1},
                      StoredNumberCase{"Hollowmere", "CheckMailboxExist", 7, 1},
                      StoredNumberCase{"Hollowmere", "CheckMailboxExist", 0, 0},
                      StoredNumberCase{"Antivirus", "Enable_Antivirus", 7, 7},
                      StoredNumberCase{"Antivirus", "AV_Warn_Sender", 1, 0},
                      StoredNumberCase{"Antivirus", "Last_Update", 0xffffffffu, 0xffffffffu},
                      StoredNumberCase{"General", "Logfileoption", 9, 9},
                      StoredNumberCase{"General", "Max_Logfile_Length", 0xfffffff6u, 0xfffffff6u},
                      StoredNumberCase{"SMTP", "React_on_Exchange_Err1", 0x10000u, 0x10000u},
                      StoredNumberCase{"Send", "Out_SMTP_Port", 70000, 70000},
                      StoredNumberCase{"TARVOS", "enable", 5, 5}));

// The names of a key's values in their order.
std::vector<std::string> valueNames(const MemoryStore& store, std::string_view key) {
  std::vector<std::string> names;
  if (const RegNode* node = testing::findKey(store, "SOFTWARE\\Kestrum\\" + std::string(key)))
    for (const RegValue& value : node->values()) names.push_back(value.name);
  return names;
}

// Where these sections share a key with others, the save sequence decides
// the order in which a fresh tree's values are created.
TEST(SectionsTest, TheSaveSequencePlacesTheValuesOfSharedKeys) {
  testing::FakeHost host;
  MemoryStore store;
  Configuration config(store, host);
  config.loadTree(kProductRoot);
  config.saveTree(kProductRoot);

  std::vector<std::string> pop3 = {"nPOP3", "Enable_Receivedfor", "Check_DELIVERED_TO"};
  for (int n = 3; n <= 37; ++n) pop3.push_back("Enable_Header" + std::to_string(n));
  pop3.push_back("maxnrinonepass");
  EXPECT_EQ(valueNames(store, "POP3"), pop3);
  EXPECT_EQ(valueNames(store, "SMTP"),
            (std::vector<std::string>{"Server", "Port", "Timeout", "Postmaster", "React_on_Exchange_Err1",
                                      "React_on_Exchange_Err2", "React_on_Exchange_Err3",
                                      "RerouteSubjectTag"}));
  EXPECT_EQ(valueNames(store, "General"),
            (std::vector<std::string>{"Max_Logfile_Length", "Registry_Updated", "FormatVersion",
                                      "Logfileoption", "Current_Logfile_Date"}));
  EXPECT_EQ(valueNames(store, "Connection"),
            (std::vector<std::string>{"Use_Dialup", "DU_Connection", "DU_Password", "DU_Username",
                                      "DU_no_disconnect", "DU_triger_when_active",
                                      "DU_triger_when_any_active", "DU_min_triger_when_active",
                                      "UseHTTPProxy", "HTTPProxy", "HTTPProxyPort", "UseFTPProxy",
                                      "FTPProxy", "FTPProxyPort"}));
}

// The antivirus step runs after the mail server has read Postmaster.
TEST(SectionsTest, TheWholeLoadGivesVirusOperatorTheLoadedPostmaster) {
  auto store = testing::storeFromReg(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP]\n\"Postmaster\"=\"postmaster@example.net\"\n");
  testing::FakeHost host;
  Configuration config(*store, host);
  config.loadTree(kProductRoot);
  EXPECT_EQ(config.Virus_Operator, "postmaster@example.net");
}

TEST(SectionsTest, TheHollowmereMarkerChangesNothingInTheRegistry) {
  const char* reg = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Hollowmere]\n\"CheckMailboxExist\"=dword:00000000\n";
  SectionTree without(reg);
  SectionTree with(reg);
  with.host.entries.insert("hollowmere.dat");
  loadSections(without.config, without.root);
  loadSections(with.config, with.root);
  EXPECT_EQ(testing::regText(*with.store), testing::regText(*without.store));
  EXPECT_EQ(with.config.hollowmereMarkerFound, 1);
  EXPECT_EQ(without.config.hollowmereMarkerFound, 0);
  EXPECT_EQ(with.config.CheckMailboxExist, 0);
  saveSections(without.config, without.root);
  saveSections(with.config, with.root);
  EXPECT_EQ(testing::regText(*with.store), testing::regText(*without.store));
}

}  // namespace
}  // namespace kestrum
