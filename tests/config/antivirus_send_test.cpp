#include "config/antivirus_send.h"

#include <gtest/gtest.h>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::SectionTree;
using testing::storedDword;

TEST(AntivirusTest, VirusOperatorDefaultsToTheLoadedPostmasterOnlyWhenMissing) {
  SectionTree missing;
  missing.config.Postmaster = "postmaster@example.net";
  loadAntivirus(missing.config, kProductRoot);
  EXPECT_EQ(missing.config.Virus_Operator, "postmaster@example.net");
  saveAntivirus(missing.config, kProductRoot);
  EXPECT_EQ(testing::storedValue(*missing.store, "Antivirus", "Virus_Operator")->data,
            std::string("postmaster@example.net\0", 23));

  SectionTree empty("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Antivirus]\n\"Virus_Operator\"=\"\"\n");
  empty.config.Postmaster = "postmaster@example.net";
  loadAntivirus(empty.config, kProductRoot);
  EXPECT_EQ(empty.config.Virus_Operator, "");
}

TEST(AntivirusTest, LastUpdateIsSignExtendedOnLoadAndSavedAsItsLowBits) {
  SectionTree tree("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Antivirus]\n\"Last_Update\"=dword:ffffffff\n");
  loadAntivirus(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.Last_Update, -1);

  SectionTree top("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Antivirus]\n\"Last_Update\"=dword:80000000\n");
  loadAntivirus(top.config, kProductRoot);
  EXPECT_EQ(top.config.Last_Update, -2147483648LL);

  tree.config.Last_Update = 0x123456789LL;
  saveAntivirus(tree.config, kProductRoot);
  EXPECT_EQ(storedDword(*tree.store, "Antivirus", "Last_Update"), 0x23456789u);
}

// On load Last_Update follows Virus_Operator; on save it comes before it.
TEST(AntivirusTest, TheSaveWritesLastUpdateBeforeVirusOperatorAndTheSenderWarningLast) {
  SectionTree tree;
  loadAntivirus(tree.config, kProductRoot);
  tree.config.Virus_Operator = "virus@example.net";
  saveAntivirus(tree.config, kProductRoot);
  EXPECT_EQ(tree.text("Antivirus"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Antivirus]\n"
            "\"Enable_Antivirus\"=dword:00000002\n"
            "\"Scanner_EXE\"=\"\"\n"
            "\"AV_Deliver_or_Divert\"=dword:00000001\n"
            "\"AV_Update\"=dword:00000000\n"
            "\"Last_Update\"=dword:00000000\n"
            "\"Virus_Operator\"=\"virus@example.net\"\n"
            "\"AV_Warn_Sender\"=dword:00000000\n\n");
}

TEST(SendTest, ThePasswordAndTheOtherValuesRoundTripUnchanged) {
  const std::string send =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Send]\n"
      "\"Out_SMTP_enable\"=dword:00000001\n"
      "\"Out_SMTP_Server\"=\"\"\n"
      "\"Out_SMTP_Port\"=dword:00000000\n"
      "\"Out_SMTP_needs_Auth\"=dword:00000001\n"
      "\"Out_SMTP_Username\"=\"relay user\"\n"
      "\"Out_SMTP_Password\"=\" pA\\\\ss\\\"word \"\n"
      "\"Out_SMTP_POP_first\"=dword:00000001\n"
      "\"Out_SMTP_wait_until_POP\"=dword:00000000\n"
      "\"In_SMTP_Port\"=dword:00010019\n";
  const std::string sendText = send + "\n";
  SectionTree tree(send);
  loadSend(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.Out_SMTP_Password, " pA\\ss\"word ");
  EXPECT_EQ(tree.config.In_SMTP_Port, 65561);
  saveSend(tree.config, kProductRoot);
  EXPECT_EQ(tree.text("Send"), sendText);
}

}  // namespace
}  // namespace kestrum
