// TCP sockets over Winsock (started by preset_posix_services): the socket
// handles serve as descriptors, Winsock's errors are turned into POSIX
// numbers, and host names are looked up on a thread of their own.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <process.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/sockets.h"

namespace {

SOCKET handle(int fd) { return SOCKET(unsigned(fd)); }

// Sets errno from Winsock's last error; returns -1 for the caller to pass on.
int fail() {
  switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK: errno = EAGAIN; break;
    case WSAEINPROGRESS: errno = EINPROGRESS; break;
    case WSAEINTR: errno = EINTR; break;
    case WSAECONNREFUSED: errno = ECONNREFUSED; break;
    case WSAETIMEDOUT: errno = ETIMEDOUT; break;
    case WSAEADDRINUSE: errno = EADDRINUSE; break;
    case WSAEACCES: errno = EACCES; break;
    default: errno = EIO; break;
  }
  return -1;
}

// A socket for the partner: non-blocking and not inherited; -1 on failure.
int new_socket() {
  SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return fail();
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
  return int(s);
}

// One lookup at a time on its own thread; the thread owns `name` and
// `found` until it sets `done`.
struct lookup {
  char name[256];
  ipv4_address found;
  bool known;
  std::atomic<bool> done;
  HANDLE thread;
} resolver;

unsigned __stdcall resolve(void*) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  resolver.known = getaddrinfo(resolver.name, nullptr, &hints, &result) == 0 && result != nullptr;
  if (resolver.known) resolver.found = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
  if (result != nullptr) freeaddrinfo(result);
  resolver.done.store(true, std::memory_order_release);
  return 0;
}

void finish_lookup() {
  CloseHandle(resolver.thread);
  resolver.thread = nullptr;
}

char user_name[63];

}  // namespace

const char* socket_error_text(int number) {
  switch (number) {
    case EINPROGRESS: return "Operation now in progress";
    case ECONNREFUSED: return "Connection refused";
    case ETIMEDOUT: return "Connection timed out";
    case EADDRINUSE: return "Address already in use";
    default: return strerror(number);
  }
}

int listen_on_port(uint16_t port, listen_step* failed) {
  int fd = new_socket();
  if (fd < 0) {
    *failed = LISTEN_SOCKET;
    return -1;
  }
  // Windows lets a second listener take a reusable port: exclusive instead,
  // which still binds at once after an earlier server's end.
  BOOL one = TRUE;
  setsockopt(handle(fd), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  listen_step step = LISTEN_BIND;
  bool made = bind(handle(fd), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ((step = LISTEN_LISTEN), listen(handle(fd), 1) == 0);
  if (made) return fd;
  fail();
  int error = errno;
  closesocket(handle(fd));
  errno = error;
  *failed = step;
  return -1;
}

int accept_socket(int listener, ipv4_address* peer) {
  sockaddr_in from{};
  int length = sizeof from;
  SOCKET s = accept(handle(listener), reinterpret_cast<sockaddr*>(&from), &length);
  if (s == INVALID_SOCKET) {
    // A connection its peer reset while it waited waits no more: Winsock
    // fails its accept (wine's with "not connected").
    int error = WSAGetLastError();
    if (error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENOTCONN) WSASetLastError(WSAEWOULDBLOCK);
    return fail();
  }
  SetHandleInformation(HANDLE(s), HANDLE_FLAG_INHERIT, 0);
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
  *peer = from.sin_addr.s_addr;
  return int(s);
}

int connect_socket(ipv4_address address, uint16_t port, int bound_ms) {
  int fd = new_socket();
  if (fd < 0) return -1;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = address;
  int error = 0;
  if (connect(handle(fd), reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
    fail();
    error = errno;
    if (error == EAGAIN || error == EINPROGRESS) {
      // A refused connection shows in the exception set, not as writable.
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(handle(fd), &writable);
      FD_SET(handle(fd), &failed);
      timeval t{bound_ms / 1000, (bound_ms % 1000) * 1000};
      int ready = select(0, nullptr, &writable, &failed, &t);
      int so_error = 0, length = sizeof so_error;
      if (ready == 0) {
        error = ETIMEDOUT;
      } else if (ready < 0 || getsockopt(handle(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error),
                                         &length) != 0) {
        error = EIO;
      } else if (so_error != 0) {
        WSASetLastError(so_error);
        fail();
        error = errno;
      } else {
        error = 0;
      }
    }
  }
  if (error == 0) return fd;
  closesocket(handle(fd));
  errno = error;
  return -1;
}

ssize_t socket_send(int fd, const void* data, size_t n) {
  int chunk = n > (1u << 30) ? 1 << 30 : int(n);
  int r = send(handle(fd), static_cast<const char*>(data), chunk, 0);
  return r == SOCKET_ERROR ? fail() : r;
}

ssize_t socket_receive(int fd, void* data, size_t n) {
  int chunk = n > (1u << 30) ? 1 << 30 : int(n);
  int r = recv(handle(fd), static_cast<char*>(data), chunk, 0);
  return r == SOCKET_ERROR ? fail() : r;
}

bool socket_wait(int fd, bool for_writing, int milliseconds) {
  if (fd < 0) return false;
  fd_set one;
  FD_ZERO(&one);
  FD_SET(handle(fd), &one);
  timeval t{milliseconds / 1000, (milliseconds % 1000) * 1000};
  return select(0, for_writing ? nullptr : &one, for_writing ? &one : nullptr, nullptr, &t) > 0;
}

void socket_shutdown_write(int fd) { shutdown(handle(fd), SD_SEND); }

void socket_close(int fd) {
  if (fd >= 0) closesocket(handle(fd));
}

bool host_address(const char* name, int bound_ms, ipv4_address* address) {
  if (resolver.thread != nullptr) {
    if (!resolver.done.load(std::memory_order_acquire)) return false;
    finish_lookup();
  }
  snprintf(resolver.name, sizeof resolver.name, "%s", name);
  resolver.known = false;
  resolver.done.store(false);
  resolver.thread = HANDLE(_beginthreadex(nullptr, 0, resolve, nullptr, 0, nullptr));
  if (resolver.thread == nullptr) return false;
  if (WaitForSingleObject(resolver.thread, DWORD(bound_ms > 0 ? bound_ms : 0)) != WAIT_OBJECT_0) return false;
  bool found = resolver.known;
  if (found) *address = resolver.found;
  finish_lookup();
  return found;
}

// A lookup still running keeps its thread; the process's end takes it.
void cancel_host_lookup() {
  if (resolver.thread != nullptr && resolver.done.load(std::memory_order_acquire)) finish_lookup();
}

void host_name(char* name, size_t size) {
  if (size == 0) return;
  name[0] = '\0';
  if (gethostname(name, int(size - 1)) != 0) name[0] = '\0';
  name[size - 1] = '\0';
}

const char* login_name() {
  DWORD size = sizeof user_name;
  char got[sizeof user_name];
  if (GetUserNameA(got, &size)) memcpy(user_name, got, sizeof user_name);
  user_name[sizeof user_name - 1] = '\0';
  return user_name;
}
