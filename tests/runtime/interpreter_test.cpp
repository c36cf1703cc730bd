// The opcode loop, the operand stack and the expression operations, run in
// this process on a loaded program.
#include "runtime/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "platform/posix_services.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
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
  uint32_t result;      // the low 32 bits of the value left on top, also by an erring operation
  const char* error;    // the run-time error raised, or null
};

// Wraps every opcode handler to keep the stack top as the first erring
// operation left it, before the run's end empties the stack.
class ErrorResult {
 public:
  ErrorResult() {
    std::copy(op_proc, op_proc + N_OPCODES, saved_);
    install(std::make_index_sequence<N_OPCODES>{});
    seen_ = false;
  }
  ~ErrorResult() { std::copy(saved_, saved_ + N_OPCODES, op_proc); }
  ErrorResult(const ErrorResult&) = delete;
  ErrorResult& operator=(const ErrorResult&) = delete;
  bool seen() const { return seen_; }
  uint32_t top() const { return top_; }

 private:
  template <size_t K>
  static const uint8_t* recording(ident_info* context, const uint8_t* pc) {
    const uint8_t* next = saved_[K](context, pc);
    if (rterror && !seen_ && sp >= sb) {
      seen_ = true;
      top_ = sp->u;
    }
    return next;
  }
  template <size_t... K>
  void install(std::index_sequence<K...>) {
    ((op_proc[K] = saved_[K] != nullptr ? &recording<K> : nullptr), ...);
  }
  static inline op_handler saved_[N_OPCODES];
  static inline bool seen_;
  static inline uint32_t top_;
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
    {"div_by_zero", [](Code& c) { c.push(7).push(0).op(op::DIV_INTEGER); }, 7, "integer division by zero"},
    {"mod_by_zero", [](Code& c) { c.push(7).push(0).op(op::MOD); }, 7, "integer modulo by zero"},
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
    {"div_real_by_zero", [](Code& c) { real(c, 1.0f); real(c, 0.0f).op(op::DIV_REAL); }, real_bits(1.0f),
     "real divided by 0.0"},
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
    {"character_range", [](Code& c) { c.push(300).op(op::CHARACTER); }, 300,
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
     [](Code& c) { c.op(op::STACK_SIZE).push(4).push(4).op(op::STACK_ELEMENT).u8(K_INTEGER); }, 4,
     "Array constructor index out of range"},  // the elements stay
    {"dup_then_len", [](Code& c) { c.op(op::MARK).push(3).push(8).op(op::DUP).u8(K_INTEGER).op(op::PUSH_LEN)
                                     .op(op::MAX).u8(2).u8(K_INTEGER); }, 8, nullptr},
};

void PrintTo(const ExpressionCase& c, std::ostream* os) { *os << c.name; }

class Expressions : public yarl_test::Loaded, public testing::WithParamInterface<ExpressionCase> {};

TEST_P(Expressions, LeaveTheirResultOrRaiseTheirError) {
  const ExpressionCase& c = GetParam();
  load();
  in_interface_builder = true;  // errors end the run, not the program
  Code code(false);
  c.code(code);
  ErrorResult erring;
  run(code.raw_bytes());
  if (c.error != nullptr) {
    EXPECT_TRUE(rterror);
    EXPECT_EQ(traceback_line(0).rfind(std::string(c.error) + " in ", 0), 0u) << traceback_line(0);
    ASSERT_TRUE(erring.seen()) << "the erring operation left no value";
    EXPECT_EQ(erring.top(), c.result) << "the value the erring operation left";
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
  // Enough turns for about 1 s of processor time, measured over at least a
  // quarter second so that a loaded machine's noise stays small.
  int32_t turns = 100000;
  int64_t spent = 0;
  while ((spent = count_down(turns).second) < 25 && turns < (1 << 28)) turns *= 2;
  turns = int32_t(std::min<int64_t>(int64_t(turns) * 100 / std::max<int64_t>(spent, 1), 1 << 30));
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

// Under the Interface Builder the recursion error returns: the code must not run.
TEST_F(Interpreter, WindowCodeOfARunningWindowDoesNotRun) {
  uint16_t x = program.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "x");
  uint16_t busy = program.add(yarl::GLOBAL, yarl::make_ident(K_MENU_WINDOW), "busy");
  Code& c = program.code();
  uint32_t begin = c.offset();
  c.push(1).assign(yarl::GLOBAL, x).release();
  load();
  in_interface_builder = true;
  record_of(global(busy))->state |= WR_RUNNING;
  interpret_code(global(busy), statement_code(begin), true);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(traceback_line(0).rfind("Window code recursion in ", 0), 0u) << traceback_line(0);
  EXPECT_EQ(global(x)->val.i, 0);
}

// Loops in table 3 whose sequences the interpreter fuses; the globals are
// plain (past the predefined ones) unless a case gives them a list.
class FusedSequences : public Interpreter {
 protected:
  uint16_t integer(const char* name) { return program.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), name); }
  void start(uint32_t offset) { interpret_code(global(1), statement_code(offset), false); }
};

