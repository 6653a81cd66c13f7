// Every setting of the product in memory: one member per persisted registry
// value (named after it), the lists of numbered entries, and the lists the
// load collects from the running system. Owns everything it holds. The store
// and the host are handed in and outlive the configuration.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/account_entry.h"
#include "config/advanced.h"
#include "config/lists.h"
#include "config/schedule.h"
#include "filtering/filter_list.h"
#include "filtering/rules.h"
#include "platform/host.h"
#include "platform/store.h"

namespace kestrum {

inline constexpr std::string_view kProductRoot = "Kestrum";
inline constexpr std::string_view kProRoot = "Kestrum PRO";
inline constexpr std::string_view kProBackupRoot = "Kestrum PRO OLD BACKUP";
inline constexpr std::string_view kBackupRoot = "Kestrum OLD BACKUP";

class Configuration {
 public:
  Configuration(Store& store, Host& host) : store_(&store), host_(&host) {}
  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

  // Loads the configuration in use, migrating the two product trees when
  // General\FormatVersion of "Kestrum" is 0 or missing; sets Updated to 0;
  // collects the dial-up entries.
  void loadConfiguration();
  // Replaces every member with what the tree holds (defaults where it holds
  // nothing). Creates the keys its walks pass through.
  void loadTree(std::string_view rootName);
  // Writes every persisted member into the tree; deletes nothing.
  void saveTree(std::string_view rootName) const;
  void saveConfiguration() const { saveTree(kProductRoot); }

  // Rebuilds sourceAddressChoices ("Default", "Automatic", the local IPv4
  // addresses) and fills the two default source addresses when empty.
  void fillSourceAddresses();
  // Rebuilds dialupEntries from the dial-up phonebook.
  void fillDialupEntries();

  Store& store() const { return *store_; }
  Host& host() const { return *host_; }

  // Members in declaration order; the comment names the key they live in.
  StringList Domains;                        // SMTP\Domains
  std::string Postmaster;                    // SMTP
  std::string Virus_Operator;                // Antivirus
  std::int32_t Port = 0;                     // SMTP
  std::string Server;                        // SMTP
  std::int32_t Timeout = 0;                  // SMTP
  RecordList<AccountEntry> accounts;         // POP3\<i>
  RecordList<ScheduleEntry> scheduleEntries; // Schedule\<i>
  std::int32_t Schedule_Waittime = 0;        // Schedule
  std::int32_t Schedule_Mode = 0;            // Schedule
  Flag Use_Dialup = 0;                       // Connection
  std::string DU_Connection;
  Flag DU_no_disconnect = 0;
  std::string DU_Username;
  std::string DU_Password;
  Flag DU_triger_when_active = 0;
  Flag DU_triger_when_any_active = 0;
  std::int32_t DU_min_triger_when_active = 0;
  std::int32_t Max_Logfile_Length = 0;       // General
  std::int32_t Enable_Antivirus = 0;         // Antivirus
  std::int32_t AV_Deliver_or_Divert = 0;
  std::int32_t AV_Update = 0;
  std::string Scanner_EXE;
  std::string baseFolder;                    // not persisted
  RecordList<MailRule> Rules;                // Rules\<i>
  Flag Out_SMTP_enable = 0;                  // Send
  std::string Out_SMTP_Server;
  std::int32_t Out_SMTP_Port = 0;
  Flag Out_SMTP_needs_Auth = 0;
  std::string Out_SMTP_Username;
  std::string Out_SMTP_Password;
  Flag Out_SMTP_POP_first = 0;
  Flag Out_SMTP_wait_until_POP = 0;
  std::int32_t In_SMTP_Port = 0;
  StringList spamServers;                    // Spam
  Flag Enable_Antispam = 0;
  std::int32_t Antispam_Mode = 0;
  std::string Spam_Operator;
  Flag UseHTTPProxy = 0;                     // Connection
  std::string HTTPProxy;
  std::int32_t HTTPProxyPort = 0;
  Flag UseFTPProxy = 0;
  std::string FTPProxy;
  std::int32_t FTPProxyPort = 0;
  Flag Enable_Eventlog = 0;                  // Advanced
  Flag Enable_Filter_Recipient_Start = 0;
  std::string Filter_Recipient_Start;
  Flag Enable_Filter_Recipient_End = 0;
  std::string Filter_Recipient_End;
  FilterList Blacklist;                      // Blacklist
  FilterList Whitelist;                      // Whitelist
  Flag Enable_Receivedfor = 0;               // POP3: the 37 header checks
  Flag Check_DELIVERED_TO = 0;
  Flag Enable_Header3 = 0, Enable_Header4 = 0, Enable_Header5 = 0, Enable_Header6 = 0,
       Enable_Header7 = 0, Enable_Header8 = 0, Enable_Header9 = 0, Enable_Header10 = 0,
       Enable_Header11 = 0, Enable_Header12 = 0, Enable_Header13 = 0, Enable_Header14 = 0,
       Enable_Header15 = 0, Enable_Header16 = 0, Enable_Header17 = 0, Enable_Header18 = 0,
       Enable_Header19 = 0, Enable_Header20 = 0, Enable_Header21 = 0, Enable_Header22 = 0,
       Enable_Header23 = 0, Enable_Header24 = 0, Enable_Header25 = 0, Enable_Header26 = 0,
       Enable_Header27 = 0, Enable_Header28 = 0, Enable_Header29 = 0, Enable_Header30 = 0,
       Enable_Header31 = 0, Enable_Header32 = 0, Enable_Header33 = 0, Enable_Header34 = 0,
       Enable_Header35 = 0, Enable_Header36 = 0, Enable_Header37 = 0;
  RecordList<ExchangedDomain> Exchanged_Domains;  // Exchanged_Domains{,Old,New}
  std::int32_t maxnrinonepass = 0;           // POP3
  StringList sourceAddressChoices;           // not persisted
  std::string External_source_IP;            // Advanced
  std::string defaultExternalSourceIP;       // not persisted
  std::string Internal_source_IP;            // Advanced
  std::string defaultInternalSourceIP;       // not persisted
  std::int64_t Last_Update = 0;              // Antivirus (low 32 bits stored)
  StringList dialupEntries;                  // not persisted
  std::int32_t Logfileoption = 0;            // General
  std::string Current_Logfile_Date = "old";  // General
  Flag RemoveReadReceiptRequests = 0;        // Advanced
  Flag remove_sensitivity = 0;
  std::int32_t React_on_Exchange_Err1 = 0;   // SMTP
  std::int32_t React_on_Exchange_Err2 = 0;
  std::int32_t React_on_Exchange_Err3 = 0;
  std::string SpamSubjectTag;                // Spam
  std::string RerouteSubjectTag;             // SMTP
  Flag inform_postmaster_nosender = 0;       // Advanced
  Flag inform_postmaster_badmail = 0;
  std::string ArchiveFolder;                 // Archive
  std::int32_t ArchiveMode = 0;
  Flag ArchiveDontArchiveSpam = 0;
  Flag ReplaceInvalidchars = 0;              // Advanced
  std::string unknown_user_string;
  Flag enable = 0;                           // TARVOS
  std::string notification_email;
  std::string prefix_case_1;
  std::string prefix_case_2;
  std::string prefix_case_3;
  Flag hollowmereMarkerFound = 0;            // not persisted
  Flag CheckMailboxExist = 0;                // Hollowmere

 private:
  Store* store_;
  Host* host_;
};

}  // namespace kestrum
