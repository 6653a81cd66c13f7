// Placeholder until the command line is built.
#include "cli/params.h"

namespace kestrum {

std::string paramToString(std::string param, const CodePage& /*codePage*/) { return param; }
std::int32_t paramToInt(std::string /*param*/, const CodePage& /*codePage*/) { return 0; }
bool paramToBool(std::string /*param*/, const CodePage& /*codePage*/) { return false; }

}  // namespace kestrum
