// Placeholder until the command line is built.
#include "cli/command_line.h"

#include "cli/params.h"

namespace kestrum {

const std::string& usageText() {
  static const std::string kText = "usage: kestrum_addaccount <parameters>\n";
  return kText;
}

std::string errorLine(int number, const std::string& message) {
  return "Error in parameter " + std::to_string(number) + ": " + message + "\n";
}

std::variant<std::unique_ptr<AccountEntry>, ParameterError> buildAccount(const char* const* params,
                                                                         const CodePage& codePage) {
  auto account = std::make_unique<AccountEntry>();
  account->Server = paramToString(params[0], codePage);
  return account;
}

}  // namespace kestrum
