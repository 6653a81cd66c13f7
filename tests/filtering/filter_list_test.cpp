#include "filtering/filter_list.h"

#include <gtest/gtest.h>

#include <array>

#include "filtering/section_tree.h"

namespace kestrum::testing {
namespace {

// Sender, Recipient, Subject, Text, Attachementname, Header.
using Lists = std::array<StringList, 6>;

Lists listsOf(const FilterList& list) {
  return {list.Sender, list.Recipient, list.Subject, list.Text, list.Attachementname, list.Header};
}

// The fixture with every "LIST" replaced by the list's key name.
std::string under(std::string_view keyName, std::string_view fixture) {
  std::string text(fixture);
  for (std::size_t at = text.find("LIST"); at != std::string::npos; at = text.find("LIST", at))
    text.replace(at, 4, keyName);
  return text;
}

struct ListKind {
  std::string_view keyName;
  TrimmedLayout trimmed;
};
constexpr ListKind kWhitelist{"Whitelist", TrimmedLayout::kCurrent};
constexpr ListKind kBlacklist{"Blacklist", TrimmedLayout::kOlder};

void load(SectionTree& tree, FilterList& list, const ListKind& kind) {
  loadFilterList(list, tree.root, kind.keyName, kind.trimmed, tree.host.codePage());
}

TEST(FilterList, MissingKeyLoadsEmptyAndSavesTheCurrentLayout) {
  SectionTree tree;
  FilterList list;
  list.Header.push_back("replaced by the load");
  load(tree, list, kWhitelist);
  EXPECT_EQ(listsOf(list), Lists{});

  saveFilterList(list, tree.root, "Whitelist");
  std::string expected = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Whitelist]\n\"newFormat\"=dword:00000001\n\n";
  for (const char* part : {"Attachementname", "Header", "Recipient", "Sender", "Subject", "Text"})
    expected += std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Whitelist\\") + part +
                "]\n\"nEntries\"=dword:00000000\n\n";
  EXPECT_EQ(tree.text("Whitelist"), expected);
}

constexpr std::string_view kCurrentSubjects = R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST]
"newFormat"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\Subject]
"nEntries"=dword:00000003
"1"="  word  "
"2"=""
"3"="second"
)";

TEST(FilterList, CurrentLayoutIsTrimmedForTheWhitelistOnly) {
  SectionTree white(under("Whitelist", kCurrentSubjects));
  load(white, white.config.Whitelist, kWhitelist);
  EXPECT_EQ(white.config.Whitelist.Subject, (StringList{"word", "second"}));
  saveFilterList(white.config.Whitelist, white.root, "Whitelist");
  EXPECT_EQ(white.text("Whitelist\\Subject"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Whitelist\\Subject]\n"
            "\"nEntries\"=dword:00000002\n"
            "\"1\"=\"word\"\n"
            "\"2\"=\"second\"\n"
            "\"3\"=\"second\"\n\n");

  SectionTree black(under("Blacklist", kCurrentSubjects));
  load(black, black.config.Blacklist, kBlacklist);
  EXPECT_EQ(black.config.Blacklist.Subject, (StringList{"  word  ", "", "second"}));
  saveFilterList(black.config.Blacklist, black.root, "Blacklist");
  EXPECT_EQ(black.text("Blacklist\\Subject"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Blacklist\\Subject]\n"
            "\"nEntries\"=dword:00000003\n"
            "\"1\"=\"  word  \"\n"
            "\"2\"=\"\"\n"
            "\"3\"=\"second\"\n\n");
}

// One entry per older-layout code, an entry without a text, an empty one,
// one of blanks only, and two unknown codes.
constexpr std::string_view kOlderLayout = R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST]
"nIFs"=dword:0000000a

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\1]
"IFtype"=dword:00000001
"IF_Parameter"="  spam@example.com	"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\2]
"IFtype"=dword:00000000
"IF_Parameter"="rcpt"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\3]
"IFtype"=dword:00000002
"IF_Parameter"="subject"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\4]
"IFtype"=dword:00000004

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\5]
"IFtype"=dword:00000003
"IF_Parameter"="x.exe"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\6]
"IFtype"=dword:00000005
"IF_Parameter"=""

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\7]
"IFtype"=dword:00000006
"IF_Parameter"="six"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\8]
"IFtype"=dword:ffffffff
"IF_Parameter"="minus one"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\9]
"IFtype"=dword:00000001
"IF_Parameter"="   "

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\LIST\10]
"IF_Parameter"="no type"
)";

