// A host for the benchmarks: code page 1252, an empty working directory, no
// dial-up service and no network, so that every run does the same work.
#pragma once

#include <memory>

#include "platform/host.h"

namespace kestrum::bench {

class BenchHost : public Host {
 public:
  BenchHost() : codePage_(makeCodePage(1252)) {}

  const CodePage& codePage() const override { return *codePage_; }
  bool entryExists(std::string_view) const override { return false; }
  std::unique_ptr<DialupLibrary> loadDialupLibrary() override { return nullptr; }
  std::optional<std::string> hostName() override { return std::nullopt; }
  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string&) override {
    return std::nullopt;
  }
  std::string loadString(unsigned) override { return {}; }

 private:
  std::unique_ptr<CodePage> codePage_;
};

}  // namespace kestrum::bench
