// Winsock's sockets, started by the platform layer's preset; their handles
// serve as descriptors, as in the layer.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "tests/support/loopback.h"

namespace {
SOCKET handle(int fd) { return SOCKET(unsigned(fd)); }

// Winsock started once for the test's own sockets (the count is the system's).
SOCKET new_socket() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return INVALID_SOCKET;
  return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
}

sockaddr_in address_of(const char* address, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}
}  // namespace

uint16_t free_loopback_port() {
  SOCKET s = new_socket();
  sockaddr_in a = address_of("127.0.0.1", 0);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  closesocket(s);
  return ntohs(a.sin_port);
}

int loopback_connect(const char* address, uint16_t port) {
  SOCKET s = new_socket();
  sockaddr_in a = address_of(address, port);
  if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return int(s);
  if (s != INVALID_SOCKET) closesocket(s);
  return -1;
}

int loopback_listen(const char* address, uint16_t port) {
  SOCKET s = new_socket();
  BOOL one = TRUE;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
  sockaddr_in a = address_of(address, port);
  if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(s, 1) == 0)
    return int(s);
  if (s != INVALID_SOCKET) closesocket(s);
  return -1;
}

int loopback_accept(int listener) {
  SOCKET s = accept(handle(listener), nullptr, nullptr);
  return s == INVALID_SOCKET ? -1 : int(s);
}

bool loopback_send(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    int sent = send(handle(fd), p, int(n), 0);
    if (sent <= 0) return false;
    p += sent;
    n -= size_t(sent);
  }
  return true;
}

long loopback_receive(int fd, void* data, size_t n, int ms) {
  WSAPOLLFD p{handle(fd), POLLRDNORM, 0};
  if (WSAPoll(&p, 1, ms) <= 0) return 0;
  int r = recv(handle(fd), static_cast<char*>(data), int(n), 0);
  return r > 0 ? long(r) : 0;
}

void loopback_reset(int fd) {
  linger l{1, 0};
  setsockopt(handle(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  closesocket(handle(fd));
}

void loopback_close(int fd) { closesocket(handle(fd)); }

int open_descriptors() {
  DWORD n = 0;
  GetProcessHandleCount(GetCurrentProcess(), &n);
  return int(n);
}
