// The launcher as a real process: a copy of the built `viewer` in a temporary
// tree beside a stand-in server that records its arguments and stays.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/launcher/option_echo_program.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace fs = std::filesystem;

namespace {

// Records "[argument]" lines (argument 0 first), says one line on each of its
// outputs and stays a while, so the launcher must not wait for it.
const char* const stand_in =
    "#!/bin/sh\n"
    "d=$(dirname \"$0\")/..\n"
    "echo $$ > \"$d/pid\"\n"
    "printf '[%s]\\n' \"$0\" \"$@\" > \"$d/args.part\"\n"
    "mv \"$d/args.part\" \"$d/args\"\n"
    "echo standing-in\n"
    "echo on-error >&2\n"
    "exec sleep 20\n";

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

void make_file(const std::string& path, const std::string& contents = "", mode_t mode = 0644) {
  fs::create_directories(fs::path(path).parent_path());
  write_file(path, contents);
  chmod(path.c_str(), mode);
}

// A tree: bin/viewer, bin/qob (the stand-in), work/ and tmp/.
class LauncherTree {
 public:
  LauncherTree() {
    fs::create_directories(dir.file("bin"));
    fs::copy_file(VIEWER_PROGRAM, dir.file("bin/viewer"));
    make_file(dir.file("bin/qob"), stand_in, 0755);
    fs::create_directories(dir.file("work"));
    fs::create_directories(dir.file("tmp"));
  }
  ~LauncherTree() {
    std::string pid = read_file(dir.file("pid"));
    if (!pid.empty()) kill(std::stoi(pid), SIGKILL);
  }
  // "@" in a text stands for the tree's path.
  std::string at(const std::string& s) const { return replace_all(s, "@", dir.path()); }

  RunResult run(const std::vector<std::string>& args, const std::vector<std::string>& env,
                const std::string& cwd = "@/work") {
    RunOptions o;
    o.program = dir.file("bin/viewer");
    for (const std::string& a : args) o.args.push_back(at(a));
    // The case's entries replace the defaults of the same name.
    for (const std::string& e : env) o.env.push_back(at(e));
    for (const std::string& d : std::vector<std::string>{"DISPLAY=", "TMPDIR=" + dir.file("tmp")}) {
      bool given = false;
      for (const std::string& e : env) given = given || e.rfind(d.substr(0, d.find('=') + 1), 0) == 0;
      if (!given) o.env.push_back(d);
    }
    o.directory = at(cwd);
    o.timeout_seconds = 15;
    return run_program(o);
  }
  // The stand-in's argument lines, once it has written them.
  std::string server_arguments() const {
    for (int i = 0; i < 100 && !fs::exists(dir.file("args")); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return read_file(dir.file("args"));
  }

  TempDir dir;
};

std::string lines(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += "[" + w + "]\n";
  return s;
}

const char* const usage_start = "\n\nVorq Viewer v1.0.2";

struct LaunchCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> env;
  std::vector<std::string> files;  // made empty in the tree
  const char* cwd;
  int status;
  const char* message;                // in standard error; empty: none
  std::vector<std::string> argv;      // of the stand-in; empty: not started
};

const std::string tmp = "@/tmp/";
const std::string english = "../gui/Viewer_english_production.b";

const LaunchCase launch_cases[] = {
    {"plain", {"model.vf"}, {}, {"gui/Viewer_english_production.b"}, "@/work", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", english, "-F", "model.vf"}},
    {"language_and_size", {"-ul", "german", "-g", "400x300", "m.vf"}, {}, {"gui/Viewer_german_production.b"},
     "@/work", 0, "",
     {"@/bin/qob", "-q", "-g", "400x300", "-e", "", "-m", "", "-C", tmp, "-u",
      "../gui/Viewer_german_production.b", "-F", "m.vf"}},
    {"test_changes_nothing", {"-test", "m.vf"}, {}, {"gui/Viewer_english_production.b"}, "@/work", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", english, "-F", "m.vf"}},
    {"beside_the_launcher", {"m.vf"}, {}, {"gui/Viewer_english_production.b"}, "/", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", "@/bin/../gui/Viewer_english_production.b",
      "-F", "m.vf"}},
    {"env_home", {"m.vf"}, {"ENV_HOME=@/home"}, {"plix/gui/Viewer_english_production.b", "home/x"}, "/", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", "@/home/../plix/gui/Viewer_english_production.b",
      "-F", "m.vf"}},
    {"env_home_test_layout", {"-option_test", "m.vf"}, {"ENV_HOME=@/e/home"}, {"e/gui/Viewer_english_test.b", "e/home/x"},
     "/", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", "@/e/home/../gui/Viewer_english_test.b", "-F",
      "m.vf"}},
    {"plix_acn", {"m.vf"}, {"PLIX_ACN=@/acn"}, {"acn/gui/Viewer_english_production.b"}, "/", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", "@/acn/gui/Viewer_english_production.b", "-F",
      "m.vf"}},
    {"plix_acn_test_layout", {"-option_test", "m.vf"}, {"PLIX_ACN=@/p/acn"}, {"p/gui/Viewer_english_test.b", "p/acn/x"},
     "/", 0, "",
     {"@/bin/qob", "-q", "-e", "", "-m", "", "-C", tmp, "-u", "@/p/acn/../gui/Viewer_english_test.b", "-F",
      "m.vf"}},
    {"env_home_without_binary", {"m.vf"}, {"ENV_HOME=@/home"}, {"home/x"}, "/", 255,
     "\nCannot find yarl binary!\n\n", {}},
    {"option_test_needs_test_binary", {"-option_test", "m.vf"}, {}, {"gui/Viewer_english_production.b"},
     "@/work", 255, "\nCannot find yarl binary!\n\n", {}},
    {"bad_language", {"-ul", "spanish", "m.vf"}, {}, {}, "@/work", 255,
     "Invalid parameter for argument -ul:\nspanish\n\n\nVorq Viewer", {}},
    {"option_without_value", {"m.vf", "-ul"}, {}, {}, "@/work", 255, "Invalid argument:\n-ul\n\n\n", {}},
    {"two_files", {"a.vf", "b.vf"}, {}, {}, "@/work", 255, "Invalid argument:\nb.vf\n", {}},
    {"unknown_option", {"-x", "a.vf"}, {}, {}, "@/work", 255, "Invalid argument:\n-x\n", {}},
    {"missing_server", {"-um", "@/nothing", "a.vf"}, {}, {}, "@/work", 255, "Cannot find QOBS:\n@/nothing\n\n\n",
     {}},
    {"server_that_cannot_run", {"-um", "@/bin/plain", "a.vf"}, {}, {"bin/plain", "gui/Viewer_english_production.b"},
     "@/work", 254, "Error in CreateProcess: \"@/bin/plain\" -q -e", {}},
    {"no_display_no_file", {}, {}, {}, "@/work", 255, "Could not open file.\n", {}},
};

