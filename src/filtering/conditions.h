// One IF clause of a routing rule, stored in a key of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/lists.h"

namespace kestrum {

class RegistryKey;

class RuleCondition {
 public:
  virtual ~RuleCondition() = default;

  // Reads the five values of the open condition key; never fails.
  static std::unique_ptr<RuleCondition> loadFromKey(RegistryKey& key);
  // Writes the five values into the open key; neither opens nor closes it.
  void saveToKey(RegistryKey& key) const;

  Flag Invert = 0;
  std::int32_t IFtype = 0;
  std::string IF_Parameter;
  Flag CheckTextIfSmaller = 0;
  std::int32_t CheckTextIfSmallerThan = 0;
};

}  // namespace kestrum
