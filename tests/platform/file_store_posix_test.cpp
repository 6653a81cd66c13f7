#include "platform/file_store.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "platform/file_io_posix.h"
#include "temp_folder_posix.h"

namespace kestrum::testing {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::ofstream(path, std::ios::binary) << bytes;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

mode_t modeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

bool setString(Store& store, const std::string& keyPath, const std::string& name, const std::string& text) {
  KeyHandle key = kNoKey;
  if (!store.createKey(kHkeyLocalMachine, keyPath, kKeyAllAccess, key)) return false;
  const std::string data = text + '\0';
  const bool ok = store.setValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(data.data()),
                                 static_cast<std::uint32_t>(data.size()));
  store.closeKey(key);
  return ok;
}

std::optional<std::string> getString(Store& store, const std::string& keyPath, const std::string& name) {
  KeyHandle key = kNoKey;
  if (!store.openKey(kHkeyLocalMachine, keyPath, kKeyRead, key)) return std::nullopt;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  std::optional<std::string> result;
  if (store.queryValue(key, name, type, nullptr, size)) {
    std::string data(size, '\0');
    if (store.queryValue(key, name, type, reinterpret_cast<std::uint8_t*>(data.data()), size))
      result = data.substr(0, data.find('\0'));
  }
  store.closeKey(key);
  return result;
}

const std::string kImageText =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\r\n"
    "\"Old\"=\"1\"\r\n\r\n";

class FileStoreTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::unique_ptr<CodePage> codePage_ = makeCodePage(1252);
};

