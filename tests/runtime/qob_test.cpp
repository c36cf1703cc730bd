// The program shell with a loadable binary: which file is loaded, and the
// orderly stop with its balance check.
#include "runtime/qob.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/checked_mm.h"
#include "runtime/read_tables.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/dump_files.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

RunResult run_in(const TempDir& dir, std::vector<std::string> args, std::vector<std::string> env = {}) {
  RunOptions options;
  options.args = {"-e", "", "-m", ""};
  options.args.insert(options.args.end(), args.begin(), args.end());
  options.env = std::move(env);
  options.directory = dir.path();
  options.own_display = true;
  return run_program(options);
}

// The server serves its command loop until the program exits: the fixture's
// initial code ends it with status 0.
yarl::YarlProgram exiting_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.initial_code().exit_program(0);
  return p;
}

class ProgramShell : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(exiting_program().write(dir.file("good.b")));
    write_file(dir.file("bad.b"), "not a binary");
  }
  TempDir dir;
};

TEST_F(ProgramShell, LoadsTheBinaryAndStopsNormally) {
  RunResult r = run_in(dir, {"-u", "good.b"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "\nQOB version 11.1596 2003/08/06.\n");
  EXPECT_EQ(r.err, "\n");  // the line feed of ending the application processes
}

TEST_F(ProgramShell, DefaultBinaryIsYarB) {
  ASSERT_TRUE(exiting_program().write(dir.file("yar.b")));
  RunResult r = run_in(dir, {});
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST_F(ProgramShell, NameWithoutExtensionFallsBackToDotB) {
  RunResult r = run_in(dir, {"-u", "good"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // A file of the exact name is preferred to the one with the extension.
  write_file(dir.file("bad"), "");
  r = run_in(dir, {"-u", "bad"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "\nqob terminated - YARL binary file empty.\n");
}

TEST_F(ProgramShell, CommandLineWinsOverEnvironment) {
  RunResult r = run_in(dir, {"-u", "good.b"}, {"QOB_u=bad.b"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = run_in(dir, {"-u", "bad.b"}, {"QOB_u=good.b"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "\nqob terminated - YARL binary file too short.\n");
}

TEST_F(ProgramShell, AcceptsTheBoundariesOfEveryRange) {
  // The program exits with 100 x length(-A) + 10 x length(-B) + length(-Z),
  // so the status shows which strings reached the predefined variables.
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.initial_code().push_var(yarl::GLOBAL, 14).op(yarl_test::op::LENGTH).push(100).op(yarl_test::op::MUL_INTEGER);
  p.initial_code().push_var(yarl::GLOBAL, 15).op(yarl_test::op::LENGTH).push(10).op(yarl_test::op::MUL_INTEGER);
  p.initial_code().op(yarl_test::op::ADD_INTEGER);
  p.initial_code().push_var(yarl::GLOBAL, 39).op(yarl_test::op::LENGTH).op(yarl_test::op::ADD_INTEGER);
  p.initial_code().op(yarl::op::EXIT);
  ASSERT_TRUE(p.write(dir.file("lengths.b")));
  RunResult r = run_in(dir, {"-u", "lengths.b", "-g", "300x225", "-y", "1025", "-A", "a", "-Z", "", "-q", "-r", "-t"},
                       {"QOB_A=", "QOB_B=bb", "QOB_g=65000x45000", "QOB_y=65535"});
  EXPECT_EQ(r.exit_code, 120) << "the command line wins, the environment fills in\n" << r.err;
  EXPECT_EQ(r.out, "\nQOB version 11.1596 2003/08/06.\n");
  EXPECT_EQ(r.err, "\n") << "no range message, no usage";
  EXPECT_EQ(access(dir.file("timing_log").c_str(), F_OK), 0) << "-t opens the timing log";
}

// The debugger of an internal-error report must not attach to the test run.
class ProgramShellDeathTest : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ProgramShellDeathTest, LeakedBlockIsInternalError455) {
  EXPECT_EXIT(
      {
        InitMallocBalance();
        bool error = false;
        process_option(false, 'm', "", &error);
        std::vector<uint8_t> image = yarl::YarlProgram::standard().bytes();
        decode_tables(image.data(), image.size());
        CheckedMalloc(16);
        set_initialized();
        halt(nullptr);
        exit(0);
      },
      testing::ExitedWithCode(1),
      removing_dump("Malloc balance is 1\\.\n(.|\n)*module name: qob\\.\n4\\) line number in that module: 455\\.\n"));
}

TEST_F(ProgramShellDeathTest, HaltWithMessageEndsWithStatusOne) {
  EXPECT_EXIT(halt("test stop"), testing::ExitedWithCode(1), "qob terminated - test stop\\.\n$");
}

TEST(ProgramShellUnit, HaltWithoutMessageBeforeStartReturns) {
  // The string settings are freed only by the clean-ups of a started server.
  bool error = false;
  for (char letter : {'e', 'l', 'p', 's'}) process_option(false, letter, "setting", &error);
  ASSERT_FALSE(error);
  int32_t balance = GetMallocBalance();
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  halt(nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(err, "\n") << "only the line feed of ending the application processes";
  EXPECT_EQ(GetMallocBalance(), balance) << "a clean-up ran";
}

}  // namespace
