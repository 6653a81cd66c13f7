#include "bench/image_generator.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "bench/bench_host.h"
#include "config/configuration.h"
#include "platform/reg_format.h"
#include "registry/settings.h"

namespace kestrum::bench {
namespace {

// A fixed-seed generator: the images must not change between runs.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
  }
  std::uint32_t below(std::uint32_t bound) { return next() % bound; }
  std::string word(std::size_t minLength, std::size_t maxLength) {
    std::string text(minLength + below(static_cast<std::uint32_t>(maxLength - minLength + 1)), 'a');
    for (char& c : text) c = static_cast<char>('a' + below(26));
    return text;
  }

 private:
  std::uint64_t state_;
};

std::string numbered(std::string_view stem, std::size_t i) { return std::string(stem) + std::to_string(i); }

std::size_t atLeast(std::size_t n, std::size_t low) { return std::max(n, low); }

void fillAccounts(Configuration& config, std::size_t count, std::size_t domains, Random& random) {
  for (std::size_t i = 1; i <= count; ++i) {
    auto a = std::make_unique<AccountEntry>();
    const std::string domain = numbered("domain", 1 + random.below(static_cast<std::uint32_t>(domains))) + ".example";
    a->Server = (random.below(2) != 0 ? "imap." : "pop.") + domain;
    a->Username = random.word(4, 10) + std::to_string(i);
    a->Password = random.word(8, 16);
    a->Port = random.below(3) == 0 ? 995 : 110;
    a->SSL = a->Port == 995 ? 1 : 0;
    a->IMAP_not_POP = a->Server[0] == 'i' ? 1 : 0;
    a->Distribute = static_cast<std::int32_t>(random.below(2));
    a->Forward_all_to = a->Distribute != 0 ? "" : a->Username + "@" + domain;
    a->Leave_Mail_on_Host = static_cast<std::int32_t>(random.below(2));
    a->Leave_Mail_on_Host_days = static_cast<std::int32_t>(1 + random.below(60));
    a->Timeout = 60 + 30 * static_cast<std::int32_t>(random.below(6));
    a->Reroute_unknown = random.below(4) == 0 ? 1 : 0;
    a->Reroute_unknown_to = a->Reroute_unknown != 0 ? "postmaster@" + domain : "";
    a->Displayname = "Mailbox " + a->Username + " at " + domain;
    a->Schedule_delay = static_cast<std::int32_t>(1 + random.below(10));
    config.accounts.append(std::move(a));
  }
}

void fillRules(Configuration& config, std::size_t count, Random& random) {
  for (std::size_t i = 1; i <= count; ++i) {
    auto rule = std::make_unique<MailRule>();
    rule->Name = numbered("Rule ", i) + " " + random.word(4, 12);
    rule->connected_by = static_cast<std::int32_t>(random.below(2));
    rule->THEN = static_cast<std::int32_t>(random.below(6));
    rule->THEN_Parameter = random.word(3, 8) + "@" + random.word(5, 10) + ".example";
    rule->Stop_Rule_Processing_here = random.below(3) == 0 ? 1 : 0;
    const std::uint32_t conditions = 1 + random.below(4);
    for (std::uint32_t j = 0; j < conditions; ++j) {
      auto c = std::make_unique<RuleCondition>();
      c->IFtype = static_cast<std::int32_t>(random.below(8));
      c->IF_Parameter = random.word(4, 20);
      c->Invert = random.below(5) == 0 ? 1 : 0;
      c->CheckTextIfSmaller = random.below(3) == 0 ? 1 : 0;
      c->CheckTextIfSmallerThan = c->CheckTextIfSmaller != 0 ? static_cast<std::int32_t>(1000 * random.below(100)) : 0;
      rule->conditions.append(std::move(c));
    }
    config.Rules.append(std::move(rule));
  }
}

void fillFilterList(FilterList& list, std::size_t count, Random& random) {
  StringList* parts[] = {&list.Sender, &list.Recipient, &list.Subject,
                         &list.Text,   &list.Attachementname, &list.Header};
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t part = random.below(6);
    std::string entry = part <= 1 ? std::string("@").append(random.word(5, 12)).append(".example") : random.word(4, 24);
    parts[part]->push_back(std::move(entry));
  }
}

