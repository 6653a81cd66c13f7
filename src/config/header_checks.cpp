// Placeholder until the section is built.
#include "config/header_checks.h"

namespace kestrum {

void loadHeaderChecks(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveHeaderChecks(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
