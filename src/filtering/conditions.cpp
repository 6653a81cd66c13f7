// Placeholder until the section is built.
#include "filtering/conditions.h"

namespace kestrum {

std::unique_ptr<RuleCondition> RuleCondition::loadFromKey(RegistryKey& /*key*/) { return std::make_unique<RuleCondition>(); }
void RuleCondition::saveToKey(RegistryKey& /*key*/) const {}

}  // namespace kestrum
