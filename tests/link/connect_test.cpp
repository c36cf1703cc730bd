// The partner connection on real loopback sockets: the accepting side against
// a fake peer (answers, refusals, hostile peers), the connecting side against
// a fake acceptor, partner event messages both ways, and the check of
// received configuration code.
// Its request and cursor windows stay off the other tests' screen areas: an
// X server of its own.
#include "tests/support/own_display.h"  // first: before any display is opened
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/connect.h"
#include "link/gin.h"
#include "runtime/compile_resources.h"
#include "runtime/predefined.h"
#include "tests/link/link_fixture.h"
#include "tests/support/loopback.h"
#include "tests/support/x_screen.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;
using bytes = std::vector<uint8_t>;

constexpr uint32_t STATUS = 102;

void put32(bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

// A blocking peer socket of the test.
struct Peer {
  int fd = -1;
  explicit Peer(int f) : fd(f) {}
  static Peer connect_to(const char* address, uint16_t port) { return Peer(loopback_connect(address, port)); }
  Peer(Peer&& o) noexcept : fd(o.fd) { o.fd = -1; }
  ~Peer() {
    if (fd >= 0) loopback_close(fd);
  }
  void send_bytes(const bytes& b) const { ASSERT_TRUE(loopback_send(fd, b.data(), b.size())); }
  // Exactly n bytes within ms; fewer when the other side closed or time ran out.
  bytes receive(size_t n, int ms = 5000) const {
    bytes b(n);
    size_t got = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got < n) {
      int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
      long r = left > 0 ? loopback_receive(fd, b.data() + got, n - got, left) : 0;
      if (r <= 0) break;
      got += size_t(r);
    }
    b.resize(got);
    return b;
  }
  int status_word(int ms = 5000) const {
    bytes b = receive(2, ms);
    return b.size() == 2 ? b[0] << 8 | b[1] : -1;
  }
};

class Partner : public link_test::ShownProgram {
 protected:
  uint16_t title = 0;
  uint16_t port = 0;

  void add_more() override {
    ident_info resource = make_ident(K_STRING);
    resource.word8 |= IDENT_RESOURCE;
    title = program.add(GLOBAL, resource, "title");
  }
  void SetUp() override {
    ShownProgram::SetUp();
    put_predef(STATUS, 13);
    port = free_loopback_port();
    preset_connect(port);
  }
  void TearDown() override {
    cleanup_connect();
    ShownProgram::TearDown();
  }

  // What a connecting server sends first: the version and the id record.
  bytes request(uint8_t version = 6, uint32_t n_tables = 14, int differing_table = -1) {
    bytes b{version};
    b.resize(1 + 260, 0);
    memcpy(&b[1 + 64], "localhost", 9);
    memcpy(&b[1 + 128], "tester", 6);
    b.resize(1 + 192);
    put32(b, 300);
    put32(b, 300);
    put32(b, n_tables);
    for (int t = 0; t < 14; ++t) put32(b, tables[t].length + (t == differing_table ? 1 : 0));
    return b;
  }
  // Serves the partner sockets as the wait loop does until done() or ms ran out.
  void serve(const std::function<bool()>& done, int ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end) {
      process_events();
      process_connection_data();
      check_connection_timeouts();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  UIWindow* request_window() { return UIWindow::find_window(UIWindow::get_window("ConnectionRequest")); }
  bool request_shown() {
    UIWindow* w = request_window();
    return w != nullptr && w->x_window != 0 && map_state(w->x_window) != IsUnmapped;
  }
  int map_state(Window w) {
    XWindowAttributes a;
    XGetWindowAttributes(AppContext->ui_display, w, &a);
    return a.map_state;
  }
  // A peer whose request waits for the user.
  Peer waiting_peer() {
    Peer p = Peer::connect_to("127.0.0.1", port);
    p.send_bytes(request());
    serve([&] { return get_request_socket() >= 0; });
    serve([&] { return request_shown() && get_request_socket() < 0; });
    EXPECT_TRUE(request_shown());
    return p;
  }
  // A connection accepted with code length 0.
  Peer accepted_peer() {
    Peer p = waiting_peer();
    std::thread peer([&] {
      EXPECT_EQ(p.status_word(), 0);
      EXPECT_EQ(p.receive(4).size(), 4u);
      p.send_bytes({0x7F, 0xFF, 0x7F, 0xFF, 0, 0, 0, 0});
    });
    accept_connection(0);
    peer.join();
    return p;
  }
};

struct refusal {
  const char* what;
  uint8_t version;
  uint32_t n_tables;
  int differing_table;
  int status;
  const char* warning;
};

TEST_F(Partner, RequestsThatDoNotMatchAreRefusedWithTheirStatus) {
  const refusal cases[] = {
      {"version 5", 5, 14, -1, 12, "Warning - connection rejected - protocol version mismatch."},
      {"13 tables", 6, 13, -1, 12, "number of tables (remote 13 vs. local 14) does not match"},
      {"one size", 6, 14, 5, 1, "Warning - connection rejected - wrong YARL."},
  };
  for (const refusal& c : cases) {
    Peer p = Peer::connect_to("127.0.0.1", port);
    testing::internal::CaptureStderr();
    p.send_bytes(request(c.version, c.n_tables, c.differing_table));
    std::atomic<int> status = -1;
    std::thread reader([&] { status = p.status_word(); });
    serve([&] { return get_request_socket() < 0 && status != -1; }, 3000);
    reader.join();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status.load(), c.status) << c.what;
    EXPECT_NE(err.find(c.warning), std::string::npos) << c.what << ": " << err;
    EXPECT_FALSE(request_shown()) << c.what;
  }
}

