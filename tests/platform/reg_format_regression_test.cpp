// Inputs the fuzz targets found, cut down to what shows the fault: each image
// reads, is written, and reads back as the same tree and the same text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/reg_format.h"

using namespace std::string_literals;

namespace kestrum {
namespace {

// Every key with the exact case of its name, every value in order with its
// type and bytes: what must survive a write and a read.
void dumpNode(const RegNode& node, const std::string& path, std::string& out) {
  out += path + "\n";
  for (const RegValue& value : node.values()) {
    out += "  [" + value.name + "] " + std::to_string(value.type) + ":";
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
  for (const auto& [name, root] : tree.top().children()) dumpNode(*root, root->name(), out);
  return out;
}

struct Finding {
  const char* name;
  unsigned codePage;
  std::string image;
  std::string written;  // the text the tree is written as
};

class RegFormatRegressionTest : public ::testing::TestWithParam<Finding> {};

TEST_P(RegFormatRegressionTest, ReadsBackWhatItWrites) {
  const Finding& finding = GetParam();
  auto codePage = makeCodePage(finding.codePage);
  RegTree tree;
  RegParseError error;
  ASSERT_TRUE(parseRegFile(finding.image, *codePage, tree, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(findUnwritableKey(tree, codePage.get()), std::nullopt);

  const std::string text = formatRegFile(tree, codePage.get());
  EXPECT_EQ(text, finding.written);
  RegTree again;
  ASSERT_TRUE(parseRegFile(text, *codePage, again, error)) << "line " << error.line << ": " << error.message;
  EXPECT_EQ(dump(again), dump(tree));
  EXPECT_EQ(formatRegFile(again, codePage.get()), text);
}

INSTANTIATE_TEST_SUITE_P(
    Fuzzing, RegFormatRegressionTest,
    ::testing::Values(
        // A text ending in the first byte of a two-byte character: as "a\x95"
        // the closing quote became its second byte.
        Finding{"TextEndingInAFirstByte", 932,
                "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"a\"=hex(1):61,95,00\r\n",
                "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"a\"=hex(1):61,95,00\r\n\r\n"},
        // 表 (95 5C) in a key name: one character, not a path separator, and
        // an image holding it can be written again.
        Finding{"KeyNameWithABackslashSecondByte", 932,
                "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\\x95\x5c]\r\n\"\x95\x5c\"=\"\x95\x5c\"\r\n",
                "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\\x95\x5c]\r\n\"\x95\x5c\"=\"\x95\x5c\"\r\n\r\n"}),
    [](const ::testing::TestParamInfo<Finding>& info) { return std::string(info.param.name); });

TEST(RegFormatRegressionTest, AZeroBehindAFirstByteIsRefused) {
  auto cp949 = makeCodePage(949);
  for (const std::string& line : {"\"a\xe0\0\"=dword:00000001"s, "@=\"a\xe0\0\""s}) {
    RegTree tree;
    RegParseError error;
    EXPECT_FALSE(parseRegFile("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n" + line + "\r\n", *cp949, tree, error));
    EXPECT_EQ(error.line, 3u);
  }
}

TEST(RegFormatRegressionTest, WritabilityIsJudgedInTheImagesCodePage) {
  auto cp932 = makeCodePage(932);
  RegTree tree;
  tree.localMachine().childOrCreate("\x95\x5c").setValue("v", kRegSz, "x\0"s);
  EXPECT_EQ(findUnwritableKey(tree, cp932.get()), std::nullopt);
  // Byte by byte, the same name holds a backslash.
  EXPECT_EQ(findUnwritableKey(tree), std::optional<std::string>("HKEY_LOCAL_MACHINE\\\x95\x5c"));

  // A name that ends in a first byte would take the next ], \ or " for its
  // second byte; a first byte before a line end would break the line.
  for (const std::string& name : {"a\x95"s, "\x95\n"s}) {
    RegTree key;
    key.localMachine().childOrCreate(name);
    EXPECT_EQ(findUnwritableKey(key, cp932.get()), std::optional<std::string>("HKEY_LOCAL_MACHINE\\" + name));
    RegTree value;
    value.localMachine().childOrCreate("K").setValue(name, kRegDword, "\0\0\0\0"s);
    EXPECT_EQ(findUnwritableKey(value, cp932.get()), std::optional<std::string>("HKEY_LOCAL_MACHINE\\K"));
  }
}

}  // namespace
}  // namespace kestrum
