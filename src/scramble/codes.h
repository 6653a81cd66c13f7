// The symbol codes the scrambling schemes compute on: one byte per
// character, same length as the text. Internal to scrambling; visible for
// its tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

using SymbolCodes = std::vector<std::uint8_t>;

// Digits 1-10, capitals 11-36, small letters 37-62; any other byte with its
// top bit inverted.
SymbolCodes textToCodes(std::string_view text);
// 0 a space, 1-62 digits and letters; any other code with its top bit
// inverted, the inverse of textToCodes for every byte that is not a letter
// or digit.
std::string codesToText(const SymbolCodes& codes);

// Digits and letters as in the current scheme; every other byte code 0.
SymbolCodes legacyTextToCodes(std::string_view text);
// 0 a space, 1-62 as in the current scheme (the decoder yields nothing else).
std::string legacyCodesToText(const SymbolCodes& codes);

}  // namespace kestrum
