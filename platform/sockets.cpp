// TCP sockets over POSIX; host names through the resolver's own threads.
#include "platform/sockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int SOCKET_FLAGS = SOCK_CLOEXEC | SOCK_NONBLOCK;

struct lookup {
  gaicb request;
  addrinfo hints;
  char name[256];
  bool busy;  // the resolver still owns request
} resolver;

void finish_lookup() {
  if (resolver.request.ar_result != nullptr) freeaddrinfo(resolver.request.ar_result);
  resolver.request.ar_result = nullptr;
  resolver.busy = false;
}

int64_t now_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

const char* socket_error_text(int number) { return strerror(number); }

int listen_on_port(uint16_t port, listen_step* failed) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCKET_FLAGS, 0);
  if (fd < 0) {
    *failed = LISTEN_SOCKET;
    return -1;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  listen_step step = LISTEN_BIND;
  bool made = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ((step = LISTEN_LISTEN), listen(fd, 0) == 0);
  if (made) return fd;
  int error = errno;
  close(fd);
  errno = error;
  *failed = step;
  return -1;
}

int accept_socket(int listener, ipv4_address* peer) {
  sockaddr_in from{};
  socklen_t length = sizeof from;
  int fd = accept4(listener, reinterpret_cast<sockaddr*>(&from), &length, SOCKET_FLAGS);
  if (fd >= 0) *peer = from.sin_addr.s_addr;
  return fd;
}

int connect_socket(ipv4_address address, uint16_t port, int bound_ms) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCKET_FLAGS, 0);
  if (fd < 0) return -1;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = address;
  int error = 0;
  if (connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EAGAIN) {
      socklen_t length = sizeof error;
      if (!socket_wait(fd, true, bound_ms)) error = ETIMEDOUT;
      else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    }
  }
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

ssize_t socket_send(int fd, const void* data, size_t n) { return send(fd, data, n, MSG_NOSIGNAL); }

ssize_t socket_receive(int fd, void* data, size_t n) { return recv(fd, data, n, 0); }

bool socket_wait(int fd, bool for_writing, int milliseconds) {
  if (fd < 0) return false;
  pollfd p{fd, short(for_writing ? POLLOUT : POLLIN), 0};
  return poll(&p, 1, milliseconds) > 0;
}

void socket_shutdown_write(int fd) { shutdown(fd, SHUT_WR); }

void socket_close(int fd) {
  if (fd >= 0) close(fd);
}

bool host_address(const char* name, int bound_ms, ipv4_address* address) {
  if (resolver.busy) {
    if (gai_error(&resolver.request) == EAI_INPROGRESS) return false;
    finish_lookup();
  }
  snprintf(resolver.name, sizeof resolver.name, "%s", name);
  resolver.hints = {};
  resolver.hints.ai_family = AF_INET;
  resolver.hints.ai_socktype = SOCK_STREAM;
  resolver.request = {};
  resolver.request.ar_name = resolver.name;
  resolver.request.ar_request = &resolver.hints;
  gaicb* list[1] = {&resolver.request};
  if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) return false;
  resolver.busy = true;
  int64_t end = now_ms() + bound_ms;
  while (gai_error(&resolver.request) == EAI_INPROGRESS) {
    int64_t left = end - now_ms();
    if (left <= 0) return false;
    timespec t{time_t(left / 1000), long(left % 1000) * 1000000};
    gai_suspend(list, 1, &t);
  }
  bool found = gai_error(&resolver.request) == 0 && resolver.request.ar_result != nullptr;
  if (found) *address = reinterpret_cast<sockaddr_in*>(resolver.request.ar_result->ai_addr)->sin_addr.s_addr;
  finish_lookup();
  return found;
}

void cancel_host_lookup() {
  if (resolver.busy && gai_cancel(&resolver.request) != EAI_NOTCANCELED) finish_lookup();
  if (resolver.busy && gai_error(&resolver.request) != EAI_INPROGRESS) finish_lookup();
}

void host_name(char* name, size_t size) {
  if (size == 0) return;
  name[0] = '\0';
  if (gethostname(name, size - 1) != 0) name[0] = '\0';
  name[size - 1] = '\0';
}

const char* login_name() {
  const char* login = getlogin();
  errno = 0;
  return login != nullptr ? login : "";
}
