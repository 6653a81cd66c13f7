// One run: load the configuration, then (with exactly eleven parameters)
// build and append the account, save, and raise General\Updated.
#pragma once

#include <string>

#include "platform/host.h"
#include "platform/store.h"

namespace kestrum {

// Exit statuses.
inline constexpr int kStatusAdded = 0;
inline constexpr int kStatusUsage = 1;
inline constexpr int kStatusParameterError = 2;
inline constexpr int kStatusStoreFailure = 3;
inline constexpr int kStatusStartupFailure = 99;

// Runs the sequence on `store`; what the program prints on standard output is
// appended to `out`. Returns 0, 1 or 2. Store failures are left in the store
// for the caller, which decides on status 3 after committing.
int runSequence(int argc, const char* const* argv, Store& store, Host& host, std::string& out);

// The whole program below start-up: opens nothing itself, commits the store
// on every path and turns a recorded store failure into status 3 with one
// line on `err`.
int runProgram(int argc, const char* const* argv, Store& store, Host& host, std::string& out,
               std::string& err);

}  // namespace kestrum
