#include "cli/command_line.h"

#include <array>
#include <string_view>

#include "cli/params.h"

namespace kestrum {
namespace {

constexpr std::array<std::string_view, 14> kUsageLines = {
    "usage: kestrum_addaccount <parameters>\n",
    "\n",
    "Parameters:\n",
    "1.  POP3/IMAP server name (string)\n",
    "2.  user name to log on POP3/IMAP server\n",
    "3.  password\n",
    "4.  Nr of days to leave mail on host. 0= delete after download, 999= leave indefinetely.\n",
    "5.  standard forward address - Forward all email from this account to that addresss. Empty "
    "string: Distribute according to email header information.\n",
    "6.  IP port number for POP3 or IMAP connection\n",
    "7.  Timeout value (seconds) for connections to this account\n",
    "8.  Postmaster address - reroute email to unknown users to this address. Empty string: Do "
    "not reroute email to unknown users.\n",
    "9.  SSL. 0= do not use SSL. 1= use SSL connection.\n",
    "10. POP3/IMAP. 0= POP3, 1= IMAP.\n",
    "11. Account \"display name\"(string).\n",
};

void deriveLeaveMailOnHost(AccountEntry& account) {
  const std::int32_t days = account.Leave_Mail_on_Host_days;
  account.Leave_Mail_on_Host = days == 0 ? 0 : days == 999 ? 1 : 2;
}

void deriveDistribute(AccountEntry& account) {
  account.Distribute = account.Forward_all_to.empty() ? 1 : 0;
}

void deriveRerouteUnknown(AccountEntry& account) {
  account.Reroute_unknown = account.Reroute_unknown_to.empty() ? 0 : 1;
}

// The field's type picks the conversion: text paramToString, number
// paramToInt, flag paramToBool.
using ParameterField = std::variant<std::string AccountEntry::*, std::int32_t AccountEntry::*,
                                    Flag AccountEntry::*>;

struct Parameter {
  ParameterField field;
  void (*derive)(AccountEntry&);  // sets the field that follows from this one, or null
};

// Parameters 1 to 11, in order.
constexpr std::array<Parameter, kParameterCount> kParameters = {{
    {&AccountEntry::Server, nullptr},
    {&AccountEntry::Username, nullptr},
    {&AccountEntry::Password, nullptr},
    {&AccountEntry::Leave_Mail_on_Host_days, deriveLeaveMailOnHost},
    {&AccountEntry::Forward_all_to, deriveDistribute},
    {&AccountEntry::Port, nullptr},
    {&AccountEntry::Timeout, nullptr},
    {&AccountEntry::Reroute_unknown_to, deriveRerouteUnknown},
    {&AccountEntry::SSL, nullptr},
    {&AccountEntry::IMAP_not_POP, nullptr},
    {&AccountEntry::Displayname, nullptr},
}};

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang before 17).
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

const std::string& usageText() {
  static const std::string kText = [] {
    std::string text;
    for (std::string_view line : kUsageLines) text += line;
    return text;
  }();
  return kText;
}

std::string errorLine(int number, const std::string& message) {
  return "Error in parameter " + std::to_string(number) + ": " + message + "\n";
}

std::variant<std::unique_ptr<AccountEntry>, ParameterError> buildAccount(const char* const* params,
                                                                         const CodePage& codePage) {
  auto account = std::make_unique<AccountEntry>();
  int number = 0;
  try {
    for (const Parameter& parameter : kParameters) {
      const char* text = params[number];
      ++number;
      std::visit(Overloaded{
                     [&](std::string AccountEntry::*field) {
                       (*account).*field = paramToString(text, codePage);
                     },
                     [&](std::int32_t AccountEntry::*field) {
                       (*account).*field = paramToInt(text, codePage);
                     },
                     [&](Flag AccountEntry::*field) {
                       (*account).*field = paramToBool(text, codePage) ? 1 : 0;
                     },
                 },
                 parameter.field);
      if (parameter.derive != nullptr) parameter.derive(*account);
    }
  } catch (const ccException& failure) {
    return ParameterError{number, failure.message};
  }
  return account;
}

}  // namespace kestrum
