// The nine file streams: open, write, check, read and close through YARL code.
#include <gtest/gtest.h>

#include "runtime/application_values.h"
#include "runtime/variables.h"
#include "tests/link/link_fixture.h"
#include "tests/support/runner.h"

namespace {

using link_test::Linked;
using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

class FileStreams : public Linked {
 protected:
  TempDir dir;
  uint16_t handle = 0, result = 0;

  void SetUp() override {
    handle = program.add(GLOBAL, make_ident(K_INTEGER), "handle");
    result = program.add(GLOBAL, make_ident(K_INTEGER), "result");
  }
  // handle := OPEN(path, mode)
  void open(Code& c, const std::string& path, char mode) {
    c.push_string(path).push(uint8_t(mode)).op(op::OPEN).assign(GLOBAL, handle);
  }
  // result := WRITE(handle, variable)
  void write(Code& c, uint16_t variable, uint8_t kind) {
    c.push_var(GLOBAL, handle).op(op::SET_STREAM);
    if (is_array_kind(kind)) c.op(yarl_test::op::PUSH_ARRAY).ref(GLOBAL, variable);
    else c.push_var(GLOBAL, variable);
    c.op(op::WRITE).u8(kind).op(op::CHECK_STREAM).assign(GLOBAL, result);
  }
  void close(Code& c) { c.push_var(GLOBAL, handle).op(op::CLOSE); }
  int32_t value_of(uint16_t v) { return global(v)->val.i; }
};

TEST_F(FileStreams, EveryKindRoundTrips) {
  uint16_t r = program.add(GLOBAL, make_ident(K_REAL), "r");
  uint16_t a = program.add(GLOBAL, make_ident(K_ANGLE), "a");
  uint16_t i = program.add(GLOBAL, make_ident(K_INTEGER), "i");
  uint16_t b = program.add(GLOBAL, make_ident(K_BOOLEAN), "b");
  uint16_t ch = program.add(GLOBAL, make_ident(K_CHARACTER), "ch");
  uint16_t s = program.add(GLOBAL, make_ident(K_STRING), "s");
  uint16_t arr = program.add(GLOBAL, array_ident(K_INTEGER, 5), "arr");
  uint16_t sarr = program.add(GLOBAL, array_ident(K_STRING, 5), "sarr");
  uint16_t open_arr = program.add(GLOBAL, array_ident(K_REAL, 10), "open_arr");
  std::vector<uint16_t> scalars = {r, a, i, b, ch, s};
  std::string path = dir.file("values.txt");
  Code& c = program.code();
  uint32_t writing = c.offset();
  open(c, path, 'w');
  for (uint16_t v : scalars) write(c, v, program.ident(GLOBAL, v).kind);
  write(c, arr, K_ARRAY + K_INTEGER);
  write(c, sarr, K_ARRAY + K_STRING);
  close(c);
  c.release();
  uint32_t reading = c.offset();
  open(c, path, 'r');
  // READ(handle, r, a, i, b, ch, s, arr, sarr): count byte 7 = eight variables.
  c.push_var(GLOBAL, handle).op(op::READ).u8(7);
  for (uint16_t v : scalars) c.ref(GLOBAL, v);
  c.ref(GLOBAL, arr).ref(GLOBAL, sarr).assign(GLOBAL, result);
  close(c);
  c.release();
  uint32_t reading_open = c.offset();
  open(c, dir.file("reals.txt"), 'r');
  c.push_var(GLOBAL, handle).push(3).op(op::READ).u8(128).ref(GLOBAL, open_arr).assign(GLOBAL, result);
  close(c);
  c.release();
  load();

  global(r)->val.r = 1.5f;
  global(a)->val.i = 3600 * 45;
  global(i)->val.i = -42;
  global(b)->val.i = 1;
  global(ch)->val.i = 'q';
  global(s)->val.s = dup_chars("a line");
  reset_array_size(global(1), global(arr), 2);
  global(arr)->val.a[0].i = 7;
  global(arr)->val.a[1].i = -8;
  reset_array_size(global(1), global(sarr), 1);
  global(sarr)->val.a[0].s = dup_chars("x y");
  start_code(writing);
  ASSERT_FALSE(rterror);
  EXPECT_EQ(value_of(result), 0);
  std::string text = read_file(path);
  EXPECT_NE(text.find("-42\n1\nqa line\n 2\n7\n-8\n 1\nx y\n"), std::string::npos) << text;

  for (uint16_t v : {r, a, i, b, ch}) global(v)->val.i = 0;
  reset_array_size(global(1), global(arr), 0);
  reset_array_size(global(1), global(sarr), 0);
  start_code(reading);
  ASSERT_FALSE(rterror);
  EXPECT_EQ(value_of(result), 0);
  EXPECT_EQ(global(r)->val.r, 1.5f);
  EXPECT_EQ(value_of(a), 3600 * 45);
  EXPECT_EQ(value_of(i), -42);
  EXPECT_EQ(value_of(b), 1);
  EXPECT_EQ(value_of(ch), 'q');
  EXPECT_STREQ(global(s)->val.s, "a line");
  ASSERT_EQ(global(arr)->word6, 2);
  EXPECT_EQ(global(arr)->val.a[1].i, -8);
  ASSERT_EQ(global(sarr)->word6, 1);
  EXPECT_STREQ(global(sarr)->val.a[0].s, "x y");

  write_file(dir.file("reals.txt"), "0.5\n1.5\n2.5\n3.5\n");
  start_code(reading_open);
  EXPECT_EQ(value_of(result), 0);
  ASSERT_EQ(global(open_arr)->word6, 3);  // the maximum count given
  EXPECT_EQ(global(open_arr)->val.a[2].r, 2.5f);
}

TEST_F(FileStreams, ReadErrorsAreResults) {
  uint16_t i = program.add(GLOBAL, make_ident(K_INTEGER), "i");
  uint16_t b = program.add(GLOBAL, make_ident(K_BOOLEAN), "b");
  uint16_t arr = program.add(GLOBAL, array_ident(K_INTEGER, 2), "arr");
  struct Case {
    const char* contents;
    uint16_t variable;
    int32_t expected;
  } cases[] = {
      {"abc\n", i, -3}, {"2\n", b, -4}, {"", i, -3}, {"x\n", arr, -8}, {"3\n1\n2\n3\n", arr, -9},
      {"2\n5\nz\n", arr, -3},
  };
  Code& c = program.code();
  std::vector<uint32_t> starts;
  for (const Case& k : cases) {
    starts.push_back(c.offset());
    open(c, dir.file("in.txt"), 'r');
    c.push_var(GLOBAL, handle).op(op::READ).u8(0).ref(GLOBAL, k.variable).assign(GLOBAL, result);
    close(c);
    c.release();
  }
  load();
  for (size_t n = 0; n < std::size(cases); ++n) {
    write_file(dir.file("in.txt"), cases[n].contents);
    start_code(starts[n]);
    EXPECT_EQ(value_of(result), cases[n].expected) << cases[n].contents;
  }
  EXPECT_EQ(global(arr)->word6, 1);  // the element read before the error stays
  EXPECT_EQ(global(arr)->val.a[0].i, 5);
}

TEST_F(FileStreams, TenthOpenFailsWithoutTouchingTheFile) {
  uint16_t last = program.add(GLOBAL, make_ident(K_INTEGER), "last");
  uint16_t missing = program.add(GLOBAL, make_ident(K_INTEGER), "missing");
  Code& c = program.code();
  uint32_t begin = c.offset();
  for (int n = 0; n < 9; ++n) {
    std::string name("f");
    name += std::to_string(n);
    open(c, dir.file(name), 'w');
  }
  c.push_string(dir.file("keep")).push('w').op(op::OPEN).assign(GLOBAL, last);
  c.push_string(dir.file("no/such/dir")).push('r').op(op::OPEN).assign(GLOBAL, missing);
  c.release();
  load();
  write_file(dir.file("keep"), "precious");
  start_code(begin);
  EXPECT_EQ(value_of(handle), 8);
  EXPECT_EQ(value_of(last), -24);
  EXPECT_EQ(value_of(missing), -24);
  EXPECT_EQ(read_file(dir.file("keep")), "precious");
}

TEST_F(FileStreams, MissingFileGivesTheNegatedErrorNumber) {
  Code& c = program.code();
  uint32_t begin = c.offset();
  open(c, dir.file("absent"), 'r');
  c.release();
  load();
  start_code(begin);
  EXPECT_EQ(value_of(handle), -ENOENT);
}

TEST_F(FileStreams, ClosingAStreamThatIsNotOpenIsARunTimeError) {
  Code& c = program.code();
  uint32_t begin = c.offset();
  c.push(9).op(op::CLOSE).release();
  load();
  EXPECT_EXIT(start_code(begin), testing::ExitedWithCode(1), "Bad file number - file not open");
}

}  // namespace
