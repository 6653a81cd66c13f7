// The 37 header-check switches of the POP3 key, read and written one value
// at a time.
#pragma once

#include <string_view>

namespace kestrum {

class Configuration;

void loadHeaderChecks(Configuration& config, std::string_view rootName);
void saveHeaderChecks(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
