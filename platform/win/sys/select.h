// The descriptor set of the Windows build: a count and a list of at most 64
// descriptors, laid out as Winsock's own, so the socket select takes it as it
// is. Whichever of this and winsock2.h comes first defines the set; the
// guard is the one winsock2.h tests.
#pragma once

#include <sys/time.h>
#include <sys/types.h>

#ifndef ___WSA_FD_TYPES_H
#define ___WSA_FD_TYPES_H

#ifndef FD_SETSIZE
#define FD_SETSIZE 64
#endif

typedef struct fd_set {
  unsigned int fd_count;
  unsigned long long fd_array[FD_SETSIZE];
} fd_set;

inline bool qob_fd_isset(unsigned long long fd, const fd_set* set) {
  for (unsigned int i = 0; i < set->fd_count; ++i)
    if (set->fd_array[i] == fd) return true;
  return false;
}

inline void qob_fd_set(unsigned long long fd, fd_set* set) {
  if (!qob_fd_isset(fd, set) && set->fd_count < FD_SETSIZE) set->fd_array[set->fd_count++] = fd;
}

inline void qob_fd_clr(unsigned long long fd, fd_set* set) {
  for (unsigned int i = 0; i < set->fd_count; ++i)
    if (set->fd_array[i] == fd) {
      set->fd_array[i] = set->fd_array[--set->fd_count];
      return;
    }
}

#define FD_ZERO(set) (((fd_set*)(set))->fd_count = 0)
#define FD_SET(fd, set) qob_fd_set((unsigned long long)(fd), (fd_set*)(set))
#define FD_CLR(fd, set) qob_fd_clr((unsigned long long)(fd), (fd_set*)(set))
#define FD_ISSET(fd, set) qob_fd_isset((unsigned long long)(fd), (const fd_set*)(set))

#endif
