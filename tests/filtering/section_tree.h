// A configuration over a memory store, walked to SOFTWARE\Kestrum the way the
// load and save sequences walk, so that one section can be loaded and saved
// on its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "registry/registry_key.h"
#include "support/fixtures.h"

namespace kestrum::testing {

struct SectionTree {
  explicit SectionTree(std::string_view reg = "")
      : store(storeFromReg(reg)), config(*store, host), root(*store, kHkeyLocalMachine) {
    walk(root);
  }
  static void walk(RegistryKey& key) {
    key.createSubkey("SOFTWARE", kKeyAllAccess);
    key.createSubkey("Kestrum", kKeyAllAccess);
  }
  std::string text(std::string_view below) const {
    return regTextOf(*store, "SOFTWARE\\Kestrum\\" + std::string(below));
  }

  std::unique_ptr<MemoryStore> store;
  FakeHost host;
  Configuration config;
  RegistryKey root;
};

// A store on which one key name can be neither opened nor created; every
// other operation goes to the memory store below.
class RefusingStore : public Store {
 public:
  RefusingStore(MemoryStore& inner, std::string refusedName)
      : inner_(inner), refused_(std::move(refusedName)) {}
  bool openKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
               KeyHandle& result) override {
    return !registryNameEquals(subKey, refused_) && inner_.openKey(parent, subKey, access, result);
  }
  bool createKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
                 KeyHandle& result) override {
    return !registryNameEquals(subKey, refused_) && inner_.createKey(parent, subKey, access, result);
  }
  bool queryValue(KeyHandle key, std::string_view name, std::uint32_t& type, std::uint8_t* data,
                  std::uint32_t& size) override {
    return inner_.queryValue(key, name, type, data, size);
  }
  bool setValue(KeyHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    return inner_.setValue(key, name, type, data, size);
  }
  void closeKey(KeyHandle key) override { inner_.closeKey(key); }
  std::optional<StoreFailure> firstFailure() const override { return inner_.firstFailure(); }
  void refuseValue(KeyHandle key, std::string_view name, std::string why) override {
    inner_.refuseValue(key, name, std::move(why));
  }

 private:
  MemoryStore& inner_;
  std::string refused_;
};

}  // namespace kestrum::testing
