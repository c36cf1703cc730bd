// Child processes: forkexec with an exec-status pipe, and their probing.
#include <fcntl.h>
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

// A descriptor of the child at 3 or above, so the moves to 0 and 1 cannot
// overwrite each other; /dev/null stands for a negative one.
int lifted_descriptor(int fd, int null_flags) {
  if (fd < 0) fd = open("/dev/null", null_flags);
  return fd < 0 ? -1 : fcntl(fd, F_DUPFD, 3);
}

void close_from(int low, int high, int open_max) {
  if (low > high) return;
  if (close_range(static_cast<unsigned>(low), static_cast<unsigned>(high), 0) == 0) return;
  for (int fd = low; fd <= high && fd < open_max; ++fd) close(fd);
}

// In the forked child: only async-signal-safe calls. Reports a failure as its
// errno on `status`, which closes by itself when exec succeeds.
[[noreturn]] void start_child(const char* path, char** argv, int in, int out, int status,
                              int open_max) {
  setsid();
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction sa {};
    if (sigaction(sig, nullptr, &sa) == 0 && sa.sa_handler == SIG_IGN) {
      sa.sa_handler = SIG_DFL;
      sigaction(sig, &sa, nullptr);
    }
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  int child_in = lifted_descriptor(in, O_RDONLY);
  int child_out = lifted_descriptor(out, O_WRONLY);
  if (child_in >= 0 && child_out >= 0 && dup2(child_in, 0) == 0 && dup2(child_out, 1) == 1) {
    close_from(3, status - 1, open_max);
    close_from(status + 1, INT_MAX, open_max);
    execv(path, argv);
  }
  int error = errno;
  ssize_t ignored = write(status, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// Starts the child; returns its pid, or -1 with the error in *error.
pid_t spawn(const char* path, char** argv, int in, int out, int* error) {
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    *error = errno;
    return -1;
  }
  // The write end must survive the child's moves onto 0 and 1.
  if (status[1] < 3) {
    int lifted = fcntl(status[1], F_DUPFD_CLOEXEC, 3);
    if (lifted < 0) {
      *error = errno;
      close(status[0]);
      close(status[1]);
      return -1;
    }
    close(status[1]);
    status[1] = lifted;
  }
  long open_max = sysconf(_SC_OPEN_MAX);
  if (open_max < 0 || open_max > 65536) open_max = 65536;
  pid_t pid = fork();
  if (pid == 0) start_child(path, argv, in, out, status[1], static_cast<int>(open_max));
  if (pid < 0) *error = errno;
  close(status[1]);
  if (pid > 0) {
    int child_error = 0;
    ssize_t got;
    do got = read(status[0], &child_error, sizeof child_error);
    while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof child_error)) {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
      *error = child_error;
      pid = -1;
    }
  }
  close(status[0]);
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
