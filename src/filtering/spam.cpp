#include "filtering/spam.h"

#include <array>
#include <string>

#include "config/configuration.h"
#include "config/setting_table.h"
#include "registry/settings.h"

namespace kestrum {
namespace {

constexpr std::string_view kSpam = "Spam";

// The blocklist zones a tree receives once, when it has never had any.
// Public zones in operation, free for low-volume use, chosen for a low rate
// of false positives; in the order they are consulted.
constexpr std::array<std::string_view, 8> kDefaultSpamServers{{
    "zen.spamhaus.org",        // the widest-used combined zone: spam sources, exploited and dynamic hosts
    "bl.spamcop.net",          // fed by user spam reports; listings expire within a day
    "b.barracudacentral.org",  // reputation gathered by a large base of filtering gateways
    "bl.mailspike.net",        // sender reputation with automatic expiry
    "psbl.surriel.com",        // spam-trap hits only, with self-service removal
    "dnsbl-1.uceprotect.net",  // level 1: single addresses, never whole networks
    "truncate.gbudb.net",      // only addresses that send almost nothing but spam
    "dnsbl.dronebl.org",       // infected machines and open proxies
}};

// A zone whose operator has shut it down (the open-relay database closed in
// 2006). Its domain no longer answers for that list, and whoever holds the
// name may answer anything, so a stored copy is dropped on load.
constexpr std::string_view kRetiredSpamServer = "relays.ordb.org";

// Sender entries the whitelist receives with the default zones: the
// operators of the first two zones, whose delisting and report mail must
// reach the postmaster even while the filter is on.
constexpr std::array<std::string_view, 2> kDefaultWhitelistSenders{{
    "@spamhaus.org",
    "@spamcop.net",
}};

constexpr std::array<SettingRow, 3> kSpamSettings{{
    flagSetting(kSpam, "Enable_Antispam", &Configuration::Enable_Antispam, true),
    numberSetting(kSpam, "Antispam_Mode", &Configuration::Antispam_Mode, 1),
    textSettingDefaultFrom(kSpam, "Spam_Operator", &Configuration::Spam_Operator,
                           &Configuration::Postmaster),
}};

constexpr std::array<SettingRow, 1> kSpamSubjectTagSetting{{
    textSetting(kSpam, "SpamSubjectTag", &Configuration::SpamSubjectTag, "[SPAM]"),
}};

// nServers and the server values "0", "1", ... in list order.
void writeSpamServers(const Configuration& config, std::string_view rootName) {
  Store& store = config.store();
  writeSettingDword(store, rootName, kSpam, "nServers", static_cast<std::int32_t>(config.spamServers.size()));
  for (std::size_t j = 0; j < config.spamServers.size(); ++j)
    writeSettingString(store, rootName, kSpam, std::to_string(j), config.spamServers[j]);
}

}  // namespace

void loadSpamSettings(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kSpamSettings);
  const std::int32_t count = readSettingCount(config.store(), rootName, kSpam, "nServers");
  config.spamServers.clear();
  for (std::int32_t j = 0; j < count; ++j) {
    std::string server = readSettingString(config.store(), rootName, kSpam, std::to_string(j), "error");
    if (server != kRetiredSpamServer) config.spamServers.push_back(std::move(server));
  }
}

// Writes to the registry during the load: the marker on every load, the
// default servers on the first one.
void seedSpamDefaults(Configuration& config, std::string_view rootName) {
  Store& store = config.store();
  const bool alreadySet = readSettingFlag(store, rootName, kSpam, "Default_Spamservers_already_set", false);
  if (config.spamServers.empty() && !alreadySet) {
    config.spamServers.assign(kDefaultSpamServers.begin(), kDefaultSpamServers.end());
    config.Whitelist.Sender.insert(config.Whitelist.Sender.end(), kDefaultWhitelistSenders.begin(),
                                   kDefaultWhitelistSenders.end());
    writeSpamServers(config, rootName);
  }
  writeSettingFlag(store, rootName, kSpam, "Default_Spamservers_already_set", 1);
}

void loadSpamSubjectTag(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kSpamSubjectTagSetting);
}

void saveSpamSettings(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kSpamSettings);
  writeSpamServers(config, rootName);
  // Not held in memory: the reply-to-sender switch is always stored off.
  writeSettingFlag(config.store(), rootName, kSpam, "Spam_ReplySender", 0);
}

void saveSpamSubjectTag(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kSpamSubjectTagSetting);
}

}  // namespace kestrum
