#include "filtering/rules.h"

#include <array>

#include "config/configuration.h"
#include "filtering/key_fields.h"

namespace kestrum {
namespace {

// The rule key's own values, in the order they are read and written;
// nRuleIFs follows the condition subkeys.
constexpr std::array<KeyField<MailRule>, 5> kRuleFields{{
    {"Name", &MailRule::Name, 0, "noname"},
    {"connected_by", &MailRule::connected_by, 0, {}},
    {"THEN", &MailRule::THEN, 0, {}},
    {"THEN_Parameter", &MailRule::THEN_Parameter, 0, ""},
    {"Stop_Rule_Processing_here", &MailRule::Stop_Rule_Processing_here, 1, {}},
}};

}  // namespace

std::unique_ptr<MailRule> MailRule::loadFromKey(RegistryKey& key) {
  auto rule = std::make_unique<MailRule>();
  readFields<MailRule>(*rule, key, kRuleFields);
  const std::int32_t count = key.readCount("nRuleIFs");
  for (std::int32_t j = 0; j < count; ++j) {
    RegistryKey conditionKey(key.store());
    openChild(conditionKey, key, std::to_string(j + 1));
    rule->conditions.append(RuleCondition::loadFromKey(conditionKey));
  }
  return rule;
}

void MailRule::saveToKey(RegistryKey& key) const {
  writeFields<MailRule>(*this, key, kRuleFields);
  std::int32_t j = 0;
  for (const auto& condition : conditions) {
    RegistryKey conditionKey(key.store());
    if (openChild(conditionKey, key, std::to_string(++j))) condition->saveToKey(conditionKey);
  }
  key.writeValue(RegistryValue("nRuleIFs", j));
}

void loadRules(Configuration& config, RegistryKey& root) {
  RegistryKey rulesKey(root.store());
  openChild(rulesKey, root, "Rules");
  config.Rules.clear();
  const std::int32_t count = rulesKey.readCount("nRules");
  for (std::int32_t i = 0; i < count; ++i) {
    RegistryKey ruleKey(root.store());
    openChild(ruleKey, rulesKey, std::to_string(i + 1));
    config.Rules.append(MailRule::loadFromKey(ruleKey));
  }
}

void saveRules(const Configuration& config, RegistryKey& root) {
  RegistryKey rulesKey(root.store());
  if (!openChild(rulesKey, root, "Rules")) return;
  std::int32_t n = 0;
  for (const auto& rule : config.Rules) {
    RegistryKey ruleKey(root.store());
    if (openChild(ruleKey, rulesKey, std::to_string(++n))) rule->saveToKey(ruleKey);
  }
  rulesKey.writeValue(RegistryValue("nRules", n));
}

}  // namespace kestrum
