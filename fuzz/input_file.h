// The readers under fuzzing take a path: each input is written to a file of
// this process first.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

// Writes the bytes to `path`, replacing what it held; false when that failed.
inline bool write_input_file(const char* path, const uint8_t* data, size_t size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  return close(fd) == 0 && done == size;
}