// Keys of other programs: texts, numbers, binary blobs, expandable and
// multi-string data, under HKEY_LOCAL_MACHINE and two other roots.
void addUnrelatedKeys(RegTree& tree, std::size_t count, Random& random) {
  RegNode& software = tree.localMachine().childOrCreate("SOFTWARE");
  RegNode& system = tree.localMachine().childOrCreate("SYSTEM").childOrCreate("CurrentControlSet");
  RegNode& user = tree.top().childOrCreate("HKEY_CURRENT_USER").childOrCreate("Software");
  RegNode& classes = tree.top().childOrCreate("HKEY_CLASSES_ROOT");
  auto text = [](std::string s) { s.push_back('\0'); return s; };
  auto dword = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  for (std::size_t i = 0; i < count; ++i) {
    const std::string vendor = numbered("Vendor", i % 97);
    RegNode* key = nullptr;
    switch (i % 4) {
      case 0: key = &software.childOrCreate(vendor).childOrCreate(numbered("Product", i)); break;
      case 1: key = &system.childOrCreate("Services").childOrCreate(numbered("svc", i)); break;
      case 2: key = &user.childOrCreate(vendor).childOrCreate(numbered("App", i)).childOrCreate("Settings"); break;
      default: key = &classes.childOrCreate(numbered(".ext", i)); break;
    }
    key->setValue("", kRegSz, text(random.word(6, 30)));
    key->setValue("InstallPath", kRegSz, text("C:\\Program Files\\" + vendor + "\\" + random.word(4, 12)));
    key->setValue("Version", kRegDword, dword(random.next()));
    std::string blob(8 + random.below(120), '\0');
    for (char& c : blob) c = static_cast<char>(random.below(256));
    key->setValue("State", kRegBinary, blob);
    key->setValue("DataPath", kRegExpandSz, text("%ProgramData%\\" + vendor + "\\" + random.word(3, 9)));
    if (i % 3 == 0) {
      std::string multi;
      for (int k = 0; k < 3; ++k) multi += random.word(3, 10) + '\0';
      multi.push_back('\0');
      key->setValue("Peers", kRegMultiSz, multi);
    }
  }
}

}  // namespace

RegTree generateTree(std::size_t accounts) {
  Random random(accounts);
  BenchHost host;
  MemoryStore store;
  {
    // A first run on an empty registry leaves the migrated layout with its
    // two backup trees; the lists are then filled and saved as a run does.
    Configuration config(store, host);
    config.loadConfiguration();
    const std::size_t domains = atLeast(accounts / 10, 1);
    for (std::size_t i = 1; i <= domains; ++i) config.Domains.push_back(numbered("domain", i) + ".example");
    fillAccounts(config, accounts, domains, random);
    fillRules(config, atLeast(accounts / 20, 2), random);
    fillFilterList(config.Whitelist, atLeast(accounts / 4, 6), random);
    fillFilterList(config.Blacklist, atLeast(accounts / 2, 6), random);
    for (std::size_t i = 0; i < accounts / 1000; ++i)
      config.spamServers.push_back(numbered("bl", i) + "." + random.word(5, 10) + ".example");
    for (std::size_t i = 0; i < atLeast(accounts / 50, 2); ++i) {
      auto entry = std::make_unique<ScheduleEntry>();
      entry->Weekday = static_cast<std::int32_t>(random.below(8));
      entry->Hour = static_cast<std::int32_t>(random.below(24));
      entry->Minute = static_cast<std::int32_t>(5 * random.below(12));
      config.scheduleEntries.append(std::move(entry));
    }
    for (std::size_t i = 0; i < atLeast(accounts / 20, 1); ++i) {
      auto pair = std::make_unique<ExchangedDomain>();
      pair->oldDomain = numbered("old", i) + "." + random.word(4, 9) + ".example";
      pair->newDomain = numbered("new", i) + "." + random.word(4, 9) + ".example";
      config.Exchanged_Domains.append(std::move(pair));
    }
    config.Postmaster = "postmaster@domain1.example";
    config.Server = "smtp.domain1.example";
    config.saveConfiguration();
    writeSettingFlag(store, kProductRoot, "General", "Updated", 1);
  }
  RegTree tree = std::move(store.tree());
  addUnrelatedKeys(tree, atLeast(accounts / 4, 8), random);
  return tree;
}

std::string generateImage(std::size_t accounts) { return formatRegFile(generateTree(accounts)); }

}  // namespace kestrum::bench
