#include "config/marker_options.h"

#include <gtest/gtest.h>

#include "config/section_steps.h"

namespace kestrum {
namespace {

using testing::SectionTree;

constexpr const char* kTarvosHead = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\TARVOS]\n";

struct TarvosCase {
  const char* name;
  std::string stored;          // values of the TARVOS key; empty: no key
  bool marker;
  Flag enableLoaded;
  std::string afterLoad;       // the TARVOS key's text after the load
};

void PrintTo(const TarvosCase& c, std::ostream* os) { *os << c.name; }

class TarvosRuleTest : public ::testing::TestWithParam<TarvosCase> {};

TEST_P(TarvosRuleTest, TheMarkerSwitchesOnOnlyWithoutANotificationAddress) {
  const TarvosCase& c = GetParam();
  SectionTree tree(c.stored.empty() ? "" : kTarvosHead + c.stored);
  if (c.marker) tree.host.entries.insert("tarvos.dat");
  loadTarvos(tree.config, kProductRoot);
  EXPECT_EQ(tree.config.enable, c.enableLoaded);
  EXPECT_EQ(tree.text("TARVOS"), c.afterLoad.empty() ? "" : kTarvosHead + c.afterLoad + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Tarvos, TarvosRuleTest,
    ::testing::Values(
        TarvosCase{"NoKeyMarkerPresent", "", true, 1, "\"enable\"=dword:00000001\n"},
        TarvosCase{"StoredZeroMarkerPresent", "\"enable\"=dword:00000000\n", true, 1,
                   "\"enable\"=dword:00000001\n"},
        TarvosCase{"AddressMarkerPresent",
                   "\"enable\"=dword:00000000\n\"notification_email\"=\"ops@example.net\"\n", true, 0,
                   "\"enable\"=dword:00000000\n\"notification_email\"=\"ops@example.net\"\n"},
        TarvosCase{"AddressNoMarkerNoEnable", "\"notification_email\"=\"ops@example.net\"\n", false, 0,
                   "\"notification_email\"=\"ops@example.net\"\n"},
        TarvosCase{"NoKeyNoMarker", "", false, 0, ""},
        TarvosCase{"StoredOneNoMarker", "\"enable\"=dword:00000001\n", false, 1,
                   "\"enable\"=dword:00000001\n"},
        TarvosCase{"BlankAddressIsNotEmpty", "\"notification_email\"=\" \"\n", true, 0,
                   "\"notification_email\"=\" \"\n"}),
    [](const ::testing::TestParamInfo<TarvosCase>& info) { return std::string(info.param.name); });

TEST(TarvosTest, TheSaveWritesTheTextsButNeverEnable) {
  SectionTree tree(std::string(kTarvosHead) + "\"enable\"=dword:00000000\n");
  tree.host.entries.insert("tarvos.dat");
  loadTarvos(tree.config, kProductRoot);
  tree.config.enable = 0;
  tree.config.prefix_case_2 = "[spam?] ";
  saveTarvos(tree.config, kProductRoot);
  EXPECT_EQ(tree.text("TARVOS"), std::string(kTarvosHead) +
                                     "\"enable\"=dword:00000001\n"
                                     "\"notification_email\"=\"\"\n"
                                     "\"prefix_case_1\"=\"\"\n"
                                     "\"prefix_case_2\"=\"[spam?] \"\n"
                                     "\"prefix_case_3\"=\"\"\n\n");
}

}  // namespace
}  // namespace kestrum
