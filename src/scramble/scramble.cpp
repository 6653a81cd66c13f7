// Placeholder until scrambling is built.
#include "scramble/scramble.h"

namespace kestrum {

std::string scramblePassword(std::string_view text, std::string_view /*key*/) { return std::string(text); }
std::string unscramblePassword(std::string_view text, std::string_view /*key*/) { return std::string(text); }
std::string decodeLegacyPassword(std::string_view text, std::string_view /*key*/) { return std::string(text); }
StoredPassword storedPasswordFor(std::string_view password) { return {0, std::string(password)}; }
std::string plainPasswordFrom(std::string_view stored, std::int32_t /*pwIsEncrypted*/) { return std::string(stored); }

}  // namespace kestrum
