// The opcode loop, the operand stack and the expression operations, run in
// this process on a loaded program.
#include "runtime/interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "platform/posix_services.h"
#include "runtime/run_time_errors.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/dump_files.h"

namespace {

using yarl::Code;
using yarl_test::real_bits;
namespace op = yarl_test::op;

Code& real(Code& c, float f) { return c.push_long(real_bits(f)); }
Code& integer(Code& c, int32_t i) { return c.push_long(uint32_t(i)); }

struct ExpressionCase {
  const char* name;
  std::function<void(Code&)> code;
  uint32_t result;      // the low 32 bits of the one value left
  const char* error;    // the run-time error raised, or null
};

const float NaN = std::numeric_limits<float>::quiet_NaN();

const ExpressionCase expression_cases[] = {
    {"add_wraps", [](Code& c) { integer(c, INT32_MAX).push(1).op(op::ADD_INTEGER); }, 0x80000000u, nullptr},
    {"sub_wraps", [](Code& c) { integer(c, INT32_MIN).push(1).op(op::SUB_INTEGER); }, 0x7FFFFFFFu, nullptr},
    {"mul_wraps", [](Code& c) { integer(c, 65536).push_long(65536).op(op::MUL_INTEGER); }, 0, nullptr},
    {"div_truncates", [](Code& c) { c.push(7); integer(c, -2).op(op::DIV_INTEGER); }, uint32_t(-3), nullptr},
    {"mod_sign_of_left", [](Code& c) { c.push(7); integer(c, -2).op(op::MOD); }, 1, nullptr},
    {"mod_negative_left", [](Code& c) { integer(c, -7).push(2).op(op::MOD); }, uint32_t(-1), nullptr},
    {"div_min_by_minus_one", [](Code& c) { integer(c, INT32_MIN); integer(c, -1).op(op::DIV_INTEGER); },
     0x80000000u, nullptr},
    {"mod_min_by_minus_one", [](Code& c) { integer(c, INT32_MIN); integer(c, -1).op(op::MOD); }, 0, nullptr},
    {"div_by_zero", [](Code& c) { c.push(7).push(0).op(op::DIV_INTEGER); }, 0, "integer division by zero"},
    {"mod_by_zero", [](Code& c) { c.push(7).push(0).op(op::MOD); }, 0, "integer modulo by zero"},
    {"angle_wraps", [](Code& c) { integer(c, 1295000).push(2000).op(op::ADD_ANGLE); }, 1000, nullptr},
    {"full_turn_stays", [](Code& c) { integer(c, 1296000).push(0).op(op::ADD_ANGLE); }, 1296000, nullptr},
    {"angle_negative_wrap", [](Code& c) { integer(c, -1296000).push(1).op(op::SUB_ANGLE); }, uint32_t(-1), nullptr},
    {"angle_op_wraps", [](Code& c) { integer(c, -1296001).op(op::ANGLE); }, uint32_t(-1), nullptr},
    {"angle_product_saturates", [](Code& c) { integer(c, 2000000000); real(c, 2.0f).op(op::MUL_ANGLE_REAL); },
     0x7FFFFFFFu, nullptr},
    {"integer_truncates", [](Code& c) { real(c, 2.9f).op(op::INTEGER); }, 2, nullptr},
    {"integer_truncates_negative", [](Code& c) { real(c, -2.9f).op(op::INTEGER); }, uint32_t(-2), nullptr},
    {"integer_lowest", [](Code& c) { real(c, -2147483648.0f).op(op::INTEGER); }, 0x80000000u, nullptr},
    {"integer_2_pow_31", [](Code& c) { real(c, 2147483648.0f).op(op::INTEGER); }, 1,
     "REAL argument to transfer function INTEGER out of range"},
    {"integer_3e9", [](Code& c) { real(c, -3.0e9f).op(op::INTEGER); }, 1,
     "REAL argument to transfer function INTEGER out of range"},
    {"integer_nan", [](Code& c) { real(c, NaN).op(op::INTEGER); }, 1,
     "REAL argument to transfer function INTEGER out of range"},
    {"real_of_integer", [](Code& c) { integer(c, -3).op(op::REAL); }, real_bits(-3.0f), nullptr},
    {"div_real", [](Code& c) { real(c, 1.0f); real(c, 4.0f).op(op::DIV_REAL); }, real_bits(0.25f), nullptr},
    {"div_real_by_zero", [](Code& c) { real(c, 1.0f); real(c, 0.0f).op(op::DIV_REAL); }, 0, "real divided by 0.0"},
    {"shift_by_32", [](Code& c) { c.push(5).push(32).op(op::SHL); }, 5, "Shift count out of range"},
    {"shift_right_keeps_sign", [](Code& c) { integer(c, -8).push(1).op(op::SHR); }, uint32_t(-4), nullptr},
    {"abs_integer", [](Code& c) { integer(c, -5).op(op::ABS).u8(K_INTEGER); }, 5, nullptr},
    {"abs_real", [](Code& c) { real(c, -1.5f).op(op::ABS).u8(K_REAL); }, real_bits(1.5f), nullptr},
    {"not", [](Code& c) { c.push(7).op(op::NOT); }, 0, nullptr},
    {"eq_real", [](Code& c) { real(c, 1.0f); real(c, 1.0f).op(op::EQ).u8(K_REAL); }, 1, nullptr},
    {"lt_string", [](Code& c) { c.push_string("a").push_string("b").op(op::LT).u8(K_STRING); }, 1, nullptr},
    {"ge_integer", [](Code& c) { integer(c, -1).push(0).op(op::GE).u8(K_INTEGER); }, 0, nullptr},
    {"max_last_pushed", [](Code& c) { c.push(3).push(7).push(7).op(op::MAX).u8(3).u8(K_INTEGER); }, 7, nullptr},
    {"min_of_one", [](Code& c) { c.push(9).op(op::MIN).u8(1).u8(K_INTEGER); }, 9, nullptr},
    {"character_range", [](Code& c) { c.push(300).op(op::CHARACTER); }, 0,
     "value out of range during conversion to character"},
    {"index_found", [](Code& c) { c.push_string("abcabc").push_string("ca").op(op::INDEX); }, 3, nullptr},
    {"index_empty_pattern", [](Code& c) { c.push_string("abc").push_string("").op(op::INDEX); }, 1, nullptr},
    {"index_long_pattern", [](Code& c) { c.push_string("ab").push_string("abc").op(op::INDEX); }, 0, nullptr},
    {"length", [](Code& c) { c.push_string("hello").op(op::LENGTH); }, 5, nullptr},
    {"string_to_integer", [](Code& c) { c.push_string(" 12 ").op(op::STRING).u8(7 + K_INTEGER); }, 12, nullptr},
    {"string_to_character", [](Code& c) { c.push_string("xy").op(op::STRING).u8(7 + K_CHARACTER); }, 'x', nullptr},
    {"string_conversion_fails", [](Code& c) { c.push_string("1x").op(op::STRING).u8(7 + K_INTEGER); }, 0,
     "Conversion error during type transfer from string"},
    {"bounds_zero_based", [](Code& c) { c.push(5).push(1).push(10).op(op::CHECK_BOUNDS); }, 4, nullptr},
    {"bounds_outside", [](Code& c) { c.push(11).push(1).push(10).op(op::CHECK_BOUNDS); }, 0,
     "Array index (11) outside declared bounds [1:10]"},
    {"extended_bounds", [](Code& c) { c.push(11).push(1).push(10).op(op::CHECK_EXTENDED); }, 10, nullptr},
    {"range_sets_low", [](Code& c) { c.push(20).push(1).push(10).op(op::CHECK_RANGES).u8(K_INTEGER).u8(1); }, 1,
     "Integer value 20 outside allowed range 1...10"},
    {"constructor_element",
     [](Code& c) { c.op(op::STACK_SIZE).push(4).push(5).push(6).push(2).op(op::STACK_ELEMENT).u8(K_INTEGER); }, 5,
     nullptr},
    {"constructor_index_outside",
     [](Code& c) { c.op(op::STACK_SIZE).push(4).push(4).op(op::STACK_ELEMENT).u8(K_INTEGER); }, 0,
     "Array constructor index out of range"},
    {"dup_then_len", [](Code& c) { c.op(op::MARK).push(3).push(8).op(op::DUP).u8(K_INTEGER).op(op::PUSH_LEN)
                                     .op(op::MAX).u8(2).u8(K_INTEGER); }, 8, nullptr},
};

class Expressions : public yarl_test::Loaded, public testing::WithParamInterface<ExpressionCase> {};

TEST_P(Expressions, LeaveTheirResultOrRaiseTheirError) {
  const ExpressionCase& c = GetParam();
  load();
  in_interface_builder = true;  // errors end the run, not the program
  Code code(false);
  c.code(code);
  run(code.raw_bytes());
  if (c.error != nullptr) {
    EXPECT_TRUE(rterror);
    EXPECT_EQ(traceback_line(0).rfind(std::string(c.error) + " in ", 0), 0u) << traceback_line(0);
    EXPECT_EQ(used_slots(), 0u);
    return;
  }
  EXPECT_FALSE(rterror) << traceback_line(0);
  ASSERT_GE(used_slots(), 1u);
  EXPECT_EQ(sp->u, c.result);
  sp = sb - 1;
}

INSTANTIATE_TEST_SUITE_P(Table, Expressions, testing::ValuesIn(expression_cases),
                         [](const testing::TestParamInfo<ExpressionCase>& info) { return info.param.name; });

class Interpreter : public yarl_test::Loaded {
 protected:
  std::string top_string() { return sp->s; }
};

TEST_F(Interpreter, StringOperationsMakeNewStrings) {
  load();
  struct {
    std::function<void(Code&)> code;
    const char* text;
  } cases[] = {
      {[](Code& c) { c.push_string("hello").push(4).push(5).op(op::SUBSTRING); }, "lo"},
      {[](Code& c) { c.push_string("hello").push(1).push(0).op(op::SUBSTRING); }, ""},
      {[](Code& c) { c.push_string("ab").push_string("cd").op(op::CONCATENATE); }, "abcd"},
      {[](Code& c) { c.push_string("ab").push_string("").op(op::CONCATENATE); }, "ab"},
      {[](Code& c) { integer(c, -42).op(op::STRING).u8(K_INTEGER); }, "-42"},
      {[](Code& c) { c.push_string("b").push_string("a").op(op::MAX).u8(2).u8(K_STRING); }, "b"},
  };
  for (auto& k : cases) {
    Code code(false);
    k.code(code);
    run(code.raw_bytes());
    ASSERT_EQ(used_slots(), 1u);
    EXPECT_EQ(top_string(), k.text);
    free_owned(K_STRING, sp);
    sp = sb - 1;
  }
}

TEST_F(Interpreter, SubstringChecksInOrder) {
  load();
  in_interface_builder = true;
  struct {
    int32_t start, length;
    const char* error;
  } cases[] = {{1, -1, "SUBSTRING length < 0"},
               {1, 6, "SUBSTRING length > string length"},
               {0, 1, "SUBSTRING start < 1"},
               {6, 1, "SUBSTRING start > string length"}};
  for (auto& k : cases) {
    Code code(false);
    code.push_string("hello");
    integer(code, k.start);
    integer(code, k.length).op(op::SUBSTRING);
    run(code.raw_bytes());
    EXPECT_TRUE(rterror);
    EXPECT_EQ(traceback_line(0).rfind(k.error, 0), 0u) << traceback_line(0);
  }
}

TEST_F(Interpreter, ConstantsPrefixAndStackGrowth) {
  load();
  Code code(false);
  code.op(222).op(255);
  for (int i = 0; i < 70; ++i) code.push(i);
  run(code.raw_bytes());
  ASSERT_EQ(used_slots(), 72u);
  EXPECT_EQ(sb[0].i, 0);
  EXPECT_EQ(sb[1].i, 33);
  EXPECT_EQ(sb[71].i, 69);
  EXPECT_GE(se - sb + 1, 128);
  sp = sb - 1;
}

TEST_F(Interpreter, EmptySliceOfAConstructorLeavesNothing) {
  load();
  Code code(false);
  code.op(op::STACK_SIZE).push(4).push(5).push(2).push(1).op(op::STACK_SLICE).u8(K_INTEGER);
  run(code.raw_bytes());
  EXPECT_EQ(used_slots(), 0u);
  Code slice(false);
  slice.op(op::STACK_SIZE).push(4).push(5).push(6).push(2).push(3).op(op::STACK_SLICE).u8(K_INTEGER);
  run(slice.raw_bytes());
  ASSERT_EQ(used_slots(), 2u);
  EXPECT_EQ(sb[0].i, 5);
  EXPECT_EQ(sb[1].i, 6);
  sp = sb - 1;
}

TEST_F(Interpreter, DeepConstructorNestingGrowsTheSizeStack) {
  load();
  Code code(false);
  for (int i = 0; i < 100; ++i) code.op(op::STACK_SIZE).push(i);
  for (int i = 0; i < 100; ++i) code.push(1).op(op::STACK_ELEMENT).u8(K_INTEGER);
  run(code.raw_bytes());
  EXPECT_FALSE(rterror);
  ASSERT_EQ(used_slots(), 1u);
  EXPECT_EQ(sb[0].i, 0);
  sp = sb - 1;
}

// Counts a global down to 0: 9 instructions a turn, 5 more to leave.
TEST_F(Interpreter, LongRunPrintsProgrammingInformation) {
  uint16_t n = program.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "n");
  ident_info w = yarl::make_ident(K_MENU_WINDOW);
  uint16_t busy = program.add(yarl::GLOBAL, w, "busy");
  Code& c = program.code();
  yarl::Label loop = c.label(), done = c.label();
  uint32_t begin = c.offset();
  c.bind(loop).push_var(yarl::GLOBAL, n).push(0).op(op::GT).u8(K_INTEGER).if_false(done);
  c.push_var(yarl::GLOBAL, n).push(1).op(op::SUB_INTEGER).assign(yarl::GLOBAL, n).jump(loop);
  c.bind(done).release();
  load();
  auto count_down = [&](int32_t turns) {
    global(n)->val.i = turns;
    cpu_ticks before = process_cpu_ticks();
    testing::internal::CaptureStderr();
    interpret_code(global(busy), statement_code(begin), true);
    std::string err = testing::internal::GetCapturedStderr();
    cpu_ticks after = process_cpu_ticks();
    return std::make_pair(err, after.user + after.system - before.user - before.system);
  };
  // Over 2000 instructions in little time: nothing to say.
  EXPECT_EQ(count_down(300).first, "");
  // Enough turns for about 0.7 s of processor time.
  int32_t turns = 100000;
  int64_t spent = 0;
  while ((spent = count_down(turns).second) < 10 && turns < (1 << 28)) turns *= 2;
  turns = int32_t(std::min<int64_t>(int64_t(turns) * 70 / std::max<int64_t>(spent, 1), 1 << 30));
  auto [err, cpu] = count_down(turns);
  ASSERT_GT(cpu, 50);
  std::string head = "\nProgramming information:\n ";
  ASSERT_EQ(err.rfind(head, 0), 0u) << err;
  std::string instructions = std::to_string(uint64_t(turns) * 9 + 5);
  std::string rest = " CPU seconds spent, " + instructions +
                     " YARL instructions executed in\n MENU_WINDOW 'busy', "
                     "\ntime limit execeeded in MENU 'busy'.\n"
                     "\nThis is a menu of MENU_WINDOW 'busy'.\n"
                     "\n Please simplify YARL code for better response times.\n\n";
  size_t at = err.find(rest);
  ASSERT_NE(at, std::string::npos) << err;
  double seconds = std::stod(err.substr(head.size(), at - head.size()));
  EXPECT_NEAR(seconds, double(cpu) / 100.0, 0.1);
  EXPECT_EQ(traceback_line(0), "time limit execeeded in MENU 'busy'.");
  EXPECT_FALSE(record_of(global(busy))->state & WR_RUNNING);
}

using InterpreterDeathTest = Interpreter;

TEST_F(InterpreterDeathTest, UnassignedOpcodeIsInternalError63) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        load();
        run({7});
      },
      testing::ExitedWithCode(1),
      removing_dump("Bad op code 7 at (.|\n)*module name: evcx\\.\n4\\) line number in that module: 63\\."));
}

}  // namespace
