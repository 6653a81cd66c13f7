#include "config/antivirus_send.h"

#include <cstdint>

#include "config/configuration.h"
#include "config/setting_table.h"
#include "registry/settings.h"

namespace kestrum {
namespace {

constexpr std::string_view kAntivirus = "Antivirus";
constexpr std::string_view kSend = "Send";

constexpr SettingRow kAntivirusHead[] = {
    numberSetting(kAntivirus, "Enable_Antivirus", &Configuration::Enable_Antivirus, 2),
    textSetting(kAntivirus, "Scanner_EXE", &Configuration::Scanner_EXE, ""),
    numberSetting(kAntivirus, "AV_Deliver_or_Divert", &Configuration::AV_Deliver_or_Divert, 1),
    numberSetting(kAntivirus, "AV_Update", &Configuration::AV_Update, 0),
};

// Defaults to the Postmaster the load has already read from SMTP.
constexpr SettingRow kVirusOperator[] = {
    textSettingDefaultFrom(kAntivirus, "Virus_Operator", &Configuration::Virus_Operator,
                           &Configuration::Postmaster),
};

constexpr SettingRow kSendSettings[] = {
    flagSetting(kSend, "Out_SMTP_enable", &Configuration::Out_SMTP_enable, false),
    textSetting(kSend, "Out_SMTP_Server", &Configuration::Out_SMTP_Server, ""),
    numberSetting(kSend, "Out_SMTP_Port", &Configuration::Out_SMTP_Port, 8025),
    flagSetting(kSend, "Out_SMTP_needs_Auth", &Configuration::Out_SMTP_needs_Auth, false),
    textSetting(kSend, "Out_SMTP_Username", &Configuration::Out_SMTP_Username, ""),
    textSetting(kSend, "Out_SMTP_Password", &Configuration::Out_SMTP_Password, ""),  // clear text
    flagSetting(kSend, "Out_SMTP_POP_first", &Configuration::Out_SMTP_POP_first, false),
    flagSetting(kSend, "Out_SMTP_wait_until_POP", &Configuration::Out_SMTP_wait_until_POP, true),
    numberSetting(kSend, "In_SMTP_Port", &Configuration::In_SMTP_Port, 1025),
};

}  // namespace

void loadAntivirus(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kAntivirusHead);
  loadSettings(config, rootName, kVirusOperator);
  // The registry holds 32 bits; a set top bit reads as a negative time.
  config.Last_Update = readSettingDword(config.store(), rootName, kAntivirus, "Last_Update", 0);
}

void saveAntivirus(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kAntivirusHead);
  writeSettingDword(config.store(), rootName, kAntivirus, "Last_Update",
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(config.Last_Update)));
  saveSettings(config, rootName, kVirusOperator);
  // Has no member: every save switches the sender warning off.
  writeSettingFlag(config.store(), rootName, kAntivirus, "AV_Warn_Sender", 0);
}

void loadSend(Configuration& config, std::string_view rootName) {
  loadSettings(config, rootName, kSendSettings);
}

void saveSend(const Configuration& config, std::string_view rootName) {
  saveSettings(config, rootName, kSendSettings);
}

}  // namespace kestrum
