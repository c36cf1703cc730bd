// Writes the demo YARL program that scripts/demo runs the server on.
#include <cstdio>

#include "tests/support/yarl_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT.b\n", argv[0]);
    return 2;
  }
  yarl::YarlProgram demo = yarl::YarlProgram::standard();
  if (!demo.write(argv[1])) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
