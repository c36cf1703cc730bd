// Reading a resource file that names 50,000 global INTEGERs, against reading
// the same file's lines with fgets, measured in pairs in the same run: once
// in table order (as files are saved), once in reverse and once shuffled
// (every name through the name index).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "runtime/read_resources.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "tests/support/yarl_writer.h"

int main(int argc, char** argv) {
  int count = argc > 1 ? atoi(argv[1]) : 50000;
  InitMallocBalance();
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  std::string text;
  for (int n = 0; n < count; ++n) {
    ident_info id = yarl::make_ident(K_INTEGER);
    id.word8 = IDENT_RESOURCE;
    std::string name = "variable_" + std::to_string(n);
    p.add(yarl::GLOBAL, id, name);
    text += name + ":\t" + std::to_string(n * 7919 % 1000003) + "\n";
  }
  std::vector<uint8_t> image = p.bytes();
  decode_tables(image.data(), image.size());
  preset_user_interface("", true, false, nullptr, nullptr, nullptr);

  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start) + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  std::string reversed, shuffled;
  for (size_t n = lines.size(); n > 0; --n) reversed += lines[n - 1];
  std::shuffle(lines.begin(), lines.end(), std::mt19937(12345));
  for (const std::string& line : lines) shuffled += line;
  ident_info* context = &globals()[1];
  for (const auto& [order, contents] : {std::pair{"table order", &text}, std::pair{"reverse order", &reversed},
                                        std::pair{"shuffled", &shuffled}}) {
    char path[] = "/tmp/resource_bench_XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, contents->data(), contents->size()) != ssize_t(contents->size())) return 1;
    close(fd);
    // The first read builds the name index; the pairs measure reads after it.
    read_resources(context, path, nullptr, false, RESOURCE_VARIABLES);
    paired::Result r = paired::measure(
        15,
        [&] {
          auto t0 = std::chrono::steady_clock::now();
          bool failed = read_resources(context, path, nullptr, false, RESOURCE_VARIABLES);
          double s = paired::seconds_since(t0);
          // Every value differs from the last read's, so each line is assigned.
          for (uint32_t i = N_PREDEFINED; i < tables[T_GLOBALS].length; ++i) globals()[i].val.i = -1;
          return failed ? -1.0 : s;
        },
        [&] {
          auto t0 = std::chrono::steady_clock::now();
          FILE* f = fopen(path, "r");
          if (f == nullptr) return -1.0;
          char line[512];
          long lines = 0;
          while (fgets(line, sizeof line, f) != nullptr) ++lines;
          fclose(f);
          double s = paired::seconds_since(t0);
          return lines == count ? s : -1.0;
        });
    char name[64];
    snprintf(name, sizeof name, "read_resources, %d globals, %s", count, order);
    // Saved files are in table order; a shuffled file is shown for information.
    paired::report(name, r, "fgets of its lines", contents == &shuffled ? 0 : 3.0);
    unlink(path);
  }
  cleanup_user_interface();
  return 0;
}
