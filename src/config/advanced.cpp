#include "config/advanced.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "config/configuration.h"
#include "config/setting_table.h"
#include "registry/registry_key.h"
#include "registry/settings.h"

namespace kestrum {
namespace {

constexpr std::string_view kConnection = "Connection";
constexpr std::string_view kAdvanced = "Advanced";
constexpr std::string_view kGeneral = "General";
constexpr std::string_view kSmtp = "SMTP";
constexpr std::string_view kArchive = "Archive";

// Stands in for the address of unknown users until one is configured. The
// domain is reserved (RFC 2606 .invalid), so mail sent to this default can
// never reach a real mailbox.
constexpr std::string_view kUnknownUserPlaceholder = "unknown-user@example.invalid";

// Replaces an empty loaded source address, not only a missing one.
constexpr std::string_view kDefaultSourceIP = "Default";

constexpr SettingRow kProxies[] = {
    flagSetting(kConnection, "UseHTTPProxy", &Configuration::UseHTTPProxy, false),
    textSetting(kConnection, "HTTPProxy", &Configuration::HTTPProxy, ""),
    numberSetting(kConnection, "HTTPProxyPort", &Configuration::HTTPProxyPort, 8080),
    flagSetting(kConnection, "UseFTPProxy", &Configuration::UseFTPProxy, false),
    textSetting(kConnection, "FTPProxy", &Configuration::FTPProxy, ""),
    numberSetting(kConnection, "FTPProxyPort", &Configuration::FTPProxyPort, 8080),
};

constexpr SettingRow kAdvancedFirst[] = {
    flagSetting(kAdvanced, "Enable_Eventlog", &Configuration::Enable_Eventlog, true),
    flagSetting(kAdvanced, "Enable_Filter_Recipient_Start", &Configuration::Enable_Filter_Recipient_Start, false),
    textSetting(kAdvanced, "Filter_Recipient_Start", &Configuration::Filter_Recipient_Start, ""),
    flagSetting(kAdvanced, "Enable_Filter_Recipient_End", &Configuration::Enable_Filter_Recipient_End, false),
    textSetting(kAdvanced, "Filter_Recipient_End", &Configuration::Filter_Recipient_End, ""),
    textSetting(kAdvanced, "External_source_IP", &Configuration::External_source_IP, kDefaultSourceIP),
    textSetting(kAdvanced, "Internal_source_IP", &Configuration::Internal_source_IP, kDefaultSourceIP),
    flagSetting(kAdvanced, "inform_postmaster_nosender", &Configuration::inform_postmaster_nosender, false),
    flagSetting(kAdvanced, "inform_postmaster_badmail", &Configuration::inform_postmaster_badmail, false),
};

constexpr SettingRow kLogOptions[] = {
    numberSetting(kGeneral, "Logfileoption", &Configuration::Logfileoption, 0),
    textSetting(kGeneral, "Current_Logfile_Date", &Configuration::Current_Logfile_Date, "old"),
};

constexpr SettingRow kAdvancedSecond[] = {
    flagSetting(kAdvanced, "RemoveReadReceiptRequests", &Configuration::RemoveReadReceiptRequests, false),
    flagSetting(kAdvanced, "remove_sensitivity", &Configuration::remove_sensitivity, false),
};

constexpr SettingRow kErrorReactions[] = {
    numberSetting(kSmtp, "React_on_Exchange_Err1", &Configuration::React_on_Exchange_Err1, 3),
    numberSetting(kSmtp, "React_on_Exchange_Err2", &Configuration::React_on_Exchange_Err2, 2),
    numberSetting(kSmtp, "React_on_Exchange_Err3", &Configuration::React_on_Exchange_Err3, 0),
};

constexpr SettingRow kRerouteTag[] = {
    textSetting(kSmtp, "RerouteSubjectTag", &Configuration::RerouteSubjectTag, ""),
};

// The load reads ArchiveFolder on its own, as its default is built from
// baseFolder; its row here only gives its place in the save.
constexpr SettingRow kArchiveSettings[] = {
    numberSetting(kArchive, "ArchiveMode", &Configuration::ArchiveMode, 0),
    textSetting(kArchive, "ArchiveFolder", &Configuration::ArchiveFolder, ""),
    flagSetting(kArchive, "ArchiveDontArchiveSpam", &Configuration::ArchiveDontArchiveSpam, true),
};

constexpr SettingRow kAdvancedThird[] = {
    flagSetting(kAdvanced, "ReplaceInvalidchars", &Configuration::ReplaceInvalidchars, false),
    textSetting(kAdvanced, "unknown_user_string", &Configuration::unknown_user_string, kUnknownUserPlaceholder),
};

// Exchanged domains: the count in one key, the two halves of every pair in
// two more, under value names counted from 0.
constexpr std::string_view kExchangedCount = "Exchanged_Domains";
constexpr std::string_view kExchangedOld = "Exchanged_DomainsOld";
constexpr std::string_view kExchangedNew = "Exchanged_DomainsNew";
constexpr std::string_view kMissingDomain = "error";

// The tree walk's General key below `root`, created when missing; holds no
// key (so reads yield defaults and writes are dropped) when it cannot be
// reached.
void openGeneral(RegistryKey& key, const RegistryKey& root) {
  if (!key.reopenFrom(root.handle(), kKeyAllAccess) || !key.createSubkey(kGeneral, kKeyAllAccess))
    key.close();
}

}  // namespace

void loadMaxLogfileLength(Configuration& config, RegistryKey& root) {
  RegistryKey general(config.store());
  openGeneral(general, root);
  config.Max_Logfile_Length = general.readDword("Max_Logfile_Length", 100);
}

void saveMaxLogfileLength(const Configuration& config, RegistryKey& root) {
  RegistryKey general(config.store());
  openGeneral(general, root);
  general.writeValue(RegistryValue("Max_Logfile_Length", config.Max_Logfile_Length));
}

void loadProxies(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kProxies);
}

