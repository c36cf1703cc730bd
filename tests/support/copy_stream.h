// The copy loop of the test applications (feed_app, copy_app): each read
// passes on what has come so far, so a pipe's bytes go on at once.
#pragma once

#include <unistd.h>

#include <cstddef>

// Copies `from` to `to` until the end of `from`; false when a read or a write fails.
inline bool copy_stream(int from, int to) {
  char buffer[4096];
  long n;
  while ((n = read(from, buffer, sizeof buffer)) > 0)
    for (long done = 0, put = 0; done < n; done += put)
      if ((put = write(to, buffer + done, size_t(n - done))) <= 0) return false;
  return n == 0;
}
