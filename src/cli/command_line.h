// The command line's surface: the usage text, the error line, and the new
// account built from the eleven positional parameters.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "config/account_entry.h"
#include "platform/codepage.h"

namespace kestrum {

inline constexpr int kParameterCount = 11;

// The fourteen usage texts, in order, byte for byte.
const std::string& usageText();

// "Error in parameter <number>: <message>\n".
std::string errorLine(int number, const std::string& message);

struct ParameterError {
  int number;           // 1 to 11: the parameter under conversion
  std::string message;  // the ccException's message
};

// Converts parameters 1 to 11 (`params[0]` is parameter 1) into a new
// account with its derived fields, or reports the parameter whose conversion
// raised ccException; the partly built account is then discarded.
std::variant<std::unique_ptr<AccountEntry>, ParameterError> buildAccount(
    const char* const* params, const CodePage& codePage);

}  // namespace kestrum
