// Runs the built program as a user would: its own working directory, its own
// environment, stdout and stderr captured.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kestrum::testing {

struct BinaryResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// `env` is added to (and overrides) the test's own environment; an empty
// value removes the variable.
BinaryResult runBinary(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                       const std::map<std::string, std::string>& env, const std::string& asUser = "");

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace kestrum::testing
