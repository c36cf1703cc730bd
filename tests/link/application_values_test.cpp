// Value requests answered by <EC>A values, and reports to a real child.
#include "runtime/application_values.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/checked_mm.h"
#include "runtime/procedures.h"
#include "runtime/window_record.h"
#include "tests/link/link_fixture.h"
#include "tests/support/contains_regex.h"
#include "tests/support/protocol.h"

namespace {

using link_test::Linked;
using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

value* block(std::initializer_list<value> values) {
  value* b = checked_new_array<value>(values.size() == 0 ? 1 : values.size());
  size_t i = 0;
  for (value v : values) b[i++] = v;
  return b;
}
value ival(int32_t i) { return integer_value(i); }
value rval(float r) {
  value v{};
  v.r = r;
  return v;
}
value sval(const char* s) {
  value v{};
  v.s = dup_chars(s);
  return v;
}

class ValueRequest : public Linked {
 protected:
  uint16_t code_var = 0, done = 0;
  std::vector<uint16_t> vars;

  // Code that stores its event code, requests one value per variable and
  // then sets `done`.
  void build(const std::vector<ident_info>& receivers) {
    code_var = program.add(GLOBAL, make_ident(K_INTEGER), "code");
    done = program.add(GLOBAL, make_ident(K_INTEGER), "done");
    for (size_t i = 0; i < receivers.size(); ++i) {
      std::string name("v");
      name += std::to_string(i);
      vars.push_back(program.add(GLOBAL, receivers[i], name));
    }
    yarl::Code& c = program.code();
    begin_ = c.offset();
    c.op(op::EVENT_CODE).assign(GLOBAL, code_var);
    c.op(op::READ_APPLICATION_VALUE).u8(uint8_t(vars.size()));
    for (uint16_t v : vars) c.ref(GLOBAL, v);
    c.push(1).assign(GLOBAL, done).release();
    load();
    start_code(begin_);
    ASSERT_FALSE(rterror);
  }
  uint32_t code() { return global(code_var)->val.u; }
  ident_info* var(size_t i) { return global(vars[i]); }
  bool finished() { return global(done)->val.i == 1; }

 private:
  uint32_t begin_ = 0;
};

TEST_F(ValueRequest, ScalarsOfEveryKindResumeAfterTheLastValue) {
  build({make_ident(K_REAL), make_ident(K_ANGLE), make_ident(K_INTEGER), make_ident(K_BOOLEAN),
         make_ident(K_CHARACTER), make_ident(K_STRING)});
  EXPECT_EQ(code() >> 16, 1u);
  EXPECT_EQ(get_outstanding_application_values(), 1u);
  EXPECT_NE(record_of(global(1))->pending_request, -1);
  enter_application_value(code(), 'r', 0, 2.5f, nullptr);
  enter_application_value(code(), 'i', 2 * 1296000 + 5, 0, nullptr);
  enter_application_value(code(), 'i', -123456, 0, nullptr);
  enter_application_value(code(), 'i', 7, 0, nullptr);
  EXPECT_FALSE(finished());
  enter_application_value(code(), 'i', 0x1FF, 0, nullptr);
  enter_application_value(code(), 's', 0, 0, dup_chars("text"));
  EXPECT_TRUE(finished());
  EXPECT_EQ(var(0)->val.r, 2.5f);
  EXPECT_EQ(var(1)->val.i, 5);
  EXPECT_EQ(var(2)->val.i, -123456);
  EXPECT_EQ(var(3)->val.i, 1);
  EXPECT_EQ(var(4)->val.i, 0xFF);  // a scalar CHARACTER keeps 8 bits
  EXPECT_STREQ(var(5)->val.s, "text");
  EXPECT_EQ(get_outstanding_application_values(), 0u);
  EXPECT_EQ(record_of(global(1))->pending_request, -1);
}

TEST_F(ValueRequest, ArraysOfEveryKind) {
  build({array_ident(K_REAL, 4), array_ident(K_ANGLE, 4), array_ident(K_INTEGER, 4),
         array_ident(K_BOOLEAN, 4), array_ident(K_CHARACTER, 4), array_ident(K_STRING, 4)});
  enter_application_value(code(), 'R', 2, 0, block({rval(1.5f), rval(-2)}));
  enter_application_value(code(), 'I', 2, 0, block({ival(1296001), ival(-3)}));
  enter_application_value(code(), 'I', 3, 0, block({ival(1), ival(-2), ival(3)}));
  enter_application_value(code(), 'I', 2, 0, block({ival(0), ival(9)}));
  enter_application_value(code(), 'I', 2, 0, block({ival(200), ival(65)}));
  enter_application_value(code(), 'S', 2, 0, block({sval("a"), sval("bc")}));
  ASSERT_TRUE(finished());
  EXPECT_EQ(var(0)->word6, 2);
  EXPECT_EQ(var(0)->val.a[1].r, -2.0f);
  EXPECT_EQ(var(1)->val.a[0].i, 1);  // wrapped into the full turn
  EXPECT_EQ(var(2)->word6, 3);
  EXPECT_EQ(var(2)->val.a[1].i, -2);
  EXPECT_EQ(var(3)->val.a[1].i, 1);
  EXPECT_EQ(var(4)->val.a[0].i, 200 & 0x7F);  // array CHARACTERs keep 7 bits
  EXPECT_STREQ(var(5)->val.a[1].s, "bc");
}

TEST_F(ValueRequest, OldEventNumberChangesNothing) {
  build({make_ident(K_INTEGER)});
  testing::internal::CaptureStderr();
  enter_application_value(code() + 1, 'i', 5, 0, nullptr);
  enter_application_value(code() + 2, 'S', 1, 0, block({sval("freed")}));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Application program sent <EC>Ai, but window 'Graphics'\n          is not waiting for event code"),
            std::string::npos)
      << err;
  EXPECT_EQ(var(0)->val.i, 0);
  EXPECT_FALSE(finished());
  enter_application_value(code(), 'i', 5, 0, nullptr);
  EXPECT_TRUE(finished());
}

