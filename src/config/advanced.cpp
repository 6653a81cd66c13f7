// Placeholder until the section is built.
#include "config/advanced.h"

namespace kestrum {

void loadMaxLogfileLength(Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveMaxLogfileLength(const Configuration& /*config*/, RegistryKey& /*root*/) {}
void loadProxies(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveProxies(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadAdvancedFirst(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveAdvancedFirst(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadExchangedDomains(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveExchangedDomains(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadLogOptions(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveLogOptions(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadAdvancedSecond(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveAdvancedSecond(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadErrorReactions(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveErrorReactions(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadRerouteTag(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveRerouteTag(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadArchive(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveArchive(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadAdvancedThird(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveAdvancedThird(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
