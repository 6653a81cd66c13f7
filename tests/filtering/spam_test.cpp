#include "filtering/spam.h"

#include <gtest/gtest.h>

#include <set>

#include "filtering/section_tree.h"
#include "registry/settings.h"

namespace kestrum::testing {
namespace {

constexpr std::string_view kRetired = "relays.ordb.org";

// The Spam steps of a load, in the order of the load sequence, with the
// Postmaster and the whitelist as the earlier steps leave them.
void loadSpam(Configuration& config) {
  loadSpamSettings(config, "Kestrum");
  seedSpamDefaults(config, "Kestrum");
  loadSpamSubjectTag(config, "Kestrum");
}

void saveSpam(const Configuration& config) {
  saveSpamSettings(config, "Kestrum");
  saveSpamSubjectTag(config, "Kestrum");
}

TEST(Spam, TreeWithoutSpamGetsDefaultsAndIsSeededDuringTheLoad) {
  SectionTree tree;
  tree.config.Postmaster = "postmaster@example.com";
  tree.config.Whitelist.Sender = {"@loaded.example"};
  loadSpam(tree.config);

  EXPECT_EQ(tree.config.Enable_Antispam, 1);
  EXPECT_EQ(tree.config.Antispam_Mode, 1);
  EXPECT_EQ(tree.config.Spam_Operator, "postmaster@example.com");
  EXPECT_EQ(tree.config.SpamSubjectTag, "[SPAM]");

  const StringList& servers = tree.config.spamServers;
  ASSERT_EQ(servers.size(), 8u);
  EXPECT_EQ(std::set<std::string>(servers.begin(), servers.end()).size(), 8u);
  for (const std::string& server : servers) {
    EXPECT_NE(server, kRetired);
    EXPECT_NE(server.find('.'), std::string::npos) << server;
  }

  const StringList& senders = tree.config.Whitelist.Sender;
  ASSERT_EQ(senders.size(), 3u);
  EXPECT_EQ(senders[0], "@loaded.example");
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(senders[i][0], '@') << senders[i];
    EXPECT_NE(senders[i].find('.'), std::string::npos) << senders[i];
  }
  EXPECT_NE(senders[1], senders[2]);

  // Written by the load itself; nothing has been saved.
  std::string expected = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Spam]\n\"nServers\"=dword:00000008\n";
  for (std::size_t j = 0; j < servers.size(); ++j)
    expected += "\"" + std::to_string(j) + "\"=\"" + servers[j] + "\"\n";
  expected += "\"Default_Spamservers_already_set\"=dword:00000001\n\n";
  EXPECT_EQ(tree.text("Spam"), expected);
  EXPECT_EQ(findKey(*tree.store, "SOFTWARE\\Kestrum\\Whitelist"), nullptr);
}

TEST(Spam, SecondLoadSeedsNothingEvenWithTheServersGone) {
  SectionTree tree;
  loadSpam(tree.config);
  writeSettingDword(*tree.store, "Kestrum", "Spam", "nServers", 0);

  Configuration again(*tree.store, tree.host);
  loadSpam(again);
  EXPECT_TRUE(again.spamServers.empty());
  EXPECT_TRUE(again.Whitelist.Sender.empty());
  EXPECT_EQ(readSettingDword(*tree.store, "Kestrum", "Spam", "nServers", -1), 0);
}

TEST(Spam, StoredServersWithoutTheFlagAreKeptAndTheFlagIsWritten) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Spam]
"nServers"=dword:00000001
"0"="bl.example.net"
)");
  loadSpam(tree.config);
  EXPECT_EQ(tree.config.spamServers, StringList{"bl.example.net"});
  EXPECT_TRUE(tree.config.Whitelist.Sender.empty());
  EXPECT_EQ(tree.text("Spam"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Spam]\n"
            "\"nServers\"=dword:00000001\n"
            "\"0\"=\"bl.example.net\"\n"
            "\"Default_Spamservers_already_set\"=dword:00000001\n\n");
}

TEST(Spam, MissingServerValueReadsAsErrorAndIsWrittenBack) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Spam]
"nServers"=dword:00000003
"0"="one.example"
"2"="three.example"
)");
  loadSpam(tree.config);
  EXPECT_EQ(tree.config.spamServers, (StringList{"one.example", "error", "three.example"}));
  saveSpam(tree.config);
  EXPECT_EQ(readSettingString(*tree.store, "Kestrum", "Spam", "1", "missing"), "error");
}