TEST_F(ValueRequest, TooManyElementsCopyNothing) {
  build({array_ident(K_STRING, 2)});
  in_interface_builder = true;  // the run-time error returns instead of halting
  testing::internal::CaptureStderr();
  enter_application_value(code(), 'S', 3, 0, block({sval("a"), sval("b"), sval("c")}));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("exceeds maximum array length"), std::string::npos) << err;
  EXPECT_EQ(var(0)->word6, 0);
  EXPECT_FALSE(finished());
}

// A request from an action started with the busy-main flag (a 3D manipulator's)
// makes the graphics window busy too; the answer or a new action of the
// requesting window ends that, a plain request never starts it.
class BusyMainRequest : public Linked {
 protected:
  uint16_t tool = 0, v = 0;
  uint32_t begin = 0;
  uint32_t outstanding = 0;  // requests that earlier tests of this process left

  void SetUp() override {
    v = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "v");
    ident_info menu = yarl::make_ident(K_MENU);
    ident_info w = yarl::make_ident(K_MENU_WINDOW);
    w.flags1 = WINDOW_VISIBLE;
    w.word2 = 1 << 12;
    w.word6 = 1;
    w.count = program.add(yarl::WINDOW_LOCAL, menu, "main");
    tool = program.add(GLOBAL, w, "tool");
    yarl::Code& c = program.code();
    begin = c.offset();
    c.op(op::READ_APPLICATION_VALUE).u8(1).ref(GLOBAL, v).release();
    load();
    outstanding = get_outstanding_application_values();
  }
  // Requests one value in the tool window; the event code of the request.
  uint32_t request(bool busy_main) {
    set_window_flag(global(tool), WINDOW_BUSY_MAIN, busy_main);
    interpret_code(global(tool), statement_code(begin), true);
    return uint32_t(tool) << 16 | uint32_t(record_of(global(tool))->pending_request);
  }
  bool main_busy_by_request() { return (record_of(global(1))->call_flags & WR_BUSY_BY_REQUEST) != 0; }
};