TEST_F(FusedSequences, CompareAndBranchAgreeWithThePlainInstructions) {
  struct Case {
    uint8_t compare;
    int32_t left, right;
    bool holds;
  } cases[] = {
      {op::EQ, 3, 3, true},  {op::EQ, 3, 4, false}, {op::NE, 3, 4, true},  {op::NE, -1, -1, false},
      {op::LT, -5, 2, true}, {op::LT, 2, 2, false}, {op::LE, 2, 2, true},  {op::LE, 3, 2, false},
      {op::GT, 0, -1, true}, {op::GT, INT32_MIN, INT32_MAX, false},        {op::GE, 7, 7, true},
      {op::GE, 6, 7, false},
  };
  uint16_t x = integer("x"), y = integer("y"), r = integer("r");
  std::vector<uint32_t> by_variable, by_constant;
  Code& c = program.code();
  for (const Case& k : cases) {
    for (bool constant : {false, true}) {
      yarl::Label no = c.label();
      (constant ? by_constant : by_variable).push_back(c.offset());
      c.push_var(yarl::GLOBAL, x);
      if (constant) ::integer(c, k.right);
      else c.push_var(yarl::GLOBAL, y);
      c.op(k.compare).u8(K_INTEGER).if_false(no).push(1).assign(yarl::GLOBAL, r).release();
      c.bind(no).push(2).assign(yarl::GLOBAL, r).release();
    }
  }
  load();
  for (size_t i = 0; i < std::size(cases); ++i) {
    for (int turn = 0; turn < 2; ++turn) {  // the second run uses the decoded form
      for (uint32_t begin : {by_variable[i], by_constant[i]}) {
        global(x)->val.i = cases[i].left;
        global(y)->val.i = cases[i].right;
        global(r)->val.i = 0;
        start(begin);
        EXPECT_EQ(global(r)->val.i, cases[i].holds ? 1 : 2) << "case " << i << " at " << begin;
        EXPECT_EQ(used_slots(), 0u);
      }
    }
  }
}

TEST_F(FusedSequences, ArithmeticAndConcatenationAssignments) {
  uint16_t x = integer("x"), y = integer("y");
  uint16_t s = program.add(yarl::GLOBAL, yarl::make_ident(K_STRING), "s");
  uint16_t a = program.add(yarl::GLOBAL, yarl::make_ident(K_STRING), "a");
  Code& c = program.code();
  uint32_t add = c.offset();
  c.push_var(yarl::GLOBAL, x).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, x).release();
  uint32_t sub = c.offset();
  c.push_var(yarl::GLOBAL, x).push_var(yarl::GLOBAL, y).op(op::SUB_INTEGER).assign(yarl::GLOBAL, y).release();
  uint32_t append = c.offset();  // s := s + a: the left operand is the target
  c.push_var(yarl::GLOBAL, s).push_var(yarl::GLOBAL, a).op(op::CONCATENATE).assign(yarl::GLOBAL, s).release();
  program.initial_code().push_string("ab").assign(yarl::GLOBAL, s).push_string("").assign(yarl::GLOBAL, a);
  load();
  global(x)->val.i = INT32_MAX;
  uint32_t changes = global(x)->count;
  start(add);
  EXPECT_EQ(global(x)->val.i, INT32_MIN);  // wraps
  EXPECT_EQ(global(x)->count, changes + 1);
  global(y)->val.i = 1;
  start(sub);
  EXPECT_EQ(global(y)->val.i, INT32_MAX);  // INT32_MIN - 1
  start(append);
  EXPECT_STREQ(global(s)->val.s, "ab");
  changes = global(s)->count;
  value cd{};
  cd.s = dup_chars("cd");
  change_variable(global(1), global(a), cd, true);
  start(append);
  start(append);
  EXPECT_STREQ(global(s)->val.s, "abcdcd");
  EXPECT_EQ(global(s)->count, changes + 2);
  EXPECT_EQ(used_slots(), 0u);
}

