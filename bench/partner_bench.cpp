// Pointer-motion messages (100,000, or the argument's number) from
// transmit_event over loopback TCP to a peer that sends them straight back,
// where process_connection_data hands each to treat_event and the dispatch;
// against raw writes and reads of the same bytes through the same kind of
// reflecting peer, in pairs in the same run. Runs under an X server (the
// messages reach a shown window).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "bench/shown_window.h"
#include "tests/support/loopback.h"
#include "link/connect.h"
#include "link/gin.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace {

int connect_to(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) exit(1);
  return fd;  // default options, as the server's partner socket has
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

void read_exactly(int fd, void* to, size_t n) {
  auto* p = static_cast<uint8_t*>(to);
  while (n > 0) {
    ssize_t r = recv(fd, p, n, 0);
    if (r <= 0) exit(1);
    p += r;
    n -= size_t(r);
  }
}

// Sends back whatever arrives until the other side closes.
void reflect(int fd, std::atomic<bool>* stop) {
  std::vector<uint8_t> buffer(65536);
  while (!*stop) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    ssize_t r = recv(fd, buffer.data(), buffer.size(), 0);
    if (r <= 0) return;
    for (ssize_t at = 0; at < r;) {
      ssize_t w = send(fd, buffer.data() + at, size_t(r - at), MSG_NOSIGNAL);
      if (w <= 0) return;
      at += w;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? atoi(argv[1]) : 100000;
  const int batch = 500;
  if (getenv("DISPLAY") == nullptr) {
    fputs("partner_bench: needs an X server (DISPLAY)\n", stderr);
    return 1;
  }
  UIWindow* ui = show_main_window();

  // The handshake of a peer whose request is accepted without configuration.
  uint16_t port = free_loopback_port();
  preset_connect(port);
  int peer = connect_to(port);
  std::vector<uint8_t> request{6};
  request.resize(1 + 192, 0);
  put32(request, 300);
  put32(request, 300);
  put32(request, 14);
  for (int t = 0; t < 14; ++t) put32(request, tables[t].length);
  send(peer, request.data(), request.size(), 0);
  std::thread answer([&] {
    uint8_t b[6];
    read_exactly(peer, b, 6);  // status word and window size
    const uint8_t reply[8] = {0, 1, 0, 1, 0, 0, 0, 0};
    send(peer, reply, sizeof reply, 0);
  });
  for (int i = 0; i < 5000 && get_request_socket() < 0; ++i) process_connection_data(), usleep(1000);
  for (int i = 0; i < 5000 && get_request_socket() >= 0; ++i) process_connection_data(), usleep(1000);
  accept_connection(0);
  answer.join();
  if (!connected()) {
    fputs("partner_bench: no connection\n", stderr);
    return 1;
  }
  std::atomic<bool> stop = false;
  std::thread partner(reflect, peer, &stop);

  XEvent motion{};
  motion.type = MotionNotify;
  motion.xany.display = AppContext->ui_display;
  motion.xany.window = ui->x_window;
  motion.xmotion.root = DefaultRootWindow(AppContext->ui_display);
  motion.xmotion.same_screen = True;
  auto subject = [&] {
    auto t0 = std::chrono::steady_clock::now();
    short x = 0, y = 0;
    for (int i = 0; i < count; i += batch) {
      for (int k = 0; k < batch; ++k) {
        motion.xmotion.x = 1 + (i + k) % 50;
        motion.xmotion.y = 2;
        transmit_event(&motion, false);
      }
      process_connection_data();
    }
    // The last message back: the pointer at its position.
    motion.xmotion.x = 77;
    transmit_event(&motion, false);
    int sx = 0, sy = 0;
    Window child;
    XTranslateCoordinates(AppContext->ui_display, ui->x_window, motion.xmotion.root, 77, 2, &sx, &sy, &child);
    for (int spin = 0; spin < 100000 && connected(); ++spin) {
      process_connection_data();
      get_cursor_position(&x, &y);
      if (x == sx && y == sy) break;
      pollfd p{get_socket(), POLLIN, 0};
      poll(&p, 1, 10);
    }
    return connected() ? paired::seconds_since(t0) : -1.0;
  };

  // The anchor: the same messages as raw bytes, one write each, read back in chunks.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t raw_port = free_loopback_port();
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(raw_port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 1);
  int raw = connect_to(raw_port);
  int raw_peer = accept(listener, nullptr, nullptr);
  std::thread raw_partner(reflect, raw_peer, &stop);
  const size_t message_size = 1 + 11 + 4 * 9 + 2;  // a motion message
  std::vector<uint8_t> message(message_size, 1);
  std::vector<uint8_t> back(65536);
  auto anchor = [&] {
    auto t0 = std::chrono::steady_clock::now();
    size_t expected = size_t(count) * message_size, got = 0;
    for (int i = 0; i < count; i += batch) {
      for (int k = 0; k < batch; ++k) send(raw, message.data(), message.size(), MSG_NOSIGNAL);
      ssize_t r;
      while ((r = recv(raw, back.data(), back.size(), MSG_DONTWAIT)) > 0) got += size_t(r);
    }
    while (got < expected) {
      ssize_t r = recv(raw, back.data(), back.size(), 0);
      if (r <= 0) return -1.0;
      got += size_t(r);
    }
    return paired::seconds_since(t0);
  };

  paired::Result r = paired::measure(5, subject, anchor);
  char name[64];
  snprintf(name, sizeof name, "partner: %d motion messages", count);
  paired::report(name, r, "raw loopback bytes");
  printf("rate against raw: %.2f (goal >= 0.5)\n", r.ratio > 0 ? 1.0 / r.ratio : 0.0);

  stop = true;
  disconnect();
  partner.join();
  raw_partner.join();
  close(peer);
  close(raw);
  close(raw_peer);
  close(listener);
  cleanup_connect();
  return 0;
}
