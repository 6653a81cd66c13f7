#include "filtering/rules.h"

#include <gtest/gtest.h>

#include "filtering/section_tree.h"

namespace kestrum::testing {
namespace {

TEST(Rules, MissingKeyLoadsEmptyAndSavesACountOfZero) {
  SectionTree tree;
  tree.config.Rules.append(std::make_unique<MailRule>());  // replaced by the load
  loadRules(tree.config, tree.root);
  EXPECT_TRUE(tree.config.Rules.empty());
  EXPECT_NE(findKey(*tree.store, "SOFTWARE\\Kestrum\\Rules"), nullptr);

  saveRules(tree.config, tree.root);
  EXPECT_EQ(tree.text("Rules"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules]\n"
            "\"nRules\"=dword:00000000\n\n");
}

TEST(Rules, RuleKeyWithoutValuesLoadsDefaultsAndSavesAllSix) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
)");
  loadRules(tree.config, tree.root);
  ASSERT_EQ(tree.config.Rules.size(), 1u);
  const MailRule& rule = tree.config.Rules[0];
  EXPECT_EQ(rule.Name, "noname");
  EXPECT_EQ(rule.connected_by, 0);
  EXPECT_EQ(rule.THEN, 0);
  EXPECT_EQ(rule.THEN_Parameter, "");
  EXPECT_EQ(rule.Stop_Rule_Processing_here, 1);
  EXPECT_TRUE(rule.conditions.empty());

  saveRules(tree.config, tree.root);
  EXPECT_EQ(tree.text("Rules\\1"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1]\n"
            "\"Name\"=\"noname\"\n"
            "\"connected_by\"=dword:00000000\n"
            "\"THEN\"=dword:00000000\n"
            "\"THEN_Parameter\"=\"\"\n"
            "\"Stop_Rule_Processing_here\"=dword:00000001\n"
            "\"nRuleIFs\"=dword:00000000\n\n");
}

TEST(Rules, MissingMiddleRuleLoadsWithDefaultsAndIsCreated) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000003

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"Name"="first"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\3]
"Name"="third"
"Stop_Rule_Processing_here"=dword:00000000
)");
  loadRules(tree.config, tree.root);
  ASSERT_EQ(tree.config.Rules.size(), 3u);
  EXPECT_EQ(tree.config.Rules[0].Name, "first");
  EXPECT_EQ(tree.config.Rules[1].Name, "noname");
  EXPECT_EQ(tree.config.Rules[1].Stop_Rule_Processing_here, 1);
  EXPECT_EQ(tree.config.Rules[2].Name, "third");
  EXPECT_EQ(tree.config.Rules[2].Stop_Rule_Processing_here, 0);
  EXPECT_NE(findKey(*tree.store, "SOFTWARE\\Kestrum\\Rules\\2"), nullptr);
}

TEST(Rules, NegativeCountsLoadNothing) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:ffffffff

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"Name"="unread"
)");
  loadRules(tree.config, tree.root);
  EXPECT_TRUE(tree.config.Rules.empty());
}

TEST(Rules, ConditionSubkeysBeyondTheCountStayUntouched) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"nRuleIFs"=dword:00000001
"Extra"="kept"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1\1]
"IFtype"=dword:00000002
"IF_Parameter"="one"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1\2]
"IFtype"=dword:00000003
"IF_Parameter"="two"
)");
  loadRules(tree.config, tree.root);
  ASSERT_EQ(tree.config.Rules.size(), 1u);
  ASSERT_EQ(tree.config.Rules[0].conditions.size(), 1u);
  EXPECT_EQ(tree.config.Rules[0].conditions[0].IF_Parameter, "one");

  saveRules(tree.config, tree.root);
  EXPECT_EQ(tree.text("Rules\\1"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1]\n"
            "\"nRuleIFs\"=dword:00000001\n"
            "\"Extra\"=\"kept\"\n"
            "\"Name\"=\"noname\"\n"
            "\"connected_by\"=dword:00000000\n"
            "\"THEN\"=dword:00000000\n"
            "\"THEN_Parameter\"=\"\"\n"
            "\"Stop_Rule_Processing_here\"=dword:00000001\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1\\1]\n"
            "\"IFtype\"=dword:00000002\n"
            "\"IF_Parameter\"=\"one\"\n"
            "\"Invert\"=dword:00000000\n"
            "\"CheckTextIfSmaller\"=dword:00000000\n"
            "\"CheckTextIfSmallerThan\"=dword:00000000\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1\\2]\n"
            "\"IFtype\"=dword:00000003\n"
            "\"IF_Parameter\"=\"two\"\n\n");
}

