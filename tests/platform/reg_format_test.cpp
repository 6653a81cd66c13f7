#include "platform/reg_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace kestrum {
namespace {

std::string crlf(std::string_view lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string withoutCr(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// A BOM and the little-endian units of `text`, as Windows writes a .reg file.
std::string utf16File(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

// Everything a tree holds, independent of the writer: every key with the
// exact case of its name, every value in order with its type and bytes.
void dumpNode(const RegNode& node, const std::string& path, std::string& out) {
  out += path + "\n";
  for (const RegValue& value : node.values()) {
    out += "  [" + value.name + "] type " + std::to_string(value.type) + ":";
    for (unsigned char c : value.data) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", c);
      out += hex;
    }
    out += "\n";
  }
  for (const auto& [name, child] : node.children()) dumpNode(*child, path + "\\" + child->name(), out);
}

std::string dump(const RegTree& tree) {
  std::string out;
  for (const auto& [name, root] : tree.top().children())
    if (!root->values().empty() || !root->children().empty()) dumpNode(*root, root->name(), out);
  return out;
}

struct ValueSpec {
  std::string name;
  std::uint32_t type;
  std::string data;
};
struct KeySpec {
  std::string path;  // root first
  std::vector<ValueSpec> values;
};

RegTree build(const std::vector<KeySpec>& keys) {
  RegTree tree;
  for (const KeySpec& key : keys) {
    RegNode* node = &tree.top();
    std::string_view rest = key.path;
    while (!rest.empty()) {
      const std::size_t cut = rest.find('\\');
      node = &node->childOrCreate(rest.substr(0, cut));
      if (cut == std::string_view::npos) break;
      rest.remove_prefix(cut + 1);
    }
    for (const ValueSpec& value : key.values) node->setValue(value.name, value.type, value.data);
  }
  return tree;
}

std::string hexBytes(unsigned first, unsigned count) {
  std::string bytes;
  for (unsigned i = 0; i < count; ++i) bytes += static_cast<char>(first + i);
  return bytes;
}

// The UTF-16 form of an ASCII text, as bytes.
std::string wide(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

struct Layout {
  const char* label;
  std::vector<KeySpec> keys;
  std::string expected;  // LF line ends
};

const std::vector<Layout>& layouts() {
  static const std::vector<Layout> cases = {
      {"EveryType",
       {{"HKEY_LOCAL_MACHINE\\SOFTWARE\\K",
         {{"Sz", kRegSz, "text\0"s},
          {"Empty", kRegSz, "\0"s},
          {"Dw", kRegDword, "\x2a\0\0\0"s},
          {"DwMax", kRegDword, "\xff\xff\xff\xff"s},
          {"Bin", kRegBinary, "\x01\x02\xff"s},
          {"BinEmpty", kRegBinary, ""},
          {"None", kRegNone, ""},
          {"Expand", kRegExpandSz, "%P%\0"s},
          {"Multi", kRegMultiSz, "a\0b\0\0"s},
          {"Odd", 0x12345, "\x01"s},
          {"Top", 0xFFFFFFFF, ""},
          {"ShortDw", kRegDword, "\x01\x02"s},
          {"LongDw", kRegDword, "\x01\x02\x03\x04\x05"s}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n"
       "\"Sz\"=\"text\"\n"
       "\"Empty\"=\"\"\n"
       "\"Dw\"=dword:0000002a\n"
       "\"DwMax\"=dword:ffffffff\n"
       "\"Bin\"=hex:01,02,ff\n"
       "\"BinEmpty\"=hex:\n"
       "\"None\"=hex(0):\n"
       "\"Expand\"=hex(2):25,50,25,00\n"
       "\"Multi\"=hex(7):61,00,62,00,00\n"
       "\"Odd\"=hex(12345):01\n"
       "\"Top\"=hex(ffffffff):\n"
       "\"ShortDw\"=hex(4):01,02\n"
       "\"LongDw\"=hex(4):01,02,03,04,05\n"
       "\n"},
      {"StringsThatAreNotCleanText",
       {{"HKEY_LOCAL_MACHINE\\S",
         {{"NoZero", kRegSz, "ab"},
          {"Inner", kRegSz, "a\0b\0"s},
          {"Cr", kRegSz, "a\rb\0"s},
          {"Lf", kRegSz, "a\nb\0"s},
          {"TwoZeros", kRegSz, "a\0\0"s},
          {"NoData", kRegSz, ""}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\S]\n"
       "\"NoZero\"=hex(1):61,62\n"
       "\"Inner\"=hex(1):61,00,62,00\n"
       "\"Cr\"=hex(1):61,0d,62,00\n"
       "\"Lf\"=hex(1):61,0a,62,00\n"
       "\"TwoZeros\"=hex(1):61,00,00\n"
       "\"NoData\"=hex(1):\n"
       "\n"},
      {"NamesAndEscapes",
       {{"HKEY_LOCAL_MACHINE\\S",
         {{"", kRegSz, "default\0"s},
          {"@", kRegDword, "\x01\0\0\0"s},
          {"a\"b\\c", kRegSz, "C:\\dir\\\"x\"\0"s},
          {"line\nbreak\r", kRegDword, "\0\0\0\0"s},
          {"\xe9t\xe9", kRegSz, "\x80\xff\x5c\0"s}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\S]\n"
       "@=\"default\"\n"
       "\"@\"=dword:00000001\n"
       "\"a\\\"b\\\\c\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n"
       "\"line\\nbreak\\r\"=dword:00000000\n"
       "\"\xe9t\xe9\"=\"\x80\xff\\\\\"\n"
       "\n"},
      {"KeysInRegistryOrderValuesInCreationOrder",
       {{"HKEY_LOCAL_MACHINE\\S\\b", {}},
        {"HKEY_LOCAL_MACHINE\\S\\A", {{"v", kRegSz, "1\0"s}}},
        {"HKEY_LOCAL_MACHINE\\S\\C\\deep", {}},
        {"HKEY_LOCAL_MACHINE\\S\\x]y", {}},
        {"HKEY_LOCAL_MACHINE\\S\\ lead", {}},
        {"HKEY_LOCAL_MACHINE\\S",
         {{"z", kRegDword, "\x03\0\0\0"s}, {"a", kRegDword, "\x01\0\0\0"s}, {"m", kRegDword, "\x02\0\0\0"s}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\S]\n"
       "\"z\"=dword:00000003\n"
       "\"a\"=dword:00000001\n"
       "\"m\"=dword:00000002\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\ lead]\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\A]\n"
       "\"v\"=\"1\"\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\b]\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\C]\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\C\\deep]\n\n"
       "[HKEY_LOCAL_MACHINE\\S\\x]y]\n"
       "\n"},
      {"OtherRootsKept",
       {{"HKEY_USERS\\.DEFAULT\\x", {}},
        {"HKEY_CURRENT_USER\\Software\\App", {{"On", kRegDword, "\x01\0\0\0"s}}},
        {"HKEY_CURRENT_USER", {{"RootVal", kRegSz, "r\0"s}}},
        {"HKEY_CLASSES_ROOT\\.txt", {{"", kRegSz, "txtfile\0"s}}},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", {}},
        {"HKEY_CURRENT_CONFIG\\System", {}}},
       "REGEDIT4\n\n"
       "[HKEY_CLASSES_ROOT\\.txt]\n"
       "@=\"txtfile\"\n\n"
       "[HKEY_CURRENT_CONFIG\\System]\n\n"
       "[HKEY_CURRENT_USER]\n"
       "\"RootVal\"=\"r\"\n\n"
       "[HKEY_CURRENT_USER\\Software]\n\n"
       "[HKEY_CURRENT_USER\\Software\\App]\n"
       "\"On\"=dword:00000001\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
       "[HKEY_USERS\\.DEFAULT]\n\n"
       "[HKEY_USERS\\.DEFAULT\\x]\n"
       "\n"},
      // The failure actions of a service as regedit exports them: the first
      // line breaks once it reaches 77 characters, every further line holds
      // 25 bytes behind two blanks.
      {"WrapsLikeRegedit",
       {{"HKEY_LOCAL_MACHINE\\S",
         {{"FailureActions", kRegBinary,
           "\x80\x51\x01\0\0\0\0\0\0\0\0\0\x03\0\0\0\x14\0\0\0\x01\0\0\0\x60\xea\0\0\x01\0\0\0\x60\xea\0\0\0\0\0\0\0\0\0\0"s},
          {"ImagePath", kRegExpandSz, wide("%SystemRoot%\\system32\\drivers\\disk.sys") + "\0\0"s}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\S]\n"
       "\"FailureActions\"=hex:80,51,01,00,00,00,00,00,00,00,00,00,03,00,00,00,14,00,00,\\\n"
       "  00,01,00,00,00,60,ea,00,00,01,00,00,00,60,ea,00,00,00,00,00,00,00,00,00,00\n"
       "\"ImagePath\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\n"
       "  74,00,25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,64,\\\n"
       "  00,72,00,69,00,76,00,65,00,72,00,73,00,5c,00,64,00,69,00,73,00,6b,00,2e,00,\\\n"
       "  73,00,79,00,73,00,00,00\n"
       "\n"},
      {"WrapBoundaries",
       {{"HKEY_LOCAL_MACHINE\\S",
         {{"N", kRegBinary, hexBytes(0, 23)},
          {"M", kRegBinary, hexBytes(0, 24)},
          {std::string(80, 'x'), kRegBinary, hexBytes(0, 3)}}}},
       "REGEDIT4\n\n"
       "[HKEY_LOCAL_MACHINE\\S]\n"
       "\"N\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16\n"
       "\"M\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
       "  17\n"
       "\"" + std::string(80, 'x') + "\"=hex:00,\\\n"
       "  01,02\n"
       "\n"},
      {"EmptyTree", {}, "REGEDIT4\n\n"},
  };
  return cases;
}

class RegLayoutTest : public ::testing::TestWithParam<Layout> {};

TEST_P(RegLayoutTest, WritesExactlyAndReadsBackTheSameTree) {
  const Layout& layout = GetParam();
  const RegTree tree = build(layout.keys);
  const std::string text = formatRegFile(tree);
  EXPECT_EQ(text, crlf(layout.expected));

  auto codePage = makeCodePage(1252);
  RegTree again;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(text, *codePage, again, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(dump(again), dump(tree));
}

INSTANTIATE_TEST_SUITE_P(Layouts, RegLayoutTest, ::testing::ValuesIn(layouts()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(RegFormatTest, StreamedTextEqualsTheWholeText) {
  RegTree tree;
  RegNode& key = tree.localMachine().childOrCreate("Big");
  for (int i = 0; i < 20000; ++i) key.setValue("v" + std::to_string(i), kRegBinary, hexBytes(0, 200));
  auto codePage = makeCodePage(1252);
  std::string streamed;
  int pieces = 0;
  ASSERT_TRUE(formatRegFile(tree, *codePage, [&](std::string_view piece) {
    streamed.append(piece);
    ++pieces;
    return true;
  }));
  EXPECT_EQ(streamed, formatRegFile(tree));
  EXPECT_GT(pieces, 1);
  EXPECT_FALSE(formatRegFile(tree, *codePage, [](std::string_view) { return false; }));
}

struct Reading {
  const char* label;
  std::string input;
  std::string expected;  // LF line ends
};

const std::string kOneKeyOut = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:00000001\n\n";

const std::vector<Reading>& readings() {
  static const std::vector<Reading> cases = {
      {"LfLineEnds", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1\n", kOneKeyOut},
      {"CrLineEnds", "REGEDIT4\r\r[HKEY_LOCAL_MACHINE\\A]\r\"v\"=dword:1\r", kOneKeyOut},
      {"CrLfWithoutFinalLineEnd", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:1", kOneKeyOut},
      {"MixedLineEnds", "REGEDIT4\n\r\n\r[HKEY_LOCAL_MACHINE\\A]\r\"v\"=dword:1\n", kOneKeyOut},
      {"VersionFiveHeaderInAnsi", "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1\n",
       kOneKeyOut},
      {"CommentsBlanksAndSpacing",
       "REGEDIT4\n; comment\n   \n  [HKEY_LOCAL_MACHINE\\A]  \n  ; indented\n  \"v\" = \"x\"  \n\t@\t=\tdword:00000010\t\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\"\n@=dword:00000010\n\n"},
      {"ContinuedHexAndDigitCase",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"b\"=hex:01,02,\\\n    03,\\  \n\tAB,cD\n\"m\"=hex(7):61,00,\\\n  00\n"
       "\"d\"=dword:FFFFFFFF\n\"t\"=hex(A):\n\"one\"=hex(0000001):41,00\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"b\"=hex:01,02,03,ab,cd\n\"m\"=hex(7):61,00,00\n\"d\"=dword:ffffffff\n"
       "\"t\"=hex(a):\n\"one\"=\"A\"\n\n"},
      {"TextEscapes", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"t\"=\"line\\nbreak\\r\\\\ \\\"q\\\"\"\n\"n\\\"\\\\\"=\"\"\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"t\"=hex(1):6c,69,6e,65,0a,62,72,65,61,6b,0d,5c,20,22,71,22,00\n"
       "\"n\\\"\\\\\"=\"\"\n\n"},
      {"Deletions",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"x\"=\"1\"\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n[HKEY_LOCAL_MACHINE\\A]\n"
       "\"keep\"=\"1\"\n\"drop\"=\"2\"\n\"later\"=\"3\"\n[-HKEY_LOCAL_MACHINE\\a\\b]\n"
       "[-HKEY_LOCAL_MACHINE\\A\\Missing\\Deeper]\n[HKEY_LOCAL_MACHINE\\A]\n\"drop\"=-\n\"gone\"= -\n"
       "\"keep\"=\"again\"\n\"drop\"=\"back\"\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"keep\"=\"again\"\n\"later\"=\"3\"\n\"drop\"=\"back\"\n\n"},
      {"KeyNameRules",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]y]\n[HKEY_LOCAL_MACHINE\\T\\]\n[hkey_local_machine\\Mixed]\n\"Val\"=\"1\"\n"
       "[HKEY_LOCAL_MACHINE\\MIXED\\Sub]\n[HKEY_LOCAL_MACHINE\\mixed]\n\"VAL\"=\"2\"\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Mixed]\n\"Val\"=\"2\"\n\n[HKEY_LOCAL_MACHINE\\Mixed\\Sub]\n\n"
       "[HKEY_LOCAL_MACHINE\\T]\n\n[HKEY_LOCAL_MACHINE\\x]y]\n\n"},
      {"RootValues", "REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"r\"=\"1\"\n[HKEY_LOCAL_MACHINE\\]\n\"s\"=\"2\"\n",
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\"r\"=\"1\"\n\"s\"=\"2\"\n\n"},
      // What Windows' reg export writes: UTF-16LE with a byte-order mark,
      // CRLF, text and hex(1), hex(2), hex(7) data in UTF-16.
      {"Utf16AsRegExportWritesIt",
       utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\\u00c4]\r\n"
                 u"\"Name \u00fc\"=\"Wert \u00fc \u20ac\"\r\n"
                 u"\"ImagePath\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
                 u"  74,00,25,00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,64,\\\r\n"
                 u"  00,72,00,69,00,76,00,65,00,72,00,73,00,5c,00,64,00,69,00,73,00,6b,00,2e,00,\\\r\n"
                 u"  73,00,79,00,73,00,00,00\r\n"
                 u"\"Multi\"=hex(7):61,00,00,00,fc,00,00,00,00,00\r\n"
                 u"\"Sz\"=hex(1):41,00,00,00\r\n"
                 u"\"Bin\"=hex:01,fc\r\n"
                 u"\"Dw\"=dword:00000010\r\n"
                 u"@=\"x\"\r\n\r\n"),
       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\\xc4]\n"
       "\"Name \xfc\"=\"Wert \xfc \x80\"\n"
       "\"ImagePath\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,73,79,73,74,65,6d,33,\\\n"
       "  32,5c,64,72,69,76,65,72,73,5c,64,69,73,6b,2e,73,79,73,00\n"
       "\"Multi\"=hex(7):61,00,fc,00,00\n"
       "\"Sz\"=\"A\"\n"
       "\"Bin\"=hex:01,fc\n"
       "\"Dw\"=dword:00000010\n"
       "@=\"x\"\n\n"},
  };
  return cases;
}

class RegReadingTest : public ::testing::TestWithParam<Reading> {};

TEST_P(RegReadingTest, ReadsWhatWindowsAccepts) {
  const Reading& reading = GetParam();
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(reading.input, *codePage, tree, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(withoutCr(formatRegFile(tree)), reading.expected);
}

INSTANTIATE_TEST_SUITE_P(Readings, RegReadingTest, ::testing::ValuesIn(readings()),
                         [](const auto& info) { return std::string(info.param.label); });

struct Malformed {
  const char* label;
  std::string input;
  std::size_t line;
};

const std::string kKey = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n";  // a value follows on line 3

std::string deepKey(int depth) {
  std::string line = "[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < depth; ++i) line += "\\k";
  return line + "]";
}

const std::vector<Malformed>& malformed() {
  static const std::vector<Malformed> cases = {
      {"EmptyFile", "", 1},
      {"UnknownHeader", "REGEDIT5\n", 1},
      {"HeaderWithBlank", "REGEDIT4 \n", 1},
      {"Utf8ByteOrderMark", "\xEF\xBB\xBFREGEDIT4\n", 1},
      {"HeaderNotFirst", "\nREGEDIT4\n", 1},
      {"ValueOutsideKey", "REGEDIT4\n\"v\"=\"secret\"\n", 2},
      {"ValueAfterDeletedKey", "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"secret\"\n", 3},
      {"KeyWithoutBracket", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\n", 3},
      {"TextBehindKey", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A] x\n", 2},
      {"ShortRoot", "REGEDIT4\n[HKLM\\A]\n", 2},
      {"UnknownRoot", "REGEDIT4\n[HKEY_DYN_DATA\\A]\n", 2},
      {"EmptyStep", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\\\A]\n", 2},
      {"TwoTrailingBackslashes", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\]\n", 2},
      {"EmptyKey", "REGEDIT4\n[]\n", 2},
      {"DeleteRoot", "REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2},
      {"TooDeep", "REGEDIT4\n" + deepKey(513) + "\n", 2},
      {"StrayLine", kKey + "v=1\n", 3},
      {"UnclosedName", kKey + "\"v=\"secret\n", 3},
      {"UnclosedText", kKey + "\"v\"=\"secret\n", 3},
      {"UnknownEscape", kKey + "\"v\"=\"sec\\tret\"\n", 3},
      {"BackslashAtEnd", kKey + "\"v\"=\"secret\\\n", 3},
      {"TextBehindText", kKey + "\"v\"=\"secret\" x\n", 3},
      {"ZeroInText", kKey + "\"v\"=\"sec\0ret\"\n"s, 3},
      {"ZeroInKeyName", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\0b]\n"s, 2},
      {"NoEquals", kKey + "\"v\" \"secret\"\n", 3},
      {"NoData", kKey + "\"v\"=\n", 3},
      {"TextBehindDelete", kKey + "\"v\"=-x\n", 3},
      {"DefaultWithName", kKey + "@x=\"secret\"\n", 3},
      {"DwordWithoutDigits", kKey + "\"v\"=dword:\n", 3},
      {"DwordTooLong", kKey + "\"v\"=dword:123456789\n", 3},
      {"DwordNotHex", kKey + "\"v\"=dword:12g\n", 3},
      {"KeywordCase", kKey + "\"v\"=DWORD:1\n", 3},
      {"UnknownData", kKey + "\"v\"=str:1\n", 3},
      {"SingleDigitBytes", kKey + "\"v\"=hex:1,2\n", 3},
      {"DoubleComma", kKey + "\"v\"=hex:01,,02\n", 3},
      {"TrailingComma", kKey + "\"v\"=hex:01,02,\n", 3},
      {"MissingComma", kKey + "\"v\"=hex:01 02\n", 3},
      {"BackslashWithoutComma", kKey + "\"v\"=hex:01\\\n02\n", 3},
      {"TypeWithoutParen", kKey + "\"v\"=hex(1:01\n", 3},
      {"TypeWithoutDigits", kKey + "\"v\"=hex():01\n", 3},
      {"TypeTooLong", kKey + "\"v\"=hex(100000000):01\n", 3},
      {"ContinuedPastEnd", kKey + "\"v\"=hex:01,\\\n", 3},
      {"BadContinuation", kKey + "\"v\"=hex:01,\\\n  zz\n", 4},
      {"BlankContinuation", kKey + "\"v\"=hex:01,\\\n\n02\n", 4},
      {"ErrorLaterInFile", kKey + "\"a\"=dword:1\n\n; fine\n\"b\"=hex:01,\\\n  02,\\\n  0\n", 8},
      {"CrLineCounting", "REGEDIT4\r[HKEY_LOCAL_MACHINE\\A]\r\r\"v\"=bad\r", 4},
      {"Utf16OddLength", utf16File(u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n") + "x", 3},
      {"Utf16LoneSurrogate", utf16File(u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"\xd800\"=\"x\"\r\n"), 3},
      {"Utf16OddText", utf16File(u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex(1):41,00,00\r\n"), 3},
      {"Utf16NotInCodePage", utf16File(u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"\u65e5\"\r\n"), 3},
  };
  return cases;
}

class RegMalformedTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(RegMalformedTest, NamesTheLineAndNeverTheContents) {
  const Malformed& bad = GetParam();
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  ASSERT_FALSE(parseRegFile(bad.input, *codePage, tree, error));
  EXPECT_EQ(error.line, bad.line) << error.message;
  EXPECT_FALSE(error.message.empty());
  EXPECT_EQ(error.message.find("secret"), std::string::npos) << error.message;
}

INSTANTIATE_TEST_SUITE_P(Inputs, RegMalformedTest, ::testing::ValuesIn(malformed()),
                         [](const auto& info) { return std::string(info.param.label); });

// A source handing out `text` in pieces of at most `piece` bytes, as a file
// read in small reads would; -1 (a failed read) once `failAt` bytes are out.
RegByteSource piecesOf(const std::string& text, std::size_t piece, std::size_t failAt = std::string::npos) {
  return [&text, piece, failAt, at = std::size_t{0}](char* buffer, std::size_t size) mutable -> std::ptrdiff_t {
    if (at >= failAt) return -1;
    const std::size_t n = std::min({piece, size, text.size() - at, failAt - at});
    text.copy(buffer, n, at);
    at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

struct Outcome {
  bool parsed;
  std::string tree;  // dump of what was read
  std::size_t line;
  std::string message;
};

Outcome parseWhole(const std::string& text) {
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  const bool parsed = parseRegFile(text, *codePage, tree, error);
  return {parsed, parsed ? dump(tree) : "", error.line, error.message};
}

Outcome parseInPieces(const std::string& text, std::size_t piece) {
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  const bool parsed = parseRegFile(piecesOf(text, piece), *codePage, tree, error);
  return {parsed, parsed ? dump(tree) : "", error.line, error.message};
}

void expectSameOutcome(const std::string& text) {
  const Outcome whole = parseWhole(text);
  for (std::size_t piece : {1u, 2u, 3u, 5u, 64u}) {
    const Outcome pieces = parseInPieces(text, piece);
    EXPECT_EQ(pieces.parsed, whole.parsed) << "pieces of " << piece;
    EXPECT_EQ(pieces.tree, whole.tree) << "pieces of " << piece;
    EXPECT_EQ(pieces.line, whole.line) << "pieces of " << piece;
    EXPECT_EQ(pieces.message, whole.message) << "pieces of " << piece;
  }
}

// Pieces split lines, CR LF pairs, escapes and UTF-16 units anywhere.
TEST_P(RegReadingTest, ReadsTheSameInPieces) { expectSameOutcome(GetParam().input); }
TEST_P(RegMalformedTest, FailsTheSameInPieces) { expectSameOutcome(GetParam().input); }

TEST(RegFormatTest, ReadsLinesLongerThanTheReadBuffer) {
  const std::string text = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"long\"=\"" + std::string(3 << 20, 'x') +
                           "\"\r\n\"next\"=dword:00000001\r\n";
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(piecesOf(text, 1 << 16), *codePage, tree, error)) << error.message;
  const RegNode* key = tree.localMachine().child("A");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values().size(), 2u);
  EXPECT_EQ(key->values()[0].data, std::string(3 << 20, 'x') + '\0');
  EXPECT_EQ(key->values()[1].name, "next");
}

TEST(RegFormatTest, AFailedReadFailsTheParse) {
  const std::string text = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:00000001\r\n";
  auto codePage = makeCodePage(1252);
  for (std::size_t failAt : {std::size_t{0}, std::size_t{12}, text.size()}) {
    RegTree tree;
    RegParseError error;
    EXPECT_FALSE(parseRegFile(piecesOf(text, 4, failAt), *codePage, tree, error)) << failAt;
    EXPECT_EQ(error.message, "the image could not be read") << failAt;
  }
}

TEST(RegFormatTest, ReadsTheDeepestKeyTheRegistryAllows) {
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  EXPECT_TRUE(parseRegFile("REGEDIT4\n" + deepKey(512) + "\n", *codePage, tree, error)) << error.message;
}

// 名前 = 日本表 in code page 932: the last character's second byte is 0x5C.
const std::string kName932 = "\x96\xbc\x91\x4f";
const std::string kText932 = "\x93\xfa\x96\x7b\x95\x5c";

TEST(RegFormatTest, Utf16FileConvertsToADoubleByteCodePage) {
  const std::string file = utf16File(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\\u540d\u524d]\r\n"
      u"\"\u540d\u524d\"=\"\u65e5\u672c\u8868\"\r\n\r\n");
  auto cp932 = makeCodePage(932);
  RegTree tree;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(file, *cp932, tree, error)) << "line " << error.line << ": " << error.message;
  const RegNode* key = tree.localMachine().child(kName932);
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values().size(), 1u);
  EXPECT_EQ(key->values()[0].name, kName932);
  EXPECT_EQ(key->values()[0].data, kText932 + "\0"s);

  // The second byte 0x5C stays as it is: no escape, no path separator.
  const std::string text = formatRegFile(tree, cp932.get());
  EXPECT_EQ(text, crlf("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + kName932 + "]\n\"" + kName932 + "\"=\"" + kText932 +
                       "\"\n\n"));
  RegTree again;
  ASSERT_TRUE(parseRegFile(text, *cp932, again, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(dump(again), dump(tree));

  auto cp1252 = makeCodePage(1252);
  RegTree refused;
  EXPECT_FALSE(parseRegFile(file, *cp1252, refused, error));
  EXPECT_EQ(error.line, 3u);
}

TEST(RegFormatTest, DoubleByteNamesWrapByCharacters) {
  // The name is two characters, so 23 bytes fit on the first line where
  // counting bytes would give 22.
  const RegTree tree = build({{"HKEY_LOCAL_MACHINE\\S", {{kName932, kRegBinary, hexBytes(0, 24)}}}});
  auto cp932 = makeCodePage(932);
  EXPECT_EQ(formatRegFile(tree, cp932.get()),
            crlf("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\S]\n\"" + kName932 +
                 "\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n  17\n\n"));
}

TEST(RegFormatTest, TextEndingInALeadByteIsWrittenAsBytes) {
  // Written as text, the lead byte would take the closing quote for its second byte.
  const RegTree tree = build({{"HKEY_LOCAL_MACHINE\\S", {{"a", kRegSz, "x\x95\0"s}, {"b", kRegSz, kText932 + "\0"s}}}});
  auto cp932 = makeCodePage(932);
  const std::string text = formatRegFile(tree, cp932.get());
  EXPECT_EQ(text, crlf("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\S]\n\"a\"=hex(1):78,95,00\n\"b\"=\"" + kText932 + "\"\n\n"));
  RegTree again;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(text, *cp932, again, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(dump(again), dump(tree));
}

TEST(RegFormatTest, FindsNamesTheFormatCannotCarry) {
  EXPECT_EQ(findUnwritableKey(build({{"HKEY_LOCAL_MACHINE\\S\\fine", {{"v", kRegSz, "a\nb"}}}})), std::nullopt);
  EXPECT_EQ(findUnwritableKey(build({{"HKEY_LOCAL_MACHINE\\S\\two\nlines", {}}})),
            std::optional<std::string>("HKEY_LOCAL_MACHINE\\S\\two\nlines"));
  EXPECT_EQ(findUnwritableKey(build({{"HKEY_CURRENT_USER\\K", {{"a\0b"s, kRegDword, "\0\0\0\0"s}}}})),
            std::optional<std::string>("HKEY_CURRENT_USER\\K"));
  auto cp932 = makeCodePage(932);
  const RegTree broken = build({{"HKEY_LOCAL_MACHINE\\S\\k\x95", {}}});
  EXPECT_EQ(findUnwritableKey(broken), std::nullopt);
  EXPECT_EQ(findUnwritableKey(broken, cp932.get()), std::optional<std::string>("HKEY_LOCAL_MACHINE\\S\\k\x95"));
  EXPECT_EQ(findUnwritableKey(build({{"HKEY_LOCAL_MACHINE\\S", {{"v\x95", kRegDword, "\0\0\0\0"s}}}}), cp932.get()),
            std::optional<std::string>("HKEY_LOCAL_MACHINE\\S"));
  EXPECT_EQ(findUnwritableKey(build({{"HKEY_LOCAL_MACHINE\\S\\" + kName932, {{kName932, kRegDword, "\0\0\0\0"s}}}}),
                              cp932.get()),
            std::nullopt);
}

TEST(CodePageConversionTest, ConvertsExactlyOrNotAtAll) {
  EXPECT_EQ(utf16ToCodePage(u"plain", 1252), std::optional<std::string>("plain"));
  EXPECT_EQ(utf16ToCodePage(u"", 932), std::optional<std::string>(""));
  EXPECT_EQ(utf16ToCodePage(u"\u00e9\u20ac", 1252), std::optional<std::string>("\xe9\x80"));
  EXPECT_EQ(utf16ToCodePage(u"a\u65e5\u672c\u8868", 932), std::optional<std::string>("a" + kText932));
  EXPECT_EQ(utf16ToCodePage(u"\u65e5", 1252), std::nullopt);
  EXPECT_EQ(utf16ToCodePage(u"a\xd800", 1252), std::nullopt);
  EXPECT_EQ(utf16ToCodePage(u"\xdc00z", 932), std::nullopt);
  EXPECT_EQ(utf16ToCodePage(u"\U0001F600", 932), std::nullopt);
  EXPECT_EQ(utf16ToCodePage(u"a\0b"s, 1252), std::optional<std::string>("a\0b"s));
}

}  // namespace
}  // namespace kestrum
