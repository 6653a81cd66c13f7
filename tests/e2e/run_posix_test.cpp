// The program end to end on registry image files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/command_line.h"
#include "e2e/binary_posix.h"
#include "platform/reg_format.h"
#include "support/fixtures.h"

namespace kestrum {
namespace {

using testing::BinaryResult;
using testing::findKey;
using testing::readFile;
using testing::runBinary;
using testing::TempDir;
using testing::writeFile;

const std::vector<std::string> kAccount = {"pop.example.com", "alice", "s3cret", "0", "\"\"", "995", "60",
                                           "postmaster@example.com", "1", "0", "Alice"};

class EndToEnd : public ::testing::Test {
 protected:
  std::filesystem::path image() const { return dir.path() / "state" / "registry.reg"; }
  BinaryResult run(const std::vector<std::string>& args, const std::string& user = "") {
    return runBinary(args, dir.path(), {{"KESTRUM_REGISTRY", image().string()}, {"KESTRUM_CODEPAGE", ""}}, user);
  }
  std::unique_ptr<MemoryStore> parsed() {
    auto codePage = makeCodePage(1252);
    RegTree tree;
    RegParseError error;
    EXPECT_TRUE(parseRegFile(readFile(image()), *codePage, tree, error)) << error.line << ": " << error.message;
    return std::make_unique<MemoryStore>(std::move(tree));
  }
  static std::string value(const MemoryStore& store, std::string_view key, std::string_view name) {
    const RegNode* node = findKey(store, key);
    if (node == nullptr || node->value(name) == nullptr) return "<missing>";
    return node->value(name)->data;
  }
  static std::string dword(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

  TempDir dir;
};

TEST_F(EndToEnd, AFreshMachineGetsTheImageWithTheAccountAndASecondRunAppends) {
  BinaryResult first = run(kAccount);
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "");
  EXPECT_EQ(first.err, "");
  struct stat st {};
  ASSERT_EQ(stat(image().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(image().parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(readFile(image()).rfind("REGEDIT4\r\n", 0), 0u);

  auto store = parsed();
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\General", "Updated"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\General", "FormatVersion"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Server"), std::string("pop.example.com\0", 16));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Forward_all_to"), std::string("\0", 1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Distribute"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Port"), dword(995));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "SSL"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "PW_is_encrypted"), dword(2));
  EXPECT_NE(findKey(*store, "SOFTWARE\\Kestrum OLD BACKUP"), nullptr);
  EXPECT_NE(findKey(*store, "SOFTWARE\\Kestrum PRO OLD BACKUP"), nullptr);

  std::vector<std::string> second = kAccount;
  second[1] = "bob";
  BinaryResult again = run(second);
  EXPECT_EQ(again.status, 0) << again.err;
  store = parsed();
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"), dword(2));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Username"), std::string("alice\0", 6));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\2", "Username"), std::string("bob\0", 4));
}

TEST_F(EndToEnd, AnExistingConfigurationGetsTheAccountAsNumberThreeAndKeepsTheRest) {
  const std::string unrelated =
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Keep\"=\"me\"\r\n\r\n";
  writeFile(image(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\r\n\"FormatVersion\"=dword:00000001\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\r\n\"nPOP3\"=dword:00000002\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3\\1]\r\n\"Server\"=\"one\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3\\2]\r\n\"Server\"=\"two\"\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Unrelated]\r\n\"Blob\"=hex:00,ff,10\r\n\r\n" + unrelated);
  BinaryResult result = run(kAccount);
  EXPECT_EQ(result.status, 0) << result.err;
  auto store = parsed();
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"), dword(3));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\1", "Server"), std::string("one\0", 4));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3\\3", "Server"), std::string("pop.example.com\0", 16));
  EXPECT_EQ(value(*store, "SOFTWARE\\Unrelated", "Blob"), std::string("\0\xff\x10", 3));
  EXPECT_EQ(findKey(*store, "SOFTWARE\\Kestrum OLD BACKUP"), nullptr);
  EXPECT_NE(readFile(image()).find(unrelated), std::string::npos);
}

TEST_F(EndToEnd, AUsageRunStillLoadsAndLeavesUpdatedAtZero) {
  for (std::size_t count : {0u, 10u, 12u}) {
    std::vector<std::string> args(count, "x");
    BinaryResult result = run(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, usageText());
    EXPECT_EQ(result.err, "");
  }
  auto store = parsed();
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\General", "Updated"), dword(0));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\General", "FormatVersion"), dword(1));
  EXPECT_EQ(value(*store, "SOFTWARE\\Kestrum\\POP3", "nPOP3"), dword(0));
}

TEST_F(EndToEnd, ACorruptImageIsRefusedAndLeftAsItWas) {
  const std::string corrupt = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\r\n\"x\"=dword:zz\r\n";
  writeFile(image(), corrupt);
  BinaryResult result = run(kAccount);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("kestrum_addaccount: ", 0), 0u) << result.err;
  EXPECT_NE(result.err.find(image().string()), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("line 4"), std::string::npos) << result.err;
  EXPECT_EQ(readFile(image()), corrupt);
}

TEST_F(EndToEnd, AnImageThatCannotBeWrittenFailsWithStatusThreeAndStaysIntact) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  ASSERT_EQ(run({}).status, 1);  // creates the image
  const std::string before = readFile(image());
  // The folder stays root's: another user can read the image and take the
  // lock, but cannot put the new image beside the old one.
  chmod(image().parent_path().c_str(), 0755);
  chmod(image().c_str(), 0644);
  chmod((image().string() + ".lock").c_str(), 0666);
  chmod(dir.path().c_str(), 0755);
  BinaryResult result = run(kAccount, "nobody");
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.err.find(image().parent_path().string()), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("s3cret"), std::string::npos);
  EXPECT_EQ(readFile(image()), before);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(image().parent_path())) ++files;
  EXPECT_EQ(files, 2u);  // the image and its lock, no temporary left behind
}

}  // namespace
}  // namespace kestrum
