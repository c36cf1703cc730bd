// The partner connection's sockets over loopback, in both builds.
#include "platform/sockets.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/platform/posix_test_helpers.h"
#include "tests/support/loopback.h"

namespace {

const ipv4_address LOOPBACK = [] {
  const uint8_t bytes[4] = {127, 0, 0, 1};
  ipv4_address a;
  memcpy(&a, bytes, 4);
  return a;
}();

// A listener on a free port of this machine.
struct listener {
  int fd = -1;
  uint16_t port = 0;
  listener() {
    listen_step failed;
    for (int attempt = 0; attempt < 50 && fd < 0; ++attempt) {
      port = uint16_t(20000 + rand() % 30000);
      fd = listen_on_port(port, &failed);
    }
  }
  ~listener() { socket_close(fd); }
};

// Accepts within a few seconds; -1 when nothing came.
int accept_within(int fd, ipv4_address* peer) {
  socket_wait(fd, false, 5000);
  return accept_socket(fd, peer);
}

TEST(Sockets, ConnectionCarriesBytesBothWaysAndEndsWithEndOfFile) {
  listener l;
  ASSERT_GE(l.fd, 0);
  ipv4_address peer = 0;
  errno = 0;
  EXPECT_EQ(accept_socket(l.fd, &peer), -1) << "nothing waits yet";
  EXPECT_EQ(errno, EAGAIN);

  int client = connect_socket(LOOPBACK, l.port, 5000);
  ASSERT_GE(client, 0) << strerror(errno);
  int server = accept_within(l.fd, &peer);
  ASSERT_GE(server, 0);
  EXPECT_EQ(peer, LOOPBACK);

  char buffer[16];
  errno = 0;
  EXPECT_EQ(socket_receive(server, buffer, sizeof buffer), -1) << "non-blocking";
  EXPECT_EQ(errno, EAGAIN);
  EXPECT_FALSE(socket_wait(server, false, 0));

  ASSERT_EQ(socket_send(client, "ping", 4), 4);
  ASSERT_TRUE(socket_wait(server, false, 5000));
  ASSERT_EQ(socket_receive(server, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  ASSERT_TRUE(socket_wait(server, true, 1000));
  ASSERT_EQ(socket_send(server, "pong", 4), 4);
  ASSERT_TRUE(socket_wait(client, false, 5000));
  ASSERT_EQ(socket_receive(client, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "pong");

  socket_shutdown_write(client);
  ASSERT_TRUE(socket_wait(server, false, 5000));
  EXPECT_EQ(socket_receive(server, buffer, sizeof buffer), 0);
  socket_close(server);
  // A send to a partner that has gone fails; it never ends the process.
  for (int i = 0; i < 50 && socket_send(client, "x", 1) == 1; ++i) socket_wait(client, false, 20);
  EXPECT_EQ(socket_send(client, "x", 1), -1);
  socket_close(client);
}

// A peer that resets its connection before the accept: the accept takes it
// or finds nothing waiting (Winsock). Reset after the accept: the reader
// waiting on the socket wakes, and its receive reports the end, never EAGAIN.
TEST(Sockets, AResetByThePeerWakesTheReaderAndEndsTheConnection) {
  listener l;
  ASSERT_GE(l.fd, 0);
  for (bool before_accept : {true, false}) {
    int client = loopback_connect("127.0.0.1", l.port);
    ASSERT_GE(client, 0);
    if (before_accept) loopback_reset(client);
    ipv4_address peer = 0;
    errno = 0;
    int server = accept_within(l.fd, &peer);
    if (server < 0 && before_accept) {
      EXPECT_EQ(errno, EAGAIN) << strerror(errno);
      continue;
    }
    ASSERT_GE(server, 0) << before_accept;
    if (!before_accept) loopback_reset(client);
    EXPECT_TRUE(socket_wait(server, false, 5000)) << before_accept;
    char buffer[16];
    errno = 0;
    EXPECT_LE(socket_receive(server, buffer, sizeof buffer), 0) << before_accept;
    EXPECT_NE(errno, EAGAIN) << before_accept;
    socket_close(server);
  }
}

// The server's connection messages read the same in both builds.
TEST(Sockets, EachNumberTheCallsSetHasItsText) {
  const struct {
    int number;
    const char* text;
  } cases[] = {{EAGAIN, "Resource temporarily unavailable"}, {EINPROGRESS, "Operation now in progress"},
               {ECONNREFUSED, "Connection refused"},         {ETIMEDOUT, "Connection timed out"},
               {EADDRINUSE, "Address already in use"},       {EACCES, "Permission denied"},
               {EINTR, "Interrupted system call"},           {EIO, "Input/output error"}};
  for (const auto& c : cases) EXPECT_STREQ(socket_error_text(c.number), c.text) << c.number;
}

TEST(Sockets, SecondListenerOnAPortFailsAtTheBind) {
  listener l;
  ASSERT_GE(l.fd, 0);
  listen_step failed = LISTEN_SOCKET;
  int second = listen_on_port(l.port, &failed);
  EXPECT_EQ(second, -1);
  EXPECT_EQ(failed, LISTEN_BIND);
  socket_close(second);
}

TEST(Sockets, ConnectionToAPortWithoutListenerIsRefused) {
  uint16_t port;
  {
    listener l;
    ASSERT_GE(l.fd, 0);
    port = l.port;
  }
  errno = 0;
  EXPECT_EQ(connect_socket(LOOPBACK, port, 5000), -1);
  EXPECT_EQ(errno, ECONNREFUSED);
}

TEST(Sockets, HostNamesResolveWithinTheBound) {
  ipv4_address address = 0;
  ASSERT_TRUE(host_address("localhost", 5000, &address));
  EXPECT_EQ(address, LOOPBACK);
  EXPECT_FALSE(host_address("no-such-host.invalid", 5000, &address));
  cancel_host_lookup();
  char name[256];
  host_name(name, sizeof name);
  EXPECT_GT(strlen(name), 0u);
  EXPECT_NE(login_name(), nullptr);
}

}  // namespace
