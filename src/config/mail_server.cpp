// Placeholder until the section is built.
#include "config/mail_server.h"

namespace kestrum {

void loadMailServer(Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveMailServer(const Configuration& /*config*/, RegistryKey& /*root*/) {}
void saveMaxNrInOnePass(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
