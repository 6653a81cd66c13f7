#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/file_io_posix.h"
#include "platform/file_store.h"
#include "platform/host_posix.h"
#include "platform/platform.h"

namespace kestrum {

std::unique_ptr<Host> startPlatform() {
  // The ANSI code page stands in for the Windows system setting; an unknown
  // number is a start-up failure rather than a silent fallback.
  unsigned id = 1252;
  if (const char* chosen = std::getenv("KESTRUM_CODEPAGE"); chosen != nullptr && *chosen != '\0') {
    char* end = nullptr;
    unsigned long parsed = std::strtoul(chosen, &end, 10);
    if (end == chosen || *end != '\0') return nullptr;
    id = static_cast<unsigned>(parsed);
  }
  auto codePage = makeCodePage(id);
  if (!codePage) return nullptr;
  // Byte-wise text handling throughout: the C locale, whatever the
  // environment says.
  if (std::setlocale(LC_ALL, "C") == nullptr) return nullptr;
  return makePosixHost(std::move(codePage));
}

std::unique_ptr<Store> openPlatformStore(const Host& host) {
  ImageFileOptions options;
  // A shorter lock wait, for tests of a run that finds the image locked; a
  // value that is no plain number keeps the default.
  if (const char* chosen = std::getenv("KESTRUM_LOCK_TIMEOUT_MS"); chosen != nullptr && *chosen != '\0') {
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(chosen, &end, 10);
    if (end != chosen && *end == '\0') options.lockTimeout = std::chrono::milliseconds(parsed);
  }
  return openImageFileStore(imageFilePath(), host.codePage(), options);
}

}  // namespace kestrum
