#include "e2e/binary_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kestrum::testing {

BinaryResult runBinary(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                       const std::map<std::string, std::string>& env, const std::string& asUser) {
  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe");
  uid_t uid = 0;
  gid_t gid = 0;
  if (!asUser.empty()) {
    passwd* pw = getpwnam(asUser.c_str());
    if (pw == nullptr) throw std::runtime_error("no user " + asUser);
    uid = pw->pw_uid;
    gid = pw->pw_gid;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : env) {
      if (value.empty()) unsetenv(name.c_str());
      else setenv(name.c_str(), value.c_str(), 1);
    }
    if (!asUser.empty() && (setgid(gid) != 0 || setuid(uid) != 0)) _exit(125);
    std::vector<char*> argv;
    std::string program = KESTRUM_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execve(program.c_str(), argv.data(), environ);
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  BinaryResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kestrum::testing
