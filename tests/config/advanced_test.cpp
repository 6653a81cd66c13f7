#include "config/advanced.h"

#include <gtest/gtest.h>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::RefusingStore;
using testing::SectionTree;
using testing::storedDword;

constexpr const char* kAdvancedKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Advanced]\n";

TEST(SourceAddressTest, AnEmptyOrNonTextAddressBecomesDefaultEachOnItsOwn) {
  struct Case {
    const char* external;  // the stored value's data as .reg text
    const char* internal;
    const char* externalLoaded;
    const char* internalLoaded;
  };
  for (const Case& c : {Case{"\"\"", "\"10.1.2.3\"", "Default", "10.1.2.3"},
                        Case{"\"192.168.0.7\"", "\"\"", "192.168.0.7", "Default"},
                        Case{"dword:00000001", "\"Automatic\"", "Default", "Automatic"}}) {
    SectionTree tree(std::string(kAdvancedKey) + "\"External_source_IP\"=" + c.external +
                     "\n\"Internal_source_IP\"=" + c.internal + "\n");
    loadAdvancedFirst(tree.config, kProductRoot);
    EXPECT_EQ(tree.config.External_source_IP, c.externalLoaded);
    EXPECT_EQ(tree.config.Internal_source_IP, c.internalLoaded);
    saveAdvancedFirst(tree.config, kProductRoot);
    EXPECT_EQ(testing::storedValue(*tree.store, "Advanced", "External_source_IP")->data,
              std::string(c.externalLoaded) + '\0');
    EXPECT_EQ(testing::storedValue(*tree.store, "Advanced", "Internal_source_IP")->data,
              std::string(c.internalLoaded) + '\0');
  }
}

TEST(AdvancedTest, APresentEmptyTextKeepsItsEmptyValue) {
  SectionTree tree(std::string(kAdvancedKey) + "\"unknown_user_string\"=\"\"\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Archive]\n\"ArchiveFolder\"=\"\"\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\n\"Current_Logfile_Date\"=\"\"\n");
  loadAdvancedThird(tree.config, kProductRoot);
  loadArchive(tree.config, kProductRoot);
  loadLogOptions(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.unknown_user_string, "");
  EXPECT_EQ(tree.config.ArchiveFolder, "");
  EXPECT_EQ(tree.config.Current_Logfile_Date, "");
}

TEST(AdvancedTest, TheArchiveFolderDefaultIsBuiltOnTheBaseFolder) {
  SectionTree tree;
  tree.config.baseFolder = "C:\\Mail\\";
  loadArchive(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.ArchiveFolder, "C:\\Mail\\Archive");
}

TEST(MaxLogfileLengthTest, GoesThroughTheWalksGeneralKeyAndNeverThroughTheRoot) {
  SectionTree fresh;
  loadMaxLogfileLength(fresh.config, fresh.root);
  EXPECT_EQ(fresh.config.Max_Logfile_Length, 100);
  EXPECT_NE(testing::findKey(*fresh.store, "SOFTWARE\\Kestrum\\General"), nullptr);

  auto memory = testing::storeFromReg(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n\"Max_Logfile_Length\"=dword:00000007\n");
  RefusingStore store(*memory, "General");
  testing::FakeHost host;
  Configuration config(store, host);
  RegistryKey root(store, kHkeyLocalMachine);
  SectionTree::walk(root);
  loadMaxLogfileLength(config, root);
  EXPECT_EQ(config.Max_Logfile_Length, 100);
  config.Max_Logfile_Length = 55;
  saveMaxLogfileLength(config, root);
  EXPECT_EQ(testing::regTextOf(*memory, "SOFTWARE\\Kestrum"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n\"Max_Logfile_Length\"=dword:00000007\n\n");
}

const char* const kExchangedKeys = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_Domains]\n";

std::vector<std::pair<std::string, std::string>> pairs(const Configuration& config) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& d : config.Exchanged_Domains) out.emplace_back(d->oldDomain, d->newDomain);
  return out;
}

TEST(ExchangedDomainsTest, AMissingMiddleValueLoadsAsErrorAndIsSavedSo) {
  SectionTree tree(std::string(kExchangedKeys) + "\"nDomains\"=dword:00000003\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n"
                   "\"0\"=\"old.example\"\n\"2\"=\"third.example\"\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsNew]\n"
                   "\"0\"=\"new.example\"\n\"1\"=\"\"\n\"2\"=\"3rd.example\"\n");
  loadExchangedDomains(tree.config, kProductRoot);
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(pairs(tree.config), (std::vector<P>{P{"old.example", "new.example"}, P{"error", ""},
                                                P{"third.example", "3rd.example"}}));
  saveExchangedDomains(tree.config, kProductRoot);
  EXPECT_EQ(tree.text("Exchanged_DomainsOld"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n"
            "\"0\"=\"old.example\"\n\"2\"=\"third.example\"\n\"1\"=\"error\"\n\n");
}

TEST(ExchangedDomainsTest, AListStoredFromOneLoadsErrorFirstAndMissesItsLastEntry) {
  SectionTree tree(std::string(kExchangedKeys) + "\"nDomains\"=dword:00000002\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n"
                   "\"1\"=\"a.example\"\n\"2\"=\"b.example\"\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsNew]\n"
                   "\"1\"=\"a.example.net\"\n\"2\"=\"b.example.net\"\n");
  loadExchangedDomains(tree.config, kProductRoot);
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(pairs(tree.config), (std::vector<P>{P{"error", "error"}, P{"a.example", "a.example.net"}}));
}

TEST(ExchangedDomainsTest, AShrunkListLeavesTheHigherValuesInPlace) {
  const std::string stored = std::string(kExchangedKeys) + "\"nDomains\"=dword:00000003\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsNew]\n"
                             "\"0\"=\"n0\"\n\"1\"=\"n1\"\n\"2\"=\"n2\"\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n"
                             "\"0\"=\"o0\"\n\"1\"=\"o1\"\n\"2\"=\"o2\"\n";
  SectionTree tree(stored);
  loadExchangedDomains(tree.config, kProductRoot);
  tree.config.Exchanged_Domains.clear();
  auto domain = std::make_unique<ExchangedDomain>();
  domain->oldDomain = "old.example";
  domain->newDomain = "new.example";
  tree.config.Exchanged_Domains.append(std::move(domain));
  saveExchangedDomains(tree.config, kProductRoot);
  EXPECT_EQ(tree.text("Exchanged_Domains"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_Domains]\n\"nDomains\"=dword:00000001\n\n");
  EXPECT_EQ(tree.text("Exchanged_DomainsNew"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsNew]\n"
            "\"0\"=\"new.example\"\n\"1\"=\"n1\"\n\"2\"=\"n2\"\n\n");
  EXPECT_EQ(tree.text("Exchanged_DomainsOld"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n"
            "\"0\"=\"old.example\"\n\"1\"=\"o1\"\n\"2\"=\"o2\"\n\n");
  loadExchangedDomains(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.Exchanged_Domains.size(), 1u);
}

TEST(ExchangedDomainsTest, ANegativeCountLoadsNoEntry) {
  SectionTree tree(std::string(kExchangedKeys) + "\"nDomains\"=dword:ffffffff\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Exchanged_DomainsOld]\n\"0\"=\"o0\"\n");
  loadExchangedDomains(tree.config, kProductRoot);
  EXPECT_TRUE(tree.config.Exchanged_Domains.empty());
}

}  // namespace
}  // namespace kestrum
