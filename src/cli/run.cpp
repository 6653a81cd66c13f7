#include "cli/run.h"

#include "cli/command_line.h"
#include "config/configuration.h"
#include "registry/settings.h"

namespace kestrum {

int runSequence(int argc, const char* const* argv, Store& store, Host& host, std::string& out) {
  Configuration config(store, host);
  config.loadConfiguration();
  if (argc != kParameterCount + 1) {
    out += usageText();
    return kStatusUsage;
  }
  auto built = buildAccount(argv + 1, host.codePage());
  if (auto* error = std::get_if<ParameterError>(&built)) {
    out += errorLine(error->number, error->message);
    return kStatusParameterError;
  }
  config.accounts.append(std::move(std::get<std::unique_ptr<AccountEntry>>(built)));
  config.saveConfiguration();
  writeSettingFlag(store, kProductRoot, "General", "Updated", 1);
  return kStatusAdded;
}

namespace {

std::string failureLine(const StoreFailure& failure) {
  return "kestrum_addaccount: " + failure.what + ": " + failure.why + "\n";
}

}  // namespace

int runProgram(int argc, const char* const* argv, Store& store, Host& host, std::string& out,
               std::string& err) {
  // A store that could not even be opened (unreadable, corrupt or locked
  // image) is never loaded from nor written to.
  if (auto failure = store.firstFailure()) {
    err += failureLine(*failure);
    return kStatusStoreFailure;
  }
  const int status = runSequence(argc, argv, store, host, out);
  // The usage and parameter-error runs commit too: the load's writes persist.
  if (!store.commit()) {
    err += failureLine(store.firstFailure().value_or(StoreFailure{"registry", "commit failed"}));
    return kStatusStoreFailure;
  }
  return status;
}

}  // namespace kestrum