TEST(FilterList, OlderLayoutIsSortedByCodeAndTrimmedForTheBlacklistOnly) {
  SectionTree white(under("Whitelist", kOlderLayout));
  load(white, white.config.Whitelist, kWhitelist);
  EXPECT_EQ(listsOf(white.config.Whitelist),
            (Lists{StringList{"  spam@example.com\t", "   "}, {"rcpt", "no type"}, {"subject"},
                   {"unknown"}, {"x.exe"}, {""}}));

  SectionTree black(under("Blacklist", kOlderLayout));
  load(black, black.config.Blacklist, kBlacklist);
  EXPECT_EQ(listsOf(black.config.Blacklist),
            (Lists{StringList{"spam@example.com"}, {"rcpt", "no type"}, {"subject"}, {"unknown"},
                   {"x.exe"}, {}}));
}

TEST(FilterList, CurrentLayoutWinsOverTheOlderOne) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Blacklist]
"nIFs"=dword:00000001
"newFormat"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Blacklist\1]
"IFtype"=dword:00000001
"IF_Parameter"="old"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Blacklist\Sender]
"nEntries"=dword:00000001
"1"="new"
)");
  load(tree, tree.config.Blacklist, kBlacklist);
  EXPECT_EQ(listsOf(tree.config.Blacklist), (Lists{StringList{"new"}, {}, {}, {}, {}, {}}));
}

// The first save adds the current layout beside the older one, which stays;
// from then on the current layout is read, and the whitelist trims.
TEST(FilterList, SavingAnOlderLayoutKeepsItAndSwitchesTheNextLoad) {
  for (const ListKind& kind : {kWhitelist, kBlacklist}) {
    SCOPED_TRACE(kind.keyName);
    SectionTree tree(under(kind.keyName, kOlderLayout));
    FilterList first;
    load(tree, first, kind);
    saveFilterList(first, tree.root, kind.keyName);

    const RegNode* key = findKey(*tree.store, "SOFTWARE\\Kestrum\\" + std::string(kind.keyName));
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->value("nIFs"), nullptr);
    EXPECT_EQ(key->value("nIFs")->data, std::string("\x0a\0\0\0", 4));
    EXPECT_EQ(key->values().back().name, "newFormat");
    const std::string firstEntry = std::string(kind.keyName) + "\\1";
    EXPECT_EQ(tree.text(firstEntry),
              regTextOf(*storeFromReg(under(kind.keyName, kOlderLayout)), "SOFTWARE\\Kestrum\\" + firstEntry));

    FilterList second;
    load(tree, second, kind);
    if (kind.trimmed == TrimmedLayout::kOlder) {
      EXPECT_EQ(listsOf(second), listsOf(first));
    } else {
      EXPECT_EQ(listsOf(second), (Lists{StringList{"spam@example.com"}, {"rcpt", "no type"}, {"subject"},
                                        {"unknown"}, {"x.exe"}, {}}));
    }
  }
}

TEST(FilterList, EntriesAreSavedInPartOrderWithTheCountBehindThem) {
  SectionTree tree;
  FilterList list;
  list.Sender = {"@a.example", "@b.example"};
  list.Header = {"X-Flag"};
  saveFilterList(list, tree.root, "Blacklist");
  EXPECT_EQ(tree.text("Blacklist\\Sender"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Blacklist\\Sender]\n"
            "\"1\"=\"@a.example\"\n"
            "\"2\"=\"@b.example\"\n"
            "\"nEntries\"=dword:00000002\n\n");
  EXPECT_EQ(tree.text("Blacklist\\Header"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Blacklist\\Header]\n"
            "\"1\"=\"X-Flag\"\n"
            "\"nEntries\"=dword:00000001\n\n");
}

}  // namespace
}  // namespace kestrum::testing
