// Placeholder until the POSIX host is built.
#include "platform/host_posix.h"

namespace kestrum {
namespace {

class PosixHost : public Host {
 public:
  explicit PosixHost(std::unique_ptr<CodePage> codePage) : codePage_(std::move(codePage)) {}
  const CodePage& codePage() const override { return *codePage_; }
  bool entryExists(std::string_view /*name*/) const override { return false; }
  std::unique_ptr<DialupLibrary> loadDialupLibrary() override { return nullptr; }
  std::optional<std::string> hostName() override { return std::nullopt; }
  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string& /*name*/) override {
    return std::nullopt;
  }
  std::string loadString(unsigned /*id*/) override { return {}; }

 private:
  std::unique_ptr<CodePage> codePage_;
};

}  // namespace

std::unique_ptr<Host> makePosixHost(std::unique_ptr<CodePage> codePage) {
  return std::make_unique<PosixHost>(std::move(codePage));
}

}  // namespace kestrum
