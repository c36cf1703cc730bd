// Option faults of the program shell: each prints its own line, then the
// usage text, and ends with status 2 before anything is loaded.
#include <gtest/gtest.h>

#include "tests/support/runner.h"

namespace {

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> env;
  const char* message;  // expected on stderr before "Usage:"; "" for none
};

const UsageCase usage_cases[] = {
    {"positional_argument", {"-u", "y.b", "extra"}, {}, "Argument error.\n"},
    {"env_letter_without_equals", {"-u", "y.b"}, {"QOB_ab=1"}, "Syntax error in QOB environment option 'QOB_ab=1'.\n"},
    {"env_without_letter", {"-u", "y.b"}, {"QOB_=1"}, "Syntax error in QOB environment option 'QOB_=1'.\n"},
    {"env_unknown_letter", {"-u", "y.b"}, {"QOB_k=1"}, "Unknown environment option 'QOB_k'.\n"},
    {"unknown_letter", {"-u", "y.b", "-k"}, {}, ""},
    {"missing_argument", {"-u", "y.b", "-e"}, {}, ""},
    {"geometry_one_number", {"-u", "y.b", "-g", "300"}, {}, "Incorrect geometry (WIDTHxHEIGHT) given.\n"},
    {"geometry_narrow", {"-u", "y.b", "-g", "299x300"}, {}, "Display width out of range [300, 65000].\n"},
    {"geometry_wide", {"-u", "y.b", "-g", "65001x300"}, {}, "Display width out of range [300, 65000].\n"},
    {"geometry_low", {"-u", "y.b", "-g", "300x224"}, {}, "Display height out of range [225, 45000].\n"},
    {"geometry_width_first", {"-u", "y.b", "-g", "1x1"}, {}, "Display width out of range [300, 65000].\n"},
    {"port_too_low", {"-u", "y.b", "-y", "1024"}, {}, "Mirrox port number (1024) must be 1024 < port number < 65536.\n"},
    {"port_too_high", {"-u", "y.b", "-y", "65536"}, {}, "Mirrox port number (65536) must be 1024 < port number < 65536.\n"},
    {"port_not_a_number", {"-u", "y.b", "-y", "x"}, {}, "Mirrox port number (0) must be 1024 < port number < 65536.\n"},
    // A failed -u leaves no binary open, so the default is tried as well.
    {"binary_missing", {"-u", "missing"}, {},
     "Cannot open 'missing' - No such file or directory.\nCannot open 'yar.b' - No such file or directory.\n"},
    {"default_binary_missing", {}, {}, "Cannot open 'yar.b' - No such file or directory.\n"},
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class Usage : public testing::TestWithParam<UsageCase> {};

TEST_P(Usage, PrintsMessageThenUsageAndExitsWithTwo) {
  const UsageCase& c = GetParam();
  TempDir dir;
  write_file(dir.file("y.b"), "");
  RunOptions options;
  options.args = c.args;
  options.env = c.env;
  options.directory = dir.path();
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 2) << r.err;
  std::string usage = "Usage:\n" + std::string(QOB_PROGRAM) +
                      " [-b string] [-d] [-e string] [-g geometry] [-i path] [-l path] [-m cmd] [-o path] "
                      "[-p path] [-q] [-r] [-s path] [-t] [-u path] [-y port_no] [-2 display] "
                      "[-A string] [-B string] ... [-Z string]\n";
  ASSERT_GE(r.err.size(), usage.size()) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - usage.size()), usage);
  std::string before = r.err.substr(0, r.err.size() - usage.size());
  if (c.message[0] != '\0') {
    EXPECT_EQ(before, c.message);
  }
  EXPECT_EQ(r.out, "\nQOB version 11.1596 2003/08/06.\n");
}

INSTANTIATE_TEST_SUITE_P(Options, Usage, testing::ValuesIn(usage_cases),
                         [](const testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

TEST(Usage, ReportsEveryFaultBeforeTheOneExit) {
  TempDir dir;
  RunOptions options;
  options.args = {"-g", "1", "-y", "1", "extra"};
  options.env = {"QOB_k=1"};
  options.directory = dir.path();
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("Unknown environment option 'QOB_k'.\n"
                       "Incorrect geometry (WIDTHxHEIGHT) given.\n"
                       "Mirrox port number (1) must be 1024 < port number < 65536.\n"
                       "Cannot open 'yar.b' - No such file or directory.\n"
                       "Argument error.\nUsage:\n"),
            std::string::npos)
      << r.err;
}

}  // namespace
