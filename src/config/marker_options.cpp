#include "config/marker_options.h"

#include <span>

#include "config/configuration.h"
#include "config/setting_table.h"
#include "registry/settings.h"

namespace kestrum {
namespace {

constexpr std::string_view kTarvos = "TARVOS";
constexpr std::string_view kHollowmere = "Hollowmere";
constexpr std::string_view kTarvosMarker = "tarvos.dat";
constexpr std::string_view kHollowmereMarker = "hollowmere.dat";

// `enable` comes first: the save writes every row but that one, which only
// the marker rule ever stores.
constexpr SettingRow kTarvosSettings[] = {
    flagSetting(kTarvos, "enable", &Configuration::enable, false),
    textSetting(kTarvos, "notification_email", &Configuration::notification_email, ""),
    textSetting(kTarvos, "prefix_case_1", &Configuration::prefix_case_1, ""),
    textSetting(kTarvos, "prefix_case_2", &Configuration::prefix_case_2, ""),
    textSetting(kTarvos, "prefix_case_3", &Configuration::prefix_case_3, ""),
};

constexpr SettingRow kHollowmereSettings[] = {
    flagSetting(kHollowmere, "CheckMailboxExist", &Configuration::CheckMailboxExist, true),
};

}  // namespace

void loadTarvos(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kTarvosSettings);
  // The marker stands in for a missing notification address; with an address
  // configured it is not even looked for. The switch is stored at once, so it
  // holds whether or not a save follows.
  if (config.notification_email.empty() && config.host().entryExists(kTarvosMarker)) {
    config.enable = 1;
    writeSettingFlag(config.store(), rootName, kTarvos, "enable", 1);
  }
}

void saveTarvos(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, std::span<const SettingRow>(kTarvosSettings).subspan(1));
}

void loadHollowmere(Configuration& config, std::string_view rootName) {
  config.hollowmereMarkerFound = config.host().entryExists(kHollowmereMarker) ? 1 : 0;
  loadSettings(config, rootName, kHollowmereSettings);
}

void saveHollowmere(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kHollowmereSettings);
}

}  // namespace kestrum