TEST(Spam, RetiredZoneIsDroppedOnlyWhenSpelledExactly) {
  struct Case {
    std::string_view stored;
    StringList loaded;
  };
  const Case cases[] = {
      {"relays.ordb.org", {"a.example", "b.example"}},
      {"Relays.ORDB.org", {"a.example", "Relays.ORDB.org", "b.example"}},
      {" relays.ordb.org", {"a.example", " relays.ordb.org", "b.example"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    SectionTree tree("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Spam]\n"
                     "\"nServers\"=dword:00000003\n"
                     "\"0\"=\"a.example\"\n"
                     "\"1\"=\"" + std::string(c.stored) + "\"\n"
                     "\"2\"=\"b.example\"\n");
    loadSpam(tree.config);
    EXPECT_EQ(tree.config.spamServers, c.loaded);
  }

  // The shorter list is saved over the front of the old one; the old last
  // value stays behind the new count.
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Spam]
"nServers"=dword:00000003
"0"="a.example"
"1"="relays.ordb.org"
"2"="b.example"
)");
  loadSpam(tree.config);
  saveSpam(tree.config);
  EXPECT_EQ(readSettingDword(*tree.store, "Kestrum", "Spam", "nServers", -1), 2);
  EXPECT_EQ(readSettingString(*tree.store, "Kestrum", "Spam", "0", ""), "a.example");
  EXPECT_EQ(readSettingString(*tree.store, "Kestrum", "Spam", "1", ""), "b.example");
  EXPECT_EQ(readSettingString(*tree.store, "Kestrum", "Spam", "2", ""), "b.example");
}

TEST(Spam, StoredValuesSurviveAndReplySenderIsSavedAsZero) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Spam]
"Enable_Antispam"=dword:00000005
"Antispam_Mode"=dword:00000003
"Spam_Operator"=""
"nServers"=dword:00000001
"0"="bl.example.net"
"Spam_ReplySender"=dword:00000001
"Default_Spamservers_already_set"=dword:00000001
"SpamSubjectTag"=""
)");
  tree.config.Postmaster = "postmaster@example.com";
  loadSpam(tree.config);
  EXPECT_EQ(tree.config.Enable_Antispam, 1);
  EXPECT_EQ(tree.config.Antispam_Mode, 3);
  EXPECT_EQ(tree.config.Spam_Operator, "");
  EXPECT_EQ(tree.config.SpamSubjectTag, "");

  saveSpam(tree.config);
  EXPECT_EQ(tree.text("Spam"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Spam]\n"
            "\"Enable_Antispam\"=dword:00000001\n"
            "\"Antispam_Mode\"=dword:00000003\n"
            "\"Spam_Operator\"=\"\"\n"
            "\"nServers\"=dword:00000001\n"
            "\"0\"=\"bl.example.net\"\n"
            "\"Spam_ReplySender\"=dword:00000000\n"
            "\"Default_Spamservers_already_set\"=dword:00000001\n"
            "\"SpamSubjectTag\"=\"\"\n\n");
}

TEST(Spam, SaveWritesItsValuesInOrder) {
  SectionTree tree;
  tree.config.Enable_Antispam = 0;
  tree.config.Antispam_Mode = 2;
  tree.config.Spam_Operator = "spam@example.com";
  tree.config.spamServers = {"one.example", "two.example"};
  tree.config.SpamSubjectTag = "[JUNK]";
  saveSpam(tree.config);
  EXPECT_EQ(tree.text("Spam"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Spam]\n"
            "\"Enable_Antispam\"=dword:00000000\n"
            "\"Antispam_Mode\"=dword:00000002\n"
            "\"Spam_Operator\"=\"spam@example.com\"\n"
            "\"nServers\"=dword:00000002\n"
            "\"0\"=\"one.example\"\n"
            "\"1\"=\"two.example\"\n"
            "\"Spam_ReplySender\"=dword:00000000\n"
            "\"SpamSubjectTag\"=\"[JUNK]\"\n\n");
}

}  // namespace
}  // namespace kestrum::testing
