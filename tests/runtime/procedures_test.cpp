// Procedure calls with value-result parameters, recursion, array results,
// when-changed lists and the variable operations they rest on.
#include "runtime/procedures.h"

#include <gtest/gtest.h>

#include <functional>

#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "tests/runtime/yarl_fixture.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::PROC_LOCAL;
namespace op = yarl_test::op;

class Procedures : public yarl_test::Loaded {
 protected:
  uint16_t procedure(const char* name, std::vector<ident_info> locals) {
    ident_info p = make_ident(K_PROCEDURE);
    p.word6 = uint16_t(locals.size());
    p.count = program.next_index(PROC_LOCAL);
    for (const ident_info& l : locals) program.add(PROC_LOCAL, l, "local");
    return program.add(GLOBAL, p, name);
  }
  ident_info array_ident(uint8_t kind, uint16_t max) {
    ident_info a = make_ident(uint8_t(K_ARRAY + kind));
    a.word2 = max;
    return a;
  }
  void start(uint32_t offset) { interpret_code(global(1), statement_code(offset), false); }
};

TEST_F(Procedures, RecursionGetsFreshLocalsAndReturnsResults) {
  uint16_t result = program.add(GLOBAL, make_ident(K_INTEGER), "result");
  uint16_t fact = procedure("fact", {make_ident(K_INTEGER), make_ident(K_INTEGER)});
  Code& c = program.code();
  yarl::Label recurse = c.label();
  program.ident(GLOBAL, fact).val.u = c.offset();
  c.push_var(PROC_LOCAL, 0).push(1).op(op::LE).u8(K_INTEGER).if_false(recurse);
  c.push(1).assign(PROC_LOCAL, 1).op(op::PROCEDURE_RETURN);
  c.bind(recurse);
  c.push_var(PROC_LOCAL, 0).push(1).op(op::SUB_INTEGER).push(0);
  c.op(op::PROCEDURE).ref(GLOBAL, fact).u8(1).u8(1).ref(PROC_LOCAL, 1).u16(1);
  c.push_var(PROC_LOCAL, 1).push_var(PROC_LOCAL, 0).op(op::MUL_INTEGER).assign(PROC_LOCAL, 1);
  c.op(op::PROCEDURE_RETURN);
  uint32_t begin = c.offset();
  c.push(5).push(0).op(op::PROCEDURE).ref(GLOBAL, fact).u8(1).u8(1).ref(GLOBAL, result).u16(1).release();
  load();
  start(begin);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(global(result)->val.i, 120);
  window_record* w = record_of(global(1));
  EXPECT_EQ(w->frame_capacity, 6);  // one more frame per new depth
  EXPECT_EQ(w->top, w->frames);
  EXPECT_EQ(used_slots(), 0u);
}

TEST_F(Procedures, ArraysAndStringsReturnThroughResultPairs) {
  uint16_t arr = program.add(GLOBAL, array_ident(K_INTEGER, 10), "arr");
  uint16_t text = program.add(GLOBAL, make_ident(K_STRING), "text");
  uint16_t fill = procedure("fill", {array_ident(K_INTEGER, 10), make_ident(K_INTEGER), make_ident(K_STRING)});
  uint16_t twice = procedure("twice", {array_ident(K_INTEGER, 10)});
  Code& c = program.code();
  program.ident(GLOBAL, fill).val.u = c.offset();
  c.push_var(PROC_LOCAL, 1).push_var(PROC_LOCAL, 1).push(1).op(op::ADD_INTEGER);
  c.push_var(PROC_LOCAL, 1).push(2).op(op::ADD_INTEGER).op(op::ASSIGN_ARRAY).ref(PROC_LOCAL, 0);
  c.push_string("made").assign(PROC_LOCAL, 2).op(op::PROCEDURE_RETURN);
  program.ident(GLOBAL, twice).val.u = c.offset();
  c.push(3).push(0).op(op::PUSH_ELEMENT).ref(PROC_LOCAL, 0).push(2).op(op::MUL_INTEGER);
  c.op(op::ASSIGN_ELEMENT).ref(PROC_LOCAL, 0).op(op::PROCEDURE_RETURN);
  uint32_t begin = c.offset();
  c.push(7).push(1).op(op::PROCEDURE).ref(GLOBAL, fill).u8(1);
  c.u8(2).ref(GLOBAL, arr).u16(0).ref(GLOBAL, text).u16(2);
  c.release();
  uint32_t second = c.offset();
  c.op(op::PUSH_ARRAY).ref(GLOBAL, arr).push(3).push(0).op(op::PROCEDURE).ref(GLOBAL, twice).u8(1);
  c.u8(1).ref(GLOBAL, arr).u16(0).release();
  load();
  ident_info* a = global(arr);
  start(begin);
  ASSERT_EQ(a->word6, 3);
  EXPECT_EQ(a->val.a[0].i, 7);
  EXPECT_EQ(a->val.a[2].i, 9);
  EXPECT_STREQ(global(text)->val.s, "made");
  start(second);
  EXPECT_FALSE(rterror);
  ASSERT_EQ(a->word6, 4);  // [7, 8, 9] with element 3 appended
  EXPECT_EQ(a->val.a[3].i, 14);
}

