// The launcher's files, folders and server start over POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/launcher_services.h"

const char* const server_program_name = "qob";

bool file_exists(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool regular = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  close(fd);
  return regular;
}

std::string launcher_directory(const char* argument0) {
  std::string path = argument0;
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "./";
  path.erase(slash);
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path.empty() ? "/" : path;
}

bool temporary_directory(std::string* folder, std::string* log_prefix) {
  const char* tmpdir = getenv("TMPDIR");
  std::string path = tmpdir != nullptr && tmpdir[0] != '\0' ? tmpdir : "/tmp";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  *folder = path == "/" ? path : path + "/";
  *log_prefix = *folder;
  return true;
}

int start_server(const std::vector<std::string>& argv, const std::string& command_line,
                 const std::string& log_file) {
  // The folder is shared: a planted link must not redirect the log.
  int log = open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (log < 0) return -98;

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // An exec failure comes back as the child's errno through a pipe that
  // closes on a successful exec.
  int status_pipe[2];
  if (pipe2(status_pipe, O_CLOEXEC) != 0) {
    close(log);
    return -2;
  }
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int input = open("/dev/null", O_RDONLY);
    if (input < 0 || dup2(input, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0) _exit(127);
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    if (strchr(args[0], '/') != nullptr)
      execv(args[0], args.data());
    else
      execvp(args[0], args.data());
    int error = errno;
    ssize_t unused = write(status_pipe[1], &error, sizeof error);
    (void)unused;
    _exit(127);
  }
  int error = errno;
  close(status_pipe[1]);
  close(log);
  if (pid > 0) {
    ssize_t n;
    do n = read(status_pipe[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    if (n != sizeof error) error = 0;
  }
  close(status_pipe[0]);
  if (pid > 0 && error == 0) return 0;
  fprintf(stderr, "Error in CreateProcess: %s\n%s\n", command_line.c_str(), strerror(error));
  return -2;
}
