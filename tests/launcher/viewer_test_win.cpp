// The launcher under wine. Its logic runs in the test with the message boxes
// caught by the layer's hook; viewer.exe itself runs as a process for what
// only a process shows (its exit status, its error output, the server it
// leaves running). Both start a stand-in server beside them.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/viewer.h"
#include "platform/launcher_services.h"
#include "platform/win/message_boxes.h"
#include "tests/launcher/launcher_tree_win.h"

namespace {

using namespace launcher_test;

struct shown_box {
  std::string text, title;
  UINT type;
};
std::vector<shown_box> boxes;

int record_box(const char* text, const char* title, UINT type) {
  boxes.push_back({text, title, type});
  return IDOK;
}

// The environment of the process and of the C runtime; an empty value
// removes the name.
void set_environment(const std::string& name, const std::string& value) {
  SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
  _putenv((name + "=" + value).c_str());
}

// viewer_main in this process: the boxes recorded, standard error captured.
struct InProcessRun {
  int status;
  std::string err;
};

InProcessRun run_in_process(LauncherTree& tree, const std::vector<std::string>& args,
                            const std::vector<std::string>& env, const std::string& cwd) {
  for (const char* name : {"ENV_HOME", "PLIX_ACN"}) set_environment(name, "");
  set_environment("TMP", tree.dir.file("tmp"));
  for (const std::string& e : env) {
    std::string entry = tree.at(e);
    set_environment(entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1));
  }
  char previous[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof previous, previous);
  SetCurrentDirectoryA(tree.at(cwd).c_str());
  std::vector<std::string> words = {tree.dir.file("bin/viewer.exe")};
  for (const std::string& a : args) words.push_back(tree.at(a));
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  boxes.clear();
  Lx_MessageBoxHook hook = Lx_SetMessageBoxHook(record_box);
  testing::internal::CaptureStderr();
  int status = viewer_main(int(words.size()), argv.data());
  std::string err = testing::internal::GetCapturedStderr();
  Lx_SetMessageBoxHook(hook);
  SetCurrentDirectoryA(previous);
  return {status, err};
}

const char* const usage_tail =
    "Usage: viewer [-ul german|english|french] [-g WIDTHxHEIGHT] filename    \n\n"
    "       -ul  ... User interface language\n"
    "       -g   ... Set display size to Width x Height mm\n"
    "                with range [300 ... 65000] x [225 ... 45000]\n\n";

struct expected_box {
  const char* text;  // the whole text, or its start when `usage`
  bool error;
  bool usage = false;  // the usage text follows, with its banner line
};

struct LaunchCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> env;
  std::vector<std::string> files;  // made empty in the tree
  const char* cwd;
  int status;
  std::vector<expected_box> boxes;
  const char* error_output;         // the start of standard error; empty: none
  std::vector<std::string> argv;    // of the stand-in; empty: not started
};

const std::string english = "../gui/Viewer_english_production.b";
const std::string execute_plain =
    "Execute:\n\n\"@/bin/qob.exe\" -q -e \"\" -m \"\" -C \"#\" -u \"../gui/Viewer_english_production.b\" -F "
    "\"m.vf\"\n\n";

