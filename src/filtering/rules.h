// The Rules key: numbered rule subkeys, each with numbered condition subkeys.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/lists.h"
#include "filtering/conditions.h"

namespace kestrum {

class Configuration;
class RegistryKey;

class MailRule {
 public:
  virtual ~MailRule() = default;

  // Reads the rule and its conditions from the open rule key; never fails.
  static std::unique_ptr<MailRule> loadFromKey(RegistryKey& key);
  // Writes the rule, its condition subkeys and nRuleIFs under the open key.
  void saveToKey(RegistryKey& key) const;

  std::string Name;
  RecordList<RuleCondition> conditions;
  std::int32_t connected_by = 0;
  std::int32_t THEN = 0;
  std::string THEN_Parameter;
  Flag Stop_Rule_Processing_here = 1;
};

void loadRules(Configuration& config, RegistryKey& root);
void saveRules(const Configuration& config, RegistryKey& root);

}  // namespace kestrum
