// Placeholder until the image format is built.
#include "platform/reg_format.h"

namespace kestrum {

bool parseRegFile(std::string_view /*bytes*/, const CodePage& /*codePage*/, RegTree& /*tree*/,
                  RegParseError& error) {
  error = {1, "not implemented"};
  return false;
}
std::string formatRegFile(const RegTree& /*tree*/) { return "REGEDIT4\r\n"; }

}  // namespace kestrum
