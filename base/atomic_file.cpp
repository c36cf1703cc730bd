#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"

static void release_names(atomic_file* file) {
  if (file->target != nullptr) CheckedFree(file->target);
  if (file->temporary != nullptr) CheckedFree(file->temporary);
  file->target = file->temporary = nullptr;
  file->stream = nullptr;
  file->fd = -1;
}

// The path with a final symbolic link resolved, so the link itself stays.
static char* resolved_target(const char* path) {
  char* resolved = realpath(path, nullptr);
  if (resolved == nullptr) return dup_chars(path);
  char* copy = dup_chars(resolved);
  free(resolved);
  return copy;
}

static int open_in_place(atomic_file* file) {
  file->fd = open(file->target, O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (file->fd < 0) return errno;
  return 0;
}

static int open_temporary(atomic_file* file, const struct stat* old) {
  const char* slash = strrchr(file->target, '/');
  size_t folder = slash != nullptr ? size_t(slash - file->target) + 1 : 0;
  const char* base = file->target + folder;
  size_t size = folder + strlen(base) + 10;
  file->temporary = static_cast<char*>(CheckedMalloc(size));
  snprintf(file->temporary, size, "%.*s.%s.XXXXXX", int(folder), file->target, base);
  file->fd = mkostemp(file->temporary, O_CLOEXEC);
  if (file->fd < 0) return errno;
  // The new file keeps the old one's permissions, else the usual ones under the umask.
  mode_t mode;
  if (old != nullptr) {
    mode = old->st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(file->fd, mode) != 0) {
    int e = errno;
    close(file->fd);
    unlink(file->temporary);
    return e;
  }
  return 0;
}

int atomic_file_open(atomic_file* file, const char* path) {
  file->target = resolved_target(path);
  file->temporary = nullptr;
  file->stream = nullptr;
  file->fd = -1;
  struct stat old;
  bool exists = stat(file->target, &old) == 0;
  int e = exists && !S_ISREG(old.st_mode) ? open_in_place(file)
                                          : open_temporary(file, exists ? &old : nullptr);
  if (e == 0) {
    file->stream = fdopen(file->fd, "w");
    if (file->stream == nullptr) {
      e = errno;
      close(file->fd);
      if (file->temporary != nullptr) unlink(file->temporary);
    }
  }
  if (e != 0) release_names(file);
  return e;
}

int atomic_file_commit(atomic_file* file) {
  // A write that failed earlier fails again in the flush, with its own errno.
  int e = 0;
  if (fflush(file->stream) != 0) e = errno;
  if (e == 0 && ferror(file->stream)) e = EIO;
  if (e == 0 && file->temporary != nullptr && fsync(file->fd) != 0) e = errno;
  if (fclose(file->stream) != 0 && e == 0) e = errno;
  if (file->temporary != nullptr) {
    if (e == 0 && rename(file->temporary, file->target) != 0) e = errno;
    if (e != 0) unlink(file->temporary);
  }
  release_names(file);
  return e;
}

void atomic_file_abandon(atomic_file* file) {
  fclose(file->stream);
  if (file->temporary != nullptr) unlink(file->temporary);
  release_names(file);
}
