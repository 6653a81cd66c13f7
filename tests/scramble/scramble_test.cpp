#include "scramble/scramble.h"

#include <gtest/gtest.h>

#include <random>

#include "scramble/codes.h"

namespace kestrum {
namespace {

// Codes of the password key "qazplmwsxokndecijrfvuhbtgy" (twice): small
// letters are their value minus 60, so q 53, a 37, z 62, p 52, l 48, m 49,
// w 59, s 55, ...

TEST(SymbolCodes, CurrentMappingBothWays) {
  EXPECT_EQ(textToCodes("aZ9-"), (SymbolCodes{37, 36, 10, 173}));
  EXPECT_EQ(codesToText({37, 36, 10, 173}), "aZ9-");
  EXPECT_EQ(textToCodes("0Az \x01\xFF"), (SymbolCodes{1, 11, 62, 160, 129, 127}));
  EXPECT_EQ(codesToText({0, 1, 11, 62, 129, 255}), " 0Az\x01\x7F");
}

TEST(SymbolCodes, LegacyMappingZeroesAllButLettersAndDigits) {
  EXPECT_EQ(legacyTextToCodes("aZ9- \xE9"), (SymbolCodes{37, 36, 10, 0, 0, 0}));
  EXPECT_EQ(legacyCodesToText({0, 37, 36, 10}), " aZ9");
}

TEST(Scramble, HandVectorsAndPunctuationUsesUpAKeyPosition) {
  // a+q = 37+53 = 90 = 27 (mod 63) 'Q'; a+a = 74 = 11 'A'; a+z = 99 = 36 'Z'.
  EXPECT_EQ(scramblePassword("aaa", kPasswordKey), "QAZ");
  // The hyphen stays and takes key position 1, so the last letter still
  // meets 'z' and scrambles as in "aaa".
  EXPECT_EQ(scramblePassword("a-a", kPasswordKey), "Q-Z");
  EXPECT_EQ(unscramblePassword("Q-Z", kPasswordKey), "a-a");
  EXPECT_EQ(storedPasswordFor("a-a").PW_is_encrypted, 2);
  EXPECT_EQ(storedPasswordFor("a-a").Password, "Q-Z");
}

struct SaveCase {
  const char* password;
  std::int32_t form;
  const char* stored;
};

const SaveCase kSaveCases[] = {
    {"", 2, ""},
    {" !-.,;", 2, " !-.,;"},
    {"aaa", 2, "QAZ"},
    // Bytes from 128 up do not come back.
    {"caf\xE9", 0, "caf\xE9"},
    {"\x80", 0, "\x80"},
    // '9' (10) meets q (53): 63 scrambles to 0, a space.
    {"9", 0, "9"},
    // 'A' (11) meets p (52) at position 3.
    {"abcA", 0, "abcA"},
    // 'P' (26) meets a (37) at position 1.
    {"xP", 0, "xP"},
    // The same characters where the sums are not 63 go through:
    // 0+q = 1+53 = 54 'r', 9+a = 10+37 = 47 'k';
    // A+q = 64 = 1 '0', a+a = 11 'A', b+z = 100 = 37 'a', c+p = 91 = 28 'R'.
    {"09", 2, "rk"},
    {"Aabc", 2, "0AaR"},
};

TEST(StoredPassword, FormChosenByTheReversalCheck) {
  for (const SaveCase& c : kSaveCases) {
    const StoredPassword stored = storedPasswordFor(c.password);
    EXPECT_EQ(stored.PW_is_encrypted, c.form) << "'" << c.password << "'";
    EXPECT_EQ(stored.Password, c.stored) << "'" << c.password << "'";
  }
}

TEST(PlainPassword, FormOnLoad) {
  EXPECT_EQ(plainPasswordFrom("QAZ", 2), "aaa");
  EXPECT_EQ(plainPasswordFrom("abcdefgh", 1), "KQmwA53p");
  for (std::int32_t plain : {0, 3, -1, 256})
    EXPECT_EQ(plainPasswordFrom("QAZ", plain), "QAZ") << plain;
}

// Hand derivation from the decoder's definition: code = text code - k1[i] -
// k2[i] (mod 63), with k1 the password key and k2 "Parsing: stay curious, my
// friend!" (P 26, a 37, r 54, s 55, i 45, n 50, g 43, ':' 0, ...; the
// sentence has 33 characters, the key 52).
//   pos 0  a 37 - q 53 - P 26 = -42 -> 21 'K'
//   pos 1  b 38 - a 37 - a 37 = -36 -> 27 'Q'
//   pos 2  c 39 - z 62 - r 54 = -77 -> 49 'm'
//   pos 3  d 40 - p 52 - s 55 = -67 -> 59 'w'
//   pos 4  e 41 - l 48 - i 45 = -52 -> 11 'A'
//   pos 5  f 42 - m 49 - n 50 = -57 ->  6 '5'
//   pos 6  g 43 - w 59 - g 43 = -59 ->  4 '3'
//   pos 7  h 44 - s 55 - : 0  = -11 -> 52 'p'
//   "F" at pos 0: 16 - 53 - 26 = -63 -> 0, a space
//   "-" at pos 0: code 0: 0 - 53 - 26 = -79 -> 47 'k'
//   '0' at pos 33: 1 - k1[33] (= key[7] s 55) - k2[0] (P 26) = -80 -> 46 'j'
//   '0' at pos 52: 1 - k1[0] (q 53) - k2[19] (u 57) = -109 -> 17 'G'
//     (in the decoder's bytes: 1-53 = 204 > 128, +63 = 11; 11-57 = 210, +63 = 17)
TEST(LegacyDecoder, HandDerivedVectors) {
  EXPECT_EQ(decodeLegacyPassword("abcdefgh", kPasswordKey), "KQmwA53p");
  EXPECT_EQ(decodeLegacyPassword("F", kPasswordKey), " ");
  EXPECT_EQ(decodeLegacyPassword("-", kPasswordKey), "k");
  EXPECT_EQ(decodeLegacyPassword("\xE9", kPasswordKey), "k");
  const std::string zeros(53, '0');
  const std::string decoded = decodeLegacyPassword(zeros, kPasswordKey);
  ASSERT_EQ(decoded.size(), 53u);
  EXPECT_EQ(decoded[33], 'j');
  EXPECT_EQ(decoded[52], 'G');
}

TEST(LegacyDecoder, EveryNonLetterDecodesLikeCodeZero) {
  EXPECT_EQ(decodeLegacyPassword("a-b", kPasswordKey), decodeLegacyPassword("a b", kPasswordKey));
  EXPECT_EQ(decodeLegacyPassword("a-b", kPasswordKey), decodeLegacyPassword("a\xFF" "b", kPasswordKey));
}

// Whether a password survives scrambling, told from the two ways it can fail.
bool predictedReversible(const std::string& password) {
  const SymbolCodes key = textToCodes(kPasswordKey);
  for (std::size_t i = 0; i < password.size(); ++i) {
    const auto byte = static_cast<unsigned char>(password[i]);
    if (byte >= 128) return false;
    const std::uint8_t code = textToCodes(password.substr(i, 1))[0];
    if (code <= 62 && code + key[i % key.size()] == 63) return false;
  }
  return true;
}

TEST(StoredPassword, EveryAcceptedPasswordComesBackAndNoOtherIsScrambled) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> length(0, 70);
  std::uniform_int_distribution<int> ascii(1, 127);
  std::uniform_int_distribution<int> anyByte(1, 255);
  int accepted = 0;
  int refused = 0;
  for (int n = 0; n < 20000; ++n) {
    const bool asciiOnly = n % 2 == 0;
    std::string password(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : password) c = static_cast<char>(asciiOnly ? ascii(random) : anyByte(random));

    const StoredPassword stored = storedPasswordFor(password);
    const bool reversible = predictedReversible(password);
    ASSERT_EQ(stored.PW_is_encrypted, reversible ? 2 : 0) << ::testing::PrintToString(password);
    ASSERT_EQ(stored.Password.size(), password.size());
    ASSERT_EQ(plainPasswordFrom(stored.Password, stored.PW_is_encrypted), password)
        << ::testing::PrintToString(password);
    ASSERT_EQ(decodeLegacyPassword(password, kPasswordKey).size(), password.size());
    ++(reversible ? accepted : refused);
  }
  // Both outcomes were really exercised.
  EXPECT_GT(accepted, 1000);
  EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace kestrum
