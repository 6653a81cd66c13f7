#include "cli/run.h"

#include <gtest/gtest.h>

#include <vector>

#include "cli/command_line.h"
#include "support/fixtures.h"

namespace kestrum {
namespace {

TEST(RunSequence, WrongParameterCountPrintsUsageAfterTheLoad) {
  for (int parameters : {0, 10, 12}) {
    SCOPED_TRACE(parameters);
    MemoryStore store;
    testing::FakeHost host;
    std::vector<std::string> args = {"kestrum_addaccount"};
    for (int i = 1; i <= parameters; ++i) args.push_back(std::to_string(i));
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);

    std::string out;
    EXPECT_EQ(runSequence(static_cast<int>(args.size()), argv.data(), store, host, out),
              kStatusUsage);
    EXPECT_EQ(out, usageText());

    // The load ran first and left the change flag lowered.
    const RegNode* general = testing::findKey(store, "SOFTWARE\\Kestrum\\General");
    ASSERT_NE(general, nullptr);
    const RegValue* updated = general->value("Updated");
    ASSERT_NE(updated, nullptr);
    EXPECT_EQ(updated->type, kRegDword);
    EXPECT_EQ(updated->data, std::string(4, '\0'));
  }
}

}  // namespace
}  // namespace kestrum
