// Placeholder until the section is built.
#include "filtering/spam.h"

namespace kestrum {

void loadSpamSettings(Configuration& /*config*/, std::string_view /*rootName*/) {}
void seedSpamDefaults(Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadSpamSubjectTag(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveSpamSettings(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveSpamSubjectTag(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
