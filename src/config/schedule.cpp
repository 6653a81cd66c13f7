// Placeholder until the section is built.
#include "config/schedule.h"

namespace kestrum {

void loadSchedule(Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveSchedule(const Configuration& /*config*/, RegistryKey& /*root*/) {}
void loadDialup(Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveDialup(const Configuration& /*config*/, RegistryKey& /*root*/) {}

}  // namespace kestrum
