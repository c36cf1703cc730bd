// The end of a run: the exit operation, run-time errors with their traceback
// and report, breakpoints and single step; options reaching predefined 14-39.
#include "runtime/run_time_errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <vector>

#include "base/checked_mm.h"
#include "runtime/procedures.h"
#include "runtime/variables.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/runner.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
namespace op = yarl_test::op;

RunResult run_qob(const TempDir& dir, yarl::YarlProgram& p, std::vector<std::string> args) {
  EXPECT_TRUE(p.write(dir.file("t.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", "t.b"};
  for (std::string& a : args) options.args.push_back(a);
  options.directory = dir.path();
  options.own_display = true;
  return run_program(options);
}

TEST(ExitOperation, InitialCodeEndsQobWithItsStatus) {
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.initial_code().push(6).push(7).op(op::MUL_INTEGER).op(yarl::op::EXIT);
  RunResult r = run_qob(dir, p, {});
  EXPECT_EQ(r.exit_code, 42) << r.err;
  EXPECT_EQ(r.err, "\n");  // the line feed of ending the application processes
}

TEST(ExitOperation, OptionStringsReachPredefined14To39) {
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  // length(-A) * 10 + length(-Z)
  p.initial_code().push_var(GLOBAL, 14).op(op::LENGTH).push(10).op(op::MUL_INTEGER);
  p.initial_code().push_var(GLOBAL, 39).op(op::LENGTH).op(op::ADD_INTEGER).op(yarl::op::EXIT);
  RunResult r = run_qob(dir, p, {"-A", "hello", "-Z", "abc"});
  EXPECT_EQ(r.exit_code, 53) << r.err;
  r = run_qob(dir, p, {});
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

// A division by zero in a procedure called from the initial code.
yarl::YarlProgram nested_error_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  ident_info proc = make_ident(K_PROCEDURE);
  uint16_t f = p.add(GLOBAL, proc, "divide");
  Code& c = p.code();
  p.ident(GLOBAL, f).val.u = c.offset();
  c.op(op::DEBUG).u16(0).u16(12).push(1).push(0).op(op::DIV_INTEGER).op(op::PROCEDURE_RETURN);
  Code& init = p.initial_code();
  init.push_string("main.y").op(op::ASSIGN_ARRAY).ref(GLOBAL, 65);
  init.op(op::DEBUG).u16(0).u16(3).op(op::PROCEDURE).ref(GLOBAL, f).u8(0).u8(0).exit_program(0);
  return p;
}

TEST(RunTimeError, TracebackGoesToStderrAndTheReportCommand) {
  TempDir dir;
  yarl::YarlProgram p = nested_error_program();
  // copy_app copies its standard input as cat does, in both builds.
  RunResult r = run_qob(dir, p, {"-e", std::string(COPY_APP) + " > report"});
  EXPECT_EQ(r.exit_code, 1);
  const char* traceback[] = {
      "integer division by zero in Initial statement of PROCEDURE 'divide' at line 12 of 'main.y'.",
      "Called by MENU 'Graphics' at line 3 of 'main.y'.",
      "This is a menu of MENU_WINDOW 'Graphics'.",
  };
  std::string expected_err, expected_report =
      "QOBS 11.1596 2003/08/06. YARL error  - integer division by zero.\n\nTraceback:\n";
  for (const char* line : traceback) {
    expected_err += std::string("\n") + line + "\n";
    expected_report += std::string("   ") + line + "\n";
  }
  expected_err += "\nqob terminated - YARL runtime error.\n";
  expected_report += "\nWindow stack dumps:\n\n---end of error info---\n";
  EXPECT_EQ(r.err, expected_err);
  EXPECT_EQ(read_file(dir.file("report")), expected_report);
}

TEST(RunTimeError, ReportCommandThatExitsEarlyStillHalts) {
  // Each command ends without reading the report: copy_app fails on a
  // missing file at once; the shell's form closes its input first.
  std::vector<std::string> commands = {std::string(COPY_APP) + " no-such-file"};
#ifndef _WIN32
  commands.push_back("exec 0<&-; exit 3");
#endif
  for (const std::string& command : commands) {
    TempDir dir;
    yarl::YarlProgram p = nested_error_program();
    RunResult r = run_qob(dir, p, {"-e", command});
    EXPECT_EQ(r.signal, 0) << command;
    EXPECT_EQ(r.exit_code, 1) << command;
    EXPECT_NE(r.err.find("qob terminated - YARL runtime error.\n"), std::string::npos) << command;
  }
}

class Debugger : public yarl_test::Loaded {
 protected:
  void set_array(uint16_t n, std::vector<int32_t> values) {
    ASSERT_TRUE(reset_array_size(global(1), global(n), uint32_t(values.size())));
    for (size_t i = 0; i < values.size(); ++i) global(n)->val.a[i] = integer_value(values[i]);
  }
};

TEST_F(Debugger, BreakpointStopsTheRunAndSingleStepContinues) {
  uint16_t x = program.add(GLOBAL, make_ident(K_INTEGER), "x");
  Code& c = program.code();
  uint32_t begin = c.offset();
  c.op(op::DEBUG).u16(1).u16(5).push(1).assign(GLOBAL, x);
  c.op(op::DEBUG).u16(1).u16(6).push(2).assign(GLOBAL, x);
  c.op(op::DEBUG).u16(1).u16(7).push(3).assign(GLOBAL, x).release();
  load();
  set_array(60, {1});
  set_array(61, {6});
  interpret_code(global(1), statement_code(begin), false);
  EXPECT_EQ(global(x)->val.i, 1);
  EXPECT_EQ(global(63)->val.i, 6);
  EXPECT_EQ(global(64)->val.i, 1);
  EXPECT_EQ(traceback_line(0), "Breakpoint in MENU 'Graphics' at line 6 of ''.");
  ASSERT_TRUE(stopped_at_breakpoint(global(1)));

  // An error in the stopped context ends that run only.
  run({yarl::op::CONSTANT_0 + 1, yarl::op::CONSTANT_0, op::DIV_INTEGER});
  EXPECT_TRUE(rterror);

  global(62)->val.i = 1;  // single step
  ident_info* context;
  const uint8_t* position;
  uint16_t source;
  ASSERT_TRUE(take_stopped_position(&context, &position, &source));
  interpret_code(context, position, false);
  EXPECT_EQ(global(x)->val.i, 2);
  EXPECT_EQ(global(63)->val.i, 7);
  EXPECT_EQ(traceback_line(0), "Single Step in MENU 'Graphics' at line 7 of ''.");
  global(62)->val.i = 0;
  ASSERT_TRUE(take_stopped_position(&context, &position, &source));
  interpret_code(context, position, false);
  EXPECT_EQ(global(x)->val.i, 3);
  EXPECT_FALSE(stopped_at_breakpoint(global(1)));
}

TEST_F(Debugger, UnequalBreakpointArraysAreADebuggerError) {
  Code& c = program.code();
  uint32_t begin = c.offset();
  c.op(op::DEBUG).u16(1).u16(5).release();
  load();
  in_interface_builder = true;
  set_array(60, {1, 2});
  set_array(61, {6, 7, 8});
  interpret_code(global(1), statement_code(begin), false);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(traceback_line(0).rfind("Debugger error: SIZE(breakpoint_paths) <> SIZE(breakpoint_lines) in ", 0), 0u);
}

// One timing-log line: real, user and system ticks, number, window, text.
void expect_log_line(const std::string& line, const std::string& text) {
  static const std::regex form("R [ 0-9]{3}[0-9]+, U [ 0-9]{3}[0-9]+, S [ 0-9]{3}[0-9]+, E    0, W Graphics: (.*)\\.");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(line, m, form)) << line;
  EXPECT_EQ(m[1], text);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a text file's line end under Windows
    lines.push_back(line);
  }
  return lines;
}

