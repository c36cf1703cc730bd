// TCP sockets of the partner connection: IPv4, non-blocking, never inherited
// by child processes. A failing call returns -1 (or false) with errno set to
// the POSIX number (EAGAIN when nothing can move yet, ECONNREFUSED,
// ETIMEDOUT, EINTR; EIO for a cause without one).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// The text of an errno number these calls set, as glibc words it: the
// Windows C library has none for the network numbers.
const char* socket_error_text(int number);

// An IPv4 address in network byte order.
using ipv4_address = uint32_t;

enum listen_step { LISTEN_SOCKET, LISTEN_BIND, LISTEN_LISTEN };

// Listens on `port` of every local address (the address reusable at once);
// -1 with the step that failed in *failed.
int listen_on_port(uint16_t port, listen_step* failed);

// Takes a connection waiting on the listener; -1 with EAGAIN when none waits.
int accept_socket(int listener, ipv4_address* peer);

// Connects to address:port within `bound_ms`; the socket, or -1 (ETIMEDOUT
// when the bound ran out).
int connect_socket(ipv4_address address, uint16_t port, int bound_ms);

// Moves what the socket takes or holds now: a count, 0 when the partner has
// closed (receiving), -1 with EAGAIN when nothing can move. A closed partner
// never raises a signal.
ssize_t socket_send(int fd, const void* data, size_t n);
ssize_t socket_receive(int fd, void* data, size_t n);

// True when the socket can be read (or written) within `milliseconds`.
bool socket_wait(int fd, bool for_writing, int milliseconds);

// Ends this side's sending, so the partner reads end of file.
void socket_shutdown_write(int fd);
void socket_close(int fd);

// The first IPv4 address of a host name within `bound_ms`; false when it is
// unknown or not resolved in time (a lookup left running is collected by the
// next call, which fails while it still runs).
bool host_address(const char* name, int bound_ms, ipv4_address* address);
// Drops a lookup still running (at the connection's clean-up).
void cancel_host_lookup();

// This host's name and the user's login name, "" when unknown.
void host_name(char* name, size_t size);
const char* login_name();
