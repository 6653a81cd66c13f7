// Every file-system call of a whole run failing in turn, with each error a
// disk or a permission can give: the run either lands in full or exits 3 with
// the file and the cause named, and the image is never half old, half new.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "e2e/binary_posix.h"
#include "e2e/in_process_run_posix.h"

namespace kestrum {
namespace {

using testing::InProcessOutcome;
using testing::runInProcess;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// One call the store made: which one, and on what.
struct Call {
  std::string op;
  std::string target;  // the path opened or the path the descriptor was opened with
};

// The real calls, recorded; optionally one of them (by its position in the
// run) fails with `error`. A "short" fault writes half of what it is given and
// fails the following write, the way a disk that fills up mid-write does.
class InjectingIo : public FileIo {
 public:
  InjectingIo() = default;
  InjectingIo(std::size_t failAt, int error, bool shortFirst)
      : failAt_(failAt), error_(error), shortFirst_(shortFirst) {}

  std::vector<Call> calls;
  bool injected = false;

  int open(const char* path, int flags, mode_t mode) override {
    if (fails("open", path)) return -1;
    const int fd = FileIo::open(path, flags, mode);
    if (fd >= 0) paths_[fd] = path;
    return fd;
  }
  int close(int fd) override {
    const bool fail = fails("close", pathOf(fd));
    paths_.erase(fd);
    const int result = FileIo::close(fd);  // a failed close still releases the descriptor
    return fail ? -1 : result;
  }
  ssize_t read(int fd, void* buffer, std::size_t size) override {
    return fails("read", pathOf(fd)) ? -1 : FileIo::read(fd, buffer, size);
  }
  ssize_t write(int fd, const void* buffer, std::size_t size) override {
    if (pendingShort_) {
      pendingShort_ = false;
      errno = error_;
      return -1;
    }
    if (fails("write", pathOf(fd))) {
      if (!shortFirst_ || size < 2) return -1;
      // The half lands; the next write meets the error.
      pendingShort_ = true;
      return FileIo::write(fd, buffer, size / 2);
    }
    return FileIo::write(fd, buffer, size);
  }
  int fstat(int fd, struct stat& status) override {
    return fails("fstat", pathOf(fd)) ? -1 : FileIo::fstat(fd, status);
  }
  int fchmod(int fd, mode_t mode) override { return fails("fchmod", pathOf(fd)) ? -1 : FileIo::fchmod(fd, mode); }
  int fchown(int fd, uid_t owner, gid_t group) override {
    return fails("fchown", pathOf(fd)) ? -1 : FileIo::fchown(fd, owner, group);
  }
  int fsync(int fd) override { return fails("fsync", pathOf(fd)) ? -1 : FileIo::fsync(fd); }
  int rename(const char* from, const char* to) override {
    return fails("rename", from) ? -1 : FileIo::rename(from, to);
  }
  int unlink(const char* path) override { return fails("unlink", path) ? -1 : FileIo::unlink(path); }
  int mkdir(const char* path, mode_t mode) override { return fails("mkdir", path) ? -1 : FileIo::mkdir(path, mode); }
  int tryLock(int fd) override { return fails("lock", pathOf(fd)) ? -1 : FileIo::tryLock(fd); }

 private:
  bool fails(const char* op, const std::string& target) {
    const bool fail = calls.size() == failAt_;
    calls.push_back({op, target});
    if (fail) {
      injected = true;
      errno = error_;
    }
    return fail;
  }
  std::string pathOf(int fd) const {
    const auto found = paths_.find(fd);
    return found == paths_.end() ? "?" : found->second;
  }

  std::size_t failAt_ = static_cast<std::size_t>(-1);
  int error_ = 0;
  bool shortFirst_ = false;
  bool pendingShort_ = false;
  std::map<int, std::string> paths_;
};

const std::vector<std::string> kArgs = {"pop.example.com", "alice", "pass-9f2c", "0", "",
                                        "110", "60", "postmaster@example.com", "0", "0", "Alice"};

// The image text of an existing configuration big enough that reading and
// writing it take several calls each.
std::string populatedImage() {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\General]\r\n"
                     "\"FormatVersion\"=dword:00000001\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\POP3]\r\n"
                     "\"nPOP3\"=dword:00000000\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bulk]\r\n";
  const std::string filler(1000, 'x');
  for (int i = 0; i < 2500; ++i) text += "\"v" + std::to_string(i) + "\"=\"" + filler + "\"\r\n";
  return text + "\r\n";
}

class FaultTable : public ::testing::Test {
 protected:
  std::string folder() const { return (dir_.path() / "state").string(); }
  std::string image() const { return folder() + "/registry.reg"; }

