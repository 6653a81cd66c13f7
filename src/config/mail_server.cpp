#include "config/mail_server.h"

#include <string>

#include "config/configuration.h"
#include "registry/registry_key.h"
#include "registry/settings.h"
#include "scramble/scramble.h"

namespace kestrum {
namespace {

// The load defaults of an account subkey; deliberately not the construction
// values of AccountEntry (a missing Distribute loads as 0, not 1).
constexpr std::int32_t kLoadDistribute = 0;
constexpr std::int32_t kLoadLeaveMailOnHost = 0;
constexpr std::int32_t kLoadLeaveMailOnHostDays = 0;
constexpr std::int32_t kLoadPort = 110;
constexpr std::int32_t kLoadTimeout = 180;
constexpr std::int32_t kLoadScheduleDelay = 1;

constexpr std::int32_t kDefaultSmtpPort = 25;
constexpr std::int32_t kDefaultSmtpTimeout = 300;
constexpr std::int32_t kDefaultMaxNrInOnePass = 200;

Flag flagOf(std::int32_t stored) { return stored != 0 ? 1 : 0; }

std::unique_ptr<AccountEntry> loadAccount(RegistryKey& key) {
  auto account = std::make_unique<AccountEntry>();
  AccountEntry& a = *account;
  a.Distribute = key.readDword("Distribute", kLoadDistribute);
  a.Forward_all_to = key.readString("Forward_all_to", "");
  a.Leave_Mail_on_Host = key.readDword("Leave_Mail_on_Host", kLoadLeaveMailOnHost);
  a.Leave_Mail_on_Host_days = key.readDword("Leave_Mail_on_Host_days", kLoadLeaveMailOnHostDays);
  a.Server = key.readString("Server", "");
  a.Port = key.readDword("Port", kLoadPort);
  a.Username = key.readString("Username", "");
  const std::string stored = key.readString("Password", "");
  a.Password = plainPasswordFrom(stored, key.readDword("PW_is_encrypted", 0));
  a.Timeout = key.readDword("Timeout", kLoadTimeout);
  a.Reroute_unknown = flagOf(key.readDword("Reroute_unknown", 0));
  a.Reroute_unknown_to = key.readString("Reroute_unknown_to", "");
  a.SSL = flagOf(key.readDword("SSL", 0));
  a.IMAP_not_POP = flagOf(key.readDword("IMAP_not_POP", 0));
  a.Displayname = key.readString("Displayname", a.Username + "/" + a.Server);
  a.Schedule_delay = key.readDword("Schedule_delay", kLoadScheduleDelay);
  return account;
}

void saveAccount(const AccountEntry& a, RegistryKey& key) {
  const StoredPassword password = storedPasswordFor(a.Password);
  key.writeValue(RegistryValue("Distribute", a.Distribute));
  key.writeValue(RegistryValue("Forward_all_to", a.Forward_all_to));
  key.writeValue(RegistryValue("Leave_Mail_on_Host", a.Leave_Mail_on_Host));
  key.writeValue(RegistryValue("Leave_Mail_on_Host_days", a.Leave_Mail_on_Host_days));
  key.writeValue(RegistryValue("Server", a.Server));
  key.writeValue(RegistryValue("Port", a.Port));
  key.writeValue(RegistryValue("Username", a.Username));
  key.writeValue(RegistryValue("PW_is_encrypted", password.PW_is_encrypted));
  key.writeValue(RegistryValue("Password", password.Password));
  key.writeValue(RegistryValue("Timeout", a.Timeout));
  key.writeValue(RegistryValue("Reroute_unknown", static_cast<std::int32_t>(a.Reroute_unknown != 0)));
  key.writeValue(RegistryValue("Reroute_unknown_to", a.Reroute_unknown_to));
  key.writeValue(RegistryValue("SSL", static_cast<std::int32_t>(a.SSL != 0)));
  key.writeValue(RegistryValue("IMAP_not_POP", static_cast<std::int32_t>(a.IMAP_not_POP != 0)));
  key.writeValue(RegistryValue("Displayname", a.Displayname));
  key.writeValue(RegistryValue("Schedule_delay", a.Schedule_delay));
}

// A fresh handle on `parent`'s key moved to its subkey `name` (created when
// missing); holds no key when either step fails, so that nothing is read
// from or written to a key higher up.
void enter(RegistryKey& key, KeyHandle parent, std::string_view name) {
  if (!key.reopenFrom(parent, kKeyAllAccess) || !key.createSubkey(name, kKeyAllAccess)) key.close();
}

}  // namespace

void loadMailServer(Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  enter(section, root.handle(), "SMTP");
  config.Server = section.readString("Server", "");
  config.Port = section.readDword("Port", kDefaultSmtpPort);
  config.Timeout = section.readDword("Timeout", kDefaultSmtpTimeout);
  config.Postmaster = section.readString("Postmaster", "");

  if (!section.createSubkey("Domains", kKeyAllAccess)) section.close();
  config.Domains.clear();
  const std::int32_t nDomains = section.readCount("nDomains");
  const CodePage& codePage = config.host().codePage();
  for (std::int32_t j = 1; j <= nDomains; ++j)
    config.Domains.push_back(codePage.toLower(section.readString(std::to_string(j), "")));

  enter(section, root.handle(), "POP3");
  config.accounts.clear();
  const std::int32_t nPop3 = section.readCount("nPOP3");
  config.maxnrinonepass = section.readDword("maxnrinonepass", kDefaultMaxNrInOnePass);
  RegistryKey accountKey(config.store());
  for (std::int32_t i = 1; i <= nPop3; ++i) {
    enter(accountKey, section.handle(), std::to_string(i));
    config.accounts.append(loadAccount(accountKey));
    accountKey.close();
  }
}

void saveMailServer(const Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  enter(section, root.handle(), "SMTP");
  section.writeValue(RegistryValue("Server", config.Server));
  section.writeValue(RegistryValue("Port", config.Port));
  section.writeValue(RegistryValue("Timeout", config.Timeout));
  section.writeValue(RegistryValue("Postmaster", config.Postmaster));

  if (!section.createSubkey("Domains", kKeyAllAccess)) section.close();
  std::int32_t written = 0;
  for (const std::string& domain : config.Domains)
    section.writeValue(RegistryValue(std::to_string(++written), domain));
  section.writeValue(RegistryValue("nDomains", written));

  enter(section, root.handle(), "POP3");
  RegistryKey accountKey(config.store());
  std::int32_t number = 0;
  for (const auto& account : config.accounts) {
    enter(accountKey, section.handle(), std::to_string(++number));
    if (accountKey.handle() != kNoKey) saveAccount(*account, accountKey);
    accountKey.close();
  }
  section.writeValue(RegistryValue("nPOP3", number));
}

void saveMaxNrInOnePass(const Configuration& config, std::string_view rootName) {
  writeSettingDword(config.store(), rootName, "POP3", "maxnrinonepass", config.maxnrinonepass);
}

}  // namespace kestrum
