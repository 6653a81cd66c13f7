// Placeholder until the section is built.
#include "config/antivirus_send.h"

namespace kestrum {

void loadAntivirus(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveAntivirus(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadSend(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveSend(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
