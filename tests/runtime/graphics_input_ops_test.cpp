// The YARL graphics-input operations in this process: windows queue pick
// requests and wait, the dispatch's report (called here as the event loop
// calls it) assigns the points delivered and resumes the window, the queue's
// rules between windows and cursors, the selection operation's operands and
// the button box's formats.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/graphics_input.h"
#include "runtime/graphics_input_ops.h"
#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "tests/runtime/window_fixture.h"
#include "tests/support/dump_files.h"

namespace {

using yarl::Code;

namespace op {
constexpr uint8_t ABORT = 194, DRAG_BOX = 85, SELECT_GEOMETRY = 167, BUTTON_BOX = 190;
}

// A window waiting for input: its code, point and done variables.
struct Waiting {
  uint16_t window, code, x1, y1, x2, y2, xs, ys, done;
};

class GraphicsInputOps : public Windows {
 protected:
  Waiting add_waiting(const char* name) {
    Waiting w{};
    w.window = add_window(program, {name, false, {}, {}});
    std::string n(name);
    w.code = integer((n + "_code").c_str());
    w.x1 = integer((n + "_x1").c_str());
    w.y1 = integer((n + "_y1").c_str());
    w.x2 = integer((n + "_x2").c_str());
    w.y2 = integer((n + "_y2").c_str());
    w.done = integer((n + "_done").c_str());
    ident_info array = make_ident(K_ARRAY + K_INTEGER);
    array.word2 = 5;  // maximum length
    w.xs = program.add(GLOBAL, array, (n + "_xs").c_str());
    w.ys = program.add(GLOBAL, array, (n + "_ys").c_str());
    return w;
  }
  uint16_t integer(const char* name) { return program.add(GLOBAL, make_ident(K_INTEGER), name); }
  void TearDown() override {
    end_graphics_input(false);
    Windows::TearDown();
  }

