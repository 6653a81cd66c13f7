// The file-system calls of the image-file store, behind one interface so that
// a test can make any single call fail and watch the store keep the old image.
// Each call follows its POSIX namesake: -1 with errno set on failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/store.h"

namespace kestrum {

// The real calls; a test derives from it and overrides the ones it breaks.
class FileIo {
 public:
  virtual ~FileIo() = default;

  virtual int open(const char* path, int flags, mode_t mode);
  virtual int close(int fd);
  virtual ssize_t read(int fd, void* buffer, std::size_t size);
  virtual ssize_t write(int fd, const void* buffer, std::size_t size);
  virtual int fstat(int fd, struct stat& status);
  virtual int fchmod(int fd, mode_t mode);
  virtual int fchown(int fd, uid_t owner, gid_t group);
  virtual int fsync(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int mkdir(const char* path, mode_t mode);
  // One attempt at the exclusive lock on an open file; fails with
  // EWOULDBLOCK while another open file description holds it.
  virtual int tryLock(int fd);
};

struct ImageFileOptions {
  // The calls to use; null for the real ones. Must outlive the store.
  FileIo* io = nullptr;
  // How long to wait for another run to release the lock.
  std::chrono::milliseconds lockTimeout{30000};
};

// openImageFileStore with its calls and lock wait chosen by the caller.
std::unique_ptr<Store> openImageFileStore(const std::string& path, const CodePage& codePage,
                                          const ImageFileOptions& options);

}  // namespace kestrum
