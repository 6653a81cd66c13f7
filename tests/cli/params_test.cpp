#include "cli/params.h"

#include <gtest/gtest.h>

#include <new>

namespace kestrum {
namespace {

struct ConversionCase {
  const char* param;
  const char* text;    // paramToString
  std::int32_t number; // paramToInt
  bool flag;           // paramToBool
};

// Every parameter goes through all three conversions.
const ConversionCase kConversionCases[] = {
    {"", "", 0, false},
    {"abc", "abc", 0, false},
    {"  42  ", "42", 42, true},
    {"42abc", "42abc", 42, true},
    {"12 34", "12 34", 12, true},
    {"007", "007", 7, true},
    {"-7", "-7", -7, true},
    {"+7", "+7", 7, true},
    {"- 7", "- 7", 0, false},
    {"+-7", "+-7", 0, false},
    {"1", "1", 1, true},
    {"0", "0", 0, false},
    {"-1", "-1", -1, true},
    {"true", "true", 0, false},
    {"yes", "yes", 0, false},
    {"0x1", "0x1", 0, false},
    {"4294967296", "4294967296", 0, false},
    {"4294967297", "4294967297", 1, true},
    {"2147483647", "2147483647", 2147483647, true},
    {"2147483648", "2147483648", -2147483647 - 1, true},
    {"-2147483648", "-2147483648", -2147483647 - 1, true},
    {"-4294967295", "-4294967295", 1, true},
    {"99999999999", "99999999999", 1215752191, true},
    {" \t\n\v\f\r a  b \r\n\t", "a  b", 0, false},
    {" \t 5\r\n", "5", 5, true},
    // Only the six single-byte blanks are white space; a no-break space is not.
    {" \xA0 ", "\xA0", 0, false},
    // Quotes: one enclosing pair goes, the blanks inside it stay; a quoted
    // number is no number.
    {"  \" a b \"  ", " a b ", 0, false},
    {"\"42\"", "42", 0, false},
    {"\"abc", "\"abc", 0, false},
    {"abc\"", "abc\"", 0, false},
    {"\"", "", 0, false},
    {"\"\"", "", 0, false},
    {"  \"\"  ", "", 0, false},
    {"\"\"\"", "\"", 0, false},
    {"\"\"\"\"", "\"\"", 0, false},
    {"a\"b", "a\"b", 0, false},
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.param));
}

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {
 protected:
  std::unique_ptr<CodePage> codePage_ = makeCodePage(1252);
};

TEST_P(ConversionTest, ConvertsAsTabled) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(paramToString(c.param, *codePage_), c.text);
  EXPECT_EQ(paramToInt(c.param, *codePage_), c.number);
  EXPECT_EQ(paramToBool(c.param, *codePage_), c.flag);
}

INSTANTIATE_TEST_SUITE_P(Params, ConversionTest, ::testing::ValuesIn(kConversionCases),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

struct MultibyteCase {
  unsigned codePage;
  const char* param;
  const char* text;
};

// A byte behind a lead byte belongs to its character, even where it would
// be white space on its own; so is never split off, at either end.
const MultibyteCase kMultibyteCases[] = {
    {932, "ab\x81 ", "ab\x81 "},
    {1252, "ab\x81 ", "ab\x81"},
    {932, "ab\x81\t", "ab\x81\t"},
    {1252, "ab\x81\t", "ab\x81"},
    {932, " \x81 ", "\x81 "},
    {936, "\t\xFE\r", "\xFE\r"},
    {932, "\x81\x40  ", "\x81\x40"},
    {932, "  \x81\x40\x81 \x81\x40 ", "\x81\x40\x81 \x81\x40"},
    // A lead byte with nothing behind it is a character of its own.
    {932, "ab \x81", "ab \x81"},
    {932, "\"\x82\xA0 \"", "\x82\xA0 "},
};

TEST(ParamsMultibyte, TrimsWholeCharactersOfTheCodePage) {
  for (const MultibyteCase& c : kMultibyteCases) {
    auto codePage = makeCodePage(c.codePage);
    ASSERT_NE(codePage, nullptr);
    EXPECT_EQ(paramToString(c.param, *codePage), c.text) << c.codePage << " '" << c.param << "'";
  }
}

TEST(ParamsMultibyte, NumberBehindTrimmedDoubleByteTail) {
  auto codePage = makeCodePage(932);
  EXPECT_EQ(paramToInt(" 12\x81 ", *codePage), 12);
  EXPECT_EQ(paramToInt("\x81 12", *codePage), 0);
}

// A code page whose every question fails as memory exhaustion would.
class FailingCodePage : public CodePage {
 public:
  unsigned id() const override { return 1252; }
  bool isLeadByte(unsigned char) const override { throw std::bad_alloc(); }
  std::string toLower(std::string_view text) const override { return std::string(text); }
};

TEST(ParamsFailure, MachineryFailureBecomesCcExceptionWithTheParameterText) {
  const FailingCodePage failing;
  // Format directives in the parameter are text, never a format.
  const std::string param = " 4%s%d%n2 ";
  try {
    paramToInt(param, failing);
    FAIL() << "paramToInt did not raise";
  } catch (const ccException& e) {
    EXPECT_EQ(e.message, "failed to convert  4%s%d%n2  to an integer");
  }
  try {
    paramToBool(param, failing);
    FAIL() << "paramToBool did not raise";
  } catch (const ccException& e) {
    EXPECT_EQ(e.message, "failed to convert  4%s%d%n2  to a boolean");
  }
}

}  // namespace
}  // namespace kestrum
