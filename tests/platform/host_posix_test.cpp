#include "platform/host_posix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/configuration.h"
#include "platform/memory_store.h"
#include "sysinfo/system_lists.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// A fresh folder as the working directory, and KESTRUM_PHONEBOOK unset;
// both restored afterwards.
class PosixHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    folder_ = fs::temp_directory_path() /
              ("kestrum_host_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::current_path(folder_);
    if (const char* value = std::getenv("KESTRUM_PHONEBOOK")) savedPhonebook_ = value;
    ::unsetenv("KESTRUM_PHONEBOOK");
    host_ = makePosixHost(makeCodePage(1252));
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
    if (savedPhonebook_) ::setenv("KESTRUM_PHONEBOOK", savedPhonebook_->c_str(), 1);
    else ::unsetenv("KESTRUM_PHONEBOOK");
  }

  void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  void usePhonebook(const std::string& name) {
    ::setenv("KESTRUM_PHONEBOOK", (folder_ / name).c_str(), 1);
  }

  fs::path previous_;
  fs::path folder_;
  std::optional<std::string> savedPhonebook_;
  std::unique_ptr<Host> host_;
};

TEST_F(PosixHostTest, MarkerFileAndFolderCountAsPresent) {
  writeFile("tarvos.dat", "");
  fs::create_directory(folder_ / "hollowmere.dat");
  EXPECT_TRUE(host_->entryExists("tarvos.dat"));
  EXPECT_TRUE(host_->entryExists("hollowmere.dat"));
  EXPECT_FALSE(host_->entryExists("other.dat"));
  EXPECT_FALSE(host_->entryExists(std::string_view("tarvos.dat\0x", 12)));
}

TEST_F(PosixHostTest, PhonebookSectionsAreTheDialupEntries) {
  writeFile("rasphone.pbk",
            "; dial-up connections\r\n"
            "[Office]\r\n"
            "Encoding=1\r\n"
            "PhoneNumber=0123\r\n"
            "\r\n"
            "  [Home ISDN]\r\n"
            "Type=1\r\n"
            "[Backup [2]]\n"
            "not a section]\n");
  usePhonebook("rasphone.pbk");
  MemoryStore store;
  Configuration config(store, *host_);
  config.fillDialupEntries();
  EXPECT_EQ(config.dialupEntries, (StringList{"Office", "Home ISDN", "Backup [2]"}));
}

TEST_F(PosixHostTest, TooSmallBufferReportsTheSizeNeeded) {
  writeFile("rasphone.pbk", "[One]\n[Two]\n");
  usePhonebook("rasphone.pbk");
  auto library = host_->loadDialupLibrary();
  ASSERT_NE(library, nullptr);
  ASSERT_TRUE(library->hasEnumEntries());
  DialupEntryName record{};
  record.dwSize = sizeof record;
  std::uint32_t bytes = sizeof record;
  std::uint32_t count = 0;
  EXPECT_EQ(library->enumEntries(&record, bytes, count), kDialupBufferTooSmall);
  EXPECT_EQ(bytes, 2 * sizeof record);
  EXPECT_EQ(count, 2u);
}

TEST_F(PosixHostTest, UnreadablePhonebookFailsAndNoVariableMeansNoService) {
  EXPECT_EQ(host_->loadDialupLibrary(), nullptr);

  usePhonebook("missing.pbk");
  auto library = host_->loadDialupLibrary();
  ASSERT_NE(library, nullptr);
  DialupEntryName record{};
  record.dwSize = sizeof record;
  std::uint32_t bytes = sizeof record;
  std::uint32_t count = 0;
  EXPECT_NE(library->enumEntries(&record, bytes, count), 0u);
}

TEST_F(PosixHostTest, StringTableAndLocalHost) {
  EXPECT_EQ(host_->loadString(kStringDialupLibraryMissing), "Could not load dial-up library RASAPI32.DLL");
  EXPECT_EQ(host_->loadString(30), "");

  const auto name = host_->hostName();
  ASSERT_TRUE(name.has_value());
  EXPECT_FALSE(name->empty());

  const auto addresses = host_->resolveHost("localhost");
  ASSERT_TRUE(addresses.has_value());
  for (const auto& address : *addresses) EXPECT_EQ(address.size(), 4u);
  EXPECT_NE(std::find(addresses->begin(), addresses->end(), std::vector<std::uint8_t>{127, 0, 0, 1}),
            addresses->end());
}

}  // namespace
}  // namespace kestrum
