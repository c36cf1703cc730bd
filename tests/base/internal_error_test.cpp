// The internal-error report: what the user sees, the dump file, the mail
// command and the ends with and without -d.
#include "base/internal_error.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix_services.h"
#include "tests/support/dump_files.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

// A binary whose only fault is an item kind that no record group has: the
// loader reports internal error 332 of menu_item.
void write_internal_error_fixture(const std::string& path) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.add_raw_record(T_MENU_ITEMS, {250});
  ASSERT_TRUE(p.write(path));
}

// Runs the server on the fixture in `dir` with further options.
RunResult run_internal_error_fixture(const TempDir& dir, std::vector<std::string> args) {
  write_internal_error_fixture(dir.file("x.b"));
  RunOptions options;
  options.args = {"-u", "x.b"};
  options.args.insert(options.args.end(), args.begin(), args.end());
  options.directory = dir.path();
  return run_program(options);
}

TEST(InternalError, ReportsWritesTheDumpAndMailsIt) {
  TempDir dir;
  RunResult r = run_internal_error_fixture(dir, {"-m", "cat > mailed"});
  EXPECT_EQ(r.exit_code, 1);
  std::string head = "\nSorry, a QOBS internal error has occured in " + std::string(QOB_PROGRAM) +
                     ".\n"
                     "Please report the following information to Vorq Technologies QOBS development:\n"
                     "1) a precise description of what you did before you got this message.\n"
                     "2) QOBS version:               11.1596 2003/08/06.\n"
                     "3) QOBS software module name: menu_item.\n"
                     "4) line number in that module: 332.\n"
                     "Please use the QOBS debug-version (if available) and reproduce this problem.\n";
  EXPECT_EQ(r.err.substr(0, head.size()), head);
  std::string dump = dump_file_named_in(r.err);
  ASSERT_FALSE(dump.empty()) << r.err;
  EXPECT_NE(r.err.find("Executing 'cat > mailed < " + dump + "'.\n"), std::string::npos) << r.err;

  std::string contents = read_file(dump);
  EXPECT_EQ(contents.rfind("QOBS 11.1596 2003/08/06. internal error at line 332 of menu_item.\n"
                           "Not debug version. debugger output may be meaningless.\n",
                           0),
            0u)
      << contents;
  EXPECT_EQ(read_file(dir.file("mailed")), contents);
  remove_dump_named_in(r.err);
}

TEST(InternalError, EmptyMailCommandWarnsInstead) {
  TempDir dir;
  RunResult r = run_internal_error_fixture(dir, {"-m", ""});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("*** Warning - automatic E-Mail suppressed.\n"
                       "    Please inform Vorq Technologies QOBS development ("),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("Executing"), std::string::npos);
  remove_dump_named_in(r.err);
}

TEST(InternalError, DumpOptionEndsBySegmentationViolationWithoutMail) {
  TempDir dir;
  RunResult r = run_internal_error_fixture(dir, {"-d", "-m", "touch mailed"});
  EXPECT_EQ(r.signal, SIGSEGV) << r.err;
  EXPECT_NE(r.err.find(" will now abort with a segmentation violation to produce a core file.\n"), std::string::npos);
  EXPECT_EQ(read_file(dir.file("mailed")), "");
  EXPECT_FALSE(std::ifstream(dir.file("mailed")).good());
  remove_dump_named_in(r.err);
}

// What a forked child that runs `body` (which never returns) leaves: its
// standard error, its exit status and the name of its dump file.
struct ChildReport {
  std::string err;
  int status = -1;
  std::string dump;
};

template <typename Body>
ChildReport report_of_child(Body body) {
  ChildReport report;
  int err[2];
  if (pipe(err) != 0) return report;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(err[1], 2);
    body();
    _exit(99);
  }
  close(err[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(err[0], buffer, sizeof buffer)) > 0) report.err.append(buffer, size_t(n));
  close(err[0]);
  waitpid(pid, &report.status, 0);
  report.dump = "/tmp/qobs_dump_" + std::to_string(pid);
  return report;
}

// A signal's report names no dump file, but writes one.
TEST(InternalError, ErrorSignalGivesTheSignalReport) {
  ChildReport r = report_of_child([] {
    signal_wrapper(SIGFPE, [](int sig) { internal_error(sig, nullptr); });
    raise(SIGFPE);
  });
  std::string contents = read_file(r.dump);
  remove(r.dump.c_str());
  EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 1) << r.status;
  EXPECT_THAT(r.err, testing::ContainsRegex("3\\) System error signal caught: 8\\.\n(.|\n)*Please rerun .* with the -d "
                                            "parameter to get a core file for debugging\\.\n\\*\\*\\* Warning - "
                                            "automatic E-Mail suppressed\\."));
  EXPECT_EQ(r.err.find("Error information on file"), std::string::npos) << r.err;
  EXPECT_EQ(contents.rfind("QOBS 11.1596 2003/08/06. signal 8.\n", 0), 0u) << contents;
}

// Runs internal_error in a forked child that first puts `prepare` at its
// own dump file's name.
template <typename Prepare>
ChildReport internal_error_in_child(Prepare prepare) {
  return report_of_child([&] {
    prepare("/tmp/qobs_dump_" + std::to_string(getpid()));
    internal_error(77, "test");
  });
}

TEST(InternalError, StaleDumpFileIsTruncated) {
  ChildReport r = internal_error_in_child([&](const std::string& name) {
    write_file(name, std::string(100000, 'x'));
  });
  std::string contents = read_file(r.dump);
  remove(r.dump.c_str());
  EXPECT_EQ(dump_file_named_in(r.err), r.dump) << r.err;
  EXPECT_EQ(contents.find("xxxxxxxx"), std::string::npos);
  EXPECT_LT(contents.size(), 100000u);
}

TEST(InternalError, DumpFileNeverFollowsALink) {
  TempDir dir;
  std::string target = dir.file("target");
  write_file(target, "kept");
  ChildReport r = internal_error_in_child([&](const std::string& name) {
    unlink(name.c_str());  // a dump left by an earlier process with this pid
    if (symlink(target.c_str(), name.c_str()) != 0) _exit(3);
  });
  remove(r.dump.c_str());  // the link
  EXPECT_EQ(dump_file_named_in(r.err, "Unable to create error information file "), r.dump) << r.err;
  EXPECT_EQ(read_file(target), "kept");
}

}  // namespace
