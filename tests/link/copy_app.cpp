// A test application, in both builds: copies the file it names, or else its
// standard input, to its standard output byte for byte, as `cat` does.
#include <unistd.h>

#include <cstdio>

#include "platform/posix_services.h"
#include "tests/support/copy_stream.h"

int main(int argc, char** argv) {
  preset_posix_services();  // binary standard streams on Windows
  if (argc < 2) {
    copy_stream(0, 1);
    return 0;
  }
  FILE* file = fopen(argv[1], "rb");
  if (file == nullptr) return 1;
  copy_stream(fileno(file), 1);
  fclose(file);
  return 0;
}
