#include "scramble/scramble.h"

#include "scramble/codes.h"

namespace kestrum {
namespace {

// Built into the legacy decoder; its blanks and punctuation have code 0.
constexpr std::string_view kLegacySecondKey = "Parsing: stay curious, my friend!";

constexpr std::uint8_t kModulus = 63;
constexpr std::uint8_t kFirstUntouchedCode = 128;

std::uint8_t letterOrDigitCode(unsigned char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - 47);
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c - 54);
  if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 60);
  return 0;
}

char codeToChar(std::uint8_t code) {
  if (code == 0) return ' ';
  if (code <= 10) return static_cast<char>(code + 47);
  if (code <= 36) return static_cast<char>(code + 54);
  if (code <= 62) return static_cast<char>(code + 60);
  return static_cast<char>(code ^ 0x80u);
}

// The key code for text position `i`; the position advances for every
// character, whether the arithmetic touches it or not. An empty key shifts
// nothing rather than dividing by zero.
std::uint8_t keyCodeAt(const SymbolCodes& key, std::size_t i) {
  return key.empty() ? 0 : key[i % key.size()];
}

// One subtraction step of the legacy decoder, in its own 8-bit arithmetic.
std::uint8_t legacySubtract(std::uint8_t code, std::uint8_t keyCode) {
  auto result = static_cast<std::uint8_t>(code - keyCode);
  if (result > 128) result = static_cast<std::uint8_t>(result + kModulus);
  return result;
}

}  // namespace

SymbolCodes textToCodes(std::string_view text) {
  SymbolCodes codes;
  codes.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const std::uint8_t code = letterOrDigitCode(c);
    codes.push_back(code != 0 ? code : static_cast<std::uint8_t>(c ^ 0x80u));
  }
  return codes;
}

std::string codesToText(const SymbolCodes& codes) {
  std::string text;
  text.reserve(codes.size());
  for (std::uint8_t code : codes) text += codeToChar(code);
  return text;
}

SymbolCodes legacyTextToCodes(std::string_view text) {
  SymbolCodes codes;
  codes.reserve(text.size());
  for (char ch : text) codes.push_back(letterOrDigitCode(static_cast<unsigned char>(ch)));
  return codes;
}

std::string legacyCodesToText(const SymbolCodes& codes) { return codesToText(codes); }

std::string scramblePassword(std::string_view text, std::string_view key) {
  SymbolCodes c = textToCodes(text);
  const SymbolCodes k = textToCodes(key);
  for (std::size_t i = 0; i < c.size(); ++i)
    if (c[i] < kFirstUntouchedCode)
      c[i] = static_cast<std::uint8_t>((c[i] + keyCodeAt(k, i)) % kModulus);
  return codesToText(c);
}

std::string unscramblePassword(std::string_view text, std::string_view key) {
  SymbolCodes c = textToCodes(text);
  const SymbolCodes k = textToCodes(key);
  for (std::size_t i = 0; i < c.size(); ++i)
    if (c[i] < kFirstUntouchedCode)
      c[i] = static_cast<std::uint8_t>((c[i] + kModulus - keyCodeAt(k, i) % kModulus) % kModulus);
  return codesToText(c);
}

std::string decodeLegacyPassword(std::string_view text, std::string_view key) {
  SymbolCodes c = legacyTextToCodes(text);
  const SymbolCodes k1 = legacyTextToCodes(key);
  const SymbolCodes k2 = legacyTextToCodes(kLegacySecondKey);
  for (std::size_t i = 0; i < c.size(); ++i) {
    c[i] = legacySubtract(c[i], keyCodeAt(k1, i));
    c[i] = legacySubtract(c[i], keyCodeAt(k2, i));
  }
  return legacyCodesToText(c);
}

StoredPassword storedPasswordFor(std::string_view password) {
  std::string scrambled = scramblePassword(password, kPasswordKey);
  if (unscramblePassword(scrambled, kPasswordKey) == password) return {2, std::move(scrambled)};
  return {0, std::string(password)};
}

std::string plainPasswordFrom(std::string_view stored, std::int32_t pwIsEncrypted) {
  switch (pwIsEncrypted) {
    case 1: return decodeLegacyPassword(stored, kPasswordKey);
    case 2: return unscramblePassword(stored, kPasswordKey);
    default: return std::string(stored);
  }
}

}  // namespace kestrum