TEST_F(Partner, DenyAnswersTwoAndHidesTheWindow) {
  Peer p = waiting_peer();
  deny_connection(0);
  EXPECT_EQ(p.status_word(), 2);
  XSync(AppContext->ui_display, False);
  EXPECT_FALSE(request_shown());
  EXPECT_FALSE(connected());
}

TEST_F(Partner, AcceptConnectsAndTheNextRequestShowsBothButtonsAgain) {
  Peer p = accepted_peer();
  EXPECT_TRUE(connected());
  EXPECT_EQ(get_predef(STATUS), 0);
  EXPECT_TRUE(request_shown()) << "code length 0 leaves the window open";
  p.send_bytes({0});
  serve([] { return !connected(); });
  EXPECT_EQ(get_predef(STATUS), 14);
  // Listening again: a new request offers Accept and Deny.
  Peer q = waiting_peer();
  deny_connection(0);
  EXPECT_EQ(q.status_word(), 2);
}

TEST_F(Partner, ASecondRequestReplacesTheFirst) {
  Peer first = waiting_peer();
  Peer second = waiting_peer();
  EXPECT_EQ(first.receive(1, 1000).size(), 0u) << "closed without an answer";
  std::thread peer([&] {
    EXPECT_EQ(second.status_word(), 0);
    second.receive(4);
    second.send_bytes({0, 1, 0, 1, 0, 0, 0, 0});
  });
  accept_connection(0);
  peer.join();
  EXPECT_TRUE(connected());
}

TEST_F(Partner, HostilePeersCannotHoldOrCrashTheServer) {
  {  // garbage: the first byte is no version
    Peer p = Peer::connect_to("127.0.0.1", port);
    p.send_bytes(bytes(300, 0xAB));
    serve([&] { return get_request_socket() >= 0; });
    serve([&] { return get_request_socket() < 0; }, 2000);
    EXPECT_EQ(p.status_word(), 12);
  }
  testing::internal::CaptureStderr();
  for (int i = 0; i < 1000; ++i) {  // connect and reset, every other one after the server took it
    Peer p = Peer::connect_to("127.0.0.1", port);
    if (i % 2 == 1) serve([&] { return get_request_socket() >= 0; }, 1000);
    loopback_reset(p.fd);
    p.fd = -1;
    serve([] { return false; }, 1);
  }
  serve([] { return false; }, 200);
  std::string resets = testing::internal::GetCapturedStderr();
  EXPECT_NE(resets.find("I/O error reading protocol version"), std::string::npos);
  EXPECT_EQ(resets.find("unable to accept"), std::string::npos) << "a peer gone before its accept is no failure";
  {  // half a record, then silence: dropped after the bound
    Peer p = Peer::connect_to("127.0.0.1", port);
    bytes whole = request();
    p.send_bytes(bytes(whole.begin(), whole.begin() + 100));
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    serve([&] { return get_request_socket() >= 0; });
    serve([&] { return get_request_socket() < 0; }, 15000);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LT(s, 12.0);
    EXPECT_NE(err.find("request incomplete after 10 seconds"), std::string::npos) << err;
  }
  Peer ok = waiting_peer();  // and the server still answers
  deny_connection(0);
  EXPECT_EQ(ok.status_word(), 2);
}

