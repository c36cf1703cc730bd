// Procedure calls with value-result parameters, recursion, array results,
// when-changed lists and the variable operations they rest on.
#include "runtime/procedures.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/checked_mm.h"
#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/dump_files.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::PROC_LOCAL;
using yarl::WINDOW_LOCAL;
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

// A caller MENU_WINDOW and a SUB_WINDOW it has opened, linked in their records.
class SubWindows : public Procedures {
 protected:
  uint16_t caller = 0, sub = 0;

  uint16_t menu_window(const char* name) {
    ident_info main_menu = make_ident(K_MENU);
    ident_info w = make_ident(K_MENU_WINDOW);
    w.flags1 = WINDOW_VISIBLE;
    w.word2 = 1 << 12;  // one MENU: a visible window always shows one
    w.word6 = 1;
    w.count = program.add(WINDOW_LOCAL, main_menu, "main");
    return program.add(GLOBAL, w, name);
  }
  // Locals: 0 the main MENU, then `more`; a MENU of `more` with word4 set
  // is the cancel MENU.
  uint16_t sub_window(const char* name, uint16_t flags, std::vector<ident_info> more) {
    ident_info main_menu = make_ident(K_MENU);
    main_menu.word6 = 1;
    main_menu.count = program.add_item(yarl::make_item(ITEM_BUTTON));
    ident_info w = make_ident(K_SUB_WINDOW);
    w.flags1 = WINDOW_VISIBLE;
    w.word2 = uint16_t(flags | 1 << 12);
    w.word6 = uint16_t(1 + more.size());
    w.count = program.add(WINDOW_LOCAL, main_menu, "main");
    for (size_t i = 0; i < more.size(); ++i) {
      program.add(WINDOW_LOCAL, more[i], "local");
      if (more[i].kind == K_MENU && more[i].word4 != 0) cancel_menu_ = uint16_t(i + 1);
    }
    return program.add(GLOBAL, w, name);
  }
  void link() {
    record_of(global(caller))->called_window = sub;
    record_of(global(sub))->calling_window = caller;
  }
  // The file holds the main MENU only; the cancel MENU is set in memory.
  void load_windows() {
    load();
    global(sub)->word8 |= uint32_t(cancel_menu_) << 16;
  }

 private:
  uint16_t cancel_menu_ = 0;
};

TEST_F(SubWindows, CallerActionCancelsTheSubWindowFirstAndWaitsAsReEntry) {
  uint16_t cancelled = program.add(GLOBAL, make_ident(K_INTEGER), "cancelled");
  uint16_t acted = program.add(GLOBAL, make_ident(K_INTEGER), "acted");
  Code& c = program.code();
  uint32_t cancel_code = c.offset();
  c.push_var(GLOBAL, cancelled).push(1).op(op::ADD_INTEGER).assign(GLOBAL, cancelled).release();
  uint32_t action = c.offset();
  c.push_var(GLOBAL, acted).push(1).op(op::ADD_INTEGER).assign(GLOBAL, acted).release();
  menu_item item = yarl::make_item(ITEM_BUTTON);
  item.source_file = 2;
  item.line = 40;
  item.action_offset = cancel_code;
  program.add_item(yarl::make_item(ITEM_BUTTON));
  ident_info cancel_menu = make_ident(K_MENU);
  cancel_menu.word6 = 2;
  cancel_menu.word4 = 2;  // the second of its items
  cancel_menu.count = program.next_item() - 1;
  program.add_item(item);
  caller = menu_window("caller");
  sub = sub_window("dialog", WINDOW_HAS_CANCEL | WINDOW_POP_UP, {cancel_menu});
  load_windows();
  link();
  window_record* c_record = record_of(global(caller));
  window_record* s_record = record_of(global(sub));
  c_record->call_flags |= WR_WAITS_FOR_SUB_WINDOW;
  s_record->state |= WR_ACTION_FLAG;

  start_action(global(caller), 1, 7, action, 3, 0, true);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(global(cancelled)->val.i, 1);
  EXPECT_EQ(global(acted)->val.i, 0);
  EXPECT_EQ(c_record->resume_offset, action);
  EXPECT_TRUE(c_record->state & WR_SUSPENDED_ITEM);
  EXPECT_FALSE(c_record->call_flags & WR_WAITS_FOR_SUB_WINDOW);
  EXPECT_EQ(active_calling_window, caller);  // a pop-up called from a window that is not one
  EXPECT_EQ(c_record->called_window, sub);
  EXPECT_EQ(s_record->calling_window, caller);
  EXPECT_EQ(s_record->frames[0].source_position, 3);
  EXPECT_EQ(s_record->frames[0].line, 40);
  EXPECT_EQ(s_record->current_item, 2);
  EXPECT_EQ(s_record->current_element, 0);
  EXPECT_FALSE(s_record->state & (WR_ACTION_FLAG | WR_RUNNING));
  EXPECT_FALSE(global(sub)->flags1 & WINDOW_VISIBLE);

  re_enter(global(caller));
  EXPECT_EQ(global(acted)->val.i, 1);
  EXPECT_EQ(global(cancelled)->val.i, 1);
  EXPECT_EQ(c_record->resume_offset, 0u);
  EXPECT_EQ(c_record->called_window, 0);
  EXPECT_EQ(s_record->calling_window, 0);
  EXPECT_EQ(active_calling_window, 0);
}

