#include "platform/host_posix.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <sstream>

#include "sysinfo/system_lists.h"

namespace kestrum {
namespace {

// The dial-up service's failure codes that this stand-in can give.
constexpr std::uint32_t kDialupCannotOpenPhonebook = 621;
constexpr std::uint32_t kDialupInvalidSize = 632;

struct StringTableEntry {
  unsigned id;
  std::string_view text;
};

constexpr std::array<StringTableEntry, 1> kStringTable{{
    {kStringDialupLibraryMissing, "Could not load dial-up library RASAPI32.DLL"},
}};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The section names of a phonebook in INI form, in file order: a line whose
// first non-blank character is "[" names a section up to its last "]",
// blanks around the name removed. Other lines, and lines with an empty
// name, name no entry. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> phonebookEntryNames(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) return std::nullopt;
  const std::string text = content.str();

  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;

    std::size_t open = 0;
    while (open < line.size() && isBlank(line[open])) ++open;
    if (open == line.size() || line[open] != '[') continue;
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close <= open) continue;
    std::string_view name = line.substr(open + 1, close - open - 1);
    while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

// The dial-up service stood in for by a phonebook file: every call reads
// the file anew, as the service reads its phonebook.
class PhonebookLibrary : public DialupLibrary {
 public:
  explicit PhonebookLibrary(std::string path) : path_(std::move(path)) {}

  bool hasEnumEntries() const override { return true; }

  std::uint32_t enumEntries(DialupEntryName* entries, std::uint32_t& bufferBytes,
                            std::uint32_t& count) override {
    if (entries != nullptr && bufferBytes >= sizeof(DialupEntryName) &&
        entries[0].dwSize != sizeof(DialupEntryName))
      return kDialupInvalidSize;
    const auto names = phonebookEntryNames(path_);
    if (!names) return kDialupCannotOpenPhonebook;
    const std::size_t needed = names->size() * sizeof(DialupEntryName);
    count = static_cast<std::uint32_t>(names->size());
    if (needed > bufferBytes || (needed != 0 && entries == nullptr)) {
      bufferBytes = static_cast<std::uint32_t>(needed);
      return kDialupBufferTooSmall;
    }
    for (std::size_t i = 0; i < names->size(); ++i) {
      DialupEntryName& record = entries[i];
      std::memset(&record, 0, sizeof record);
      record.dwSize = sizeof(DialupEntryName);
      // A name longer than the record holds is cut to its 256 characters.
      const std::string& name = (*names)[i];
      std::memcpy(record.szEntryName, name.data(), std::min(name.size(), sizeof record.szEntryName - 1));
    }
    bufferBytes = static_cast<std::uint32_t>(needed);
    return 0;
  }

 private:
  std::string path_;
};

struct AddrinfoRelease {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

class PosixHost : public Host {
 public:
  explicit PosixHost(std::unique_ptr<CodePage> codePage) : codePage_(std::move(codePage)) {}

  const CodePage& codePage() const override { return *codePage_; }

  bool entryExists(std::string_view name) const override {
    if (name.find('\0') != std::string_view::npos) return false;
    struct stat status {};
    return ::stat(std::string(name).c_str(), &status) == 0;
  }

  // Without KESTRUM_PHONEBOOK (or with it empty) the machine has no dial-up
  // service, as a Windows machine without the library.
  std::unique_ptr<DialupLibrary> loadDialupLibrary() override {
    const char* path = std::getenv("KESTRUM_PHONEBOOK");
    if (path == nullptr || *path == '\0') return nullptr;
    return std::make_unique<PhonebookLibrary>(path);
  }

  std::optional<std::string> hostName() override {
    char buffer[128] = {};
    if (::gethostname(buffer, sizeof buffer) != 0) return std::nullopt;
    buffer[sizeof buffer - 1] = '\0';  // a cut name need not be terminated
    return std::string(buffer);
  }

  // What the name resolves to through the system's resolver, in its order,
  // as the Windows lookup of the local host name gives them. One socket type
  // is asked for, so that no address comes once per type.
  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string& name) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return std::nullopt;
    std::unique_ptr<addrinfo, AddrinfoRelease> list(found);
    std::vector<std::vector<std::uint8_t>> addresses;
    for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family != AF_INET || entry->ai_addr == nullptr ||
          entry->ai_addrlen < sizeof(sockaddr_in))
        continue;
      sockaddr_in address{};
      std::memcpy(&address, entry->ai_addr, sizeof address);
      std::vector<std::uint8_t> bytes(sizeof address.sin_addr);
      std::memcpy(bytes.data(), &address.sin_addr, bytes.size());  // network order: a.b.c.d
      addresses.push_back(std::move(bytes));
    }
    return addresses;
  }

  std::string loadString(unsigned id) override {
    for (const StringTableEntry& entry : kStringTable)
      if (entry.id == id) return std::string(entry.text);
    return {};
  }

 private:
  std::unique_ptr<CodePage> codePage_;
};

}  // namespace

std::unique_ptr<Host> makePosixHost(std::unique_ptr<CodePage> codePage) {
  return std::make_unique<PosixHost>(std::move(codePage));
}

}  // namespace kestrum
