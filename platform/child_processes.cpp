// Child processes: forkexec over posix_spawn, and their probing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix_services.h"

extern char** environ;

namespace {

// The words of a command line, in one block: argv pointers then their text.
struct command_words {
  char** argv = nullptr;
  int count = 0;
};

// Splits `command` into words. False only when memory runs out.
bool split_command(const char* command, command_words* words) {
  size_t length = strlen(command);
  size_t max_words = length / 2 + 2;
  char* block = static_cast<char*>(malloc(max_words * sizeof(char*) + length + 1));
  if (block == nullptr) return false;
  char** argv = reinterpret_cast<char**>(block);
  char* out = block + max_words * sizeof(char*);
  int count = 0;
  const char* p = command;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    if (*p == '\0') break;
    argv[count++] = out;
    while (*p != '\0' && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') {
      if (*p == '\'') {
        for (++p; *p != '\0' && *p != '\''; ++p) *out++ = *p;
        if (*p == '\'') ++p;
      } else if (*p == '"') {
        for (++p; *p != '\0' && *p != '"'; ++p) {
          if (*p == '\\' && (p[1] == '"' || p[1] == '\\')) ++p;
          *out++ = *p;
        }
        if (*p == '"') ++p;
      } else {
        if (*p == '\\' && p[1] != '\0') ++p;
        *out++ = *p++;
      }
    }
    *out++ = '\0';
  }
  argv[count] = nullptr;
  words->argv = argv;
  words->count = count;
  return true;
}

bool is_executable_file(const char* path, int* error) {
  struct stat st {};
  if (stat(path, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) return false;
  if (access(path, X_OK) == 0) return true;
  *error = EACCES;
  return false;
}

// Finds `name` through PATH as execvp does. Returns 0 with the path in `path`,
// or the error: EACCES when only unexecutable files were found, else ENOENT.
int find_program(const char* name, char* path, size_t path_size) {
  if (strchr(name, '/') != nullptr) {
    if (strlen(name) >= path_size) return ENAMETOOLONG;
    strcpy(path, name);
    return 0;
  }
  const char* search = getenv("PATH");
  if (search == nullptr) search = "/usr/local/bin:/usr/bin:/bin";
  int error = ENOENT;
  for (const char* dir = search;; ++dir) {
    const char* end = strchr(dir, ':');
    size_t dir_length = end != nullptr ? static_cast<size_t>(end - dir) : strlen(dir);
    int n = dir_length == 0
                ? snprintf(path, path_size, "%s", name)
                : snprintf(path, path_size, "%.*s/%s", static_cast<int>(dir_length), dir, name);
    if (n > 0 && static_cast<size_t>(n) < path_size && is_executable_file(path, &error)) return 0;
    if (end == nullptr) return error;
    dir = end;
  }
}

// A copy of fd at 3 or above for the parent's spawn, so the moves onto 0 and
// 1 cannot overwrite each other; -1 stays -1 (the child gets /dev/null).
int lifted_descriptor(int fd, int* error) {
  if (fd < 0) return -1;
  int lifted = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (lifted < 0) *error = errno;
  return lifted;
}

// The child's standard input or output: `fd` moved onto `target`, or /dev/null.
int give_descriptor(posix_spawn_file_actions_t* actions, int fd, int target, int null_flags) {
  return fd >= 0 ? posix_spawn_file_actions_adddup2(actions, fd, target)
                 : posix_spawn_file_actions_addopen(actions, target, "/dev/null", null_flags, 0);
}

// The spawn's settings: the child runs in a session of its own with default
// signal handling, no blocked signals and no descriptor but 0 to 2.
int prepare_spawn(posix_spawn_file_actions_t* actions, posix_spawnattr_t* attributes, int in, int out) {
  // Every bit set: sigfillset leaves out the C library's own two signals,
  // which the spawn would otherwise hand to the program as ignored.
  sigset_t all, none;
  memset(&all, 0xFF, sizeof all);
  sigemptyset(&none);
  int failed = give_descriptor(actions, in, 0, O_RDONLY);
  if (failed == 0) failed = give_descriptor(actions, out, 1, O_WRONLY);
  if (failed == 0) failed = posix_spawn_file_actions_addclosefrom_np(actions, 3);
  if (failed == 0)
    failed = posix_spawnattr_setflags(attributes, short(POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK));
  if (failed == 0) failed = posix_spawnattr_setsigdefault(attributes, &all);
  if (failed == 0) failed = posix_spawnattr_setsigmask(attributes, &none);
  return failed;
}

// Starts the child; returns its pid, or -1 with the error in *error. An exec
// failure in the child comes back as posix_spawn's result.
pid_t spawn(const char* path, char** argv, int in, int out, int* error) {
  int child_in = lifted_descriptor(in, error);
  int child_out = lifted_descriptor(out, error);
  pid_t pid = -1;
  if ((in < 0 || child_in >= 0) && (out < 0 || child_out >= 0)) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int failed = posix_spawn_file_actions_init(&actions);
    if (failed == 0) {
      failed = posix_spawnattr_init(&attributes);
      if (failed == 0) {
        failed = prepare_spawn(&actions, &attributes, child_in, child_out);
        if (failed == 0) failed = posix_spawn(&pid, path, &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
      }
      posix_spawn_file_actions_destroy(&actions);
    }
    if (failed != 0) {
      *error = failed;
      pid = -1;
    }
  }
  if (child_in >= 0) close(child_in);
  if (child_out >= 0) close(child_out);
  return pid;
}

}  // namespace

pid_t forkexec(const char* command, int in, int out) {
  if (command == nullptr) command = "";
  errno = 0;
  int error = ENOENT;
  pid_t pid = -1;
  command_words words;
  char path[PATH_MAX];
  if (!split_command(command, &words)) {
    error = ENOMEM;
  } else if (words.count > 0) {
    error = find_program(words.argv[0], path, sizeof path);
    if (error == 0) pid = spawn(path, words.argv, in, out, &error);
  }
  free(words.argv);
  if (in >= 0) close(in);
  if (out >= 0 && out != in) close(out);
  if (pid > 0) {
    errno = 0;
    return pid;
  }
  fprintf(stderr, "%s\n%s", command, strerror(error));
  errno = error == EACCES || error == ENOEXEC ? error : ENOENT;
  return -1;
}

bool process_alive(pid_t pid) {
  if (pid <= 0) return false;
  pid_t reaped;
  do reaped = waitpid(pid, nullptr, WNOHANG);
  while (reaped < 0 && errno == EINTR);
  if (reaped == pid) return false;
  if (reaped == 0) return true;
  // Not our child: it exists while it can be signalled.
  return kill(pid, 0) == 0;
}
