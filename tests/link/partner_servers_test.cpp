// Two real servers sharing one user interface: each runs in a network
// namespace of the test's own, joined by a veth pair, and both show their
// windows on one X server of the test's own (reached through its filesystem
// socket, since abstract sockets are per network namespace). Real input from
// xdotool works the dialogs; every action reports to an application process
// that writes what it gets to a file.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/tables.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;

constexpr uint8_t REPORT_ASCII = 141, CONNECT = 70, DISCONNECT = 109, PUSH_0_STRING = 74;
constexpr uint16_t STATUS = 102;
constexpr const char* PORT = "4711";

// The dialog's buttons, one per row, and its text field.
enum button { GO, STATUS_BUTTON, BYE, TITLE, CONNECT_BUTTON, N_BUTTONS };
constexpr int ROW = 30, ITEM_X = 10, FIELD_Y = N_BUTTONS * ROW + 10;
constexpr int DIALOG_X = 1010, DIALOG_W = 260, DIALOG_H = FIELD_Y + 40;

struct Side {
  const char* name;      // namespace and report-file suffix
  const char* address;   // this side's address
  const char* partner;   // the address its Connect button asks for
  int graphics_w, graphics_h;
  int dialog_y;  // both above 255, so that both programs' code has one size
  const char* title;
};
const Side A = {"a", "10.77.0.1", "10.77.0.2", 800, 600, 300, "from A"};
const Side B = {"b", "10.77.0.2", "10.77.0.1", 1024, 500, 600, "from B"};

// The same program for both sides but for constants of equal encoded size:
// the partners' table sizes must match.
yarl::YarlProgram side_program(const Side& side, const std::string& app) {
  yarl::YarlProgram p = program_starting(app);
  ident_info resource = yarl::make_ident(K_STRING);
  resource.word8 |= IDENT_RESOURCE;
  uint16_t title = p.add(GLOBAL, resource, "title");
  uint16_t typed = p.add(GLOBAL, yarl::make_ident(K_STRING), "typed");
  p.initial_code().push_string(side.title).assign(GLOBAL, title).push_string("").assign(GLOBAL, typed);

  p.ident(GLOBAL, 1).code_offset = yarl::add_window_geometry(p, 0, 0, side.graphics_w, side.graphics_h);

  yarl::Code& code = p.code();
  auto report_status = [&] { code.push(0).push_var(GLOBAL, STATUS).push(K_INTEGER).push_string("\n").push(K_STRING).op(REPORT_ASCII); };
  auto item = [&](uint8_t kind, int y) { return yarl::placed_item(p, kind, K_STRING, ITEM_X, y); };
  const char* labels[N_BUTTONS] = {"Go", "Status", "Bye", "Title", "Connect"};
  std::vector<menu_item> items;
  for (int b = 0; b < N_BUTTONS; ++b) {
    menu_item it = item(ITEM_BUTTON, 5 + b * ROW);
    code.push_string(labels[b]).release();
    it.action_offset = code.offset();
    switch (b) {
      case GO: code.push(0).push_string("clicked\n").push(K_STRING).op(REPORT_ASCII); break;
      case STATUS_BUTTON: report_status(); break;
      case BYE: code.op(DISCONNECT), report_status(); break;
      case TITLE: code.push(0).push_var(GLOBAL, title).push(K_STRING).push_string("\n").push(K_STRING).op(REPORT_ASCII); break;
      case CONNECT_BUTTON: code.push_string(side.partner).op(PUSH_0_STRING).op(CONNECT), report_status(); break;
    }
    code.release();
    items.push_back(it);
  }
  menu_item field = item(ITEM_TEXT_FIELD, FIELD_Y);
  field.flags |= ITEM_SIZE_X;
  field.width = 200;
  field.head4 = yarl::ref16(GLOBAL, typed);
  code.push_var(GLOBAL, typed).release();
  field.action_offset = code.offset();  // on Return
  code.push(0).push_var(GLOBAL, typed).push(K_STRING).push_string("\n").push(K_STRING).op(REPORT_ASCII).release();
  items.push_back(field);

  yarl::add_menu_window(p, "dialog", items, {yarl::ref16(GLOBAL, typed)},
                        yarl::add_window_geometry(p, DIALOG_X, side.dialog_y, DIALOG_W, DIALOG_H));
  return p;
}

