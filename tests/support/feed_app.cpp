// A test application of end-to-end runs, in both builds. Its words are done
// in order: FILE sends the file to its standard output; "-w NAME" waits until
// the file NAME exists (a minute at most, then it fails: the test that was to
// make it has gone); "-o FILE" writes its standard input into FILE. Then
// it lets go of the server's standard error and stays until its input ends,
// that is until the server has gone.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/posix_services.h"
#include "tests/support/copy_stream.h"

namespace {

bool send(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  bool sent = copy_stream(fileno(file), 1);
  fclose(file);
  return sent;
}

bool take(const char* path) {
  FILE* file = fopen(path, "wb");
  if (file == nullptr) return false;
  bool taken = copy_stream(0, fileno(file));
  return fclose(file) == 0 && taken;
}

}  // namespace

int main(int argc, char** argv) {
  preset_posix_services();  // binary standard streams on Windows
  for (int k = 1; k < argc; ++k) {
    if (strcmp(argv[k], "-w") == 0 && k + 1 < argc) {
      const char* name = argv[++k];
      auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
      while (!std::filesystem::exists(name)) {
        if (std::chrono::steady_clock::now() > until) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    } else if (strcmp(argv[k], "-o") == 0 && k + 1 < argc) {
      if (!take(argv[++k])) return 1;
    } else if (!send(argv[k])) {
      return 1;
    }
  }
  close(2);  // the runner sees the server's end at once
  char rest[4096];
  while (read(0, rest, sizeof rest) > 0) {
  }
  return 0;
}
