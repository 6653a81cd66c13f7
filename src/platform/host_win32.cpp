#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "platform/codepage_win32.h"
#include "platform/host_win32.h"

namespace kestrum {
namespace {

constexpr char kDialupLibraryName[] = "RASAPI32.DLL";
constexpr char kEnumEntriesName[] = "RasEnumEntriesA";
constexpr int kHostNameBufferSize = 128;
constexpr int kStringBufferSize = 1024;

// The enumeration's published signature: reserved, phonebook path, records,
// buffer size in bytes (in/out), entry count (out).
using EnumEntriesFunction = DWORD(WINAPI*)(LPCSTR, LPCSTR, DialupEntryName*, LPDWORD, LPDWORD);

class Win32DialupLibrary : public DialupLibrary {
 public:
  explicit Win32DialupLibrary(HMODULE module) : module_(module) {
    // Through the generic function pointer type, which a function pointer
    // converts to and from without a cast-function-type warning.
    using Generic = void (*)();
    enumEntries_ = reinterpret_cast<EnumEntriesFunction>(
        reinterpret_cast<Generic>(GetProcAddress(module, kEnumEntriesName)));
  }
  ~Win32DialupLibrary() override { FreeLibrary(module_); }
  Win32DialupLibrary(const Win32DialupLibrary&) = delete;
  Win32DialupLibrary& operator=(const Win32DialupLibrary&) = delete;

  bool hasEnumEntries() const override { return enumEntries_ != nullptr; }

  std::uint32_t enumEntries(DialupEntryName* entries, std::uint32_t& bufferBytes,
                            std::uint32_t& count) override {
    if (enumEntries_ == nullptr) return ERROR_PROC_NOT_FOUND;
    DWORD bytes = bufferBytes;
    DWORD found = 0;
    const DWORD result = enumEntries_(nullptr, nullptr, entries, &bytes, &found);
    bufferBytes = bytes;
    count = found;
    return result;
  }

 private:
  HMODULE module_;
  EnumEntriesFunction enumEntries_ = nullptr;
};

// Windows Sockets, started for the host's lifetime.
class SocketLibrary {
 public:
  SocketLibrary() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~SocketLibrary() {
    if (started_) WSACleanup();
  }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

class Win32Host : public Host {
 public:
  Win32Host(std::unique_ptr<SocketLibrary> sockets, std::unique_ptr<CodePage> codePage)
      : sockets_(std::move(sockets)), codePage_(std::move(codePage)) {}

  const CodePage& codePage() const override { return *codePage_; }

  bool entryExists(std::string_view name) const override {
    const std::string bare(name);
    return GetFileAttributesA(bare.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::unique_ptr<DialupLibrary> loadDialupLibrary() override {
    HMODULE module = LoadLibraryA(kDialupLibraryName);
    if (module == nullptr) return nullptr;
    return std::make_unique<Win32DialupLibrary>(module);
  }

  std::optional<std::string> hostName() override {
    char buffer[kHostNameBufferSize] = {};
    if (gethostname(buffer, kHostNameBufferSize) != 0) return std::nullopt;
    return std::string(buffer, strnlen(buffer, kHostNameBufferSize));
  }

  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string& name) override {
    const hostent* entry = gethostbyname(name.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_length < 0) return std::nullopt;
    std::vector<std::vector<std::uint8_t>> addresses;
    for (char** address = entry->h_addr_list; *address != nullptr; ++address) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(*address);
      addresses.emplace_back(bytes, bytes + entry->h_length);
    }
    return addresses;
  }

  std::string loadString(unsigned id) override {
    char buffer[kStringBufferSize];
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, kStringBufferSize);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
  }

 private:
  std::unique_ptr<SocketLibrary> sockets_;
  std::unique_ptr<CodePage> codePage_;
};

}  // namespace

std::unique_ptr<Host> makeWin32Host() {
  auto sockets = std::make_unique<SocketLibrary>();
  if (!sockets->started()) return nullptr;
  auto codePage = makeSystemCodePage();
  if (!codePage) return nullptr;
  return std::make_unique<Win32Host>(std::move(sockets), std::move(codePage));
}

}  // namespace kestrum
