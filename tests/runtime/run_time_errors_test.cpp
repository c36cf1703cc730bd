// The end of a run: the exit operation, run-time errors with their traceback
// and report, breakpoints and single step; options reaching predefined 14-39.
#include "runtime/run_time_errors.h"

#include <gtest/gtest.h>

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
  RunResult r = run_qob(dir, p, {"-e", "cat > report"});
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
  expected_err += "\nqob terminated - YARL run-time error(s), see messages above.\n";
  expected_report += "\nWindow stack dumps:\n\n---end of error info---\n";
  EXPECT_EQ(r.err, expected_err);
  EXPECT_EQ(read_file(dir.file("report")), expected_report);
}

TEST(RunTimeError, ReportCommandThatExitsEarlyStillHalts) {
  TempDir dir;
  yarl::YarlProgram p = nested_error_program();
  RunResult r = run_qob(dir, p, {"-e", "exec 0<&-; exit 3"});
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("qob terminated - YARL run-time error(s), see messages above.\n"), std::string::npos);
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

using DebuggerDeathTest = Debugger;

// A debug instruction that did not stop leaves errors fatal.
TEST_F(DebuggerDeathTest, PassedDebugInstructionDoesNotShieldErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        load();
        run({op::DEBUG, 0, 1, 0, 5, yarl::op::CONSTANT_0 + 1, yarl::op::CONSTANT_0, op::DIV_INTEGER});
      },
      testing::ExitedWithCode(1), "qob terminated - YARL run-time error\\(s\\), see messages above\\.");
}

}  // namespace
