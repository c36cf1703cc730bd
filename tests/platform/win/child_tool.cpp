// A child program for the Windows platform tests, one behaviour a word:
//   echo             copies standard input to standard output until its end
//   exit N           exits with status N
//   sleep MS         sleeps, then exits 0
//   print TEXT       writes TEXT to standard output
//   warn TEXT        writes TEXT to standard error
//   close-out MS     closes standard output, then sleeps
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
  _setmode(0, _O_BINARY);
  _setmode(1, _O_BINARY);
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    const char* arg = i + 1 < argc ? argv[i + 1] : "";
    if (strcmp(word, "echo") == 0) {
      char buffer[4096];
      int got;
      while ((got = _read(0, buffer, sizeof buffer)) > 0)
        if (_write(1, buffer, unsigned(got)) != got) return 3;
    } else if (strcmp(word, "exit") == 0) {
      return atoi(arg);
    } else if (strcmp(word, "sleep") == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(atoi(arg)));
      ++i;
    } else if (strcmp(word, "print") == 0) {
      if (_write(1, arg, unsigned(strlen(arg))) < 0) return 3;
      ++i;
    } else if (strcmp(word, "warn") == 0) {
      if (_write(2, arg, unsigned(strlen(arg))) < 0) return 3;
      ++i;
    } else if (strcmp(word, "close-out") == 0) {
      _close(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(atoi(arg)));
      ++i;
    } else {
      return 2;
    }
  }
  return 0;
}
