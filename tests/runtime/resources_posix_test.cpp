// Resource saves that fail through the system: a full device and a file
// size limit in the child of a death test.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <set>
#include <string>

#include "runtime/save_resources.h"
#include "tests/runtime/resources_fixture.h"

namespace {

using namespace resources_test;

TEST_F(Resources, AFullDeviceAsTheFileIsARunTimeError) {
  load(nullptr, nullptr, "/dev/full");
  change_variable(global(1), global(i), integer_value(99), false);
  EXPECT_EXIT(run(save_code(2)), testing::ExitedWithCode(1),
              "SAVE_DEFAULTS - Unable to write resource file '/dev/full' - No space left on device");
  struct stat st;
  ASSERT_EQ(stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(Resources, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  std::string local_ = file("local", "i:\t1\n");
  load(nullptr, nullptr, local_.c_str());
  value text{};
  text.s = static_cast<char*>(CheckedMalloc(70001));
  memset(text.s, 'x', 70000);
  text.s[70000] = '\0';
  change_variable(global(1), global(s), text, false);
  auto save_within_4096_bytes = [&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    run(save_code(2));
  };
  EXPECT_EXIT(save_within_4096_bytes(), testing::ExitedWithCode(1), "SAVE_DEFAULTS - Unable to write resource file '" + local_ + "' - File too large");
  EXPECT_EQ(read_file(local_), "i:\t1\n");
  EXPECT_EQ(files(), std::set<std::string>{"local"});
}

}  // namespace