// The jump lands behind the first push of a fused sequence: from there the
// plain instructions run, whether the form was decoded before or after.
TEST_F(FusedSequences, AJumpIntoTheMiddleRunsThePlainInstructions) {
  uint16_t x = integer("x"), r = integer("r");
  Code& c = program.code();
  yarl::Label compare_rest = c.label(), add_rest = c.label(), no = c.label();
  uint32_t fused_compare = c.offset();
  c.push_var(yarl::GLOBAL, x).bind(compare_rest).push(3).op(op::LT).u8(K_INTEGER).if_false(no);
  c.push(1).assign(yarl::GLOBAL, r).release();
  c.bind(no).push(2).assign(yarl::GLOBAL, r).release();
  uint32_t fused_add = c.offset();
  c.push_var(yarl::GLOBAL, x).bind(add_rest).push(10).op(op::ADD_INTEGER).assign(yarl::GLOBAL, x).release();
  uint32_t into_compare = c.offset();
  c.push(5).jump(compare_rest);
  uint32_t into_add = c.offset();
  c.push(100).jump(add_rest);
  load();
  for (bool decoded_first : {false, true}) {
    global(x)->val.i = 1;
    if (decoded_first) {
      start(fused_compare);
      EXPECT_EQ(global(r)->val.i, 1);
      start(fused_add);
      EXPECT_EQ(global(x)->val.i, 11);
    }
    start(into_compare);  // 5 < 3
    EXPECT_EQ(global(r)->val.i, 2);
    start(into_add);  // x := 100 + 10
    EXPECT_EQ(global(x)->val.i, 110);
    EXPECT_EQ(used_slots(), 0u);
    global(x)->val.i = 1;
    start(fused_compare);
    EXPECT_EQ(global(r)->val.i, 1);
    start(fused_add);
    EXPECT_EQ(global(x)->val.i, 11);
  }
}

// while i < 5: (i = 2: WHEN_CHANGED x: fired := fired + 1); x := x + 1; i := i + 1
TEST_F(FusedSequences, AnAssignedVariableThatGainsAWhenChangedListRunsIt) {
  uint16_t i = integer("i"), x = integer("x"), fired = integer("fired");
  Code& c = program.code();
  yarl::Label top = c.label(), skip = c.label(), end = c.label();
  uint32_t begin = c.offset();
  c.bind(top).push_var(yarl::GLOBAL, i).push(5).op(op::LT).u8(K_INTEGER).if_false(end);
  c.push_var(yarl::GLOBAL, i).push(2).op(op::EQ).u8(K_INTEGER).if_false(skip);
  c.op(op::WHEN_CHANGED).ref(yarl::GLOBAL, x).target(skip);
  c.push_var(yarl::GLOBAL, fired).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, fired).release();
  c.bind(skip).push_var(yarl::GLOBAL, x).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, x);
  c.push_var(yarl::GLOBAL, i).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, i).jump(top);
  c.bind(end).release();
  load();
  uint32_t changes = global(x)->count;
  start(begin);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(global(x)->val.i, 5);
  EXPECT_EQ(global(x)->count, changes + 5);  // counted on both paths
  EXPECT_EQ(global(fired)->val.i, 3);        // the changes at i = 2, 3 and 4
}

