// The real server with display files: READ_DF of the empty name reads its
// standard input, and SAVE_DF into an application's input pipe gives the
// bytes a file save gives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <thread>

#include "scene/display_file.h"
#include "tests/link/link_fixture.h"
#include "tests/support/feed_app.h"
#include "tests/support/runner.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

constexpr uint8_t READ_DF = 78, SAVE_DF = 81;

std::string code(int32_t v) {
  char b[8];
  return std::string(b, df_encode_int(v, b));
}

// What follows the prelude (header line and three integers).
std::string body(const std::string& file) {
  size_t p = file.find('\n') + 1;
  for (int k = 0; k < 3; ++k) {
    while (p < file.size() && uint8_t(file[p]) >= 0x40) ++p;
    ++p;
  }
  return p <= file.size() ? file.substr(p) : "";
}

// Prints "name value\n" of an INTEGER variable on standard error.
void print(yarl::Code& c, const std::string& name, uint16_t variable) {
  c.push_string(name + " ").op(op::DISPLAY_STDERR).u8(K_STRING);
  c.push_var(GLOBAL, variable).op(op::DISPLAY_STDERR).u8(K_INTEGER);
  c.push_string("\n").op(op::DISPLAY_STDERR).u8(K_STRING);
}

RunResult serve(yarl::YarlProgram& p, const TempDir& dir, const std::string& input = "",
                const std::function<void(long pid)>& while_running = nullptr) {
  EXPECT_TRUE(p.write(dir.file("app.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", dir.file("app.b")};
  options.timeout_seconds = 30;
  options.own_display = true;
  options.input = input;
  options.while_running = while_running;
  return run_program(options);
}

TEST(DisplayFileServer, ReadDfOfTheEmptyNameReadsStandardInput) {
  uint32_t now = uint32_t(time(nullptr));
  std::string file = DF_HEADER + code(0) + code(int32_t(now)) + code(int32_t(77 ^ now)) + code(0x20);
  file += code(DF_POLYLINE) + code(6);
  for (int32_t v : {0, 0, 0, 0, 1073741824, -30, 0, 0, 0, 0, 0, 0}) file += code(v);
  file += code(3) + code(1) + code(0) + "\n" + code(0) + "\n";
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t result = p.add(GLOBAL, make_ident(K_INTEGER), "result");
  uint16_t stamp = p.add(GLOBAL, make_ident(K_INTEGER), "stamp");
  uint16_t options = p.add(GLOBAL, make_ident(K_INTEGER), "options");
  yarl::Code& c = p.initial_code();
  c.push_string("").op(READ_DF).ref_long(GLOBAL, stamp).ref_long(GLOBAL, options).assign(GLOBAL, result);
  print(c, "result", result);
  print(c, "stamp", stamp);
  print(c, "options", options);
  c.push_string("").op(READ_DF).ref_long(GLOBAL, stamp).ref_long(GLOBAL, options).assign(GLOBAL, result);
  print(c, "again", result);
  c.exit_program(0);
  RunResult r = serve(p, dir, file);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.err.find("result 0\nstamp 77\noptions 32\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("again -2\n"), std::string::npos) << "standard input at its end" << r.err;
}

TEST(DisplayFileServer, SaveDfIntoAnApplicationGivesAFileSavesBytes) {
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  uint16_t piped = p.add(GLOBAL, make_ident(K_INTEGER), "piped");
  uint16_t filed = p.add(GLOBAL, make_ident(K_INTEGER), "filed");
  yarl::Code& c = p.initial_code();
  c.push_string(feed_command({"-o", dir.file("piped.df")})).push(0).op(op::START_PROCESS).assign(GLOBAL, pid);
  c.push(0).push(5).op(SAVE_DF).u8(K_INTEGER).assign(GLOBAL, piped);
  c.push_string(dir.file("filed.df")).push(5).op(SAVE_DF).u8(K_STRING).assign(GLOBAL, filed);
  print(c, "piped", piped);
  print(c, "filed", filed);
  // The server goes on waiting, so that the application writes what it got;
  // the test ends the server once the piped copy is as long as the filed one.
  std::atomic<bool> stopped = false;
  RunResult r = serve(p, dir, "", [&](long server) {
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(25);
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
      size_t filed_size = read_file(dir.file("filed.df")).size();
      if (filed_size > 0 && read_file(dir.file("piped.df")).size() >= filed_size) {
        stopped = stop_program(server);
        return;
      }
    }
  });
  EXPECT_FALSE(r.timed_out) << r.err;
  EXPECT_TRUE(stopped) << "the server waits until it is stopped" << r.err;
#ifndef _WIN32
  EXPECT_EQ(r.signal, SIGKILL) << "the server waits until it is stopped" << r.err;
#endif
  EXPECT_NE(r.err.find("piped -1\nfiled -1\n"), std::string::npos) << "no visible segment" << r.err;
  std::string a = read_file(dir.file("piped.df")), b = read_file(dir.file("filed.df"));
  EXPECT_EQ(a.substr(0, 60), DF_HEADER);
  EXPECT_EQ(body(a), body(b));
  EXPECT_EQ(body(a), "0\n");
}

}  // namespace
