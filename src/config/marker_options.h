// The TARVOS and Hollowmere keys and their marker files in the current
// working directory.
#pragma once

#include <string_view>

namespace kestrum {

class Configuration;

void loadTarvos(Configuration& config, std::string_view rootName);
void saveTarvos(const Configuration& config, std::string_view rootName);
void loadHollowmere(Configuration& config, std::string_view rootName);
void saveHollowmere(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