const LaunchCase launch_cases[] = {
    {"plain", {"model.vf"}, {}, {"gui/Viewer_english_production.b"}, "@/work", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", english, "-F", "model.vf"}},
    {"language_and_size", {"-ul", "german", "-g", "400x300", "m.vf"}, {}, {"gui/Viewer_german_production.b"},
     "@/work", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-g", "400x300", "-e", "", "-m", "", "-C", "#", "-u",
      "../gui/Viewer_german_production.b", "-F", "m.vf"}},
    {"test_changes_nothing", {"-test", "m.vf"}, {}, {"gui/Viewer_english_production.b"}, "@/work", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", english, "-F", "m.vf"}},
    {"beside_the_launcher", {"m.vf"}, {}, {"gui/Viewer_english_production.b", "far/away/x"}, "@/far/away", 0, {},
     "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", "@/bin/../gui/Viewer_english_production.b",
      "-F", "m.vf"}},
    {"env_home", {"m.vf"}, {"ENV_HOME=@/home"}, {"plix/gui/Viewer_english_production.b", "home/x", "far/away/x"},
     "@/far/away", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u",
      "@/home/../plix/gui/Viewer_english_production.b", "-F", "m.vf"}},
    {"env_home_test_layout", {"-option_test", "m.vf"}, {"ENV_HOME=@/e/home"},
     {"e/gui/Viewer_english_test.b", "e/home/x", "far/away/x"}, "@/far/away", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", "@/e/home/../gui/Viewer_english_test.b", "-F",
      "m.vf"}},
    {"plix_acn", {"m.vf"}, {"PLIX_ACN=@/acn"}, {"acn/gui/Viewer_english_production.b", "far/away/x"},
     "@/far/away", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", "@/acn/gui/Viewer_english_production.b", "-F",
      "m.vf"}},
    {"plix_acn_test_layout", {"-option_test", "m.vf"}, {"PLIX_ACN=@/p/acn"},
     {"p/gui/Viewer_english_test.b", "p/acn/x", "far/away/x"}, "@/far/away", 0, {}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", "@/p/acn/../gui/Viewer_english_test.b", "-F",
      "m.vf"}},
    {"verbose", {"-v", "m.vf"}, {}, {"gui/Viewer_english_production.b"}, "@/work", 0,
     {{execute_plain.c_str(), false}, {"Process return code:\n\n0\n\n", false}}, "",
     {"@/bin/qob.exe", "-q", "-e", "", "-m", "", "-C", "#", "-u", english, "-F", "m.vf"}},
    {"env_home_without_binary", {"m.vf"}, {"ENV_HOME=@/home"}, {"home/x", "far/away/x"}, "@/far/away", -1,
     {{"\nCannot find yarl binary!\n\n", true}}, "", {}},
    {"option_test_needs_test_binary", {"-option_test", "m.vf"}, {}, {"gui/Viewer_english_production.b"},
     "@/work", -1, {{"\nCannot find yarl binary!\n\n", true}}, "", {}},
    {"bad_language", {"-ul", "spanish", "m.vf"}, {}, {}, "@/work", -1,
     {{"Invalid parameter for argument -ul:\nspanish\n\n", true, true}}, "", {}},
    {"option_without_value", {"m.vf", "-ul"}, {}, {}, "@/work", -1, {{"Invalid argument:\n-ul\n\n", true, true}},
     "", {}},
    {"two_files", {"a.vf", "b.vf"}, {}, {}, "@/work", -1, {{"Invalid argument:\nb.vf\n\n", true, true}}, "", {}},
    {"unknown_option", {"-x", "a.vf"}, {}, {}, "@/work", -1, {{"Invalid argument:\n-x\n\n", true, true}}, "", {}},
    {"missing_server", {"-um", "@/nothing.exe", "a.vf"}, {}, {}, "@/work", -1,
     {{"Cannot find QOBS:\n@/nothing.exe\n\n", true}}, "", {}},
    {"server_that_cannot_run", {"-v", "-um", "@/bin/plain.exe", "a.vf"}, {},
     {"bin/plain.exe", "gui/Viewer_english_production.b"}, "@/work", -2,
     {{"Execute:\n\n\"@/bin/plain.exe\" -q -e", false}, {"Process return code:\n\n-2\n\n", false}},
     "Error in CreateProcess: \"@/bin/plain.exe\" -q -e \"\" -m \"\" -C \"#\" -u \"", {}},
};

