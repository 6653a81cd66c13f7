#include "config/mail_server.h"

#include <gtest/gtest.h>

#include "config/configuration.h"
#include "registry/registry_key.h"
#include "scramble/scramble.h"
#include "support/fixtures.h"

namespace kestrum {
namespace {

using testing::FakeHost;
using testing::findKey;
using testing::regTextOf;
using testing::storeFromReg;

// Runs the mail-server section alone on SOFTWARE\Kestrum, as the load and
// save walks hand it the tree's root.
struct Section {
  explicit Section(std::string_view reg) : store(storeFromReg(reg)), config(*store, host) {}
  void load() {
    RegistryKey root(*store, kHkeyLocalMachine);
    ASSERT_TRUE(root.createSubkey("SOFTWARE\\Kestrum", kKeyAllAccess));
    loadMailServer(config, root);
  }
  void save() {
    RegistryKey root(*store, kHkeyLocalMachine);
    ASSERT_TRUE(root.createSubkey("SOFTWARE\\Kestrum", kKeyAllAccess));
    saveMailServer(config, root);
  }
  FakeHost host;
  std::unique_ptr<MemoryStore> store;
  Configuration config;
};

TEST(MailServerTest, MissingValuesTakeTheLoadDefaultsNotTheConstructionValues) {
  Section s("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n\"nPOP3\"=dword:00000002\n");
  s.load();
  EXPECT_EQ(s.config.Port, 25);
  EXPECT_EQ(s.config.Timeout, 300);
  EXPECT_EQ(s.config.maxnrinonepass, 200);
  ASSERT_EQ(s.config.accounts.size(), 2u);
  const AccountEntry& a = s.config.accounts[1];
  EXPECT_EQ(a.Distribute, 0);
  EXPECT_EQ(a.Leave_Mail_on_Host_days, 0);
  EXPECT_EQ(a.Port, 110);
  EXPECT_EQ(a.Timeout, 180);
  EXPECT_EQ(a.Displayname, "/");
  EXPECT_EQ(a.Schedule_delay, 1);
  EXPECT_NE(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3\\1"), nullptr);
  EXPECT_NE(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3\\2"), nullptr);
  EXPECT_NE(findKey(*s.store, "SOFTWARE\\Kestrum\\SMTP\\Domains"), nullptr);
}

TEST(MailServerTest, AccountRoundTripWritesSixteenValuesInOrder) {
  const std::string stored = scramblePassword("pass", kPasswordKey);
  Section s(std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n\"nPOP3\"=dword:00000001\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3\\1]\n"
                        "\"Extra\"=\"kept\"\n\"SSL\"=dword:00000005\n\"Leave_Mail_on_Host\"=dword:00000002\n"
                        "\"Username\"=\"bob\"\n\"Server\"=\"mail.example.net\"\n"
                        "\"PW_is_encrypted\"=dword:00000002\n\"Password\"=\"") + stored + "\"\n");
  s.load();
  ASSERT_EQ(s.config.accounts.size(), 1u);
  EXPECT_EQ(s.config.accounts[0].Password, "pass");
  EXPECT_EQ(s.config.accounts[0].SSL, 1);
  EXPECT_EQ(s.config.accounts[0].Displayname, "bob/mail.example.net");
  s.save();
  EXPECT_EQ(regTextOf(*s.store, "SOFTWARE\\Kestrum\\POP3\\1"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3\\1]\n"
            "\"Extra\"=\"kept\"\n"
            "\"SSL\"=dword:00000001\n"
            "\"Leave_Mail_on_Host\"=dword:00000002\n"
            "\"Username\"=\"bob\"\n"
            "\"Server\"=\"mail.example.net\"\n"
            "\"PW_is_encrypted\"=dword:00000002\n"
            "\"Password\"=\"" + stored + "\"\n"
            "\"Distribute\"=dword:00000000\n"
            "\"Forward_all_to\"=\"\"\n"
            "\"Leave_Mail_on_Host_days\"=dword:00000000\n"
            "\"Port\"=dword:0000006e\n"
            "\"Timeout\"=dword:000000b4\n"
            "\"Reroute_unknown\"=dword:00000000\n"
            "\"Reroute_unknown_to\"=\"\"\n"
            "\"IMAP_not_POP\"=dword:00000000\n"
            "\"Displayname\"=\"bob/mail.example.net\"\n"
            "\"Schedule_delay\"=dword:00000001\n\n");
}

TEST(MailServerTest, NewAccountValuesAreWrittenInTableOrder) {
  Section s("");
  s.load();
  auto account = std::make_unique<AccountEntry>();
  account->Server = "s";
  account->Password = "\xE9t\xE9";  // cannot be scrambled: stored plain
  s.config.accounts.append(std::move(account));
  s.save();
  EXPECT_EQ(regTextOf(*s.store, "SOFTWARE\\Kestrum\\POP3\\1"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3\\1]\n"
            "\"Distribute\"=dword:00000001\n"
            "\"Forward_all_to\"=\"\"\n"
            "\"Leave_Mail_on_Host\"=dword:00000000\n"
            "\"Leave_Mail_on_Host_days\"=dword:0000001e\n"
            "\"Server\"=\"s\"\n"
            "\"Port\"=dword:0000006e\n"
            "\"Username\"=\"\"\n"
            "\"PW_is_encrypted\"=dword:00000000\n"
            "\"Password\"=\"\xE9t\xE9\"\n"
            "\"Timeout\"=dword:000000b4\n"
            "\"Reroute_unknown\"=dword:00000000\n"
            "\"Reroute_unknown_to\"=\"\"\n"
            "\"SSL\"=dword:00000000\n"
            "\"IMAP_not_POP\"=dword:00000000\n"
            "\"Displayname\"=\"\"\n"
            "\"Schedule_delay\"=dword:00000001\n\n");
  EXPECT_EQ(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3")->value("nPOP3")->data, std::string("\1\0\0\0", 4));
}

TEST(MailServerTest, DomainsKeepGapsAreLowerCasedAndShrinkWithoutDeleting) {
  Section s("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP\\Domains]\n"
            "\"nDomains\"=dword:00000003\n\"1\"=\"EXAMPLE.Org\"\n\"3\"=\"\xC9T\xC9.example\"\n\"4\"=\"stale\"\n");
  s.load();
  EXPECT_EQ(s.config.Domains, (StringList{"example.org", "", "\xE9t\xE9.example"}));
  s.config.Domains.pop_back();
  s.save();
  EXPECT_EQ(regTextOf(*s.store, "SOFTWARE\\Kestrum\\SMTP\\Domains"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP\\Domains]\n"
            "\"nDomains\"=dword:00000002\n\"1\"=\"example.org\"\n\"3\"=\"\xC9T\xC9.example\"\n"
            "\"4\"=\"stale\"\n\"2\"=\"\"\n\n");
}

TEST(MailServerTest, DoubleByteDomainsAreLowerCasedOnlyOutsideCharacters) {
  // 0x82 0x41 is one code page 932 character; its trail byte 'A' must stay.
  FakeHost host(932);
  auto store = storeFromReg("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP\\Domains]\n"
                            "\"nDomains\"=dword:00000001\n\"1\"=hex(1):82,41,41,00\n");
  Configuration config(*store, host);
  RegistryKey root(*store, kHkeyLocalMachine);
  ASSERT_TRUE(root.createSubkey("SOFTWARE\\Kestrum", kKeyAllAccess));
  loadMailServer(config, root);
  ASSERT_EQ(config.Domains.size(), 1u);
  EXPECT_EQ(config.Domains[0], "\x82" "Aa");
}

TEST(MailServerTest, ShrunkenAccountListLeavesOldSubkeysAndCountsRule) {
  Section s("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n\"nPOP3\"=dword:00000005\n");
  s.load();
  ASSERT_EQ(s.config.accounts.size(), 5u);
  Configuration two(*s.store, s.host);
  two.accounts.append(std::make_unique<AccountEntry>());
  two.accounts.append(std::make_unique<AccountEntry>());
  RegistryKey root(*s.store, kHkeyLocalMachine);
  ASSERT_TRUE(root.createSubkey("SOFTWARE\\Kestrum", kKeyAllAccess));
  saveMailServer(two, root);
  EXPECT_NE(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3\\5"), nullptr);
  s.load();
  EXPECT_EQ(s.config.accounts.size(), 2u);
}

TEST(MailServerTest, NegativeCountsReadNothing) {
  Section s("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\n\"nPOP3\"=dword:ffffffff\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP\\Domains]\n\"nDomains\"=dword:80000000\n");
  s.load();
  EXPECT_TRUE(s.config.accounts.empty());
  EXPECT_TRUE(s.config.Domains.empty());
  EXPECT_EQ(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3\\1"), nullptr);
}

TEST(MailServerTest, AnUnreachableRootReadsDefaultsAndWritesNothing) {
  Section s("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\SMTP]\n\"Port\"=dword:00000063\n");
  RegistryKey none(*s.store);
  loadMailServer(s.config, none);
  EXPECT_EQ(s.config.Port, 25);
  s.config.accounts.append(std::make_unique<AccountEntry>());
  saveMailServer(s.config, none);
  EXPECT_EQ(findKey(*s.store, "SOFTWARE\\Kestrum\\POP3"), nullptr);
  EXPECT_EQ(findKey(*s.store, "SOFTWARE\\Kestrum\\SMTP")->values().size(), 1u);
}

}  // namespace
}  // namespace kestrum
