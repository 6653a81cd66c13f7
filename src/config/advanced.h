// Proxies (Connection), the advanced options in three groups (Advanced),
// the exchanged domains, the log values of General, the error reactions and
// reroute tag of SMTP, and Archive. All one value at a time, except
// Max_Logfile_Length, which goes through the tree walk's General key.
#pragma once

#include <string>
#include <string_view>

namespace kestrum {

class Configuration;
class RegistryKey;

struct ExchangedDomain {
  std::string oldDomain;
  std::string newDomain;
};

void loadMaxLogfileLength(Configuration& config, RegistryKey& root);
void saveMaxLogfileLength(const Configuration& config, RegistryKey& root);
void loadProxies(Configuration& config, std::string_view rootName);
void saveProxies(const Configuration& config, std::string_view rootName);
void loadAdvancedFirst(Configuration& config, std::string_view rootName);
void saveAdvancedFirst(const Configuration& config, std::string_view rootName);
void loadExchangedDomains(Configuration& config, std::string_view rootName);
void saveExchangedDomains(const Configuration& config, std::string_view rootName);
void loadLogOptions(Configuration& config, std::string_view rootName);
void saveLogOptions(const Configuration& config, std::string_view rootName);
void loadAdvancedSecond(Configuration& config, std::string_view rootName);
void saveAdvancedSecond(const Configuration& config, std::string_view rootName);
void loadErrorReactions(Configuration& config, std::string_view rootName);
void saveErrorReactions(const Configuration& config, std::string_view rootName);
void loadRerouteTag(Configuration& config, std::string_view rootName);
void saveRerouteTag(const Configuration& config, std::string_view rootName);
void loadArchive(Configuration& config, std::string_view rootName);
void saveArchive(const Configuration& config, std::string_view rootName);
void loadAdvancedThird(Configuration& config, std::string_view rootName);
void saveAdvancedThird(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
