#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/file_io_posix.h"
#include "platform/file_store.h"
#include "platform/memory_store.h"
#include "platform/reg_format.h"

namespace kestrum {

int FileIo::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileIo::close(int fd) { return ::close(fd); }
ssize_t FileIo::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t FileIo::write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int FileIo::fstat(int fd, struct stat& status) { return ::fstat(fd, &status); }
int FileIo::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileIo::fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int FileIo::fsync(int fd) { return ::fsync(fd); }
int FileIo::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileIo::unlink(const char* path) { return ::unlink(path); }
int FileIo::mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
int FileIo::tryLock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }

namespace {

constexpr mode_t kNewImageMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr auto kLockPoll = std::chrono::milliseconds(20);

std::string errorText(int error) { return std::strerror(error); }

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class FileDescriptor {
 public:
  FileDescriptor(FileIo& io, int fd) : io_(&io), fd_(fd) {}
  ~FileDescriptor() { close(); }
  FileDescriptor(FileDescriptor&& other) noexcept : io_(other.io_), fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      close();
      io_ = other.io_;
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now, reporting the result (a late write error may surface here).
  int close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 ? 0 : io_->close(fd);
  }

 private:
  FileIo* io_;
  int fd_;
};

class ImageFileStore : public Store {
 public:
  ImageFileStore(std::string path, const CodePage& codePage, const ImageFileOptions& options)
      : ownedIo_(options.io == nullptr ? std::make_unique<FileIo>() : nullptr),
        io_(options.io != nullptr ? *options.io : *ownedIo_),
        ownedCodePage_(makeCodePage(codePage.id())),
        codePage_(ownedCodePage_ != nullptr ? *ownedCodePage_ : codePage),
        path_(std::move(path)),
        lock_(io_, -1) {
    load(options.lockTimeout);
  }

  bool openKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
               KeyHandle& result) override {
    return memory_.openKey(parent, subKey, access, result);
  }
  bool createKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
                 KeyHandle& result) override {
    return memory_.createKey(parent, subKey, access, result);
  }
  bool queryValue(KeyHandle key, std::string_view name, std::uint32_t& type, std::uint8_t* data,
                  std::uint32_t& size) override {
    return memory_.queryValue(key, name, type, data, size);
  }
  bool setValue(KeyHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    return memory_.setValue(key, name, type, data, size);
  }
  void closeKey(KeyHandle key) override { memory_.closeKey(key); }
  std::optional<StoreFailure> firstFailure() const override { return memory_.firstFailure(); }
  void refuseValue(KeyHandle key, std::string_view name, std::string why) override {
    memory_.refuseValue(key, name, std::move(why));
  }

  bool commit() override;

 private:
  std::unique_ptr<FileIo> ownedIo_;
  FileIo& io_;
  // A copy where one can be made, so that the caller's need not outlive the store.
  std::unique_ptr<CodePage> ownedCodePage_;
  const CodePage& codePage_;
  std::string path_;
  MemoryStore memory_;
  FileDescriptor lock_;  // held until the store is destroyed
  bool exists_ = false;
  mode_t mode_ = kNewImageMode;
  uid_t owner_ = 0;
  gid_t group_ = 0;

  bool fail(std::string why) {
    memory_.recordFailure({path_, std::move(why)});
    return false;
  }

  void load(std::chrono::milliseconds lockTimeout);
  bool makeFolders(const std::string& folder);
  bool takeLock(std::chrono::milliseconds timeout);
  bool readImage(RegTree& tree);
  bool writeAll(int fd, std::string_view data, int& error);
  bool flushFolder();
};

void ImageFileStore::load(std::chrono::milliseconds lockTimeout) {
  if (!makeFolders(folderOf(path_)) || !takeLock(lockTimeout)) return;
  RegTree tree;
  if (readImage(tree)) memory_ = MemoryStore(std::move(tree));
}

bool ImageFileStore::makeFolders(const std::string& folder) {
  // Every step of the path, shortest first; existing ones are left as they are.
  for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
    const std::string step = folder.substr(0, at);
    if (io_.mkdir(step.c_str(), kFolderMode) != 0 && errno != EEXIST) {
      // A read-only or unwritable parent may still hold the folder already.
      const int error = errno;
      struct stat status {};
      if (::stat(step.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return fail("cannot create the folder " + step + ": " + errorText(error));
    }
    if (at == std::string::npos) return true;
  }
}

bool ImageFileStore::takeLock(std::chrono::milliseconds timeout) {
  const std::string lockPath = path_ + ".lock";
  FileDescriptor fd(io_, io_.open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kNewImageMode));
  if (!fd.valid()) return fail("cannot open the lock file " + lockPath + ": " + errorText(errno));
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (io_.tryLock(fd.get()) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR)
      return fail("cannot lock " + lockPath + ": " + errorText(errno));
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      const auto seconds = std::chrono::duration_cast<std::chrono::duration<double>>(timeout).count();
      char waited[32];
      std::snprintf(waited, sizeof waited, "%g", seconds);
      return fail("another run holds the lock " + lockPath + " (waited " + waited + " s)");
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kLockPoll, deadline - now));
  }
  lock_ = std::move(fd);
  return true;
}