TEST_F(Procedures, WhenChangedListRunsOncePerChange) {
  uint16_t watched = program.add(GLOBAL, make_ident(K_INTEGER), "watched");
  uint16_t fired = program.add(GLOBAL, make_ident(K_INTEGER), "fired");
  Code& c = program.code();
  yarl::Label after = c.label();
  uint32_t begin = c.offset();
  c.op(op::WHEN_CHANGED).ref(GLOBAL, watched).target(after);
  c.push_var(GLOBAL, fired).push(1).op(op::ADD_INTEGER).assign(GLOBAL, fired);
  c.push(99).assign(GLOBAL, watched);  // its own assignment does not run it again
  c.release();
  c.bind(after);
  c.push(5).assign(GLOBAL, watched).push(99).assign(GLOBAL, watched);  // 99: what the list left
  c.push(6).assign(GLOBAL, watched).release();
  load();
  start(begin);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(global(fired)->val.i, 2);
  EXPECT_EQ(global(watched)->val.i, 99);
  uint32_t changes = global(watched)->count;
  change_variable(global(1), global(watched), integer_value(99), true);
  EXPECT_EQ(global(watched)->count, changes);  // an equal value is no change
  EXPECT_EQ(global(fired)->val.i, 2);
}

TEST_F(Procedures, ElementAndSliceErrors) {
  uint16_t arr = program.add(GLOBAL, array_ident(K_INTEGER, 4), "arr");
  load();
  in_interface_builder = true;
  ident_info* a = global(arr);
  ASSERT_TRUE(reset_array_size(global(1), a, 2));
  struct {
    std::function<void(Code&)> code;
    const char* error;  // null: no error, nothing left
  } cases[] = {
      {[&](Code& c) { c.push_long(uint32_t(-1)).op(op::PUSH_ELEMENT).ref(GLOBAL, arr); },
       "Attempt to load non-existent array element"},
      {[&](Code& c) { c.push(3).push(2).op(op::PUSH_SLICE).ref(GLOBAL, arr); }, nullptr},
      {[&](Code& c) { c.push(0).push(5).op(op::PUSH_SLICE).ref(GLOBAL, arr); },
       "Attempt to access non-existent array element"},
      {[&](Code& c) { c.push(3).push(1).op(op::PUSH_SLICE).ref(GLOBAL, arr); },
       "first index > last index+1 in array slice"},
      {[&](Code& c) { c.push(3).push(1).op(op::ASSIGN_ELEMENT).ref(GLOBAL, arr); },
       "store into non-existent array element"},
      {[&](Code& c) { c.push(1).push(2).push(3).push(4).push(5).op(op::ASSIGN_ARRAY).ref(GLOBAL, arr); },
       "Array assignment (5 elements) exceeds maximum array length (4 elements), variable 'arr'"},
  };
  for (auto& k : cases) {
    Code code(false);
    k.code(code);
    run(code.raw_bytes());
    EXPECT_EQ(rterror, k.error != nullptr);
    if (k.error != nullptr) {
      EXPECT_EQ(traceback_line(0).rfind(k.error, 0), 0u) << traceback_line(0);
    }
    EXPECT_EQ(used_slots(), 0u);
  }
  EXPECT_EQ(a->word6, 3);  // the store past the end appended; the long assignment changed nothing
}

}  // namespace

namespace {

using BalloonHelp = yarl_test::Loaded;

TEST_F(BalloonHelp, ColourLimitIsCheckedAfterTheStore) {
  load();
  in_interface_builder = true;
  put_predef(93, 0x1000001);
  EXPECT_FALSE(rterror);
  put_predef(93, 0x1000002);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(get_predef(93), 0x1000002);
  EXPECT_EQ(traceback_line(0).rfind("balloon_help_ink_color value out of range in ", 0), 0u);
}

}  // namespace
