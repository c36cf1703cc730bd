#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "tests/support/test_lock.h"

// A socket bound to an abstract name: the name goes with the socket or the
// process, and nothing is left on disk.
intptr_t take_test_lock(const std::string& name) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  size_t length = std::min(name.size(), sizeof address.sun_path - 2);
  memcpy(address.sun_path + 1, name.data(), length);  // sun_path[0] 0: abstract
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length)) == 0)
    return fd;
  close(fd);
  return -1;
}

void release_test_lock(intptr_t lock) {
  if (lock >= 0) close(int(lock));
}
