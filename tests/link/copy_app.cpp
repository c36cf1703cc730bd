// A test application, in both builds: copies the file it names, or else its
// standard input, to its standard output byte for byte, as `cat` does.
#include <unistd.h>

#include <cstdio>

#include "platform/posix_services.h"

namespace {

// Each read passes on what has come so far: a pipe's bytes go on at once.
void copy(int from) {
  char buffer[4096];
  for (long n; (n = read(from, buffer, sizeof buffer)) > 0;)
    for (long done = 0, put = 0; done < n; done += put)
      if ((put = write(1, buffer + done, size_t(n - done))) <= 0) return;
}

}  // namespace

int main(int argc, char** argv) {
  preset_posix_services();  // binary standard streams on Windows
  if (argc < 2) {
    copy(0);
    return 0;
  }
  FILE* file = fopen(argv[1], "rb");
  if (file == nullptr) return 1;
  copy(fileno(file));
  fclose(file);
  return 0;
}