void saveProxies(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kProxies);
}

void loadAdvancedFirst(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kAdvancedFirst);
  // A stored empty text (or a value of another type, which reads as empty)
  // means the default address choice as well.
  if (config.External_source_IP.empty()) config.External_source_IP = kDefaultSourceIP;
  if (config.Internal_source_IP.empty()) config.Internal_source_IP = kDefaultSourceIP;
}

void saveAdvancedFirst(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kAdvancedFirst);
}

void loadExchangedDomains(Configuration& config, std::string_view rootName) {
  Store& store = config.store();
  const std::int32_t count = readSettingCount(store, rootName, kExchangedCount, "nDomains");
  config.Exchanged_Domains.clear();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string name = std::to_string(i);
    auto domain = std::make_unique<ExchangedDomain>();
    domain->oldDomain = readSettingString(store, rootName, kExchangedOld, name, kMissingDomain);
    domain->newDomain = readSettingString(store, rootName, kExchangedNew, name, kMissingDomain);
    config.Exchanged_Domains.append(std::move(domain));
  }
}

void saveExchangedDomains(const Configuration& config, std::string_view rootName) {
  Store& store = config.store();
  writeSettingDword(store, rootName, kExchangedCount, "nDomains",
                    static_cast<std::int32_t>(config.Exchanged_Domains.size()));
  // Values from the new count upward that a longer list left behind stay.
  std::int32_t i = 0;
  for (const auto& domain : config.Exchanged_Domains) {
    const std::string name = std::to_string(i++);
    writeSettingString(store, rootName, kExchangedOld, name, domain->oldDomain);
    writeSettingString(store, rootName, kExchangedNew, name, domain->newDomain);
  }
}

void loadLogOptions(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kLogOptions);
}

void saveLogOptions(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kLogOptions);
}

void loadAdvancedSecond(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kAdvancedSecond);
}

void saveAdvancedSecond(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kAdvancedSecond);
}

void loadErrorReactions(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kErrorReactions);
}

void saveErrorReactions(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kErrorReactions);
}

void loadRerouteTag(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kRerouteTag);
}

void saveRerouteTag(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kRerouteTag);
}

void loadArchive(Configuration& config, std::string_view rootName) {
  const std::span<const SettingRow> rows(kArchiveSettings);
  loadSettings(config, rootName, rows.first(1));
  config.ArchiveFolder =
      readSettingString(config.store(), rootName, kArchive, "ArchiveFolder", config.baseFolder + "Archive");
  loadSettings(config, rootName, rows.subspan(2));
}

void saveArchive(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kArchiveSettings);
}

void loadAdvancedThird(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kAdvancedThird);
}

void saveAdvancedThird(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kAdvancedThird);
}

}  // namespace kestrum