class LaunchTable : public testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchTable, GivesStatusBoxesAndServerArguments) {
  const LaunchCase& c = GetParam();
  LauncherTree tree;
  for (const std::string& f : c.files) make_file(tree.dir.file(f));
  InProcessRun r = run_in_process(tree, c.args, c.env, c.cwd);
  EXPECT_EQ(r.status, c.status);
  ASSERT_EQ(boxes.size(), c.boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) {
    const expected_box& e = c.boxes[i];
    std::string text = tree.at(e.text);
    EXPECT_EQ(boxes[i].title, "Vorq Viewer");
    EXPECT_EQ(boxes[i].type, UINT(MB_OK | (e.error ? MB_ICONERROR : MB_ICONINFORMATION))) << i;
    if (e.usage) {
      EXPECT_EQ(boxes[i].text.rfind(text + "\nVorq Viewer v1.0.2", 0), 0u) << boxes[i].text;
      EXPECT_TRUE(boxes[i].text.ends_with(std::string("\n\n") + usage_tail)) << boxes[i].text;
    } else if (text.ends_with("\n\n")) {
      EXPECT_EQ(boxes[i].text, text);
    } else {
      EXPECT_EQ(boxes[i].text.rfind(text, 0), 0u) << boxes[i].text;
    }
  }
  if (c.error_output[0] != '\0') {
    EXPECT_EQ(r.err.rfind(tree.at(c.error_output), 0), 0u) << r.err;
  } else {
    EXPECT_EQ(r.err, "");
  }
  if (!c.argv.empty()) {
    std::vector<std::string> expected;
    for (const std::string& a : c.argv) expected.push_back(tree.at(a));
    EXPECT_EQ(tree.server_arguments(), lines(expected));
  } else {
    EXPECT_FALSE(tree.server_started(0.3));
  }
}

INSTANTIATE_TEST_SUITE_P(Viewer, LaunchTable, testing::ValuesIn(launch_cases),
                         [](const testing::TestParamInfo<LaunchCase>& i) { return std::string(i.param.name); });

// The line the server gets is the one the "-v" box shows, quotes and all, and
// the log file is named after the system's temporary path as it gives it.
TEST(Viewer, TheServerGetsTheLineShownAndItsOutputGoesToTheLog) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  InProcessRun r = run_in_process(tree, {"-v", "-g", "500x400", "my model.vf"}, {}, "@/work");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(boxes.size(), 2u);
  ASSERT_TRUE(tree.server_started());
  std::string line = tree.at(
      "\"@/bin/qob.exe\" -q -g 500x400 -e \"\" -m \"\" -C \"#\" -u \"../gui/Viewer_english_production.b\" -F "
      "\"my model.vf\"");
  EXPECT_EQ(boxes[0].text, "Execute:\n\n" + line + "\n\n");
  EXPECT_EQ(read_file(tree.dir.file("command")), line);
  std::string log;
  wait_for([&] { return (log = read_file(tree.system_temp() + "vorqviewer.log")) == "standing-in\non-error\n"; });
  EXPECT_EQ(log, "standing-in\non-error\n");
}