TEST_F(FileStoreTest, MissingImageIsAnEmptyRegistryCreatedOnCommit) {
  const std::string state = folder_ / "state";
  const std::string image = state + "/kestrum/registry.reg";
  auto store = openImageFileStore(image, *codePage_);
  EXPECT_FALSE(store->firstFailure().has_value());
  KeyHandle key = kNoKey;
  EXPECT_FALSE(store->openKey(kHkeyLocalMachine, "SOFTWARE", kKeyRead, key));
  ASSERT_TRUE(setString(*store, "SOFTWARE\\Kestrum", "Old", "1"));
  EXPECT_FALSE(std::filesystem::exists(image)) << "nothing is written before the commit";

  ASSERT_TRUE(store->commit());
  EXPECT_EQ(readFile(image), kImageText);
  EXPECT_EQ(modeOf(image), 0600u);
  EXPECT_EQ(modeOf(image + ".lock"), 0600u);
  EXPECT_EQ(modeOf(state), 0700u);
  EXPECT_EQ(modeOf(state + "/kestrum"), 0700u);
  EXPECT_EQ(namesIn(state + "/kestrum"), (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(FileStoreTest, ExistingImageIsReadAndItsModeKept) {
  const std::string image = folder_ / "registry.reg";
  writeFile(image, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n\"Old\"=\"1\"\n"
                   "[HKEY_CURRENT_USER\\Other]\n\"Kept\"=dword:2\n", 0640);
  struct stat lockBefore {};
  {
    auto store = openImageFileStore(image, *codePage_);
    EXPECT_EQ(getString(*store, "software\\kestrum", "old"), "1");
    ASSERT_TRUE(setString(*store, "SOFTWARE\\Kestrum", "New", "2"));
    ASSERT_EQ(::stat((image + ".lock").c_str(), &lockBefore), 0);
    ASSERT_TRUE(store->commit());
  }
  EXPECT_EQ(readFile(image),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n\"Kept\"=dword:00000002\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\r\n"
            "\"Old\"=\"1\"\r\n\"New\"=\"2\"\r\n\r\n");
  EXPECT_EQ(modeOf(image), 0640u);
  struct stat lockAfter {};
  ASSERT_EQ(::stat((image + ".lock").c_str(), &lockAfter), 0);
  EXPECT_EQ(lockAfter.st_ino, lockBefore.st_ino) << "the lock file is never replaced";
}

TEST_F(FileStoreTest, CorruptImageIsReportedByLineAndNeverOverwritten) {
  const std::string image = folder_ / "registry.reg";
  const std::string corrupt = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:zz\n";
  writeFile(image, corrupt, 0600);
  auto store = openImageFileStore(image, *codePage_);
  const std::optional<StoreFailure> failure = store->firstFailure();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->what, image);
  EXPECT_EQ(failure->why.rfind("line 3: ", 0), 0u) << failure->why;
  setString(*store, "SOFTWARE\\Kestrum", "New", "2");
  EXPECT_FALSE(store->commit());
  EXPECT_EQ(readFile(image), corrupt);
  EXPECT_EQ(namesIn(folder_.path()), (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(FileStoreTest, AnImageThatIsNoFileIsReported) {
  const std::string image = folder_ / "registry.reg";
  ASSERT_EQ(::mkdir(image.c_str(), 0700), 0);
  auto store = openImageFileStore(image, *codePage_);
  ASSERT_TRUE(store->firstFailure().has_value());
  EXPECT_EQ(store->firstFailure()->what, image);
  EXPECT_FALSE(store->commit());
}

TEST_F(FileStoreTest, LockTimeoutIsReportedAndNothingWritten) {
  const std::string image = folder_ / "registry.reg";
  writeFile(image, kImageText, 0600);
  auto holder = openImageFileStore(image, *codePage_);
  ASSERT_FALSE(holder->firstFailure().has_value());

  ImageFileOptions options;
  options.lockTimeout = std::chrono::milliseconds(100);
  const auto start = std::chrono::steady_clock::now();
  auto waiter = openImageFileStore(image, *codePage_, options);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  ASSERT_TRUE(waiter->firstFailure().has_value());
  EXPECT_EQ(waiter->firstFailure()->what, image);
  EXPECT_NE(waiter->firstFailure()->why.find("lock"), std::string::npos);
  EXPECT_FALSE(waiter->commit());
  EXPECT_EQ(readFile(image), kImageText);
}

TEST_F(FileStoreTest, ASecondProcessWaitsForTheLockAndReadsWhatTheFirstWrote) {
  const std::string image = folder_ / "registry.reg";
  writeFile(image, kImageText, 0600);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The first run: holds the lock a while, then writes and lets go.
    int status = 1;
    {
      auto store = openImageFileStore(image, *codePage_);
      if (!store->firstFailure() && ::write(ready[1], "x", 1) == 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (setString(*store, "SOFTWARE\\Kestrum", "Child", "yes") && store->commit()) status = 0;
      }
    }
    ::_exit(status);
  }
  ::close(ready[1]);
  char signal = 0;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  ::close(ready[0]);

  const auto start = std::chrono::steady_clock::now();
  auto store = openImageFileStore(image, *codePage_);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(store->firstFailure().has_value());
  EXPECT_EQ(getString(*store, "SOFTWARE\\Kestrum", "Child"), "yes");
}

// Fails one chosen call, the way a full disk or a dying device would.
class FaultyIo : public FileIo {
 public:
  FaultyIo(std::string call, int error) : call_(std::move(call)), error_(error) {}

  ssize_t write(int fd, const void* buffer, std::size_t size) override {
    // A short write first: the store must carry on with the rest.
    if (call_ == "short write") return FileIo::write(fd, buffer, size > 1 ? size / 2 : size);
    if (call_ == "write") return fault();
    return FileIo::write(fd, buffer, size);
  }
  int fsync(int fd) override {
    if (call_ == "fsync" && !fsynced_) {
      fsynced_ = true;
      return fault();
    }
    return FileIo::fsync(fd);
  }
  int close(int fd) override {
    if (call_ == "close" && fd == lastCreated_) {
      FileIo::close(fd);
      return fault();
    }
    return FileIo::close(fd);
  }
  int open(const char* path, int flags, mode_t mode) override {
    if (call_ == "create" && (flags & O_EXCL) != 0) return fault();
    const int fd = FileIo::open(path, flags, mode);
    if ((flags & O_EXCL) != 0) lastCreated_ = fd;
    return fd;
  }
  int rename(const char* from, const char* to) override {
    if (call_ == "rename") return fault();
    return FileIo::rename(from, to);
  }

 private:
  int fault() {
    errno = error_;
    return -1;
  }
  std::string call_;
  int error_;
  bool fsynced_ = false;
  int lastCreated_ = -1;
};

class FileStoreFaultTest : public FileStoreTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FileStoreFaultTest, AFailedCommitLeavesTheOldImageAndNoTemporaryFile) {
  const std::string image = folder_ / "registry.reg";
  writeFile(image, kImageText, 0600);
  FaultyIo io(GetParam(), ENOSPC);
  ImageFileOptions options;
  options.io = &io;
  auto store = openImageFileStore(image, *codePage_, options);
  ASSERT_FALSE(store->firstFailure().has_value());
  ASSERT_TRUE(setString(*store, "SOFTWARE\\Kestrum", "Password", "secret-data"));

  EXPECT_FALSE(store->commit());
  const std::optional<StoreFailure> failure = store->firstFailure();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->what, image);
  EXPECT_NE(failure->why.find(std::strerror(ENOSPC)), std::string::npos) << failure->why;
  EXPECT_EQ(failure->why.find("secret"), std::string::npos);
  EXPECT_EQ(readFile(image), kImageText);
  EXPECT_EQ(namesIn(folder_.path()), (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

INSTANTIATE_TEST_SUITE_P(Calls, FileStoreFaultTest, ::testing::Values("create", "write", "fsync", "close", "rename"));

TEST_F(FileStoreTest, ShortWritesAreCompleted) {
  const std::string image = folder_ / "registry.reg";
  FaultyIo io("short write", 0);
  ImageFileOptions options;
  options.io = &io;
  auto store = openImageFileStore(image, *codePage_, options);
  ASSERT_TRUE(setString(*store, "SOFTWARE\\Kestrum", "Old", "1"));
  ASSERT_TRUE(store->commit());
  EXPECT_EQ(readFile(image), kImageText);
}

TEST_F(FileStoreTest, ATemporaryNameTakenByALinkIsNeverFollowed) {
  const std::string image = folder_ / "registry.reg";
  const std::string victim = folder_ / "victim";
  writeFile(victim, "untouched", 0600);
  const std::string taken = image + ".tmp" + std::to_string(::getpid());
  ASSERT_EQ(::symlink(victim.c_str(), taken.c_str()), 0);

  auto store = openImageFileStore(image, *codePage_);
  ASSERT_TRUE(setString(*store, "SOFTWARE\\Kestrum", "Old", "1"));
  ASSERT_TRUE(store->commit());
  EXPECT_EQ(readFile(image), kImageText);
  EXPECT_EQ(readFile(victim), "untouched");
}

TEST_F(FileStoreTest, ANameTheImageCannotHoldFailsTheCommit) {
  const std::string image = folder_ / "registry.reg";
  writeFile(image, kImageText, 0600);
  auto store = openImageFileStore(image, *codePage_);
  ASSERT_TRUE(setString(*store, "SOFTWARE\\Two\nLines", "v", "1"));
  EXPECT_FALSE(store->commit());
  ASSERT_TRUE(store->firstFailure().has_value());
  EXPECT_EQ(store->firstFailure()->what, image);
  EXPECT_EQ(readFile(image), kImageText);
}

TEST_F(FileStoreTest, NamesAreCheckedInTheImageCodePage) {
  // In code page 932 0x95 starts a two-byte character: a key name ending in
  // it would take the closing bracket for its second byte.
  const std::string image = folder_ / "registry.reg";
  writeFile(image, kImageText, 0600);
  auto cp932 = makeCodePage(932);
  auto store = openImageFileStore(image, *cp932);
  ASSERT_TRUE(setString(*store, "SOFTWARE\\k\x95", "v", "1"));
  EXPECT_FALSE(store->commit());
  EXPECT_EQ(readFile(image), kImageText);
}

class EnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  static constexpr const char* kNames[] = {"KESTRUM_REGISTRY", "XDG_STATE_HOME", "HOME"};
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(EnvironmentTest, ImagePathComesFromTheEnvironment) {
  ::setenv("KESTRUM_REGISTRY", "/tmp/chosen.reg", 1);
  ::setenv("XDG_STATE_HOME", "/xdg", 1);
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(imageFilePath(), "/tmp/chosen.reg");
  ::setenv("KESTRUM_REGISTRY", "", 1);
  EXPECT_EQ(imageFilePath(), "/xdg/kestrum/registry.reg");
  ::unsetenv("KESTRUM_REGISTRY");
  ::setenv("XDG_STATE_HOME", "", 1);
  EXPECT_EQ(imageFilePath(), "/home/u/.local/state/kestrum/registry.reg");
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(imageFilePath(), "/home/u/.local/state/kestrum/registry.reg");
}

}  // namespace
}  // namespace kestrum::testing
