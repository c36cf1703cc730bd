// Files, folders and pipes over POSIX: close-on-exec descriptors.
#include "platform/files.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <initializer_list>

#include "platform/posix_services.h"

namespace {

locale_t c_numbers = locale_t(0);
locale_t numbers_before = locale_t(0);

}  // namespace

int open_file(const char* path, file_use use) {
  switch (use) {
    case FILE_READ:
      return open(path, O_RDONLY | O_CLOEXEC);
    case FILE_READ_NOWAIT:
      return open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    case FILE_APPEND:
      return open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  }
  errno = EINVAL;
  return -1;
}

bool open_pipe(int fds[2], int bytes) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  // A larger default stays as it is.
  for (int fd : {fds[0], fds[1]})
    if (fcntl(fd, F_GETPIPE_SZ) < bytes) fcntl(fd, F_SETPIPE_SZ, bytes);
  return true;
}

int duplicate_descriptor(int fd) { return fcntl(fd, F_DUPFD_CLOEXEC, 0); }

void close_descriptor(int fd) {
  if (fd < 0) return;
  end_read(fd);
  close(fd);
}

bool make_folder(const char* path) { return mkdir(path, 0777) == 0; }

bool make_temporary_folder(char* pattern) { return mkdtemp(pattern) != nullptr; }

ssize_t read_line(char** line, size_t* capacity, FILE* stream) { return getline(line, capacity, stream); }

void sleep_milliseconds(int milliseconds) {
  if (milliseconds <= 0) return;
  timespec t{milliseconds / 1000, long(milliseconds % 1000) * 1000000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

void begin_c_numbers() {
  if (c_numbers == locale_t(0)) c_numbers = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
  if (c_numbers != locale_t(0)) numbers_before = uselocale(c_numbers);
}

void end_c_numbers() {
  if (numbers_before != locale_t(0)) uselocale(numbers_before);
  numbers_before = locale_t(0);
}