int run(const std::string& command) { return system((command + " >/dev/null 2>&1").c_str()); }

// Two network namespaces joined by a veth pair, removed again.
class Namespaces {
 public:
  Namespaces() : tag_(std::to_string(getpid())) {
    std::string na = ns(A), nb = ns(B), va = veth(A), vb = veth(B);
    ok_ = run("ip netns add " + na) == 0 && run("ip netns add " + nb) == 0 &&
          run("ip link add " + va + " type veth peer name " + vb) == 0 && run("ip link set " + va + " netns " + na) == 0 &&
          run("ip link set " + vb + " netns " + nb) == 0;
    for (const auto& [n, v, side] : {std::tuple{na, va, A}, std::tuple{nb, vb, B}}) {
      ok_ = ok_ && run("ip -n " + n + " link set lo up") == 0 &&
            run("ip -n " + n + " addr add " + side.address + "/24 dev " + v) == 0 &&
            run("ip -n " + n + " link set " + v + " up") == 0;
    }
  }
  ~Namespaces() {
    run("ip netns del " + ns(A));  // takes the veth pair with it
    run("ip netns del " + ns(B));
  }
  bool ok() const { return ok_; }
  std::string ns(const Side& side) const { return std::string("qob") + side.name + tag_; }
  std::string veth(const Side& side) const { return std::string("qv") + side.name + tag_; }

 private:
  std::string tag_;
  bool ok_ = false;
};

struct Shown {
  Window window;
  int x, y, width, height;
  bool override_redirect;
  std::string name;  // WM_CLASS instance
};

std::vector<Shown> top_levels(Display* d) {
  std::vector<Shown> all;
  for (const TopLevel& t : viewable_top_levels(d)) {
    const XWindowAttributes& a = t.attributes;
    all.push_back({t.window, a.x, a.y, a.width, a.height, a.override_redirect != 0, t.name});
  }
  return all;
}

template <typename F>
std::optional<Shown> wait_for(Display* d, F match, std::chrono::steady_clock::duration limit = 20s) {
  auto until = std::chrono::steady_clock::now() + limit;
  do {
    for (const Shown& s : top_levels(d))
      if (match(s)) return s;
    std::this_thread::sleep_for(50ms);
  } while (std::chrono::steady_clock::now() < until);
  return std::nullopt;
}

std::optional<Shown> named(Display* d, const std::string& name, std::chrono::steady_clock::duration limit = 20s) {
  return wait_for(d, [&](const Shown& s) { return s.name == name; }, limit);
}

