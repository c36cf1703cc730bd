// The display file's writes that fail through the system: a file size limit
// and a reader that has gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/scene/display_file_fixture.h"

namespace {

using namespace display_file;

TEST_F(DisplayFile, ASaveThatRunsOutOfRoomLeavesTheOldFileAndNoTemporary) {
  ASSERT_EQ(run(sample_scene()), "");
  std::string path = dir.file("kept.df");
  write_file(path, "old contents");
  // The soft limit is lowered for the save only; SIGXFSZ ignored turns it into EFBIG.
  rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = {1000, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  testing::internal::CaptureStderr();
  int result = save(path);
  std::string err = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, -2);
  EXPECT_EQ(err, "Error - write_df failed - File too large.\n");
  EXPECT_EQ(read_file(path), "old contents");
  EXPECT_EQ(system(("test $(ls -A " + dir.path() + " | wc -l) -eq 1").c_str()), 0) << "no temporary left";
}

TEST_F(DisplayFile, AnApplicationThatHasEndedGivesBrokenPipeAndMinusTwo) {
  ASSERT_EQ(run(sample_scene()), "");
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  void (*previous)(int) = signal(SIGPIPE, SIG_IGN);  // as the server runs
  write_df out;
  ASSERT_FALSE(out.set_stream(fdopen(ends[1], "w"), 3));
  testing::internal::CaptureStderr();
  EXPECT_EQ(save_df(&out, false), -2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error - write_df failed - Broken pipe.\n");
  signal(SIGPIPE, previous);
}

}  // namespace
