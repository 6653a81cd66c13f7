#include "cli/params.h"

namespace kestrum {
namespace {

// The decimal prefix of the trimmed text, accumulated modulo 2^32 with no
// overflow test. Unsigned arithmetic gives the wrap-around without undefined
// behaviour; the final conversion to int32 is two's complement.
std::int32_t decimalPrefix(const std::string& param, const CodePage& codePage) {
  const std::string text = trimMultibyte(param, codePage);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

// The message is put together by concatenation: the parameter is user text
// and never passes through a format.
ccException conversionFailure(const std::string& param, const char* what) {
  return ccException("failed to convert " + param + " to " + what);
}

}  // namespace

std::string paramToString(std::string param, const CodePage& codePage) {
  std::string text = trimMultibyte(param, codePage);
  if (!text.empty() && text.front() == '"' && text.back() == '"') {
    // A lone quote is both the opening and the closing one.
    if (text.size() == 1) return std::string();
    return text.substr(1, text.size() - 2);
  }
  return text;
}

std::int32_t paramToInt(std::string param, const CodePage& codePage) {
  try {
    return decimalPrefix(param, codePage);
  } catch (...) {
    throw conversionFailure(param, "an integer");
  }
}

bool paramToBool(std::string param, const CodePage& codePage) {
  try {
    return decimalPrefix(param, codePage) != 0;
  } catch (...) {
    throw conversionFailure(param, "a boolean");
  }
}

}  // namespace kestrum
