// The internal-error report under Windows: the dump lies in the temporary
// folder, written in LF lines, and the report ends the process with status 1.
#include "base/internal_error.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/platform/win/win_test_helpers.h"

namespace {

namespace fs = std::filesystem;

const char* test_name() { return "qob"; }
bool no_core() { return false; }
const char* no_mail() { return ""; }
void details(int fd) { _write(fd, "details of the interpreter\n", 27); }

// The dump files of the temporary folder that hold `marker`.
std::vector<fs::path> dumps_holding(const std::string& marker) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(fs::temp_directory_path())) {
    if (e.path().filename().string().rfind("qobs_dump_", 0) != 0) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    if (s.str().find(marker) != std::string::npos) found.push_back(e.path());
  }
  return found;
}

TEST(WinInternalErrorDeathTest, ReportGoesToStandardErrorAndTheDumpToTheTemporaryFolder) {
  set_internal_error_hooks({test_name, details, no_core, no_mail});
  EXPECT_EXIT(internal_error(4711, "WinTest"), testing::ExitedWithCode(1),
              "3\\) QOBS software module name: WinTest\\.\\s4\\) line number in that module: 4711\\.");
  std::vector<fs::path> dumps = dumps_holding(" internal error at line 4711 of WinTest.");
  ASSERT_EQ(dumps.size(), 1u);
  std::stringstream s;
  s << std::ifstream(dumps[0], std::ios::binary).rdbuf();
  EXPECT_EQ(s.str(),
            "QOBS 11.1596 2003/08/06. internal error at line 4711 of WinTest.\n"
            "details of the interpreter\n"
            "Not debug version. debugger output may be meaningless.\n");
  fs::remove(dumps[0]);
}

}  // namespace