TEST_F(Partner, ConfigurationCodeOfAnyOtherFormIsRefused) {
  table code;
  table_create(&code, 1, 512);
  global(title)->val.s = dup_chars("from the partner");
  compile_resources(globals(), globals() + tables[T_GLOBALS].length, 0, &code);
  bytes good(code.as<uint8_t>(), code.as<uint8_t>() + code.length);
  table_delete(&code);
  EXPECT_TRUE(partner_code_acceptable(good.data(), good.size()));

  auto ref = [](uint16_t index) { return bytes{uint8_t(index >> 8), uint8_t(index)}; };
  auto join = [](std::initializer_list<bytes> parts) {
    bytes all;
    for (const bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::pair<const char*, bytes> bad[] = {
      {"empty", {}},
      {"no release", {222}},
      {"an operation compile_resources never emits", {210, 107}},
      {"a string into an integer", join({{88, 1, 'x', 22}, ref(hits), {107}})},
      {"an integer into a non-resource", join({{223, 22}, ref(hits), {107}})},
      {"a reference past the globals", join({{88, 1, 'x', 22}, ref(0x1FFF), {107}})},
      {"a local without context", {88, 1, 'x', 22, 0x80 | 0x20 | 1, 107}},
      {"a string push past the end", {88, 200, 'x'}},
      {"an assignment with nothing pushed", join({{22}, ref(title), {107}})},
      {"bytes after the release", join({{88, 1, 'x', 22}, ref(title), {107, 107}})},
      {"a window attribute other than geometry", join({{223, 196}, ref(main_window), {84, 107}})},
      {"concatenation of one string", join({{88, 1, 'x', 43, 22}, ref(title), {107}})},
  };
  for (const auto& [what, code_bytes] : bad) EXPECT_FALSE(partner_code_acceptable(code_bytes.data(), code_bytes.size())) << what;
  bytes joined = join({{88, 1, 'x', 88, 1, 'y', 43, 22}, ref(title), {107}});
  EXPECT_TRUE(partner_code_acceptable(joined.data(), joined.size()));
}

TEST_F(Partner, ReceivedCodeRunsAndAnOversizedLengthIsRefused) {
  Peer p = waiting_peer();
  bytes code = {88, 2, 'o', 'k', 22, uint8_t(title >> 8), uint8_t(title), 107};
  std::thread peer([&] {
    EXPECT_EQ(p.status_word(), 0);
    p.receive(4);
    bytes answer{1, 0, 1, 0};
    put32(answer, uint32_t(code.size()));
    answer.insert(answer.end(), code.begin(), code.end());
    p.send_bytes(answer);
  });
  accept_connection(0);
  peer.join();
  ASSERT_NE(global(title)->val.s, nullptr);
  EXPECT_STREQ(global(title)->val.s, "ok");
  disconnect();
  EXPECT_EQ(get_predef(STATUS), 13);

  Peer q = waiting_peer();
  std::thread huge([&] {
    EXPECT_EQ(q.status_word(), 0);
    q.receive(4);
    q.send_bytes({1, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  });
  accept_connection(0);
  huge.join();
  EXPECT_FALSE(connected());
  EXPECT_EQ(get_predef(STATUS), 7);
}

// A partner message of the main window: the common part, then the fields.
bytes message(uint32_t window, uint8_t type, const bytes& fields) {
  bytes m;
  put32(m, window);
  m.push_back(type);
  m.push_back(0);
  put32(m, 1);
  m.push_back(0);
  m.insert(m.end(), fields.begin(), fields.end());
  m.insert(m.begin(), uint8_t(m.size()));
  return m;
}

bytes key_fields(KeySym symbol, char character) {
  bytes f;
  for (uint32_t v : {2u, 0u, 16u, 5u, 5u, uint32_t(uint8_t(character)), uint32_t(symbol), 0u, 0x12345678u}) put32(f, v);
  f.push_back(1);
  return f;
}

TEST_F(Partner, EventsFlowBothWaysAndMalformedMessagesClose) {
  Peer p = accepted_peer();
  // A partner key acts through its keysym.
  p.send_bytes(message(main_window, KeyPress, key_fields(XK_q, 'q')));
  serve([&] { return global(hits)->val.i == 7; });
  EXPECT_EQ(global(hits)->val.i, 7);
  // An accepted local event goes to the partner with its window id.
  XEvent e{};
  e.type = FocusIn;
  e.xany.display = AppContext->ui_display;
  e.xany.window = record_of(global(main_window))->ui_window->x_window;
  e.xfocus.mode = 1;
  e.xfocus.detail = 2;
  transmit_event(&e, true);
  bytes sent = p.receive(1 + 11 + 8);
  ASSERT_EQ(sent.size(), 20u);
  EXPECT_EQ(sent[0], 19);
  EXPECT_EQ(sent[4], uint8_t(main_window));
  EXPECT_EQ(sent[5], FocusIn);
  EXPECT_EQ(sent[6], 1);
  // Info (toolkit id 2) would read as the UI root: not sent.
  UIWindow info(true, false, 2, "Info", false);
  info.create();
  e.xany.window = info.x_window;
  transmit_event(&e, false);
  EXPECT_EQ(p.receive(1, 300).size(), 0u);

  const std::pair<const char*, bytes> malformed[] = {
      {"type 1", message(main_window, 1, {})},
      {"type 35", message(main_window, 35, {})},
      {"a field short", message(main_window, FocusIn, {0, 0, 0, 1})},
      {"a byte left over", message(main_window, FocusIn, {0, 0, 0, 1, 0, 0, 0, 2, 9})},
      {"an atom without its NUL", message(main_window, PropertyNotify, {'a', 'b'})},
      {"window id 0", message(0, KeyPress, key_fields(XK_q, 'q'))},
  };
  // A window id this side does not know: dropped, the connection stays (found by fuzzing:
  // the event once reached a toolkit window not yet created, and X failed).
  bytes stranger = message(60000, KeyPress, key_fields(XK_q, 'q'));
  global(hits)->val.i = 0;
  EXPECT_TRUE(treat_event(stranger.data() + 1, stranger.size() - 1));
  EXPECT_EQ(global(hits)->val.i, 0);
  for (const auto& [what, m] : malformed) {
    EXPECT_FALSE(treat_event(m.data() + 1, m.size() - 1)) << what;
  }
  testing::internal::CaptureStderr();
  p.send_bytes(message(main_window, FocusIn, {0, 0, 0, 1, 0, 0, 0, 2, 9}));
  serve([] { return !connected(); });
  EXPECT_NE(testing::internal::GetCapturedStderr().find("malformed partner message"), std::string::npos);
  EXPECT_EQ(get_predef(STATUS), 7);
}

TEST_F(Partner, ThePartnersPointerIsShownWhereItsMotionLeftIt) {
  Peer p = accepted_peer();
  bytes burst;
  for (int x = 10; x <= 40; x += 10) {
    bytes f;
    for (uint32_t v : {2u, 0u, 0u, uint32_t(x), 6u, 0u, 0u, 0u}) put32(f, v);
    f.push_back(0);
    f.push_back(1);
    bytes m = message(main_window, MotionNotify, f);
    burst.insert(burst.end(), m.begin(), m.end());
  }
  p.send_bytes(burst);
  auto cursor = [] { return UIWindow::find_window(UIWindow::get_window("PartnerCursor")); };
  serve([&] { return cursor() != nullptr && cursor()->x_window != 0; });
  ASSERT_NE(cursor(), nullptr);
  XSync(AppContext->ui_display, False);
  EXPECT_NE(map_state(cursor()->x_window), IsUnmapped);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(AppContext->ui_display, record_of(global(main_window))->ui_window->x_window,
                        DefaultRootWindow(AppContext->ui_display), 40, 6, &x, &y, &child);
  XWindowAttributes a;
  XGetWindowAttributes(AppContext->ui_display, cursor()->x_window, &a);
  EXPECT_EQ(a.x, x);
  EXPECT_EQ(a.y, y);
  disconnect();
  EXPECT_EQ(UIWindow::get_window("PartnerCursor"), 0u) << "the cursor goes with the connection";
}

TEST_F(Partner, ClientMessagesOfFormat16CarryOneBytePerValue) {
  Peer p = accepted_peer();
  XEvent e{};
  e.type = ClientMessage;
  e.xany.display = AppContext->ui_display;
  e.xany.window = record_of(global(main_window))->ui_window->x_window;
  e.xclient.message_type = XInternAtom(AppContext->ui_display, "QOB_AXES", False);
  e.xclient.format = 16;
  for (int i = 0; i < 10; ++i) e.xclient.data.s[i] = short(-i);
  transmit_event(&e, false);
  bytes sent = p.receive(1 + 11 + 9 + 1 + 10);
  ASSERT_EQ(sent.size(), 32u);
  EXPECT_EQ(sent[0], 31);
  EXPECT_EQ(std::string(sent.begin() + 12, sent.begin() + 20), "QOB_AXES");
  EXPECT_EQ(sent[21], 16);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(int8_t(sent[22 + i]), -i);
}

TEST_F(Partner, TheConnectingSideReportsEachFailureInItsStatus) {
  int before = open_descriptors();
  connect_to_host("localhost", "");
  EXPECT_EQ(get_predef(STATUS), 16);
  EXPECT_EQ(open_descriptors(), before) << "no socket for this host itself";
  connect_to_host("no-such-host.invalid", "");
  EXPECT_EQ(get_predef(STATUS), 5);
  cleanup_connect();  // nothing listens on the port any more
  connect_to_host("127.0.0.2", nullptr);
  EXPECT_EQ(get_predef(STATUS), 10);
}

// A fake accepting server on 127.0.0.2 at the partner port.
struct FakeAcceptor {
  int listener;
  explicit FakeAcceptor(uint16_t port) : listener(loopback_listen("127.0.0.2", port)) { EXPECT_GE(listener, 0); }
  ~FakeAcceptor() { loopback_close(listener); }
  Peer next() const { return Peer(loopback_accept(listener)); }
};

TEST_F(Partner, TheConnectingSideSendsItsRecordAndConfiguration) {
  cleanup_connect();  // the port is the fake acceptor's now
  FakeAcceptor acceptor(port);
  global(title)->val.s = dup_chars("mine");
  bytes record, code;
  std::thread deny([&] {
    Peer p = acceptor.next();
    record = p.receive(261);
    p.send_bytes({0, 2});
  });
  connect_to_host("127.0.0.2", "");
  deny.join();
  EXPECT_EQ(get_predef(STATUS), 2);
  ASSERT_EQ(record.size(), 261u);
  EXPECT_EQ(record[0], 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&record[1])), "127.0.0.2");
  EXPECT_EQ(record[1 + 203], 14);

  std::thread accept_thread([&] {
    Peer p = acceptor.next();
    p.receive(261);
    p.send_bytes({0, 0, 0x7F, 0xFF, 0x7F, 0xFF});
    p.receive(4);
    bytes length = p.receive(4);
    ASSERT_EQ(length.size(), 4u);
    code = p.receive(size_t(length[0]) << 24 | length[1] << 16 | length[2] << 8 | length[3]);
    EXPECT_EQ(p.receive(1).size(), 1u) << "the disconnect byte";
  });
  connect_to_host("127.0.0.2", "");
  EXPECT_EQ(get_predef(STATUS), 0);
  EXPECT_TRUE(connected());
  disconnect();
  accept_thread.join();
  EXPECT_EQ(get_predef(STATUS), 13);
  EXPECT_TRUE(partner_code_acceptable(code.data(), code.size()));
}

// A listener that takes the connection and never answers: the wait for the
// partner's decision has its bound, and the attempt ends timed out.
TEST_F(Partner, TheConnectingSideGivesUpOnASilentListener) {
  cleanup_connect();
  FakeAcceptor silent(port);
  auto start = std::chrono::steady_clock::now();
  connect_to_host("127.0.0.2", "");
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(get_predef(STATUS), 9);
  EXPECT_FALSE(connected());
  EXPECT_GT(s, 55.0);
  EXPECT_LT(s, 65.0);
}

TEST_F(Partner, AMessageIncompleteForTenSecondsClosesTheConnection) {
  Peer p = accepted_peer();
  testing::internal::CaptureStderr();
  p.send_bytes({20, 0, 0, 0});  // a length byte and 3 of its 20 bytes
  auto start = std::chrono::steady_clock::now();
  serve([] { return !connected(); }, 15000);
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(connected());
  EXPECT_EQ(get_predef(STATUS), 7);
  EXPECT_NE(err.find("Warning - partner message incomplete after 10 seconds - connection closed."),
            std::string::npos) << err;
  EXPECT_GT(s, 9.5);
  EXPECT_LT(s, 12.0);
}

// ---- The YARL operations -------------------------------------------------------------

constexpr uint8_t CONNECT = 70, DISCONNECT = 109;

TEST_F(Partner, ConnectAndDisconnectOperationsDriveTheConnection) {
  run({88, 9, 'l', 'o', 'c', 'a', 'l', 'h', 'o', 's', 't', 74, CONNECT});
  EXPECT_EQ(get_predef(STATUS), 16);
  Peer p = accepted_peer();
  run({DISCONNECT});
  EXPECT_EQ(get_predef(STATUS), 13);
  EXPECT_EQ(p.receive(1), bytes{0});
}

TEST_F(Partner, ConnectingTwiceAndDisconnectingUnconnectedAreRunTimeErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the GL threads make fork unsafe
  EXPECT_EXIT(run({DISCONNECT}), testing::ExitedWithCode(1), "Not connected");
  Peer p = accepted_peer();
  EXPECT_EXIT(run({74, 74, CONNECT}), testing::ExitedWithCode(1), "Already connected");
}

}  // namespace
