// The image-file store joins the store contract suite, on an image in a
// temporary folder of its own.
#include <fstream>
#include <iterator>

#include "platform/file_store.h"
#include "store_contract.h"
#include "temp_folder_posix.h"

namespace kestrum::testing {
namespace {

StoreSubject imageFileSubject() {
  auto folder = std::make_shared<TempFolder>();
  const std::string image = *folder / "registry.reg";
  auto codePage = makeCodePage(1252);
  StoreSubject subject;
  subject.store = openImageFileStore(image, *codePage);
  Store* store = subject.store.get();
  subject.base = "SOFTWARE\\KestrumContract";
  // What the next run would read: the image file after the commit.
  subject.exportText = [store, image] {
    if (!store->commit()) return std::string();
    std::ifstream in(image, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  subject.cleanup = [folder]() mutable { folder.reset(); };
  return subject;
}

}  // namespace
}  // namespace kestrum::testing

KESTRUM_STORE_CONTRACT(ImageFile, kestrum::testing::StoreFactory{"ImageFile", kestrum::testing::imageFileSubject})