bool ImageFileStore::readImage(RegTree& tree) {
  FileDescriptor fd(io_, io_.open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0));
  if (!fd.valid()) {
    if (errno == ENOENT) return true;  // no image yet: an empty registry
    return fail("cannot open: " + errorText(errno));
  }
  struct stat status {};
  if (io_.fstat(fd.get(), status) != 0) return fail("cannot read: " + errorText(errno));
  if (!S_ISREG(status.st_mode)) return fail("not a regular file");
  exists_ = true;
  mode_ = status.st_mode & 07777;
  owner_ = status.st_uid;
  group_ = status.st_gid;

  // Parsed as it is read: the file's text is never held whole beside the tree.
  int readError = 0;
  const RegByteSource source = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
    for (;;) {
      const ssize_t got = io_.read(fd.get(), buffer, size);
      if (got >= 0) return got;
      if (errno != EINTR) {
        readError = errno;
        return -1;
      }
    }
  };
  RegParseError error;
  const bool parsed = parseRegFile(source, codePage_, tree, error);
  if (readError != 0) return fail("cannot read: " + errorText(readError));
  if (!parsed) return fail("line " + std::to_string(error.line) + ": " + error.message);
  return true;
}

bool ImageFileStore::writeAll(int fd, std::string_view data, int& error) {
  while (!data.empty()) {
    const ssize_t put = io_.write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (put == 0) {
      error = EIO;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool ImageFileStore::flushFolder() {
  const std::string folder = folderOf(path_);
  FileDescriptor fd(io_, io_.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (!fd.valid()) return fail("replaced, but cannot open its folder to flush it: " + errorText(errno));
  // Some file systems cannot flush a folder at all (EINVAL); nothing more can be done there.
  if (io_.fsync(fd.get()) != 0 && errno != EINVAL)
    return fail("replaced, but cannot flush its folder: " + errorText(errno));
  return true;
}

bool ImageFileStore::commit() {
  if (memory_.firstFailure()) return false;
  if (std::optional<std::string> key = findUnwritableKey(memory_.tree(), &codePage_))
    return fail("the key " + *key + " has a name that the image cannot hold");

  std::string tempPath;
  FileDescriptor fd(io_, -1);
  const std::string stem = path_ + ".tmp" + std::to_string(::getpid());
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    tempPath = attempt == 0 ? stem : stem + "-" + std::to_string(attempt);
    const int opened =
        io_.open(tempPath.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, mode_);
    if (opened < 0 && errno != EEXIST)
      return fail("cannot create the temporary file " + tempPath + ": " + errorText(errno));
    if (opened >= 0) fd = FileDescriptor(io_, opened);
  }
  if (!fd.valid()) return fail("cannot create a temporary file beside it: " + errorText(EEXIST));

  // From here on a failure removes the temporary file and leaves the image alone.
  auto abandon = [&](const std::string& why) {
    fd.close();
    io_.unlink(tempPath.c_str());
    return fail(why);
  };
  if (io_.fchmod(fd.get(), mode_) != 0) return abandon("cannot set the mode of " + tempPath + ": " + errorText(errno));
  if (exists_ && io_.fchown(fd.get(), owner_, group_) != 0 && errno != EPERM)
    return abandon("cannot set the owner of " + tempPath + ": " + errorText(errno));
  int writeError = 0;
  const bool written = formatRegFile(memory_.tree(), codePage_, [&](std::string_view piece) {
    return writeAll(fd.get(), piece, writeError);
  });
  if (!written) return abandon("cannot write " + tempPath + ": " + errorText(writeError));
  if (io_.fsync(fd.get()) != 0) return abandon("cannot flush " + tempPath + ": " + errorText(errno));
  if (fd.close() != 0) return abandon("cannot write " + tempPath + ": " + errorText(errno));
  if (io_.rename(tempPath.c_str(), path_.c_str()) != 0)
    return abandon("cannot replace it with " + tempPath + ": " + errorText(errno));
  exists_ = true;
  return flushFolder();
}

}  // namespace

std::string imageFilePath() {
  if (const char* chosen = std::getenv("KESTRUM_REGISTRY"); chosen != nullptr && *chosen != '\0') return chosen;
  std::string state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg != '\0') {
    state = xdg;
  } else {
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
      home = env;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
      // Without HOME (a service, a cron job) the account's own home folder.
      home = entry->pw_dir;
    }
    state = home + "/.local/state";
  }
  return state + "/kestrum/registry.reg";
}

std::unique_ptr<Store> openImageFileStore(const std::string& path, const CodePage& codePage,
                                          const ImageFileOptions& options) {
  return std::make_unique<ImageFileStore>(path, codePage, options);
}

std::unique_ptr<Store> openImageFileStore(const std::string& path, const CodePage& codePage) {
  return openImageFileStore(path, codePage, ImageFileOptions{});
}

}  // namespace kestrum
