// Placeholder until the section is built.
#include "config/marker_options.h"

namespace kestrum {

void loadTarvos(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveTarvos(const Configuration& /*config*/, std::string_view /*rootName*/) {}
void loadHollowmere(Configuration& /*config*/, std::string_view /*rootName*/) {}
void saveHollowmere(const Configuration& /*config*/, std::string_view /*rootName*/) {}

}  // namespace kestrum