  // The input statement of `mode` for `w`, then done := 1.
  uint32_t input(const Waiting& w, uint8_t mode, std::vector<int32_t> operands) {
    Code& c = program.code();
    uint32_t at = c.offset();
    for (int32_t v : operands) c.push(v);
    c.op(mode).ref(GLOBAL, w.code);
    if (mode == GIN_POLYLINE) c.ref(GLOBAL, w.xs).ref(GLOBAL, w.ys);
    else c.ref(GLOBAL, w.x1).ref(GLOBAL, w.y1);
    if (mode == GIN_RUBBER_BOX || mode == GIN_RUBBER_LINE) c.ref(GLOBAL, w.x2).ref(GLOBAL, w.y2);
    c.push(1).assign(GLOBAL, w.done).release();
    return at;
  }
  uint32_t code(void (*emit)(Code&)) {
    uint32_t at = program.code().offset();
    emit(program.code());
    program.code().release();
    return at;
  }
  void run(uint16_t window, uint32_t at) { interpret_code(global(window), statement_code(at), true); }
  int32_t get(uint16_t variable) { return global(variable)->val.i; }
  std::vector<int32_t> elements(uint16_t array) {
    const ident_info* a = global(array);
    std::vector<int32_t> out;
    for (uint32_t i = 0; i < a->word6; ++i) out.push_back(a->val.a[i].i);
    return out;
  }
  std::string error_message() {
    const ident_info& t = globals()[66];
    if (t.word6 == 0) return "";
    std::string line = t.val.a[0].s;
    return line.substr(0, line.find(" in "));
  }
  void pick(uint8_t mode, uint8_t key, std::vector<uint16_t> xs, std::vector<uint16_t> ys) {
    process_graphics_pick(mode, key, uint16_t(xs.size()), xs.data(), ys.data(), false);
  }
};

TEST_F(GraphicsInputOps, APickResumesTheWindowWithTheTekPointAndTheCode) {
  Waiting a = add_waiting("a");
  uint32_t at = input(a, GIN_PICK, {PICK_ON_PRESS, 10});
  load();
  run(a.window, at);
  EXPECT_EQ(get(a.done), 0);  // waits
  ASSERT_EQ(get_active_pick_queue(), 0);
  EXPECT_EQ(pick_queue_window(0), a.window);
  EXPECT_EQ(get_graphics_input_mode(), GIN_PICK);
  EXPECT_EQ(used_slots(), 0u);
  pick(GIN_PICK, 1, {1200}, {3400});
  EXPECT_EQ(get(a.code), 1);
  EXPECT_EQ(get(a.x1), 1200);
  EXPECT_EQ(get(a.y1), 3400);
  EXPECT_EQ(get(a.done), 1);
  EXPECT_EQ(get_active_pick_queue(), -1);
  EXPECT_EQ(get_graphics_input_mode(), 0);
}

TEST_F(GraphicsInputOps, TwoWindowsWithDifferentCursorsFinishLaterFirstThenTheEarlierIsArmedAgain) {
  Waiting a = add_waiting("a"), b = add_waiting("b");
  uint32_t at_a = input(a, GIN_PICK, {0, 10});
  uint32_t at_b = input(b, GIN_RUBBER_BOX, {11});
  load();
  run(a.window, at_a);
  run(b.window, at_b);
  ASSERT_EQ(get_active_pick_queue(), 1);
  EXPECT_EQ(pick_queue_window(1), b.window);
  EXPECT_EQ(get_graphics_input_mode(), GIN_RUBBER_BOX);
  pick(GIN_RUBBER_BOX, 1, {10, 20}, {30, 40});
  EXPECT_EQ(get(b.done), 1);
  EXPECT_EQ(get(b.x2), 20);
  EXPECT_EQ(get(a.done), 0);
  EXPECT_EQ(get_active_pick_queue(), 0);  // a's request armed again
  EXPECT_EQ(get_graphics_input_mode(), GIN_PICK);
  pick(GIN_PICK, 2, {5}, {6});
  EXPECT_EQ(get(a.done), 1);
  EXPECT_EQ(get(a.x1), 5);
  EXPECT_EQ(get_active_pick_queue(), -1);
}

TEST_F(GraphicsInputOps, ASameCursorRequestCancelsTheWaitingOneAndAbortFreesAll) {
  Waiting a = add_waiting("a"), b = add_waiting("b"), c = add_waiting("c");
  uint32_t at_a = input(a, GIN_PICK, {0, 10});
  uint32_t at_b = input(b, GIN_PICK, {0, 10});
  uint32_t at_c = input(c, GIN_RUBBER_LINE, {12});
  uint32_t abort = code([](Code& k) { k.op(op::ABORT); });
  load();
  run(a.window, at_a);
  run(b.window, at_b);
  EXPECT_EQ(pick_queue_window(0), b.window);  // a's entry freed, then taken
  EXPECT_EQ(get_active_pick_queue(), 0);
  EXPECT_EQ(record_of(global(a.window))->resume_offset, 0u);
  run(c.window, at_c);
  EXPECT_EQ(get_active_pick_queue(), 1);
  // A new request of the same window replaces its own.
  run(c.window, at_c);
  EXPECT_EQ(get_active_pick_queue(), 1);
  EXPECT_EQ(pick_queue_window(2), 0);
  run(1, abort);
  EXPECT_EQ(get_active_pick_queue(), -1);
  for (int i = 0; i < N_PICK_QUEUES; ++i) EXPECT_EQ(pick_queue_window(i), 0) << i;
  EXPECT_EQ(get_graphics_input_mode(), 0);
  EXPECT_EQ(get(a.done) + get(b.done) + get(c.done), 0);
}

struct DeliveryCase {
  const char* name;
  uint8_t mode;
  std::vector<int32_t> operands;
  uint8_t key;
  bool with_points;
  std::vector<uint16_t> xs, ys;
  // Expected x1, y1, x2, y2 (-1: not assigned, stays 0 then) or the arrays.
  std::vector<int32_t> points;
};

const DeliveryCase delivery_cases[] = {
    {"box_of_two_points", GIN_RUBBER_BOX, {5}, 1, true, {10, 20}, {30, 40}, {10, 30, 20, 40}},
    {"box_of_one_point_takes_it_for_both_corners", GIN_RUBBER_BOX, {5}, 1, true, {10}, {30}, {10, 30, 10, 30}},
    {"line_ended_before_its_first_point_assigns_the_code_only", GIN_RUBBER_LINE, {5}, 'q', false, {}, {},
     {0, 0, 0, 0}},
    {"line_from_a_point_ended_by_a_key_assigns_the_code_only", GIN_LINE_FROM_POINT, {100, 200, 5}, 'k', false, {},
     {}, {0, 0}},
    {"line_from_a_point_assigns_the_end", GIN_LINE_FROM_POINT, {100, 200, 5}, 1, true, {100, 300}, {200, 400},
     {300, 400}},
    {"polyline_sizes_both_arrays", GIN_POLYLINE, {0, 5}, 1, true, {1, 2, 3}, {4, 5, 6}, {1, 2, 3, 4, 5, 6}},
    {"polyline_of_no_points_empties_both_arrays", GIN_POLYLINE, {0, 5}, 1, true, {}, {}, {}},
};

class Delivery : public GraphicsInputOps, public testing::WithParamInterface<DeliveryCase> {};

void PrintTo(const DeliveryCase& c, std::ostream* os) { *os << c.name; }

TEST_P(Delivery, OnlyThePointsDeliveredAreAssignedAndTheWindowResumes) {
  const DeliveryCase& c = GetParam();
  Waiting w = add_waiting("w");
  uint32_t at = input(w, c.mode, c.operands);
  load();
  if (c.mode == GIN_POLYLINE) {  // stale contents that the report replaces
    for (uint16_t a : {w.xs, w.ys}) {
      reset_array_size(global(a), global(a), 2);
      global(a)->val.a[0] = integer_value(77);
    }
  }
  run(w.window, at);
  ASSERT_EQ(get_graphics_input_mode(), c.mode);
  process_graphics_pick(c.mode, c.key, uint16_t(c.xs.size()), c.with_points ? c.xs.data() : nullptr,
                        c.with_points ? c.ys.data() : nullptr, false);
  EXPECT_EQ(get(w.code), c.key);
  EXPECT_EQ(get(w.done), 1);
  if (c.mode == GIN_POLYLINE) {
    std::vector<int32_t> both = elements(w.xs);
    for (int32_t y : elements(w.ys)) both.push_back(y);
    EXPECT_EQ(both, c.points);
    return;
  }
  std::vector<int32_t> got{get(w.x1), get(w.y1)};
  if (c.points.size() == 4) got.insert(got.end(), {get(w.x2), get(w.y2)});
  EXPECT_EQ(got, c.points);
}

INSTANTIATE_TEST_SUITE_P(Modes, Delivery, testing::ValuesIn(delivery_cases),
                         [](const testing::TestParamInfo<DeliveryCase>& i) { return std::string(i.param.name); });

TEST_F(GraphicsInputOps, ACursorBeyondTheLastIsRefusedAndQueuesNothing) {
  Waiting a = add_waiting("a");
  uint32_t at = input(a, GIN_PICK, {0, 132});
  load();
  in_interface_builder = true;  // the error ends the run, not the program
  run(a.window, at);
  EXPECT_EQ(error_message(), "Cursor number out of range");
  EXPECT_EQ(get_active_pick_queue(), -1);
  EXPECT_EQ(get_graphics_input_mode(), 0);
  EXPECT_EQ(used_slots(), 0u);
}

TEST_F(GraphicsInputOps, AReportWithoutARequestIsAnInternalError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  load();
  EXPECT_EXIT(pick(GIN_PICK, 1, {1}, {1}), testing::ExitedWithCode(1),
              removing_dump("module name: ui\\.\n4\\) line number in that module: 8929\\."));
}

TEST_F(GraphicsInputOps, TheDragBoxShowsUntilTheReleaseWhichResumesTheWindow) {
  Waiting a = add_waiting("a");
  uint32_t at = program.code().offset();
  program.code().op(op::DRAG_BOX).push(1).assign(GLOBAL, a.done).release();
  load();
  run(a.window, at);
  EXPECT_EQ(get(a.done), 0);
  ASSERT_TRUE(drag_box_shown());
  Window box = UIWindow::get_window("DragBox");
  ASSERT_NE(box, Window(None));
  EXPECT_EQ(UIWindow::get_window(3L), box);
  release_drag_box();
  EXPECT_FALSE(drag_box_shown());
  EXPECT_EQ(get(a.done), 1);
  release_drag_box();  // a second release finds no drag
  EXPECT_EQ(get(a.done), 1);
}

// ---- Selection operands ----

TEST_F(GraphicsInputOps, ASelectionCountThatDoesNotFitTheKindIsARunTimeError) {
  uint16_t result = program.add(GLOBAL, [] {
    ident_info a = make_ident(K_ARRAY + K_INTEGER);
    a.word2 = 100;
    return a;
  }(), "result");
  Code& c = program.code();
  // Kind 3 by region with 2 coordinates; kind 1 with 3 coordinates of which
  // the stack holds 2.
  uint32_t region_of_two = c.offset();
  c.push(10).push(20).push(2).op(op::SELECT_GEOMETRY).u16(3).u16(2).ref(GLOBAL, result).release();
  uint32_t short_stack = c.offset();
  c.push(10).push(20).push(3).op(op::SELECT_GEOMETRY).u16(1).ref(GLOBAL, result).release();
  load();
  in_interface_builder = true;
  for (uint32_t at : {region_of_two, short_stack}) {
    run(1, at);
    EXPECT_EQ(error_message(), "SELECT_GEOMETRY coordinate count out of range");
    EXPECT_EQ(used_slots(), 0u);
    EXPECT_EQ(global(result)->word6, 0u);
  }
}

// ---- Button box ----

struct BoxCase {
  int kind;
  double v;  // INTEGER cases hold integral values
  const char* text;
};

const BoxCase box_cases[] = {
    {K_INTEGER, 12345678, "12345678"},    {K_INTEGER, 99999999, "99999999"},
    {K_INTEGER, 100000000, "1e+08"},      {K_INTEGER, 123456789, "1.23e+08"},
    {K_INTEGER, -9999999, "-9999999"},    {K_INTEGER, -10000000, "-1e+07"},
    {K_INTEGER, -12345678, "-1.2e+07"},   {K_INTEGER, 0, "0"},
    {K_REAL, 0.5, "0.5"},                 {K_REAL, 1, "1"},
    {K_REAL, 1234567.4, "1234567"},       {K_REAL, 1e7, "1e+07"},
    {K_REAL, 0.1234567, "0.123457"},      {K_REAL, 0.01234567, "0.012346"},
    {K_REAL, 0.001234567, "0.001235"},    {K_REAL, 0.0001234567, "0.000123"},
    {K_REAL, 0, "0"},                     {K_REAL, -1, "-1"},
    {K_REAL, -123456.7, "-123457"},       {K_REAL, -999999.4, "-999999"},
    {K_REAL, -1e6, "-1e+06"},             {K_REAL, -0.1234567, "-0.12346"},
    {K_REAL, -0.01234567, "-0.01235"},    {K_REAL, -0.001234567, "-0.00123"},
    {K_REAL, -0.0001, "-0.0001"},         {K_REAL, -0.00012345, "-0.00012"},
};

TEST(ButtonBox, ValuesAreFormattedByKindAndSize) {
  for (const BoxCase& c : box_cases) {
    value v{};
    if (c.kind == K_INTEGER) v = integer_value(int32_t(c.v));
    else v.r = float(c.v);
    char text[ENCODE_BUFFER_SIZE];
    ASSERT_TRUE(format_button_box_value(c.kind, v, text));
    EXPECT_STREQ(text, c.text) << c.v;
    EXPECT_LE(strlen(text), 8u) << c.v;
  }
  char text[ENCODE_BUFFER_SIZE];
  value s{};
  s.s = const_cast<char*>("EIGHTCHR");
  EXPECT_TRUE(format_button_box_value(K_STRING, s, text));
  EXPECT_STREQ(text, "EIGHTCHR");
  s.s = const_cast<char*>("NINECHARS");
  EXPECT_FALSE(format_button_box_value(K_STRING, s, text));
}

TEST_F(GraphicsInputOps, ANineCharacterStringIsARunTimeErrorAndIsFreed) {
  uint32_t at = code([](Code& c) { c.push_string("NINECHARS").op(op::BUTTON_BOX).u8(K_STRING); });
  uint32_t fits = code([](Code& c) { c.push_string("EIGHTCHR").op(op::BUTTON_BOX).u8(K_STRING); });
  load();
  in_interface_builder = true;
  run(1, fits);
  EXPECT_EQ(error_message(), "");
  run(1, at);
  EXPECT_EQ(error_message(), "DISPLAY_BUTTON_BOX string longer than 8 characters");
  EXPECT_EQ(used_slots(), 0u);
}

}  // namespace
