// The three lenient parameter conversions. The content of a parameter never
// makes them fail; ccException reports only a failure of the conversion
// itself (in practice, exhausted memory).
#pragma once

#include <cstdint>
#include <string>

#include "platform/codepage.h"

namespace kestrum {

class ccException {
 public:
  explicit ccException(std::string text) : message(std::move(text)) {}
  std::string message;
};

// Trimmed; one pair of enclosing double quotes removed.
std::string paramToString(std::string param, const CodePage& codePage);
// Trimmed, then the decimal prefix with an optional sign, wrapping modulo 2^32.
std::int32_t paramToInt(std::string param, const CodePage& codePage);
// paramToInt, then non-zero.
bool paramToBool(std::string param, const CodePage& codePage);

}  // namespace kestrum
