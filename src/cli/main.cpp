#include <cstdio>
#include <string>

#include "cli/run.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  auto host = kestrum::startPlatform();
  if (!host) return kestrum::kStatusStartupFailure;
  auto store = kestrum::openPlatformStore(*host);
  std::string out;
  std::string err;
  const int status = kestrum::runProgram(argc, argv, *store, *host, out, err);
  // Written with fwrite: parameter text never reaches a format string.
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
