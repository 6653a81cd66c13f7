// Placeholder until the section is built.
#include "filtering/rules.h"

namespace kestrum {

std::unique_ptr<MailRule> MailRule::loadFromKey(RegistryKey& /*key*/) { return std::make_unique<MailRule>(); }
void MailRule::saveToKey(RegistryKey& /*key*/) const {}
void loadRules(Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveRules(const Configuration& /*config*/, RegistryKey& /*root*/) {}

}  // namespace kestrum