TEST_F(SubWindows, SubWindowWithoutCancelActionIsClosedAndTheActionRuns) {
  uint16_t acted = program.add(GLOBAL, make_ident(K_INTEGER), "acted");
  Code& c = program.code();
  uint32_t action = c.offset();
  c.push(5).assign(GLOBAL, acted).release();
  caller = menu_window("caller");
  sub = sub_window("dialog", 0, {});
  load();
  link();
  EXPECT_FALSE(start_cancel_action(global(sub), global(caller), action));
  start_action(global(caller), 0, 0, action, 1, 0, false);
  EXPECT_EQ(global(acted)->val.i, 5);
  EXPECT_EQ(record_of(global(caller))->called_window, 0);
  EXPECT_EQ(record_of(global(sub))->calling_window, 0);
  EXPECT_FALSE(global(sub)->flags1 & WINDOW_VISIBLE);
}

TEST_F(SubWindows, ReturnCopiesResultsAndRunsTheCallerOn) {
  uint16_t text = program.add(GLOBAL, make_ident(K_STRING), "text");
  uint16_t arr = program.add(GLOBAL, array_ident(K_INTEGER, 3), "arr");
  uint16_t after = program.add(GLOBAL, make_ident(K_INTEGER), "after");
  Code& c = program.code();
  uint32_t resume = c.offset();
  c.u8(2).ref(GLOBAL, text).u16(1).ref(GLOBAL, arr).u16(2);
  c.push_var(GLOBAL, after).push(1).op(op::ADD_INTEGER).assign(GLOBAL, after).release();
  uint32_t sub_code = c.offset();
  c.op(yarl::op::RETURN);
  c.push(99).assign(GLOBAL, after).release();  // never reached: the return ends the run
  caller = menu_window("caller");
  sub = sub_window("dialog", 0, {make_ident(K_STRING), array_ident(K_INTEGER, 10)});
  load();
  window_record* s_record = record_of(global(sub));
  window_record* c_record = record_of(global(caller));
  ident_info* answer = &s_record->locals[1];
  ident_info* values = &s_record->locals[2];
  answer->val.s = dup_chars("yes");
  ASSERT_TRUE(reset_array_size(global(sub), values, 2));
  values->val.a[0] = integer_value(4);
  values->val.a[1] = integer_value(6);

  link();
  c_record->resume_offset = resume;
  c_record->call_flags |= WR_WAITS_FOR_SUB_WINDOW;
  interpret_code(global(sub), statement_code(sub_code), true);
  EXPECT_FALSE(rterror);
  EXPECT_STREQ(global(text)->val.s, "yes");
  EXPECT_NE(global(text)->val.s, answer->val.s);  // a copy
  ASSERT_EQ(global(arr)->word6, 2);
  EXPECT_EQ(global(arr)->val.a[1].i, 6);
  EXPECT_EQ(global(after)->val.i, 1);
  EXPECT_EQ(c_record->resume_offset, 0u);
  EXPECT_EQ(c_record->called_window, 0);
  EXPECT_EQ(s_record->calling_window, 0);
  EXPECT_FALSE(s_record->state & WR_RUNNING);
  EXPECT_FALSE(global(sub)->flags1 & WINDOW_VISIBLE);

  // Without waiting for results the caller goes on at its re-entry directly.
  link();
  c_record->resume_offset = resume + 9;
  ASSERT_EQ(statement_code(c_record->resume_offset)[0], yarl::op::PUSH_VAR);
  interpret_code(global(sub), statement_code(sub_code), true);
  EXPECT_EQ(global(after)->val.i, 2);

  // A sub-window called by the graphics window returns nothing.
  record_of(global(sub))->calling_window = 1;
  interpret_code(global(sub), statement_code(sub_code), true);
  EXPECT_EQ(global(after)->val.i, 2);
  EXPECT_FALSE(rterror);
}

using SubWindowsDeathTest = SubWindows;

TEST_F(SubWindowsDeathTest, ResultOfAnotherKindIsInternalError5310) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  uint16_t number = program.add(GLOBAL, make_ident(K_INTEGER), "number");
  Code& c = program.code();
  uint32_t resume = c.offset();
  c.u8(1).ref(GLOBAL, number).u16(1).release();
  uint32_t sub_code = c.offset();
  c.op(yarl::op::RETURN);
  caller = menu_window("caller");
  sub = sub_window("dialog", 0, {make_ident(K_REAL)});
  EXPECT_EXIT(
      {
        load();
        link();
        record_of(global(caller))->resume_offset = resume;
        record_of(global(caller))->call_flags |= WR_WAITS_FOR_SUB_WINDOW;
        interpret_code(global(sub), statement_code(sub_code), true);
      },
      testing::ExitedWithCode(1), removing_dump("line number in that module: 5310\\."));
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