// Written in the order of a save, so that a load followed by a save into an
// empty registry gives this text back.
constexpr std::string_view kTwoRules = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"Name"="from boss"
"connected_by"=dword:00000001
"THEN"=dword:00000003
"THEN_Parameter"="boss@example.com"
"Stop_Rule_Processing_here"=dword:00000000
"nRuleIFs"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1\1]
"IFtype"=dword:00000001
"IF_Parameter"="  boss@example.com "
"Invert"=dword:00000000
"CheckTextIfSmaller"=dword:00000001
"CheckTextIfSmallerThan"=dword:ffffff9c

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1\2]
"IFtype"=dword:00000009
"IF_Parameter"="urgent"
"Invert"=dword:00000001
"CheckTextIfSmaller"=dword:00000000
"CheckTextIfSmallerThan"=dword:00001000

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\2]
"Name"="second"
"connected_by"=dword:00000000
"THEN"=dword:00000000
"THEN_Parameter"=""
"Stop_Rule_Processing_here"=dword:00000001
"nRuleIFs"=dword:00000000

)";

TEST(Rules, OrderAndValuesSurviveALoadAndASave) {
  SectionTree loaded(std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum]\n\n") + std::string(kTwoRules));
  loadRules(loaded.config, loaded.root);
  ASSERT_EQ(loaded.config.Rules.size(), 2u);
  EXPECT_EQ(loaded.config.Rules[0].Name, "from boss");
  EXPECT_EQ(loaded.config.Rules[0].conditions[1].IFtype, 9);
  EXPECT_EQ(loaded.config.Rules[0].conditions[0].CheckTextIfSmallerThan, -100);

  SectionTree saved;
  saveRules(loaded.config, saved.root);
  EXPECT_EQ(saved.text("Rules"), kTwoRules);
}

TEST(RuleCondition, KeyWithoutValuesAndAFlagStoredAsTwo) {
  SectionTree tree(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"nRuleIFs"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1\2]
"Invert"=dword:00000002
"CheckTextIfSmaller"=dword:00000007
)");
  loadRules(tree.config, tree.root);
  const MailRule& rule = tree.config.Rules[0];
  ASSERT_EQ(rule.conditions.size(), 2u);
  const RuleCondition& empty = rule.conditions[0];
  EXPECT_EQ(empty.IFtype, 0);
  EXPECT_EQ(empty.IF_Parameter, "unknown");
  EXPECT_EQ(empty.Invert, 0);
  EXPECT_EQ(empty.CheckTextIfSmaller, 0);
  EXPECT_EQ(empty.CheckTextIfSmallerThan, 0);
  EXPECT_EQ(rule.conditions[1].Invert, 1);
  EXPECT_EQ(rule.conditions[1].CheckTextIfSmaller, 1);

  saveRules(tree.config, tree.root);
  EXPECT_EQ(tree.text("Rules\\1\\1"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1\\1]\n"
            "\"IFtype\"=dword:00000000\n"
            "\"IF_Parameter\"=\"unknown\"\n"
            "\"Invert\"=dword:00000000\n"
            "\"CheckTextIfSmaller\"=dword:00000000\n"
            "\"CheckTextIfSmallerThan\"=dword:00000000\n\n");
  EXPECT_EQ(tree.text("Rules\\1\\2"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\Rules\\1\\2]\n"
            "\"Invert\"=dword:00000001\n"
            "\"CheckTextIfSmaller\"=dword:00000001\n"
            "\"IFtype\"=dword:00000000\n"
            "\"IF_Parameter\"=\"unknown\"\n"
            "\"CheckTextIfSmallerThan\"=dword:00000000\n\n");
}

// A rule key that can be neither opened nor created: its rule loads with
// defaults, never from the Rules key above it, and its save writes nothing
// there either.
TEST(Rules, UnreachableRuleKeyNeverFallsBackToTheRulesKey) {
  auto memory = storeFromReg(R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules]
"nRules"=dword:00000002
"Name"="not a rule"

[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrum\Rules\1]
"Name"="first"
)");
  RefusingStore store(*memory, "2");
  FakeHost host;
  Configuration config(store, host);
  RegistryKey root(store, kHkeyLocalMachine);
  SectionTree::walk(root);

  loadRules(config, root);
  ASSERT_EQ(config.Rules.size(), 2u);
  EXPECT_EQ(config.Rules[0].Name, "first");
  EXPECT_EQ(config.Rules[1].Name, "noname");

  config.Rules[1].Name = "changed";
  saveRules(config, root);
  const RegNode* rules = findKey(*memory, "SOFTWARE\\Kestrum\\Rules");
  ASSERT_NE(rules, nullptr);
  EXPECT_EQ(rules->values().size(), 2u);
  EXPECT_EQ(rules->value("Name")->data, std::string("not a rule", 11));
  EXPECT_EQ(findKey(*memory, "SOFTWARE\\Kestrum\\Rules\\2"), nullptr);
}

}  // namespace
}  // namespace kestrum::testing
