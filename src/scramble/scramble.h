// Account passwords in their stored, keyed and reversible scrambled form
// (not encryption: the key is a constant of the program), and the decoder of
// the older form that is still read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

// The key the account load and save pass to every scheme.
inline constexpr std::string_view kPasswordKey =
    "qazplmwsxokndecijrfvuhbtgyqazplmwsxokndecijrfvuhbtgy";

std::string scramblePassword(std::string_view text, std::string_view key);
std::string unscramblePassword(std::string_view text, std::string_view key);
std::string decodeLegacyPassword(std::string_view text, std::string_view key);

// What the save writes for one account: PW_is_encrypted and Password.
struct StoredPassword {
  std::int32_t PW_is_encrypted;
  std::string Password;
};
// Form 2 (scrambled) when it reads back unchanged, else plain text with 0.
StoredPassword storedPasswordFor(std::string_view password);
// The plain password from the stored text and PW_is_encrypted (1 legacy,
// 2 current, anything else plain).
std::string plainPasswordFrom(std::string_view stored, std::int32_t pwIsEncrypted);

}  // namespace kestrum
