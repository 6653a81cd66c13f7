// The load and save sequences. The order of the steps is fixed: later steps
// take earlier results as defaults (Postmaster, the loaded whitelist and
// server list), and where two sections share a key the order decides the
// order of its values.
#include "config/configuration.h"

#include "config/antivirus_send.h"
#include "config/header_checks.h"
#include "config/mail_server.h"
#include "config/marker_options.h"
#include "filtering/spam.h"
#include "registry/registry_key.h"
#include "registry/settings.h"

namespace kestrum {
namespace {

// HKEY_LOCAL_MACHINE\SOFTWARE\<root>, created when missing. On failure the
// key holds what it reached, and the caller must not walk on from there.
bool walkToRoot(RegistryKey& key, std::string_view rootName) {
  return key.createSubkey("SOFTWARE", kKeyAllAccess) && key.createSubkey(rootName, kKeyAllAccess);
}

}  // namespace

void Configuration::loadConfiguration() {
  const std::int32_t formatVersion =
      readSettingDword(store(), kProductRoot, "General", "FormatVersion", 0);
  if (formatVersion != 0) {
    loadTree(kProductRoot);
  } else {
    loadTree(kProRoot);
    saveTree(kProBackupRoot);
    loadTree(kProductRoot);
    saveTree(kBackupRoot);
    const auto a = static_cast<std::uint32_t>(readSettingDword(store(), kProductRoot, "POP3", "nPOP3", 0));
    const auto b = static_cast<std::uint32_t>(readSettingDword(store(), kProRoot, "POP3", "nPOP3", 0));
    const auto c = static_cast<std::uint32_t>(readSettingDword(store(), kProductRoot, "Blacklist", "nIFs", 0));
    const auto d = static_cast<std::uint32_t>(readSettingDword(store(), kProRoot, "Blacklist", "nIFs", 0));
    const bool takePro = b > a || (b == a && d > c);
    loadTree(takePro ? kProRoot : kProductRoot);
    saveConfiguration();
  }
  writeSettingFlag(store(), kProductRoot, "General", "Updated", 0);
  fillDialupEntries();
}

void Configuration::loadTree(std::string_view rootName) {
  RegistryKey root(store(), kHkeyLocalMachine);
  if (!walkToRoot(root, rootName)) root.close();  // walks below then read defaults

  loadMailServer(*this, root);
  loadSchedule(*this, root);
  loadDialup(*this, root);
  loadMaxLogfileLength(*this, root);
  loadRules(*this, root);
  loadFilterList(Whitelist, root, "Whitelist", TrimmedLayout::kCurrent, host().codePage());
  loadFilterList(Blacklist, root, "Blacklist", TrimmedLayout::kOlder, host().codePage());
  loadHeaderChecks(*this, rootName);
  loadAntivirus(*this, rootName);
  loadSend(*this, rootName);
  loadSpamSettings(*this, rootName);
  loadProxies(*this, rootName);
  loadAdvancedFirst(*this, rootName);
  loadExchangedDomains(*this, rootName);
  loadLogOptions(*this, rootName);
  loadAdvancedSecond(*this, rootName);
  loadErrorReactions(*this, rootName);
  seedSpamDefaults(*this, rootName);
  loadSpamSubjectTag(*this, rootName);
  loadRerouteTag(*this, rootName);
  defaultExternalSourceIP.clear();
  defaultInternalSourceIP.clear();
  fillSourceAddresses();
  loadArchive(*this, rootName);
  loadAdvancedThird(*this, rootName);
  loadTarvos(*this, rootName);
  loadHollowmere(*this, rootName);
}

void Configuration::saveTree(std::string_view rootName) const {
  RegistryKey root(store(), kHkeyLocalMachine);
  if (!walkToRoot(root, rootName)) root.close();  // walks below then write nothing

  saveMailServer(*this, root);
  saveSchedule(*this, root);
  saveDialup(*this, root);
  saveMaxLogfileLength(*this, root);
  saveRules(*this, root);
  saveFilterList(Whitelist, root, "Whitelist");
  saveFilterList(Blacklist, root, "Blacklist");
  saveHeaderChecks(*this, rootName);
  saveMaxNrInOnePass(*this, rootName);
  saveAntivirus(*this, rootName);
  saveSend(*this, rootName);
  saveSpamSettings(*this, rootName);
  saveProxies(*this, rootName);
  saveAdvancedFirst(*this, rootName);
  writeSettingFlag(store(), rootName, "General", "Registry_Updated", 1);
  saveExchangedDomains(*this, rootName);
  saveAdvancedSecond(*this, rootName);
  saveErrorReactions(*this, rootName);
  writeSettingDword(store(), rootName, "General", "FormatVersion", 1);
  saveLogOptions(*this, rootName);
  saveSpamSubjectTag(*this, rootName);
  saveRerouteTag(*this, rootName);
  saveArchive(*this, rootName);
  saveAdvancedThird(*this, rootName);
  saveTarvos(*this, rootName);
  saveHollowmere(*this, rootName);
}

}  // namespace kestrum
