#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <new>

namespace kestrum {
namespace {

TEST(UsageText, IsTheFourteenLinesByteForByte) {
  const std::string expected =
      "usage: kestrum_addaccount <parameters>\n"
      "\n"
      "Parameters:\n"
      "1.  POP3/IMAP server name (string)\n"
      "2.  user name to log on POP3/IMAP server\n"
      "3.  password\n"
      "4.  Nr of days to leave mail on host. 0= delete after download, 999= leave "
      "indefinetely.\n"
      "5.  standard forward address - Forward all email from this account to that addresss. "
      "Empty string: Distribute according to email header information.\n"
      "6.  IP port number for POP3 or IMAP connection\n"
      "7.  Timeout value (seconds) for connections to this account\n"
      "8.  Postmaster address - reroute email to unknown users to this address. Empty string: "
      "Do not reroute email to unknown users.\n"
      "9.  SSL. 0= do not use SSL. 1= use SSL connection.\n"
      "10. POP3/IMAP. 0= POP3, 1= IMAP.\n"
      "11. Account \"display name\"(string).\n";
  EXPECT_EQ(usageText(), expected);
}

TEST(ErrorLine, NumberThenMessageUnformatted) {
  EXPECT_EQ(errorLine(4, "failed to convert %s%d to an integer"),
            "Error in parameter 4: failed to convert %s%d to an integer\n");
  EXPECT_EQ(errorLine(11, ""), "Error in parameter 11: \n");
}

// Eleven parameters with defaults that a test overrides one at a time.
struct Params {
  std::array<std::string, kParameterCount> text = {
      "pop.example.com", "alice", "secret", "0", "fwd@example.com", "995",
      "60", "postmaster@example.com", "1", "0", "Alice"};

