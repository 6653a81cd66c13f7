// A whole run of the program inside the test process: the image-file store
// the program opens, the run it makes, the status and the lines it prints.
// For what a child process cannot show (a chosen call failing, parameters
// longer than the kernel passes to a program).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "cli/run.h"
#include "platform/file_io_posix.h"
#include "platform/file_store.h"
#include "support/fixtures.h"

namespace kestrum::testing {

struct InProcessOutcome {
  int status = -1;
  std::string out;
  std::string err;
};

// `args` are the parameters (the program name is added); the store is
// released, and with it the lock, before this returns.
inline InProcessOutcome runInProcess(const std::string& image, const std::vector<std::string>& args,
                                     FileIo* io = nullptr, unsigned codePage = 1252) {
  FakeHost host(codePage);
  ImageFileOptions options;
  options.io = io;
  options.lockTimeout = std::chrono::milliseconds(0);
  std::vector<const char*> argv{"kestrum_addaccount"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  InProcessOutcome outcome;
  auto store = openImageFileStore(image, host.codePage(), options);
  outcome.status = runProgram(static_cast<int>(argv.size()), argv.data(), *store, host, outcome.out, outcome.err);
  return outcome;
}

}  // namespace kestrum::testing
