// The real server reading a scene from an application: segments reach the
// segment store, a missing segment is reported and the stream goes on, and a
// malformed command stops the server with its fatal report.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/link/link_fixture.h"
#include "tests/support/protocol.h"
#include "tests/support/runner.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

std::string i(long v) { return tek::int_param(v); }

TEST(SceneServer, SegmentCommandsReachTheStoreUntilAFatalOne) {
  std::string stream = tek::command("SO") + i(1) + tek::command("UT") + i(3);
  for (long v : {0, 0, 0, 1000, 0, 0, -1000, 1000, 0}) stream += i(v);
  stream += i(3);
  for (long v : {0, 0, 1, 0, 0, 0, 0, 0, 0}) stream += i(v);
  stream += i(0) + i(5) + i(1) + i(3) + i(0) + i(1) + i(2);
  stream += tek::command("SC") + tek::command("SK") + i(9) + tek::command("SO") + i(2);
  stream += tek::command("SO") + i(3);  // refused: segment 2 is open
  TempDir dir;
  {
    std::ofstream f(dir.file("scene.tek"), std::ios::binary);
    f << stream;
  }
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  // The initial code starts the application; the server then serves its stream.
  p.initial_code().push_string(COPY_APP " " + dir.file("scene.tek")).push(0).op(op::START_PROCESS).assign(GLOBAL, pid);
  ASSERT_TRUE(p.write(dir.file("app.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", dir.file("app.b")};
  options.timeout_seconds = 20;
  options.own_display = true;
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("Application error - segment 9 does not exist.\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Fatal application error in <EC>SO command - A segment is already open.\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("not available"), std::string::npos) << r.err;
}

}  // namespace
