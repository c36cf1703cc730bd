// Files, folders and pipes over the C runtime and Win32: binary descriptors
// whose handles children do not inherit.
#include <winsock2.h>
#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/posix_services.h"

namespace {

bool numbers_begun = false;
int numbers_mode_before = -1;    // the thread-locale mode before, -1 where the runtime has none
char numbers_locale_before[64];  // LC_NUMERIC before begin_c_numbers

constexpr int PRIVATE_BINARY = _O_BINARY | _O_NOINHERIT;

}  // namespace

int open_file(const char* path, file_use use) {
  switch (use) {
    case FILE_READ:
    case FILE_READ_NOWAIT:  // no open here waits for a writer
      return _open(path, _O_RDONLY | PRIVATE_BINARY);
    case FILE_APPEND:
      return _open(path, _O_WRONLY | _O_APPEND | _O_CREAT | PRIVATE_BINARY, _S_IREAD | _S_IWRITE);
  }
  errno = EINVAL;
  return -1;
}

bool open_pipe(int fds[2], int bytes) { return _pipe(fds, unsigned(bytes), PRIVATE_BINARY) == 0; }

int duplicate_descriptor(int fd) {
  int copy = _dup(fd);
  if (copy >= 0) SetHandleInformation(HANDLE(_get_osfhandle(copy)), HANDLE_FLAG_INHERIT, 0);
  return copy;
}

void close_descriptor(int fd) {
  if (fd < 0) return;
  end_read(fd);
  _close(fd);
}

bool make_folder(const char* path) { return _mkdir(path) == 0; }

bool make_temporary_folder(char* pattern) {
  size_t n = strlen(pattern);
  if (n < 6 || strcmp(pattern + n - 6, "XXXXXX") != 0) return false;
  static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned seed = unsigned(GetTickCount()) ^ unsigned(GetCurrentProcessId()) << 16;
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = n - 6; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      pattern[i] = letters[(seed >> 16) % (sizeof letters - 1)];
    }
    if (_mkdir(pattern) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

ssize_t read_line(char** line, size_t* capacity, FILE* stream) {
  if (line == nullptr || capacity == nullptr || stream == nullptr) {
    errno = EINVAL;
    return -1;
  }
  size_t length = 0;
  for (;;) {
    int c = getc(stream);
    if (c == EOF) break;
    if (*line == nullptr || length + 2 > *capacity) {
      size_t grown = *capacity < 120 ? 120 : *capacity * 2;
      char* bigger = static_cast<char*>(realloc(*line, grown));
      if (bigger == nullptr) {
        errno = ENOMEM;
        return -1;
      }
      *line = bigger;
      *capacity = grown;
    }
    (*line)[length++] = char(c);
    if (c == '\n') break;
  }
  if (length == 0) return -1;
  (*line)[length] = '\0';
  return ssize_t(length);
}

void sleep_milliseconds(int milliseconds) {
  if (milliseconds > 0) Sleep(DWORD(milliseconds));
}

void begin_c_numbers() {
  if (numbers_begun) return;
  numbers_begun = true;
  numbers_mode_before = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  const char* now = setlocale(LC_NUMERIC, nullptr);
  snprintf(numbers_locale_before, sizeof numbers_locale_before, "%s", now != nullptr ? now : "C");
  setlocale(LC_NUMERIC, "C");
}

void end_c_numbers() {
  if (!numbers_begun) return;
  numbers_begun = false;
  setlocale(LC_NUMERIC, numbers_locale_before);
  if (numbers_mode_before > 0) _configthreadlocale(numbers_mode_before);
}