class PartnerServers : public testing::Test {
 protected:
  void SetUp() override {
    if (getuid() != 0) GTEST_SKIP() << "network namespaces need root";
    ASSERT_TRUE(net_.ok()) << "ip netns and veth (iproute2)";
    ASSERT_FALSE(x_.name().empty()) << "Xvfb did not start";
    d_ = open_own_display(x_.name());
    ASSERT_NE(d_, nullptr);
  }
  void TearDown() override {
    if (d_ != nullptr) XCloseDisplay(d_);
    x_.stop();  // the servers lose their display and end
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

  void start(const Side& side) {
    TempDir& dir = side.name == A.name ? dir_a_ : dir_b_;
    std::string app = write_app_script(dir, "exec 2>/dev/null; cat > reports");
    ASSERT_TRUE(side_program(side, app).write(dir.file("partner.b")));
    RunOptions o;
    o.program = "/usr/sbin/ip";
    o.args = {"netns", "exec", net_.ns(side), QOB_PROGRAM, "-r", "-e", "", "-m", "", "-y", PORT, "-u",
              dir.file("partner.b")};
    o.env = {"DISPLAY=" + x_.name(), "LIBGL_ALWAYS_SOFTWARE=1", "HOME=" + dir.path(), "PATH=/usr/bin:/bin"};
    o.timeout_seconds = 100;
    RunResult* result = side.name == A.name ? &result_a_ : &result_b_;
    threads_.emplace_back([o, result] { *result = run_program(o); });
  }
  const RunResult& wait_end(const Side& side) {
    threads_[side.name == A.name ? 0 : 1].join();  // started in this order
    return side.name == A.name ? result_a_ : result_b_;
  }

  std::string reports(const Side& side) const {
    return read_file((side.name == A.name ? dir_a_ : dir_b_).file("reports"));
  }
  bool reports_become(const Side& side, const std::string& expected) const {
    auto until = std::chrono::steady_clock::now() + 30s;
    while (reports(side) != expected && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(50ms);
    return reports(side) == expected;
  }

  void xdotool(const std::string& arguments) {
    ASSERT_EQ(run("DISPLAY=" + x_.name() + " xdotool " + arguments), 0) << arguments;
  }
  void click_at(int x, int y) { xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"); }
  void click(const Side& side, int b) { click_at(DIALOG_X + ITEM_X + 8, side.dialog_y + 5 + b * ROW + 8); }
  // Accept on the connection request that the side shows.
  void accept_request() {
    std::optional<Shown> request = named(d_, "ConnectionRequest", 30s);
    ASSERT_TRUE(request.has_value()) << "no connection request shown";
    std::this_thread::sleep_for(300ms);  // laid out and drawn
    request = named(d_, "ConnectionRequest");
    ASSERT_TRUE(request.has_value());
    click_at(request->x + 12, request->y + request->height - 10);
    // The configuration received, the window closes.
    auto until = std::chrono::steady_clock::now() + 20s;
    while (named(d_, "ConnectionRequest", 0s) && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(50ms);
  }

  Namespaces net_;
  OwnXServer x_;
  Display* d_ = nullptr;
  TempDir dir_a_, dir_b_;
  RunResult result_a_, result_b_;
  std::vector<std::thread> threads_;
};

TEST_F(PartnerServers, ConnectShareInputDisconnectAndListenAgain) {
  for (const Side* side : {&A, &B}) start(*side);
  for (const Side* side : {&A, &B}) {
    ASSERT_TRUE(wait_for(d_, [&](const Shown& s) { return s.name == "dialog" && s.y == side->dialog_y; }, 60s))
        << side->name << ": the dialog was not shown";
  }
  std::optional<Shown> graphics_a = wait_for(d_, [](const Shown& s) { return s.width == 800 && s.height == 600; });
  std::optional<Shown> graphics_b = wait_for(d_, [](const Shown& s) { return s.width == 1024 && s.height == 500; });
  ASSERT_TRUE(graphics_a && graphics_b) << "graphics windows of 800 x 600 and 1024 x 500";

  // A asks, B's user accepts: A's status becomes 0, both windows 800 x 500.
  click(A, CONNECT_BUTTON);
  accept_request();
  ASSERT_TRUE(reports_become(A, "0\n")) << reports(A);
  for (const Shown& g : {*graphics_a, *graphics_b}) {
    XWindowAttributes a{};
    for (int i = 0; i < 100 && XGetWindowAttributes(d_, g.window, &a) && !(a.width == 800 && a.height == 500); ++i)
      std::this_thread::sleep_for(50ms);
    EXPECT_EQ(a.width, 800);
    EXPECT_EQ(a.height, 500);
  }

  // B took A's resource state; clicks and typing on A act on B too.
  click(A, TITLE);
  EXPECT_TRUE(reports_become(A, "0\nfrom A\n")) << reports(A);
  EXPECT_TRUE(reports_become(B, "from A\n")) << reports(B);
  click(A, GO);
  EXPECT_TRUE(reports_become(A, "0\nfrom A\nclicked\n")) << reports(A);
  EXPECT_TRUE(reports_become(B, "from A\nclicked\n")) << reports(B);
  // B shows the partner's pointer where it is over B's own dialog.
  int px = DIALOG_X + ITEM_X + 8, py = B.dialog_y + 5 + GO * ROW + 8;
  auto partner_cursor = [](const Shown& s) { return s.width == 20 && s.height == 25; };  // a pop-up: no class hint
  std::optional<Shown> cursor = wait_for(d_, [&](const Shown& s) { return partner_cursor(s) && s.x == px && s.y == py; });
  EXPECT_TRUE(cursor.has_value()) << "PartnerCursor at (" << px << ", " << py << ")";
  click_at(DIALOG_X + ITEM_X + 20, A.dialog_y + FIELD_Y + 10);
  xdotool("type --delay 30 hi");
  xdotool("key Return");
  EXPECT_TRUE(reports_become(A, "0\nfrom A\nclicked\nhi\n")) << reports(A);
  EXPECT_TRUE(reports_become(B, "from A\nclicked\nhi\n")) << reports(B);

  // A disconnects: 13 there, 14 on B; then B asks A, which listens again.
  click(A, BYE);
  EXPECT_TRUE(reports_become(A, "0\nfrom A\nclicked\nhi\n13\n")) << reports(A);
  click(B, STATUS_BUTTON);
  EXPECT_TRUE(reports_become(B, "from A\nclicked\nhi\n14\n")) << reports(B);
  EXPECT_FALSE(wait_for(d_, partner_cursor, 0s).has_value()) << "the cursor goes with the connection";
  click(B, CONNECT_BUTTON);
  accept_request();
  EXPECT_TRUE(reports_become(B, "from A\nclicked\nhi\n14\n0\n")) << reports(B);
  click(B, BYE);
  EXPECT_TRUE(reports_become(B, "from A\nclicked\nhi\n14\n0\n13\n")) << reports(B);
  click(A, STATUS_BUTTON);
  EXPECT_TRUE(reports_become(A, "0\nfrom A\nclicked\nhi\n13\n14\n")) << reports(A);
  // And B listens again too.
  click(A, CONNECT_BUTTON);
  accept_request();
  ASSERT_TRUE(reports_become(A, "0\nfrom A\nclicked\nhi\n13\n14\n0\n")) << reports(A);

  // CONNECT while connected ends A with its run-time error; B, left
  // unconnected, ends on DISCONNECT with its own.
  click(A, CONNECT_BUTTON);
  const RunResult& a = wait_end(A);
  EXPECT_EQ(a.exit_code, 1);
  EXPECT_NE(a.err.find("Already connected"), std::string::npos) << a.err;
  click(B, STATUS_BUTTON);
  EXPECT_TRUE(reports_become(B, "from A\nclicked\nhi\n14\n0\n13\n7\n")) << "the partner went: " << reports(B);
  click(B, BYE);
  const RunResult& b = wait_end(B);
  EXPECT_EQ(b.exit_code, 1);
  EXPECT_NE(b.err.find("Not connected"), std::string::npos) << b.err;
}

// A partner address that takes nothing: the neighbour entry sends the
// connection's packets to no host, and the attempt ends within its bound.
TEST_F(PartnerServers, AConnectionToAHostThatNeverAnswersTimesOut) {
  const Side lost = {"a", A.address, "10.77.0.9", 800, 600, 300, "from A"};
  ASSERT_EQ(run("ip -n " + net_.ns(A) + " neigh add 10.77.0.9 lladdr 02:00:00:00:00:09 dev " + net_.veth(A) +
                " nud permanent"), 0);
  start(lost);
  ASSERT_TRUE(wait_for(d_, [](const Shown& s) { return s.name == "dialog"; }, 60s));
  auto begin = std::chrono::steady_clock::now();
  click(lost, CONNECT_BUTTON);
  EXPECT_TRUE(reports_become(lost, "9\n")) << reports(lost);
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_GT(s, 9.5);
  EXPECT_LT(s, 14.0);
}

}  // namespace
