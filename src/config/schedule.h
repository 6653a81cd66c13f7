// The Schedule key (mode, waiting time, weekly times) and the dial-up values
// of the Connection key. Both walk from the tree's root key.
#pragma once

#include <cstdint>

namespace kestrum {

class Configuration;
class RegistryKey;

struct ScheduleEntry {
  std::int32_t Weekday = 0;
  std::int32_t Hour = 0;
  std::int32_t Minute = 0;
};

void loadSchedule(Configuration& config, RegistryKey& root);
void saveSchedule(const Configuration& config, RegistryKey& root);
void loadDialup(Configuration& config, RegistryKey& root);
void saveDialup(const Configuration& config, RegistryKey& root);

}  // namespace kestrum
