// The Spam key: filter switch, mode, operator, subject tag and the DNS
// blocklist zones, with the one-time defaults for a tree that never had any.
#pragma once

#include <string_view>

namespace kestrum {

class Configuration;

void loadSpamSettings(Configuration& config, std::string_view rootName);
void seedSpamDefaults(Configuration& config, std::string_view rootName);
void loadSpamSubjectTag(Configuration& config, std::string_view rootName);
void saveSpamSettings(const Configuration& config, std::string_view rootName);
void saveSpamSubjectTag(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
