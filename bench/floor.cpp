// floor <image>: only the file work a run cannot avoid, as the image-file
// store does it: read the whole image, then replace it atomically with the
// same bytes (a new file beside it, written, flushed, renamed over the old
// one, the folder flushed). The whole-process benchmark compares a run with
// this.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "floor: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  return 1;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: floor <image>\n", stderr);
    return 2;
  }
  const std::string path = argv[1];
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);

  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail("cannot open", path);
  struct stat status {};
  if (::fstat(in, &status) != 0) return fail("cannot stat", path);
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::read(in, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return fail("cannot read", path);
    filled += static_cast<std::size_t>(got);
  }
  ::close(in);

  const std::string temp = path + ".floor" + std::to_string(::getpid());
  const int out = ::open(temp.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, status.st_mode & 07777);
  if (out < 0) return fail("cannot create", temp);
  if (!writeAll(out, bytes.data(), bytes.size())) return fail("cannot write", temp);
  if (::fsync(out) != 0) return fail("cannot flush", temp);
  if (::close(out) != 0) return fail("cannot close", temp);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot rename", temp);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return fail("cannot open", folder);
  if (::fsync(dir) != 0 && errno != EINVAL) return fail("cannot flush", folder);
  ::close(dir);
  return 0;
}