// The launcher's folder from argument 0 as started: either slash, drives and
// shares; never a trailing separator, since "/" and a name follow it.
TEST(Viewer, LauncherDirectoryFromArgumentZero) {
  const struct {
    const char* argument0;
    const char* directory;
  } cases[] = {
      {"viewer.exe", "./"},
      {"C:viewer.exe", "C:."},
      {"C:\\viewer.exe", "C:"},
      {"C:\\Program Files\\Vorq\\\\viewer.exe", "C:\\Program Files\\Vorq"},
      {"bin/viewer.exe", "bin"},
      {"..\\bin/viewer.exe", "..\\bin"},
      {"\\\\host\\share\\viewer.exe", "\\\\host\\share"},
      {"\\viewer.exe", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(launcher_directory(c.argument0), c.directory) << c.argument0;
}

// viewer.exe ends while the server runs on, detached: no console, no input,
// none of the launcher's handles (the runner's pipes would stay open).
TEST(ViewerProgram, ReturnsWhileTheServerRunsDetached) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  // The runner reads the launcher's output until every holder has closed it.
  std::chrono::steady_clock::time_point ended;
  RunResult r = tree.run({"m.vf"}, {}, "@/work", [&](long pid) {
    HANDLE launcher = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    WaitForSingleObject(launcher, 30000);
    CloseHandle(launcher);
    ended = std::chrono::steady_clock::now();
  });
  EXPECT_LT(std::chrono::steady_clock::now() - ended, std::chrono::seconds(5)) << "the server holds its output";
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(tree.server_arguments(),
            lines({tree.at("@/bin/qob.exe"), "-q", "-e", "", "-m", "", "-C", tree.at("#"), "-u", english, "-F",
                   "m.vf"}));
  DWORD pid = DWORD(std::stoul(read_file(tree.dir.file("pid"))));
  HANDLE server = OpenProcess(SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(WaitForSingleObject(server, 0), DWORD(WAIT_TIMEOUT)) << "the server should still run";
  CloseHandle(server);
  EXPECT_EQ(read_file(tree.dir.file("given")), "console no\ninput none\n");
  std::string log;
  wait_for([&] { return (log = read_file(tree.dir.file("tmp/vorqviewer.log"))) == "standing-in\non-error\n"; });
  EXPECT_EQ(log, "standing-in\non-error\n");
}

TEST(ViewerProgram, FindsTheServerThroughThePathWhenNoneIsBeside) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  fs::create_directories(tree.dir.file("path"));
  fs::rename(tree.dir.file("bin/qob.exe"), tree.dir.file("path/qob.exe"));
  const char* path = getenv("PATH");
  RunResult r = tree.run({"m.vf"}, {"PATH=@/path;" + std::string(path != nullptr ? path : "")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(tree.server_arguments().rfind(lines({"qob.exe", "-q"}), 0), 0u) << tree.server_arguments();
}

// The failed starts: a folder in the log's place gives -98, a temporary path
// longer than the system allows -99, a file that is no program -2 with the
// reason on standard error.
struct StartFailure {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> env;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  int status;
  const char* error_output;
};

const StartFailure start_failures[] = {
    {"log_place_taken", {"m.vf"}, {}, {"gui/Viewer_english_production.b"}, {"tmp/vorqviewer.log"}, -98, ""},
    {"log_folder_missing", {"m.vf"}, {"TMP=@/none", "TEMP=@/none"}, {"gui/Viewer_english_production.b"}, {}, -98,
     ""},
    {"temporary_path_too_long", {"m.vf"}, {"TMP=@/" + std::string(300, 't'), "TEMP=@/" + std::string(300, 't')},
     {"gui/Viewer_english_production.b"}, {}, -99, ""},
    {"server_that_cannot_run", {"-um", "@/bin/plain.exe", "m.vf"}, {},
     {"gui/Viewer_english_production.b", "bin/plain.exe"}, {}, -2, "Error in CreateProcess: \"@/bin/plain.exe\" -q"},
};

class StartFailures : public testing::TestWithParam<StartFailure> {};

TEST_P(StartFailures, GiveTheirStatusAndStartNothing) {
  const StartFailure& c = GetParam();
  LauncherTree tree;
  for (const std::string& f : c.files) make_file(tree.dir.file(f));
  for (const std::string& f : c.folders) fs::create_directories(tree.dir.file(f));
  RunResult r = tree.run(c.args, c.env);
  EXPECT_EQ(r.exit_code, c.status) << r.err;
  EXPECT_EQ(r.err.rfind(tree.at(c.error_output), 0), 0u) << r.err;
  if (c.error_output[0] != '\0') {
    EXPECT_TRUE(r.err.ends_with("\n")) << r.err;
  }
  EXPECT_FALSE(tree.server_started(0.3));
}

INSTANTIATE_TEST_SUITE_P(ViewerProgram, StartFailures, testing::ValuesIn(start_failures),
                         [](const testing::TestParamInfo<StartFailure>& i) { return std::string(i.param.name); });

}  // namespace
