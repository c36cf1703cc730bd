// Fuzz target of the partner protocol: any bytes go to the message decoder
// (each message decoded and dispatched into a loaded program's windows), to
// the check of received configuration code, or to the accepting side's
// handshake over a socketpair; none may fault, hang or lose a block. The windows are toolkit windows, so the target runs under an
// X server.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/checked_mm.h"
#include "link/connect.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "runtime/tables.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

using namespace yarl;

static uint16_t title_index;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("partner_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  InitMallocBalance();
  new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  YarlProgram p = YarlProgram::standard();
  ident_info resource = make_ident(K_STRING);
  resource.word8 |= IDENT_RESOURCE;
  title_index = p.add(GLOBAL, resource, "title");
  ident_info menu = make_ident(K_MENU);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.word2 = 1 << 12;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  p.add(GLOBAL, w, "main");
  std::vector<uint8_t> bytes = p.bytes();
  decode_tables(bytes.data(), bytes.size());
  preset_user_interface("", true, false, nullptr, nullptr, nullptr);
  // Notes the loaded table sizes; the listener (on a port of the system's
  // choice) is closed by the first handshake's clean-up.
  preset_connect(0);
  return 0;
}

namespace {

constexpr size_t REQUEST_SIZE = 1 + 260;
constexpr size_t TABLE_COUNT_AT = 1 + 200;

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// The bytes as what a connecting server sends, through a socketpair whose
// other end then closes: the request, and after an Accept the window size,
// the configuration and partner messages. With `matching`, the request's
// table counts are replaced by the loaded program's, so that the rest is
// reached.
void handshake(const uint8_t* data, size_t size, bool matching) {
  std::vector<uint8_t> bytes(data, data + size);
  if (matching && bytes.size() >= REQUEST_SIZE) {
    put32(&bytes[TABLE_COUNT_AT], 14);
    for (int t = 0; t < 14; ++t) put32(&bytes[TABLE_COUNT_AT + 4 + 4 * t], tables[t].length);
  }
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) abort();
  int buffer = 1 << 20;
  setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  setsockopt(ends[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  if (!bytes.empty() && write(ends[1], bytes.data(), bytes.size()) != ssize_t(bytes.size())) abort();
  shutdown(ends[1], SHUT_WR);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  take_request(ends[0], peer.sin_addr.s_addr);
  for (int pass = 0; pass < 1000 && get_request_socket() >= 0; ++pass) process_connection_data();
  if (UIWindow::get_window("ConnectionRequest") != 0 && get_request_socket() < 0) accept_connection(0);
  for (int pass = 0; pass < 1000 && connected(); ++pass) process_connection_data();
  cleanup_connect();
  close(ends[1]);
  // Received configuration may have set the resource; its string is the run's.
  ident_info* title = &globals()[title_index];
  if (title->val.s != nullptr) CheckedFree(title->val.s);
  title->val.s = nullptr;
}

}  // namespace

// The first byte chooses: 0 (mod 4), the rest is configuration code; 1, the
// rest is the byte stream of a connection, read as partner messages; 2 and 3,
// the stream of a connecting server, with the loaded table counts (2) or as
// given (3).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int32_t balance = GetMallocBalance();
  switch (data[0] & 3) {
    case 0: partner_code_acceptable(data + 1, size - 1); break;
    case 1:
      for (size_t at = 1; at < size;) {
        size_t length = data[at];
        if (length == 0 || at + 1 + length > size) break;
        treat_event(data + at + 1, length);
        at += 1 + length;
      }
      break;
    default: handshake(data + 1, size - 1, (data[0] & 3) == 2); break;
  }
  if (GetMallocBalance() != balance) {
    fprintf(stderr, "partner_fuzz: %d checked blocks left after the run\n", GetMallocBalance() - balance);
    abort();
  }
  return 0;
}
