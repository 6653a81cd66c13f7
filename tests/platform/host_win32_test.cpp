// The Windows host and code page against the system they stand for.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/codepage_win32.h"
#include "platform/platform.h"

namespace kestrum {
namespace {

TEST(Win32HostTest, StringThirtyOneComesFromTheStringTable) {
  auto host = startPlatform();
  ASSERT_TRUE(host);
  EXPECT_EQ(host->loadString(31), "Could not load dial-up library RASAPI32.DLL");
  EXPECT_EQ(host->loadString(32), "");
}

// Runs the test in a fresh folder as the working directory, restored after.
class WorkingFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "kestrum_host_test_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous_), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryA(previous_);
    DeleteFileA((folder_ + "\\tarvos.dat").c_str());
    RemoveDirectoryA((folder_ + "\\hollowmere.dat").c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  std::string folder_;
  char previous_[MAX_PATH] = {};
};

TEST_F(WorkingFolderTest, MarkerEntriesAreLookedUpInTheWorkingFolderAndFoldersCount) {
  auto host = startPlatform();
  ASSERT_TRUE(host);
  EXPECT_FALSE(host->entryExists("tarvos.dat"));
  HANDLE file = CreateFileA("tarvos.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ASSERT_TRUE(CreateDirectoryA("hollowmere.dat", nullptr));
  EXPECT_TRUE(host->entryExists("tarvos.dat"));
  EXPECT_TRUE(host->entryExists("TARVOS.DAT")) << "the file system's own rules for names";
  EXPECT_TRUE(host->entryExists("hollowmere.dat"));
  EXPECT_FALSE(host->entryExists("missing.dat"));
}

TEST(Win32HostTest, TheDialupLibraryIsBoundAtRunTime) {
  auto host = startPlatform();
  ASSERT_TRUE(host);
  auto library = host->loadDialupLibrary();
  ASSERT_TRUE(library) << "the system carries RASAPI32.DLL";
  EXPECT_TRUE(library->hasEnumEntries());
}

TEST(Win32HostTest, TheHostNameIsTheSystemsAndItsAddressesAreRawBytes) {
  auto host = startPlatform();
  ASSERT_TRUE(host);
  const auto name = host->hostName();
  ASSERT_TRUE(name);
  EXPECT_FALSE(name->empty());
  // The resolver's answer depends on the machine; what it gives must be IPv4.
  if (const auto addresses = host->resolveHost(*name)) {
    for (const auto& address : *addresses) EXPECT_EQ(address.size(), 4u);
  }
  EXPECT_FALSE(host->resolveHost("no-such-host.invalid"));
}

TEST(Win32CodePageTest, TheSystemCodePageIsTheAnsiCodePage) {
  auto host = startPlatform();
  ASSERT_TRUE(host);
  EXPECT_EQ(host->codePage().id(), GetACP());
}

// The tables built into the program for the code pages it knows must say
// what the system says, byte for byte.
TEST(Win32CodePageTest, TheBuiltInTableAgreesWithTheSystem) {
  auto system = makeSystemCodePage();
  ASSERT_TRUE(system);
  auto table = makeCodePage(system->id());
  if (!table) GTEST_SKIP() << "no built-in table for code page " << system->id();
  for (unsigned c = 1; c < 256; ++c) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_EQ(system->isLeadByte(byte), table->isLeadByte(byte)) << "byte " << c;
    if (!system->isLeadByte(byte)) {
      const std::string single(1, static_cast<char>(byte));
      EXPECT_EQ(system->toLower(single), table->toLower(single)) << "byte " << c;
    }
  }
}

TEST(Win32CodePageTest, LowerCasingNeverTouchesADoubleByteCharacter) {
  auto system = makeSystemCodePage();
  ASSERT_TRUE(system);
  EXPECT_EQ(system->toLower("MAIL.Example.COM"), "mail.example.com");
  unsigned char lead = 0;
  for (unsigned c = 0x81; c < 256 && lead == 0; ++c)
    if (system->isLeadByte(static_cast<unsigned char>(c))) lead = static_cast<unsigned char>(c);
  if (lead == 0) GTEST_SKIP() << "code page " << system->id() << " has no double-byte characters";
  // A trail byte in the range of the capital letters stays as it is.
  const std::string text = std::string(1, static_cast<char>(lead)) + "AB";
  EXPECT_EQ(system->toLower(text), std::string(1, static_cast<char>(lead)) + "Ab");
}

TEST(Win32CodePageTest, ConversionFromUtf16IsExactOrFails) {
  struct Case {
    std::u16string text;
    unsigned codePage;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {u"", 1252, std::string()},
      {u"Kestrum", 1252, std::string("Kestrum")},
      {u"caf\u00e9 \u20ac", 1252, std::string("caf\xe9 \x80")},
      {u"\u3042", 932, std::string("\x82\xa0")},
      {u"\uff71", 932, std::string("\xb1")},
      {u"\u3042", 1252, std::nullopt},
      {u"\u0100", 1252, std::nullopt},  // a best fit would give 'A'
      {u"?", 1252, std::string("?")},
      {std::u16string(1, static_cast<char16_t>(0xD800)), 1252, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf16ToCodePage(c.text, c.codePage), c.expected) << "code page " << c.codePage;
  }
}

}  // namespace
}  // namespace kestrum