class TimingLog : public Debugger {
 protected:
  TempDir dir;
  char saved_cwd[4096];
  void SetUp() override {
    ASSERT_NE(getcwd(saved_cwd, sizeof saved_cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
  }
  void TearDown() override {
    Debugger::TearDown();  // closes the log
    EXPECT_EQ(chdir(saved_cwd), 0);
  }
};

TEST_F(TimingLog, ActionLogsItsStartPositionsAndEnd) {
  Code& c = program.code();
  uint32_t action = c.offset();
  c.op(op::DEBUG).u16(0).u16(9).op(op::DEBUG).u16(1).u16(12).release();
  load(true);
  ASSERT_TRUE(reset_array_size(global(1), global(65), 1));
  global(65)->val.a[0].s = dup_chars("main.y");
  start_action(global(1), 1, 8, action, 2, 1, false);
  std::vector<std::string> lines = lines_of(read_file(dir.file("timing_log")));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("R    0, ", 0), 0u);  // real time counts from the first line
  expect_log_line(lines[0], "Starting action in item 2/1 of menu Graphics");
  expect_log_line(lines[1], "File main.y, line 9");
  expect_log_line(lines[2], "File , line 12");  // no name for source file 1
  expect_log_line(lines[3], "Action completed in item 2/1 of menu Graphics");
}

TEST(TimingLogOption, DashTWritesTheLogInTheWorkingDirectory) {
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  Code& init = p.initial_code();
  init.push_string("main.y").op(op::ASSIGN_ARRAY).ref(GLOBAL, 65);
  init.op(op::DEBUG).u16(0).u16(3).exit_program(0);
  RunResult r = run_qob(dir, p, {"-t"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<std::string> lines = lines_of(read_file(dir.file("timing_log")));
  ASSERT_EQ(lines.size(), 1u);
  expect_log_line(lines[0], "File main.y, line 3");
  ASSERT_EQ(unlink(dir.file("timing_log").c_str()), 0);
  r = run_qob(dir, p, {});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(access(dir.file("timing_log").c_str(), F_OK), 0);  // only with -t
}

using DebuggerDeathTest = Debugger;

// A debug instruction that did not stop leaves errors fatal.
TEST_F(DebuggerDeathTest, PassedDebugInstructionDoesNotShieldErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        load();
        run({op::DEBUG, 0, 1, 0, 5, yarl::op::CONSTANT_0 + 1, yarl::op::CONSTANT_0, op::DIV_INTEGER});
      },
      testing::ExitedWithCode(1), "qob terminated - YARL runtime error\\.\n");
}

// An error that did not stop the program (Interface Builder mode) still decides how EXIT ends it.
TEST_F(DebuggerDeathTest, ExitAfterAnEarlierErrorEndsWithTheRunTimeErrorsMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::vector<uint8_t> exit_3 = {yarl::op::CONSTANT_0 + 3, yarl::op::EXIT};
  EXPECT_EXIT(
      {
        load();
        rterrors = false;
        in_interface_builder = true;
        run({yarl::op::CONSTANT_0 + 1, yarl::op::CONSTANT_0, op::DIV_INTEGER});
        in_interface_builder = false;
        run(exit_3);
      },
      testing::ExitedWithCode(1), "qob terminated - YARL run-time error\\(s\\), see messages above\\.\n");
  EXPECT_EXIT(
      {
        load();
        rterrors = false;  // earlier tests of this process raised errors
        run(exit_3);
      },
      testing::ExitedWithCode(3), "");
}

}  // namespace