// x := x + 1 runs a list that divides by zero: the run ends at that
// assignment, before the jump that the fused form includes.
TEST_F(FusedSequences, ARunTimeErrorInTheAssignmentEndsTheRunThere) {
  uint16_t i = integer("i"), x = integer("x");
  Code& c = program.code();
  yarl::Label top = c.label(), listed = c.label(), end = c.label();
  uint32_t watch = c.offset();
  c.op(op::WHEN_CHANGED).ref(yarl::GLOBAL, x).target(listed);
  c.push(1).push(0).op(op::DIV_INTEGER).release();
  c.bind(listed).release();
  uint32_t begin = c.offset();
  c.bind(top).push_var(yarl::GLOBAL, i).push(5).op(op::LT).u8(K_INTEGER).if_false(end);
  c.push_var(yarl::GLOBAL, i).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, i);
  c.push_var(yarl::GLOBAL, x).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, x).jump(top);
  c.bind(end).release();
  load();
  in_interface_builder = true;
  start(begin);  // decodes the forms while x has no list
  EXPECT_EQ(global(x)->val.i, 5);
  global(i)->val.i = 0;
  start(watch);
  start(begin);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(traceback_line(0).rfind("integer division by zero in ", 0), 0u) << traceback_line(0);
  EXPECT_EQ(global(i)->val.i, 1);
  EXPECT_EQ(global(x)->val.i, 6);
  EXPECT_EQ(used_slots(), 0u);
}

// A breakpoint in a loop of fused sequences stops behind its debug
// instruction in the compiled code, every turn, and the loop resumes there.
TEST_F(FusedSequences, ABreakpointBetweenFusedSequencesStopsAtItsCompiledOffset) {
  uint16_t i = integer("i");
  Code& c = program.code();
  yarl::Label top = c.label(), end = c.label();
  uint32_t begin = c.offset();
  c.bind(top).push_var(yarl::GLOBAL, i).push(3).op(op::LT).u8(K_INTEGER).if_false(end);
  c.op(op::DEBUG).u16(1).u16(7);
  uint32_t behind_debug = c.offset();
  c.push_var(yarl::GLOBAL, i).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, i).jump(top);
  c.bind(end).release();
  load();
  ASSERT_TRUE(reset_array_size(global(1), global(60), 1));
  ASSERT_TRUE(reset_array_size(global(1), global(61), 1));
  global(60)->val.a[0] = integer_value(1);
  global(61)->val.a[0] = integer_value(7);
  start(begin);
  for (int32_t turn = 0; turn < 3; ++turn) {
    EXPECT_EQ(global(i)->val.i, turn);
    EXPECT_EQ(traceback_line(0), "Breakpoint in MENU 'Graphics' at line 7 of ''.");
    ident_info* context;
    const uint8_t* position;
    uint16_t source;
    ASSERT_TRUE(take_stopped_position(&context, &position, &source));
    EXPECT_EQ(statement_offset(position), behind_debug);
    interpret_code(context, position, false);
  }
  EXPECT_EQ(global(i)->val.i, 3);
  EXPECT_FALSE(stopped_at_breakpoint(global(1)));
}

using InterpreterDeathTest = Interpreter;

TEST_F(InterpreterDeathTest, AnUnassignedOpcodeBehindAFusedSequenceNamesItsCompiledOffset) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  uint16_t x = program.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "x");
  Code& c = program.code();
  uint32_t begin = c.offset();
  c.push_var(yarl::GLOBAL, x).push(1).op(op::ADD_INTEGER).assign(yarl::GLOBAL, x);
  std::string bad = "Bad op code 7 at " + std::to_string(c.offset());
  c.op(7);
  EXPECT_EXIT(
      {
        load();
        interpret_code(global(1), statement_code(begin), false);
      },
      testing::ExitedWithCode(1), removing_dump(bad));
}

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
