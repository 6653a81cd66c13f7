#include "sysinfo/system_lists.h"

#include <gtest/gtest.h>

#include "config/configuration.h"
#include "support/fixtures.h"

namespace kestrum::testing {
namespace {

class SystemListsTest : public ::testing::Test {
 protected:
  SystemListsTest() : config(store, host) {}

  std::vector<std::string> phonebookOf(std::size_t entries) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < entries; ++i) names.push_back("Entry " + std::to_string(i));
    return names;
  }

  MemoryStore store;
  FakeHost host;
  Configuration config;
};

TEST_F(SystemListsTest, DialupEntriesInPlatformOrder) {
  host.dialupLibraryPresent = true;
  host.phonebook = {"Office", "Home ISDN", "Backup line"};
  config.dialupEntries = {"stale"};
  config.fillDialupEntries();
  EXPECT_EQ(config.dialupEntries, (StringList{"Office", "Home ISDN", "Backup line"}));
  EXPECT_EQ(host.dialupLoads, 1);
  EXPECT_EQ(host.dialupReleases, 1);
}

TEST_F(SystemListsTest, AHundredEntriesFitAndOneMoreLeavesTheListEmpty) {
  host.dialupLibraryPresent = true;
  host.phonebook = phonebookOf(100);
  config.fillDialupEntries();
  EXPECT_EQ(config.dialupEntries, host.phonebook);

  host.phonebook = phonebookOf(101);
  config.fillDialupEntries();
  EXPECT_TRUE(config.dialupEntries.empty());
  EXPECT_EQ(host.dialupReleases, 2);
}

TEST_F(SystemListsTest, LongestNameIsTakenWhole) {
  host.dialupLibraryPresent = true;
  host.phonebook = {std::string(256, 'n')};
  config.fillDialupEntries();
  EXPECT_EQ(config.dialupEntries, host.phonebook);
}

TEST_F(SystemListsTest, NoDialupServicePrintsNothing) {
  for (Flag eventlog : {Flag{0}, Flag{1}}) {
    SCOPED_TRACE(static_cast<int>(eventlog));
    config.Enable_Eventlog = eventlog;
    config.dialupEntries = {"stale"};
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    config.fillDialupEntries();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(config.dialupEntries.empty());
  }
  EXPECT_EQ(host.dialupLoads, 0);
}

TEST_F(SystemListsTest, MissingFunctionOrFailingEnumerationLeavesTheListEmpty) {
  host.dialupLibraryPresent = true;
  host.phonebook = {"Office"};
  host.dialupFunctionPresent = false;
  config.fillDialupEntries();
  EXPECT_TRUE(config.dialupEntries.empty());

  host.dialupFunctionPresent = true;
  host.dialupFailureCode = 621;
  config.fillDialupEntries();
  EXPECT_TRUE(config.dialupEntries.empty());
  EXPECT_EQ(host.dialupLoads, 2);
  EXPECT_EQ(host.dialupReleases, 2);
}

TEST_F(SystemListsTest, LocalAddressesInLookupOrder) {
  host.hostName_ = "mailhost";
  host.addresses = std::vector<std::vector<std::uint8_t>>{{192, 168, 0, 10}, {10, 0, 200, 1}};
  config.fillSourceAddresses();
  EXPECT_EQ(config.sourceAddressChoices,
            (StringList{"Default", "Automatic", "192.168.0.10", "10.0.200.1"}));
  EXPECT_EQ(config.defaultExternalSourceIP, "192.168.0.10");
  EXPECT_EQ(config.defaultInternalSourceIP, "192.168.0.10");
}

TEST_F(SystemListsTest, DefaultAddressIsOnlyFilledWhenEmpty) {
  host.hostName_ = "mailhost";
  host.addresses = std::vector<std::vector<std::uint8_t>>{{192, 168, 0, 10}};
  config.defaultExternalSourceIP = "10.1.1.1";
  config.fillSourceAddresses();
  EXPECT_EQ(config.defaultExternalSourceIP, "10.1.1.1");
  EXPECT_EQ(config.defaultInternalSourceIP, "192.168.0.10");
}

TEST_F(SystemListsTest, NoHostNameOrNoAddressesLeavesTheTwoChoices) {
  struct Case {
    std::optional<std::string> name;
    std::optional<std::vector<std::vector<std::uint8_t>>> addresses;
  };
  const std::vector<std::vector<std::uint8_t>> one{{127, 0, 0, 1}};
  for (const Case& c : {Case{std::nullopt, one}, Case{"mailhost", std::nullopt},
                        Case{"mailhost", std::vector<std::vector<std::uint8_t>>{}}}) {
    host.hostName_ = c.name;
    host.addresses = c.addresses;
    config.sourceAddressChoices = {"stale"};
    config.fillSourceAddresses();
    EXPECT_EQ(config.sourceAddressChoices, (StringList{"Default", "Automatic"}));
    EXPECT_EQ(config.defaultExternalSourceIP, "");
    EXPECT_EQ(config.defaultInternalSourceIP, "");
  }
}

// The migration loads three trees in one run; each load rebuilds the lists.
TEST_F(SystemListsTest, LoadingTwiceGivesTheSameLists) {
  host.dialupLibraryPresent = true;
  host.phonebook = {"Office", "Home"};
  host.hostName_ = "mailhost";
  host.addresses = std::vector<std::vector<std::uint8_t>>{{192, 168, 0, 10}, {10, 0, 0, 1}};
  config.loadConfiguration();
  const StringList dialup = config.dialupEntries;
  const StringList choices = config.sourceAddressChoices;
  EXPECT_EQ(dialup, host.phonebook);
  EXPECT_EQ(choices, (StringList{"Default", "Automatic", "192.168.0.10", "10.0.0.1"}));

  config.loadConfiguration();
  EXPECT_EQ(config.dialupEntries, dialup);
  EXPECT_EQ(config.sourceAddressChoices, choices);
  EXPECT_EQ(config.defaultExternalSourceIP, "192.168.0.10");
  EXPECT_EQ(host.dialupLoads, host.dialupReleases);
}

}  // namespace
}  // namespace kestrum::testing
