// Time per YARL instruction on a counted loop and a string loop, each run
// alternately with the same loop in Lua 5.4 (a global and a local) and in
// Tcl 8.6 (a proc). The outside interpreters time the loop inside their own
// script, so their start-up is left out.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/paired.h"
#include "runtime/interpreter.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"
#include "runtime/user_interface.h"
#include "tests/support/yarl_writer.h"

using namespace yarl;

namespace {

constexpr uint8_t CONCATENATE = 43, ADD_INTEGER = 210, LT = 220;
constexpr int PAIRS = 7;

double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
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

// The seconds that a script prints of its own loop, or -1.
double outside_seconds(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  double seconds = -1;
  if (fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
  return pclose(pipe) == 0 ? seconds : -1;
}

std::string lua(const std::string& body) {
  return "lua5.4 -e 'local t = os.clock() " + body + " print(os.clock() - t)' 2>/dev/null";
}

std::string tcl(const std::string& body) {
  return "echo 'proc p {} {" + body + "}; set t [clock microseconds]; p; "
         "puts [expr {([clock microseconds] - $t) / 1e6}]' | tclsh8.6 2>/dev/null";
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
  bool ran_to_n = true;
  // Processor time, as os.clock gives Lua's.
  auto yarl = [&](const Loop& loop, uint16_t counter) {
    return [&, loop, counter] {
      globals()[counter].val.i = 0;
      double start = cpu_seconds();
      interpret_code(graphics, statement_code(loop.offset), false);
      double seconds = cpu_seconds() - start;
      ran_to_n &= globals()[counter].val.i == n;
      return seconds;
    };
  };

  std::string count = std::to_string(n);
  std::string count_up = "while i < " + count + " do i = i + 1 end";
  std::string concatenate =
      "a = \"abcdefgh\" b = \"ijklmnop\" j = 0 while j < " + count + " do s = a .. b j = j + 1 end";
  printf("%d iterations, medians of %d pairs; YARL and Lua in processor time, Tcl in real time\n", n, PAIRS);
  paired::Result r;
  r = paired::measure(PAIRS, yarl(counted, i), [&] { return outside_seconds(lua("i = 0 " + count_up)); });
  paired::report("YARL counted loop (global)", r, "Lua 5.4 global", 0.6);
  if (r.pairs) printf("  %.2f ns an instruction\n", r.subject * 1e9 / (double(n) * counted.instructions_per_iteration));
  r = paired::measure(PAIRS, yarl(counted, i), [&] { return outside_seconds(lua("local i = 0 " + count_up)); });
  paired::report("YARL counted loop (global)", r, "Lua 5.4 local", 1.2);
  r = paired::measure(PAIRS, yarl(counted, i), [&] {
    return outside_seconds(tcl("set i 0; while {$i < " + count + "} {incr i}"));
  });
  paired::report("YARL counted loop (global)", r, "Tcl 8.6 proc");
  r = paired::measure(PAIRS, yarl(strings, j), [&] { return outside_seconds(lua(concatenate)); });
  paired::report("YARL string loop s := a + b", r, "Lua 5.4 global", 0.7);
  if (r.pairs) printf("  %.2f ns an instruction\n", r.subject * 1e9 / (double(n) * strings.instructions_per_iteration));
  r = paired::measure(PAIRS, yarl(strings, j), [&] {
    return outside_seconds(tcl("set a abcdefgh; set b ijklmnop; set j 0; while {$j < " + count +
                               "} {set s $a$b; incr j}"));
  });
  paired::report("YARL string loop s := a + b", r, "Tcl 8.6 proc");
  cleanup_user_interface();
  if (!ran_to_n) {
    fprintf(stderr, "loops did not run to %d\n", n);
    return 1;
  }
  return 0;
}
