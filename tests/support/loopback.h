// Loopback sockets for the tests and benchmarks of the partner connection:
// a test's own peers and listeners, blocking, in both builds.
#pragma once

#include <cstddef>
#include <cstdint>

// A TCP port that nothing listens on at the moment of asking.
uint16_t free_loopback_port();

// A socket connected to address:port (dotted IPv4), or -1.
int loopback_connect(const char* address, uint16_t port);
// A socket listening on address:port, the address reusable at once; -1 on failure.
int loopback_listen(const char* address, uint16_t port);
// The next connection waiting on the listener (blocking), or -1.
int loopback_accept(int listener);

// Sends all of `n` bytes; false when the socket failed first.
bool loopback_send(int fd, const void* data, size_t n);
// What arrives within `ms`: a count, 0 when the peer closed or nothing came.
long loopback_receive(int fd, void* data, size_t n, int ms);
// Closes the socket with a reset instead of an orderly end.
void loopback_reset(int fd);
void loopback_close(int fd);

// How many descriptors (under Windows: handles) the process holds.
int open_descriptors();
