// Child processes over Win32: forkexec by CreateProcess, each child given
// only its own two pipe ends and the server's standard error, and the
// probing and ending of the children this server started.
#include <winsock2.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix_services.h"
#include "platform/win/process_start.h"

namespace {

struct child {
  DWORD pid = 0;
  HANDLE process = nullptr;
};

constexpr int SIGTERM_NUMBER = 15;  // the numbers the server sends
constexpr int SIGKILL_NUMBER = 9;
constexpr int MAX_CHILDREN = 64;  // the server runs at most 22 at a time
child children[MAX_CHILDREN];

child* find_child(pid_t pid) {
  for (child& c : children)
    if (c.process != nullptr && pid_t(c.pid) == pid) return &c;
  return nullptr;
}

// Forgets the children that have ended, so their places serve again.
void forget_ended_children() {
  for (child& c : children)
    if (c.process != nullptr && WaitForSingleObject(c.process, 0) == WAIT_OBJECT_0) {
      CloseHandle(c.process);
      c = {};
    }
}

void keep_child(DWORD pid, HANDLE process) {
  forget_ended_children();
  for (child& c : children)
    if (c.process == nullptr) {
      c = {pid, process};
      return;
    }
  CloseHandle(process);  // no place: the child runs on, but is not ours to end
}

// An inheritable copy of a handle for the child; null for none.
HANDLE inheritable(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}

HANDLE null_device(bool for_writing) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE h = CreateFileA("NUL", for_writing ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                         OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

HANDLE descriptor_for_child(int fd, bool for_writing) {
  return fd >= 0 ? inheritable(HANDLE(_get_osfhandle(fd))) : null_device(for_writing);
}

void report_failure(const char* command, DWORD error) {
  char text[512] = "";
  system_error_text(error, text, sizeof text);
  fprintf(stderr, "%s\n%s", command, text);
  fflush(stderr);
}

}  // namespace

pid_t forkexec(const char* command, int in, int out) {
  if (command == nullptr) command = "";
  errno = 0;
  HANDLE streams[3] = {descriptor_for_child(in, false), descriptor_for_child(out, true),
                       inheritable(GetStdHandle(STD_ERROR_HANDLE))};
  // CreateProcess may write into the command line.
  size_t length = strlen(command);
  char* line = static_cast<char*>(malloc(length + 1));
  PROCESS_INFORMATION pi{};
  bool made = false;
  DWORD error = ERROR_FILE_NOT_FOUND;
  if (line != nullptr && length > 0) {
    memcpy(line, command, length + 1);
    made = start_process(line, streams, DETACHED_PROCESS | CREATE_DEFAULT_ERROR_MODE, &pi);
    if (!made) error = GetLastError();
  }
  free(line);
  for (HANDLE h : streams)
    if (h != nullptr) CloseHandle(h);
  if (in >= 0) _close(in);
  if (out >= 0 && out != in) _close(out);
  if (made) {
    CloseHandle(pi.hThread);
    keep_child(pi.dwProcessId, pi.hProcess);
    errno = 0;
    return pid_t(pi.dwProcessId);
  }
  report_failure(command, error);
  errno = start_errno(error);
  return -1;
}

bool process_alive(pid_t pid) {
  if (pid <= 0) return false;
  // The exit code cannot tell: a child may exit with the still-active code.
  if (child* c = find_child(pid)) {
    if (WaitForSingleObject(c->process, 0) == WAIT_TIMEOUT) return true;
    CloseHandle(c->process);
    *c = {};
    return false;
  }
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
  if (h == nullptr) return false;
  bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}

// Only the server's own children are ended, each at once with exit code 0;
// any number that ends a process does, pseudo or not.
int end_process(pid_t pid, int sig) {
  if (pid <= 0) return -1;
  if (sig == 0) return process_alive(pid) ? 0 : -1;
  if (sig != SIGTERM_NUMBER && sig != SIGKILL_NUMBER && sig != PSIG_KILL) return -1;
  child* c = find_child(pid);
  if (c == nullptr || WaitForSingleObject(c->process, 0) != WAIT_TIMEOUT) return -1;
  return TerminateProcess(c->process, 0) ? 0 : -1;
}
