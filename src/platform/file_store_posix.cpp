// Placeholder until the image-file store is built.
#include "platform/file_store.h"

#include "platform/memory_store.h"

namespace kestrum {

std::string imageFilePath() { return "registry.reg"; }
std::unique_ptr<Store> openImageFileStore(const std::string& /*path*/, const CodePage& /*codePage*/) {
  return std::make_unique<MemoryStore>();
}

}  // namespace kestrum