class LaunchTable : public testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchTable, GivesStatusMessageAndServerArguments) {
  const LaunchCase& c = GetParam();
  LauncherTree tree;
  for (const std::string& f : c.files) make_file(tree.dir.file(f));
  RunResult r = tree.run(c.args, c.env, c.cwd);
  EXPECT_EQ(r.exit_code, c.status) << r.err;
  if (c.message[0] != '\0') {
    EXPECT_NE(r.err.find(tree.at(c.message)), std::string::npos) << r.err;
  } else {
    EXPECT_EQ(r.err, "");
  }
  if (std::string(c.name) == "no_display_no_file") {
    EXPECT_NE(r.err.find(usage_start), std::string::npos);
  }
  if (!c.argv.empty()) {
    std::vector<std::string> expected;
    for (const std::string& a : c.argv) expected.push_back(tree.at(a));
    EXPECT_EQ(tree.server_arguments(), lines(expected));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(tree.dir.file("args")));
  }
}

INSTANTIATE_TEST_SUITE_P(Viewer, LaunchTable, testing::ValuesIn(launch_cases),
                         [](const testing::TestParamInfo<LaunchCase>& i) { return std::string(i.param.name); });

// The launcher ends while the server runs; the log holds the server's output
// and errors and only its owner may read it.
TEST(Viewer, ReturnsWhileTheServerRunsWithItsOutputInTheLog) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  auto start = std::chrono::steady_clock::now();
  RunResult r = tree.run({"-v", "m.vf"}, {});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.err.find(tree.at("Execute:\n\n\"@/bin/qob\" -q -e \"\" -m \"\" -C \"@/tmp/\" -u \"" + english +
                               "\" -F \"m.vf\"\n\n")),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("Process return code:\n\n0\n\n"), std::string::npos) << r.err;
  tree.server_arguments();
  pid_t pid = std::stoi(read_file(tree.dir.file("pid")));
  EXPECT_EQ(kill(pid, 0), 0) << "the server should still run";
  EXPECT_EQ(getsid(pid), pid) << "the server should lead a session of its own";
  std::string log;
  for (int i = 0; i < 100 && log.find("on-error") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    log = read_file(tree.dir.file("tmp/vorqviewer.log"));
  }
  EXPECT_EQ(log, "standing-in\non-error\n");
  struct stat st {};
  ASSERT_EQ(stat(tree.dir.file("tmp/vorqviewer.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Viewer, FindsTheServerThroughThePathWhenNoneIsBeside) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  fs::create_directories(tree.dir.file("path"));
  fs::rename(tree.dir.file("bin/qob"), tree.dir.file("path/qob"));
  RunResult r = tree.run({"m.vf"}, {"PATH=@/path:/usr/bin:/bin"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(tree.server_arguments().substr(0, 16), tree.at("[@/path/qob]\n[-q]").substr(0, 16));
}

// The log's place: a folder in its way gives -98, a planted link is not
// followed, a temporary path that is no folder gives -99.
TEST(Viewer, LogFileFailures) {
  {
    LauncherTree tree;
    make_file(tree.dir.file("gui/Viewer_english_production.b"));
    fs::create_directories(tree.dir.file("tmp/vorqviewer.log"));
    EXPECT_EQ(tree.run({"m.vf"}, {}).exit_code, 158);
  }
  {
    LauncherTree tree;
    make_file(tree.dir.file("gui/Viewer_english_production.b"));
    make_file(tree.dir.file("victim"), "keep me");
    fs::create_symlink(tree.dir.file("victim"), tree.dir.file("tmp/vorqviewer.log"));
    EXPECT_EQ(tree.run({"m.vf"}, {}).exit_code, 158);
    EXPECT_EQ(read_file(tree.dir.file("victim")), "keep me");
  }
  {
    LauncherTree tree;
    make_file(tree.dir.file("gui/Viewer_english_production.b"));
    make_file(tree.dir.file("plainfile"));
    EXPECT_EQ(tree.run({"m.vf"}, {"TMPDIR=@/plainfile"}).exit_code, 157);
    EXPECT_EQ(tree.run({"m.vf"}, {"TMPDIR=@/none"}).exit_code, 157);
  }
}

// The real server under the launcher gets its options C and F: a program that
// writes both to standard error leaves them in the log.
TEST(Viewer, StartsTheRealServerWithTheTemporaryFolderAndModel) {
  LauncherTree tree;
  yarl::YarlProgram p = option_echo_program();
  fs::create_directories(tree.dir.file("gui"));
  ASSERT_TRUE(p.write(tree.dir.file("gui/Viewer_english_production.b")));
  // The server shows its windows: on an X server of the test's own.
  OwnXServer x;
  ASSERT_FALSE(x.name().empty()) << "Xvfb did not start";
  RunResult r = tree.run({"-um", QOB_PROGRAM, "my model.vf"}, {"DISPLAY=" + x.name(), "LIBGL_ALWAYS_SOFTWARE=1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string expected = tree.at("C=@/tmp/ F=my model.vf\n");
  std::string log;
  for (int i = 0; i < 300 && log.find(expected) == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    log = read_file(tree.dir.file("tmp/vorqviewer.log"));
  }
  EXPECT_NE(log.find(expected), std::string::npos) << log;
}

// The boxes and the dialog on an X server of the test's own.
class ViewerOnDisplay : public testing::Test {
 protected:
  void SetUp() override {
    if (x.name().empty()) GTEST_SKIP() << "Xvfb did not start";
    make_file(tree.dir.file("gui/Viewer_english_production.b"));
  }
  void start(const std::vector<std::string>& args) {
    std::vector<std::string> env = {"DISPLAY=" + x.name()};
    runner = std::thread([this, args, env] {
      result = tree.run(args, env);
      ended = true;
    });
  }
  // Presses `key` until the launcher ends (a key pressed before the window
  // took the focus is lost); true when it ended.
  bool press_until_ended(const std::string& key) {
    for (int i = 0; i < 20 && !ended; ++i) {
      xdotool("key " + key);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return ended;
  }
  // Runs xdotool on the display; true when it succeeded.
  bool xdotool(const std::string& arguments) {
    std::string command = "DISPLAY=" + x.name() + " timeout 10 xdotool " + arguments + " >/dev/null";
    return system(command.c_str()) == 0;
  }
  const RunResult& finish() {
    runner.join();
    return result;
  }

  OwnXServer x;
  LauncherTree tree;
  std::thread runner;
  RunResult result;
  std::atomic<bool> ended{false};
};

TEST_F(ViewerOnDisplay, MessageBoxClosesWithReturn) {
  start({"-ul", "klingon", "m.vf"});
  EXPECT_TRUE(xdotool("search --sync --onlyvisible --name '^Vorq Viewer$'"));
  EXPECT_TRUE(press_until_ended("Return"));
  const RunResult& r = finish();
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_NE(r.err.find("Invalid parameter for argument -ul:\nklingon"), std::string::npos);
}

TEST_F(ViewerOnDisplay, DialogStartsTheServerOnTheNameTyped) {
  make_file(tree.dir.file("work/model.vf"));
  start({});
  EXPECT_TRUE(xdotool("search --sync --onlyvisible --name '^Open Vorq Viewer File$'"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_TRUE(xdotool("type nothere.vf"));
  EXPECT_TRUE(xdotool("key Return"));  // must exist: the dialog stays
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(xdotool("key BackSpace"));
  EXPECT_TRUE(xdotool("type model"));  // the default extension completes it
  EXPECT_TRUE(xdotool("key Return"));
  const RunResult& r = finish();
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(tree.server_arguments().find(tree.at("[-F]\n[@/work/model.vf]\n")), std::string::npos);
}

TEST_F(ViewerOnDisplay, DialogEscapeEndsQuietly) {
  start({});
  EXPECT_TRUE(xdotool("search --sync --onlyvisible --name '^Open Vorq Viewer File$'"));
  EXPECT_TRUE(press_until_ended("Escape"));
  const RunResult& r = finish();
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(tree.dir.file("args")));
}

}  // namespace
