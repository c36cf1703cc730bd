// The descriptor set as the server's code sees it, without Winsock.
#include <sys/select.h>

#include <cstddef>

#include "tests/platform/win/select_layout.h"

set_layout layer_set_layout() {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(7, &set);
  FD_SET(3, &set);
  FD_SET(7, &set);
  return {sizeof(fd_set), offsetof(fd_set, fd_array), FD_SETSIZE, set.fd_count, FD_ISSET(3, &set) != 0};
}
