// One POP3/IMAP mailbox account. The construction values are the values of
// a new account from the command line; the registry load has defaults of its
// own (mail_server.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "config/lists.h"

namespace kestrum {

class AccountEntry {
 public:
  std::int32_t Distribute = 1;
  std::int32_t Leave_Mail_on_Host = 0;
  std::int32_t Leave_Mail_on_Host_days = 30;
  std::string Forward_all_to;
  std::string Password;  // in clear; the stored form is chosen on save
  std::int32_t Port = 110;
  std::string Server;
  std::string Username;
  std::int32_t Timeout = 180;
  Flag Reroute_unknown = 0;
  std::string Reroute_unknown_to;
  Flag SSL = 0;
  std::string Displayname;
  Flag IMAP_not_POP = 0;
  std::int32_t Schedule_delay = 1;
};

}  // namespace kestrum
