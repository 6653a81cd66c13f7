// The Antivirus and Send keys, read and written one value at a time.
#pragma once

#include <string_view>

namespace kestrum {

class Configuration;

void loadAntivirus(Configuration& config, std::string_view rootName);
void saveAntivirus(const Configuration& config, std::string_view rootName);
void loadSend(Configuration& config, std::string_view rootName);
void saveSend(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
