// Time per YARL instruction on a counted loop and a string loop, against the
// same loops in Lua 5.4 and Tcl 8.6 run in the same process's time frame.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"
#include "runtime/user_interface.h"
#include "tests/support/yarl_writer.h"

using namespace yarl;

namespace {

constexpr uint8_t CONCATENATE = 43, ADD_INTEGER = 210, LT = 220;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Loop {
  uint32_t offset;
  int instructions_per_iteration;
};

// while i < n: i := i + 1            (9 instructions an iteration)
Loop counted_loop(YarlProgram& p, uint16_t i, int32_t n) {
  Code& c = p.code();
  Loop loop{c.offset(), 9};
  Label top = c.label(), end = c.label();
  c.bind(top).push_var(GLOBAL, i).push(n).op(LT).u8(K_INTEGER).if_false(end);
  c.push_var(GLOBAL, i).constant(1).op(ADD_INTEGER).assign(GLOBAL, i).jump(top);
  c.bind(end).release();
  return loop;
}

// while i < n: s := a + b; i := i + 1  (13 instructions an iteration)
Loop string_loop(YarlProgram& p, uint16_t i, uint16_t s, uint16_t a, uint16_t b, int32_t n) {
  Code& c = p.code();
  Loop loop{c.offset(), 13};
  Label top = c.label(), end = c.label();
  c.bind(top).push_var(GLOBAL, i).push(n).op(LT).u8(K_INTEGER).if_false(end);
  c.push_var(GLOBAL, a).push_var(GLOBAL, b).op(CONCATENATE).assign(GLOBAL, s);
  c.push_var(GLOBAL, i).constant(1).op(ADD_INTEGER).assign(GLOBAL, i).jump(top);
  c.bind(end).release();
  return loop;
}

// Seconds a script takes in an outside interpreter, less its start-up.
double outside_seconds(const std::string& command, const std::string& script, const std::string& empty) {
  auto run = [&](const std::string& text) {
    std::string line = command + " '" + text + "' >/dev/null 2>&1";
    auto start = std::chrono::steady_clock::now();
    if (system(line.c_str()) != 0) return -1.0;
    return seconds_since(start);
  };
  double base = run(empty);
  double total = run(script);
  return base < 0 || total < 0 ? -1 : total - base;
}

void report(const char* name, double seconds, double instructions, double reference_seconds, const char* reference) {
  printf("%-34s %8.3f s  %6.2f ns/instruction", name, seconds, seconds * 1e9 / instructions);
  if (reference_seconds > 0) printf("  (%s: %.3f s, ratio %.2f)", reference, reference_seconds, seconds / reference_seconds);
  printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  int32_t n = argc > 1 ? atoi(argv[1]) : 10000000;
  YarlProgram p = YarlProgram::standard();
  uint16_t i = p.add(GLOBAL, make_ident(K_INTEGER), "i");
  uint16_t j = p.add(GLOBAL, make_ident(K_INTEGER), "j");
  uint16_t s = p.add(GLOBAL, make_ident(K_STRING), "s");
  uint16_t a = p.add(GLOBAL, make_ident(K_STRING), "a");
  uint16_t b = p.add(GLOBAL, make_ident(K_STRING), "b");
  p.initial_code().push_string("abcdefgh").assign(GLOBAL, a).push_string("ijklmnop").assign(GLOBAL, b);
  Loop counted = counted_loop(p, i, n);
  Loop strings = string_loop(p, j, s, a, b, n);

  std::vector<uint8_t> image = p.bytes();
  decode_tables(image.data(), image.size());
  preset_user_interface("", false, false, nullptr, nullptr, nullptr);
  ident_info* graphics = &globals()[1];

  auto start = std::chrono::steady_clock::now();
  interpret_code(graphics, statement_code(counted.offset), false);
  double counted_s = seconds_since(start);
  start = std::chrono::steady_clock::now();
  interpret_code(graphics, statement_code(strings.offset), false);
  double strings_s = seconds_since(start);
  if (globals()[i].val.i != n || globals()[j].val.i != n) {
    fprintf(stderr, "loops did not run to %d\n", n);
    return 1;
  }
  cleanup_user_interface();

  std::string count = std::to_string(n);
  double lua_local = outside_seconds("lua5.4 -e", "local i=0 while i<" + count + " do i=i+1 end", "");
  double lua_global = outside_seconds("lua5.4 -e", "i=0 while i<" + count + " do i=i+1 end", "");
  double lua_strings = outside_seconds(
      "lua5.4 -e", "a=\"abcdefgh\" b=\"ijklmnop\" j=0 while j<" + count + " do s=a..b j=j+1 end", "");
  auto tcl_seconds = [&](const std::string& body) {
    return outside_seconds("sh -c 'echo \"$0\" | tclsh8.6'",
                           "proc p {} {" + body + "}; p", "");
  };
  double tcl_counted = tcl_seconds("set i 0; while {$i < " + count + "} {incr i}");
  double tcl_strings =
      tcl_seconds("set a abcdefgh; set b ijklmnop; set j 0; while {$j < " + count + "} {set s $a$b; incr j}");

  printf("%d iterations\n", n);
  double counted_instructions = double(n) * counted.instructions_per_iteration;
  double string_instructions = double(n) * strings.instructions_per_iteration;
  report("YARL counted loop", counted_s, counted_instructions, lua_local, "Lua 5.4 local");
  report("YARL counted loop", counted_s, counted_instructions, lua_global, "Lua 5.4 global");
  report("YARL counted loop", counted_s, counted_instructions, tcl_counted, "Tcl 8.6 proc");
  report("YARL string loop", strings_s, string_instructions, lua_strings, "Lua 5.4 global");
  report("YARL string loop", strings_s, string_instructions, tcl_strings, "Tcl 8.6 proc");
  return 0;
}
