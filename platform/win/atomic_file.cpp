// Whole-file replacement over Win32: the temporary beside the target is
// flushed to disk, then moved over the target in one step.
#include "base/atomic_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
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

// A temporary name in the target's folder that no file has: ".name.NNNNNN".
static int open_temporary(atomic_file* file) {
  const char* slash = strrchr(file->target, '/');
  const char* backslash = strrchr(file->target, '\\');
  if (backslash != nullptr && (slash == nullptr || backslash > slash)) slash = backslash;
  size_t folder = slash != nullptr ? size_t(slash - file->target) + 1 : 0;
  const char* base = file->target + folder;
  size_t size = folder + strlen(base) + 24;
  file->temporary = static_cast<char*>(CheckedMalloc(size));
  unsigned seed = unsigned(GetTickCount()) ^ (unsigned(GetCurrentProcessId()) << 16);
  for (int attempt = 0; attempt < 100; ++attempt) {
    snprintf(file->temporary, size, "%.*s.%s.%06u", int(folder), file->target, base,
             (seed + unsigned(attempt) * 7919u) % 1000000u);
    file->fd = _open(file->temporary, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _S_IREAD | _S_IWRITE);
    if (file->fd >= 0) return 0;
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

static int open_in_place(atomic_file* file) {
  file->fd = _open(file->target, _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
  return file->fd < 0 ? errno : 0;
}

int atomic_file_open(atomic_file* file, const char* path) {
  file->target = dup_chars(path);
  file->temporary = nullptr;
  file->stream = nullptr;
  file->fd = -1;
  struct _stat64 old;
  bool exists = _stat64(file->target, &old) == 0;
  int e = exists && (old.st_mode & _S_IFMT) != _S_IFREG ? open_in_place(file) : open_temporary(file);
  if (e == 0) {
    file->stream = _fdopen(file->fd, "wb");
    if (file->stream == nullptr) {
      e = errno;
      _close(file->fd);
      if (file->temporary != nullptr) _unlink(file->temporary);
    }
  }
  if (e != 0) release_names(file);
  return e;
}

int atomic_file_commit(atomic_file* file) {
  int e = 0;
  if (fflush(file->stream) != 0) e = errno;
  if (e == 0 && ferror(file->stream)) e = EIO;
  if (e == 0 && file->temporary != nullptr && _commit(file->fd) != 0) e = errno;
  if (fclose(file->stream) != 0 && e == 0) e = errno;
  if (file->temporary != nullptr) {
    if (e == 0 && !MoveFileExA(file->temporary, file->target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      e = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    if (e != 0) _unlink(file->temporary);
  }
  release_names(file);
  return e;
}

void atomic_file_abandon(atomic_file* file) {
  fclose(file->stream);
  if (file->temporary != nullptr) _unlink(file->temporary);
  release_names(file);
}
