// Replaces a file as a whole or not at all: the new content goes to a
// temporary file in the target's folder, which is flushed, synced, closed and
// renamed over the target only when every step succeeded. A failure leaves
// the old file as it was and no temporary behind.
//
//   atomic_file f;
//   if (int e = atomic_file_open(&f, path)) report(strerror(e));
//   fputs(text, f.stream);
//   if (int e = atomic_file_commit(&f)) report(strerror(e));
//
// A target that exists and is not a regular file (a device, a pipe) cannot be
// replaced: it is written in place, and commit reports what the writes did.
// A symbolic link is followed, so the link stays and its target is replaced.
#pragma once

#include <cstdio>

struct atomic_file {
  char* target;     // the file replaced on commit (links resolved)
  char* temporary;  // null when writing in place
  FILE* stream;     // buffered access; stream and fd are the same open file
  int fd;
};

// Opens the temporary (or the target, in place); 0 or an errno value. On
// failure nothing is left open or created.
int atomic_file_open(atomic_file* file, const char* path);
// Flushes and syncs, closes, and renames the temporary over the target; 0 or
// the errno value of the first failure (including any earlier write error on
// the stream). Either way the file is closed afterwards.
int atomic_file_commit(atomic_file* file);
// Closes and removes the temporary; the target stays untouched.
void atomic_file_abandon(atomic_file* file);