  std::unique_ptr<AccountEntry> build(const CodePage& codePage) const {
    std::array<const char*, kParameterCount> argv{};
    for (std::size_t i = 0; i < text.size(); ++i) argv[i] = text[i].c_str();
    auto built = buildAccount(argv.data(), codePage);
    auto* account = std::get_if<std::unique_ptr<AccountEntry>>(&built);
    EXPECT_NE(account, nullptr);
    return account != nullptr ? std::move(*account) : std::make_unique<AccountEntry>();
  }
  Params& set(int number, std::string value) {
    text[static_cast<std::size_t>(number - 1)] = std::move(value);
    return *this;
  }
};

class BuildAccountTest : public ::testing::Test {
 protected:
  std::unique_ptr<CodePage> codePage_ = makeCodePage(1252);
};

TEST_F(BuildAccountTest, MapsParametersToFields) {
  Params params;
  params.set(1, "  pop.example.com ").set(3, "\" pass word \"").set(11, "\"Alice Smith\"");
  auto a = params.build(*codePage_);
  EXPECT_EQ(a->Server, "pop.example.com");
  EXPECT_EQ(a->Username, "alice");
  EXPECT_EQ(a->Password, " pass word ");
  EXPECT_EQ(a->Leave_Mail_on_Host_days, 0);
  EXPECT_EQ(a->Leave_Mail_on_Host, 0);
  EXPECT_EQ(a->Forward_all_to, "fwd@example.com");
  EXPECT_EQ(a->Distribute, 0);
  EXPECT_EQ(a->Port, 995);
  EXPECT_EQ(a->Timeout, 60);
  EXPECT_EQ(a->Reroute_unknown_to, "postmaster@example.com");
  EXPECT_EQ(a->Reroute_unknown, 1);
  EXPECT_EQ(a->SSL, 1);
  EXPECT_EQ(a->IMAP_not_POP, 0);
  EXPECT_EQ(a->Displayname, "Alice Smith");
  EXPECT_EQ(a->Schedule_delay, 1);
}

TEST_F(BuildAccountTest, LeaveMailOnHostFollowsTheDayCount) {
  struct Case {
    const char* days;
    std::int32_t stored;
    std::int32_t mode;
  };
  const Case cases[] = {
      {"0", 0, 0},       {"999", 999, 1}, {"30", 30, 2},   {"1000", 1000, 2},
      {"-5", -5, 2},     {"abc", 0, 0},   {" 999 ", 999, 1}, {"999x", 999, 1},
      {"4294968295", 999, 1},  // wraps to 999
  };
  for (const Case& c : cases) {
    auto a = Params().set(4, c.days).build(*codePage_);
    EXPECT_EQ(a->Leave_Mail_on_Host_days, c.stored) << c.days;
    EXPECT_EQ(a->Leave_Mail_on_Host, c.mode) << c.days;
  }
}

TEST_F(BuildAccountTest, DistributeExactlyWhenForwardAddressConvertsEmpty) {
  struct Case {
    const char* forward;
    const char* stored;
    std::int32_t distribute;
  };
  const Case cases[] = {
      {"", "", 1},
      {"   ", "", 1},
      {" \t ", "", 1},
      {"\"\"", "", 1},
      {" \"\" ", "", 1},
      {"\" \"", " ", 0},
      {"a@b", "a@b", 0},
  };
  for (const Case& c : cases) {
    auto a = Params().set(5, c.forward).build(*codePage_);
    EXPECT_EQ(a->Forward_all_to, c.stored) << "'" << c.forward << "'";
    EXPECT_EQ(a->Distribute, c.distribute) << "'" << c.forward << "'";
  }
}

TEST_F(BuildAccountTest, RerouteUnknownExactlyWhenPostmasterConvertsNonEmpty) {
  struct Case {
    const char* postmaster;
    const char* stored;
    Flag reroute;
  };
  const Case cases[] = {
      {"", "", 0},
      {"  ", "", 0},
      {"\"\"", "", 0},
      {"pm@example.com", "pm@example.com", 1},
  };
  for (const Case& c : cases) {
    auto a = Params().set(8, c.postmaster).build(*codePage_);
    EXPECT_EQ(a->Reroute_unknown_to, c.stored) << "'" << c.postmaster << "'";
    EXPECT_EQ(a->Reroute_unknown, c.reroute) << "'" << c.postmaster << "'";
  }
}

TEST_F(BuildAccountTest, SslAndImapAreNonZeroNumbersNotWords) {
  struct Case {
    const char* param;
    Flag flag;
  };
  const Case cases[] = {
      {"0", 0}, {"1", 1}, {"2", 1}, {"-1", 1}, {"yes", 0}, {"true", 0}, {"", 0}, {"0x1", 0},
  };
  for (const Case& c : cases) {
    auto ssl = Params().set(9, c.param).build(*codePage_);
    EXPECT_EQ(ssl->SSL, c.flag) << c.param;
    auto imap = Params().set(10, c.param).build(*codePage_);
    EXPECT_EQ(imap->IMAP_not_POP, c.flag) << c.param;
  }
}

TEST_F(BuildAccountTest, NumbersAreStoredUncheckedAndLettersGiveZero) {
  auto a = Params().set(6, "pop").set(7, "-1").build(*codePage_);
  EXPECT_EQ(a->Port, 0);
  EXPECT_EQ(a->Timeout, -1);
  auto b = Params().set(6, "70000").set(7, "abc").build(*codePage_);
  EXPECT_EQ(b->Port, 70000);
  EXPECT_EQ(b->Timeout, 0);
}

TEST_F(BuildAccountTest, ScheduleDelayStaysOneWhateverTheParameters) {
  Params params;
  for (std::string& text : params.text) text = "7";
  EXPECT_EQ(params.build(*codePage_)->Schedule_delay, 1);
}

// A code page that fails like exhausted memory whenever it is asked about
// the byte '~', so that the conversion of a chosen parameter raises.
class FailingAtTilde : public CodePage {
 public:
  unsigned id() const override { return 1252; }
  bool isLeadByte(unsigned char byte) const override {
    if (byte == '~') throw std::bad_alloc();
    return false;
  }
  std::string toLower(std::string_view text) const override { return std::string(text); }
};

TEST_F(BuildAccountTest, ConversionFailureNamesTheParameterUnderConversion) {
  const FailingAtTilde failing;
  struct Case {
    int number;
    const char* message;
  };
  const Case cases[] = {
      {4, "failed to convert 3~%s to an integer"},
      {6, "failed to convert 3~%s to an integer"},
      {7, "failed to convert 3~%s to an integer"},
      {9, "failed to convert 3~%s to a boolean"},
      {10, "failed to convert 3~%s to a boolean"},
  };
  for (const Case& c : cases) {
    Params params;
    params.set(c.number, "3~%s");
    std::array<const char*, kParameterCount> argv{};
    for (std::size_t i = 0; i < params.text.size(); ++i) argv[i] = params.text[i].c_str();
    auto built = buildAccount(argv.data(), failing);
    auto* error = std::get_if<ParameterError>(&built);
    ASSERT_NE(error, nullptr) << c.number;
    EXPECT_EQ(error->number, c.number);
    EXPECT_EQ(error->message, c.message);
  }
}

}  // namespace
}  // namespace kestrum