  // One whole run, store opened and released, through `io`.
  InProcessOutcome run(FileIo& io) { return runInProcess(image(), kArgs, &io); }

  // Puts the folder back as it was before a run: `before` is the image, or
  // nothing for a machine that has none yet.
  void reset(const std::optional<std::string>& before) {
    std::filesystem::remove_all(dir_.path() / "state");
    if (before) {
      writeFile(image(), *before);
      std::filesystem::permissions(image(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
  }

  std::vector<std::string> namesInFolder() const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(folder())) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  bool lockIsFree() const {
    const int fd = ::open((image() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    const bool free = FileIo().tryLock(fd) == 0;
    ::close(fd);
    return free;
  }

  // Runs the table over every call of a clean run from `before`.
  void everyCallFails(const std::optional<std::string>& before) {
    reset(before);
    InjectingIo clean;
    const InProcessOutcome landed = run(clean);
    ASSERT_EQ(landed.status, kStatusAdded) << landed.err;
    const std::string after = readFile(image());
    const std::vector<Call> calls = clean.calls;
    std::size_t renameAt = calls.size();
    for (std::size_t i = 0; i < calls.size(); ++i)
      if (calls[i].op == "rename") renameAt = i;
    ASSERT_LT(renameAt, calls.size());

    struct Fault {
      int error;
      bool shortFirst;
    };
    const Fault faults[] = {{ENOSPC, false}, {EIO, false}, {EACCES, false}, {ENOSPC, true}};
    int refused = 0;
    for (std::size_t at = 0; at < calls.size(); ++at) {
      for (const Fault& fault : faults) {
        if (fault.shortFirst && calls[at].op != "write") continue;
        const Call& call = calls[at];
        SCOPED_TRACE("call " + std::to_string(at) + ": " + call.op + " " + call.target + ", " +
                     std::strerror(fault.error) + (fault.shortFirst ? " after a short write" : ""));
        reset(before);
        InjectingIo io(at, fault.error, fault.shortFirst);
        const InProcessOutcome outcome = run(io);
        ASSERT_TRUE(io.injected);
        ++tried_;

        // A failed close of a descriptor nothing was written through, or a
        // failed mkdir of a folder that is already there, changes nothing.
        const bool harmless = (call.op == "close" && call.target.find(".tmp") == std::string::npos) ||
                              (call.op == "mkdir" && (before.has_value() || call.target != folder()));
        const std::string image_now = std::filesystem::exists(image()) ? readFile(image()) : "<none>";
        if (outcome.status == kStatusAdded) {
          EXPECT_TRUE(harmless) << "a failed " << call.op << " was reported as success";
          EXPECT_EQ(image_now, after);
        } else {
          ++refused;
          EXPECT_EQ(outcome.status, kStatusStoreFailure);
          EXPECT_EQ(outcome.err.rfind("kestrum_addaccount: " + image() + ": ", 0), 0u) << outcome.err;
          EXPECT_NE(outcome.err.find(std::strerror(fault.error)), std::string::npos) << outcome.err;
          EXPECT_EQ(outcome.err.find("pass-9f2c"), std::string::npos) << outcome.err;
          // Up to the rename the old image stands; after it the new one, and
          // the message says it was replaced.
          if (at <= renameAt) {
            EXPECT_EQ(image_now, before.value_or("<none>"));
          } else {
            EXPECT_EQ(image_now, after);
            EXPECT_NE(outcome.err.find("replaced"), std::string::npos) << outcome.err;
          }
        }
        for (const std::string& name : namesInFolder())
          EXPECT_EQ(name.find(".tmp"), std::string::npos) << "left behind: " << name;
        EXPECT_TRUE(lockIsFree());
      }
    }
    EXPECT_GT(refused, 0);
    points_ += calls.size();
  }

  std::size_t tried_ = 0;
  std::size_t points_ = 0;
  TempDir dir_;
};

TEST_F(FaultTable, EveryCallOfARunOnAnExistingImage) {
  everyCallFails(populatedImage());
  RecordProperty("injection_points", static_cast<int>(points_));
  RecordProperty("faulty_runs", static_cast<int>(tried_));
}

TEST_F(FaultTable, EveryCallOfARunOnAFreshMachine) {
  everyCallFails(std::nullopt);
  RecordProperty("injection_points", static_cast<int>(points_));
  RecordProperty("faulty_runs", static_cast<int>(tried_));
}

}  // namespace
}  // namespace kestrum
