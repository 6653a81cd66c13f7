#include "config/header_checks.h"

#include <iterator>

#include "config/configuration.h"
#include "config/setting_table.h"

namespace kestrum {
namespace {

// The numbered switches take their value name from the member's own name,
// so a name and its member cannot drift apart.
#define KESTRUM_HEADER_SWITCH(n) \
  flagSetting("POP3", "Enable_Header" #n, &Configuration::Enable_Header##n, true)

constexpr SettingRow kHeaderChecks[] = {
    flagSetting("POP3", "Enable_Receivedfor", &Configuration::Enable_Receivedfor, true),
    flagSetting("POP3", "Check_DELIVERED_TO", &Configuration::Check_DELIVERED_TO, false),
    KESTRUM_HEADER_SWITCH(3),  KESTRUM_HEADER_SWITCH(4),  KESTRUM_HEADER_SWITCH(5),
    KESTRUM_HEADER_SWITCH(6),  KESTRUM_HEADER_SWITCH(7),  KESTRUM_HEADER_SWITCH(8),
    KESTRUM_HEADER_SWITCH(9),  KESTRUM_HEADER_SWITCH(10), KESTRUM_HEADER_SWITCH(11),
    KESTRUM_HEADER_SWITCH(12), KESTRUM_HEADER_SWITCH(13), KESTRUM_HEADER_SWITCH(14),
    KESTRUM_HEADER_SWITCH(15), KESTRUM_HEADER_SWITCH(16), KESTRUM_HEADER_SWITCH(17),
    KESTRUM_HEADER_SWITCH(18), KESTRUM_HEADER_SWITCH(19), KESTRUM_HEADER_SWITCH(20),
    KESTRUM_HEADER_SWITCH(21), KESTRUM_HEADER_SWITCH(22), KESTRUM_HEADER_SWITCH(23),
    KESTRUM_HEADER_SWITCH(24), KESTRUM_HEADER_SWITCH(25), KESTRUM_HEADER_SWITCH(26),
    KESTRUM_HEADER_SWITCH(27), KESTRUM_HEADER_SWITCH(28), KESTRUM_HEADER_SWITCH(29),
    KESTRUM_HEADER_SWITCH(30), KESTRUM_HEADER_SWITCH(31), KESTRUM_HEADER_SWITCH(32),
    KESTRUM_HEADER_SWITCH(33), KESTRUM_HEADER_SWITCH(34), KESTRUM_HEADER_SWITCH(35),
    KESTRUM_HEADER_SWITCH(36), KESTRUM_HEADER_SWITCH(37),
};

#undef KESTRUM_HEADER_SWITCH

static_assert(std::size(kHeaderChecks) == 37);

}  // namespace

void loadHeaderChecks(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kHeaderChecks);
}

void saveHeaderChecks(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kHeaderChecks);
}

}  // namespace kestrum
