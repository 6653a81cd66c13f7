#include "config/configuration.h"

#include <gtest/gtest.h>

#include "registry/settings.h"
#include "support/fixtures.h"

namespace kestrum {
namespace {

using testing::FakeHost;
using testing::findKey;
using testing::storeFromReg;

std::int32_t dword(const MemoryStore& store, std::string_view path, std::string_view name) {
  const RegNode* key = findKey(store, path);
  if (key == nullptr || key->value(name) == nullptr) return -12345;
  const std::string& d = key->value(name)->data;
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4 && i < d.size(); ++i) v |= std::uint32_t(std::uint8_t(d[i])) << (8 * i);
  return static_cast<std::int32_t>(v);
}

std::string text(const MemoryStore& store, std::string_view path, std::string_view name) {
  const RegNode* key = findKey(store, path);
  if (key == nullptr || key->value(name) == nullptr) return "<missing>";
  std::string d = key->value(name)->data;
  if (!d.empty() && d.back() == '\0') d.pop_back();
  return d;
}

// A tree with `accounts` accounts whose first server is `server`, and
// `oldBlacklist` entries of the older blacklist layout.
std::string tree(std::string_view root, int accounts, std::string_view server, int oldBlacklist) {
  std::string reg = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + std::string(root) + "\\POP3]\n\"nPOP3\"=dword:0000000" +
                    std::to_string(accounts) + "\n";
  reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + std::string(root) + "\\POP3\\1]\n\"Server\"=\"" + std::string(server) + "\"\n";
  reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + std::string(root) + "\\Blacklist]\n\"nIFs\"=dword:0000000" +
         std::to_string(oldBlacklist) + "\n";
  return reg;
}

struct Machine {
  explicit Machine(std::string_view reg) : store(storeFromReg(reg)), config(*store, host) {}
  FakeHost host;
  std::unique_ptr<MemoryStore> store;
  Configuration config;
};

TEST(MigrationTest, AMachineWithoutAnyTreeGetsBothBackupsAndACurrentTree) {
  Machine run("");
  run.config.loadConfiguration();
  for (std::string_view root : {"SOFTWARE\\Kestrum", "SOFTWARE\\Kestrum OLD BACKUP",
                                "SOFTWARE\\Kestrum PRO OLD BACKUP"}) {
    const std::string general = std::string(root) + "\\General";
    EXPECT_EQ(dword(*run.store, general, "FormatVersion"), 1) << root;
    EXPECT_EQ(dword(*run.store, general, "Registry_Updated"), 1) << root;
    EXPECT_EQ(dword(*run.store, std::string(root) + "\\POP3", "nPOP3"), 0) << root;
  }
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\General", "Updated"), 0);
  EXPECT_NE(findKey(*run.store, "SOFTWARE\\Kestrum PRO\\POP3"), nullptr);  // the load's walk
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum PRO\\General", "FormatVersion"), -12345);
}

struct ChoiceCase {
  const char* name;
  int kestrumAccounts, kestrumOld, proAccounts, proOld;
  const char* chosenServer;
};

class MigrationChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(MigrationChoiceTest, PicksTheTreeWithMoreAccountsThenMoreOldBlacklistEntries) {
  const ChoiceCase& c = GetParam();
  Machine run(tree("Kestrum", c.kestrumAccounts, "k.example", c.kestrumOld) +
          tree("Kestrum PRO", c.proAccounts, "pro.example", c.proOld));
  run.config.loadConfiguration();
  EXPECT_EQ(text(*run.store, "SOFTWARE\\Kestrum\\POP3\\1", "Server"), c.chosenServer);
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"),
            std::string(c.chosenServer) == "k.example" ? c.kestrumAccounts : c.proAccounts);
  // Both backups hold what their source trees held.
  EXPECT_EQ(text(*run.store, "SOFTWARE\\Kestrum OLD BACKUP\\POP3\\1", "Server"), "k.example");
  EXPECT_EQ(text(*run.store, "SOFTWARE\\Kestrum PRO OLD BACKUP\\POP3\\1", "Server"), "pro.example");
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\General", "FormatVersion"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MigrationChoiceTest,
    ::testing::Values(ChoiceCase{"ProHasMoreAccounts", 2, 0, 3, 0, "pro.example"},
                      ChoiceCase{"KestrumHasMoreAccounts", 3, 0, 2, 5, "k.example"},
                      ChoiceCase{"TieBrokenByOldBlacklist", 2, 1, 2, 4, "pro.example"},
                      ChoiceCase{"FullTieKeepsKestrum", 2, 3, 2, 3, "k.example"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MigrationTest, AnAllBitsAccountCountWinsAsUnsignedButLoadsNoAccount) {
  Machine run(tree("Kestrum", 2, "k.example", 0) +
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum PRO\\POP3]\n\"nPOP3\"=dword:ffffffff\n");
  run.config.loadConfiguration();
  EXPECT_TRUE(run.config.accounts.empty());
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"), 0);
  EXPECT_EQ(text(*run.store, "SOFTWARE\\Kestrum\\POP3\\1", "Server"), "k.example");  // left in place
}

TEST(MigrationTest, ACurrentTreeIsLoadedWithoutBackupsOrSaving) {
  Machine run(tree("Kestrum", 1, "k.example", 0) +
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\n\"FormatVersion\"=dword:00000001\n"
          "\"Updated\"=dword:00000001\n");
  run.config.loadConfiguration();
  EXPECT_EQ(findKey(*run.store, "SOFTWARE\\Kestrum OLD BACKUP"), nullptr);
  EXPECT_EQ(findKey(*run.store, "SOFTWARE\\Kestrum PRO"), nullptr);
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\General", "Updated"), 0);
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\General", "Registry_Updated"), -12345);
  ASSERT_EQ(run.config.accounts.size(), 1u);
}

TEST(MigrationTest, AnyOtherFormatVersionCountsAsCurrentAndBecomesOneOnSave) {
  Machine run("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\n\"FormatVersion\"=dword:00000007\n");
  run.config.loadConfiguration();
  EXPECT_EQ(findKey(*run.store, "SOFTWARE\\Kestrum OLD BACKUP"), nullptr);
  run.config.saveConfiguration();
  EXPECT_EQ(dword(*run.store, "SOFTWARE\\Kestrum\\General", "FormatVersion"), 1);
}

TEST(ConfigurationTest, ASecondLoadLeavesOnlyTheSecondTree) {
  Machine run(tree("A", 2, "a.example", 0) +
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\SMTP\\Domains]\n\"nDomains\"=dword:00000001\n\"1\"=\"a.example\"\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\SMTP]\n\"Postmaster\"=\"pm@a.example\"\n" +
          tree("B", 1, "b.example", 0));
  run.config.loadTree("A");
  ASSERT_EQ(run.config.accounts.size(), 2u);
  run.config.loadTree("B");
  ASSERT_EQ(run.config.accounts.size(), 1u);
  EXPECT_EQ(run.config.accounts[0].Server, "b.example");
  EXPECT_TRUE(run.config.Domains.empty());
  EXPECT_EQ(run.config.Postmaster, "");
}

TEST(ConfigurationTest, AFreshConfigurationIsEmpty) {
  FakeHost host;
  MemoryStore store;
  Configuration config(store, host);
  EXPECT_TRUE(config.accounts.empty());
  EXPECT_TRUE(config.Domains.empty());
  EXPECT_TRUE(config.Whitelist.Sender.empty());
  EXPECT_TRUE(config.Blacklist.Header.empty());
  EXPECT_EQ(config.Current_Logfile_Date, "old");
  EXPECT_EQ(config.Last_Update, 0);
  EXPECT_EQ(config.Postmaster, "");
}

}  // namespace
}  // namespace kestrum