TEST_F(BusyMainRequest, MarksTheGraphicsWindowUntilAnsweredOrCleared) {
  request(false);
  EXPECT_FALSE(main_busy_by_request()) << "a plain request";
  clear_queues(global(tool));
  EXPECT_EQ(get_outstanding_application_values(), outstanding);

  uint32_t code = request(true);
  EXPECT_TRUE(main_busy_by_request());
  enter_application_value(code, 'i', 7, 0, nullptr);
  EXPECT_EQ(global(v)->val.i, 7);
  EXPECT_FALSE(main_busy_by_request()) << "the answer resumed the action";

  request(true);
  EXPECT_TRUE(main_busy_by_request());
  EXPECT_EQ(get_outstanding_application_values(), outstanding + 1);
  clear_queues(global(1));
  EXPECT_TRUE(main_busy_by_request()) << "another window's queues leave the mark";
  clear_queues(global(tool));
  EXPECT_FALSE(main_busy_by_request()) << "the request was dropped";
  EXPECT_EQ(get_outstanding_application_values(), outstanding);
  EXPECT_EQ(record_of(global(tool))->pending_request, -1);
}

using ValueRequestDeath = ValueRequest;

TEST_F(ValueRequestDeath, EventCodeOfNoWindowHalts) {
  build({make_ident(K_INTEGER)});
  EXPECT_EXIT(enter_application_value(uint32_t(vars[0]) << 16, 'i', 1, 0, nullptr), testing::ExitedWithCode(1),
              contains_regex("Incorrect event code [0-9]+ in <EC>Ai command\n.*qob terminated - Application program error"));
}

TEST_F(ValueRequestDeath, TypeMismatchIsARunTimeError) {
  build({make_ident(K_REAL)});
  EXPECT_EXIT(enter_application_value(code(), 'i', 1, 0, nullptr), testing::ExitedWithCode(1),
              contains_regex("Application program sent <EC>Ai, but variable 'v0' is REAL.\n.*"
                             "qob terminated - YARL runtime error\\.\n"));
}

// ---- Reports ----

class Reports : public Linked {};

TEST_F(Reports, EncodedAndTextReportsReachTheChild) {
  uint16_t text = program.add(GLOBAL, make_ident(K_STRING), "text");
  yarl::Code& c = program.code();
  uint32_t begin = c.offset();
  // REPORT_TEK 0: 1.0, -7 (INTEGER), 'Z', "ab", TRUE, ANGLE 100.
  c.push(0);
  c.push_long(yarl_test::real_bits(1.0f)).push(K_REAL);
  c.push(0).push(7).op(yarl_test::op::SUB_INTEGER).push(K_INTEGER);
  c.push('Z').push(K_CHARACTER);
  c.push_string("ab").push(K_STRING);
  c.push(1).push(K_BOOLEAN);
  c.push(100).push(K_ANGLE);
  c.op(op::REPORT_TEK);
  c.push(0).push_var(GLOBAL, text).push(K_STRING).push(42).push(K_INTEGER).op(op::REPORT_ASCII);
  c.release();
  load();
  global(text)->val.s = dup_chars("n=");
  ASSERT_GT(start_process(0, COPY_APP), 0);
  start_code(begin);
  ASSERT_FALSE(rterror);
  std::string expected_tail = "n=42";
  std::string got;
  while (got.size() < expected_tail.size() || got.compare(got.size() - 4, 4, expected_tail) != 0) got += refill();
  tek::ReportReader r(got.substr(0, got.size() - 4));
  float real = 0;
  long i = 0;
  char ch = 0;
  std::string s;
  ASSERT_TRUE(r.read_real(&real));
  EXPECT_EQ(real, 1.0f);
  ASSERT_TRUE(r.read_intc(&i));
  EXPECT_EQ(i, -7);
  ASSERT_TRUE(r.read_char(&ch));
  EXPECT_EQ(ch, 'Z');
  ASSERT_TRUE(r.read_string(&s));
  EXPECT_EQ(s, "ab");
  ASSERT_TRUE(r.read_int(&i));
  EXPECT_EQ(i, 1);
  ASSERT_TRUE(r.read_int(&i));
  EXPECT_EQ(i, 100);
  EXPECT_TRUE(r.at_end());
}

TEST_F(Reports, ReportToAnInactiveProcessIsARunTimeError) {
  yarl::Code& c = program.code();
  uint32_t begin = c.offset();
  c.push(4).push(1).push(K_INTEGER).op(op::REPORT_TEK).release();
  load();
  EXPECT_EXIT(start_code(begin), testing::ExitedWithCode(1), "process 4 not active");
}

}  // namespace
