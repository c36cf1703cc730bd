// The real server with a real application on its pipes: a YARL program
// starts the application, reports a request code, receives the answers and
// exits with what it received.
#include <gtest/gtest.h>

#include "tests/link/link_fixture.h"
#include "tests/support/runner.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

TEST(Server, ApplicationAnswersAValueRequestAndTheCodeResumes) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t number = p.add(GLOBAL, make_ident(K_INTEGER), "number");
  uint16_t text = p.add(GLOBAL, make_ident(K_STRING), "text");
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  yarl::Code& c = p.code();
  yarl::Label main = c.label(), wrong = c.label();
  c.bind(main);
  c.push_string(VALUE_APP).push(0).op(op::START_PROCESS).assign(GLOBAL, pid);
  c.push(0).op(op::EVENT_CODE).push(K_INTEGER).op(op::REPORT_TEK);
  c.op(op::READ_APPLICATION_VALUE).u8(2).ref(GLOBAL, number).ref(GLOBAL, text);
  c.push_var(GLOBAL, text).push_string("ok").op(yarl_test::op::EQ).u8(K_STRING).if_false(wrong);
  c.push_var(GLOBAL, number).op(yarl::op::EXIT);
  c.bind(wrong);
  c.exit_program(99);
  p.initial_code().jump(main);
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("app.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", dir.file("app.b")};
  options.timeout_seconds = 20;
  options.own_display = true;
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 42) << r.err;
}

}  // namespace
