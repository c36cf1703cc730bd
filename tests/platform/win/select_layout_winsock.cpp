// The descriptor set as Winsock defines it.
#include <winsock2.h>

#include <cstddef>

#include "tests/platform/win/select_layout.h"

set_layout winsock_set_layout() {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(7, &set);
  FD_SET(3, &set);
  FD_SET(7, &set);
  return {sizeof(fd_set), offsetof(fd_set, fd_array), FD_SETSIZE, set.fd_count, FD_ISSET(3, &set) != 0};
}
