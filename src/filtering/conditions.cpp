#include "filtering/conditions.h"

#include <array>

#include "filtering/key_fields.h"

namespace kestrum {
namespace {

// The condition key's values, in the order they are read and written.
constexpr std::array<KeyField<RuleCondition>, 5> kConditionFields{{
    {"IFtype", &RuleCondition::IFtype, 0, {}},
    {"IF_Parameter", &RuleCondition::IF_Parameter, 0, "unknown"},
    {"Invert", &RuleCondition::Invert, 0, {}},
    {"CheckTextIfSmaller", &RuleCondition::CheckTextIfSmaller, 0, {}},
    {"CheckTextIfSmallerThan", &RuleCondition::CheckTextIfSmallerThan, 0, {}},
}};

}  // namespace

std::unique_ptr<RuleCondition> RuleCondition::loadFromKey(RegistryKey& key) {
  auto condition = std::make_unique<RuleCondition>();
  readFields<RuleCondition>(*condition, key, kConditionFields);
  return condition;
}

void RuleCondition::saveToKey(RegistryKey& key) const {
  writeFields<RuleCondition>(*this, key, kConditionFields);
}

}  // namespace kestrum
