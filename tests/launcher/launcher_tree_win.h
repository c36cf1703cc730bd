// The launcher under wine: a tree holding a copy of the built viewer.exe
// beside a stand-in server, and helpers to find the windows a process shows.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/runner.h"

namespace launcher_test {

namespace fs = std::filesystem;

inline std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

inline void make_file(const std::string& path, const std::string& contents = "") {
  fs::create_directories(fs::path(path).parent_path());
  write_file(path, contents);
}

// Waits up to `seconds` for `done`; true when it came.
template <typename Condition>
bool wait_for(Condition done, double seconds = 10) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// bin/viewer.exe, bin/qob.exe (the stand-in), work/ and tmp/.
class LauncherTree {
 public:
  LauncherTree() {
    fs::create_directories(dir.file("bin"));
    fs::copy_file(VIEWER_PROGRAM, dir.file("bin/viewer.exe"));
    fs::copy_file(STAND_IN, dir.file("bin/qob.exe"));
    fs::create_directories(dir.file("work"));
    fs::create_directories(dir.file("tmp"));
  }
  ~LauncherTree() {
    std::string pid = read_file(dir.file("pid"));
    if (pid.empty()) return;
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, DWORD(std::stoul(pid)))) {
      TerminateProcess(h, 0);
      WaitForSingleObject(h, 5000);
      CloseHandle(h);
    }
  }
  LauncherTree(const LauncherTree&) = delete;
  LauncherTree& operator=(const LauncherTree&) = delete;

  // The temporary folder as the system gives it for TMP=@/tmp: a full path
  // with a final backslash.
  std::string system_temp() const {
    char full[MAX_PATH] = "";
    GetFullPathNameA(dir.file("tmp").c_str(), sizeof full, full, nullptr);
    return std::string(full) + "\\";
  }
  // "@" in a text stands for the tree's path, "#" for the temporary folder
  // as the server gets it (the final backslash a "/").
  std::string at(const std::string& s) const {
    std::string server_temp = system_temp();
    server_temp.back() = '/';
    return replace_all(replace_all(s, "@", dir.path()), "#", server_temp);
  }

  // viewer.exe as a process, TMP and TEMP in the tree unless the case gives them.
  RunResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                const std::string& cwd = "@/work", const std::function<void(long)>& while_running = {}) {
    RunOptions o;
    o.program = dir.file("bin/viewer.exe");
    for (const std::string& a : args) o.args.push_back(at(a));
    for (const std::string& e : env) o.env.push_back(at(e));
    for (const char* name : {"TMP=", "TEMP="}) {
      bool given = false;
      for (const std::string& e : env) given = given || e.rfind(name, 0) == 0;
      if (!given) o.env.push_back(name + dir.file("tmp"));
    }
    o.directory = at(cwd);
    o.timeout_seconds = 30;
    o.while_running = while_running;
    return run_program(o);
  }

  bool server_started(double seconds = 5) const {
    return wait_for([&] { return fs::exists(dir.file("args")); }, seconds);
  }
  // The stand-in's argument lines, once it has written them.
  std::string server_arguments() const {
    server_started();
    return read_file(dir.file("args"));
  }

  TempDir dir;
};

inline std::string lines(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) s += "[" + w + "]\n";
  return s;
}

// The visible top-level window of process `pid` with this title, or null.
inline HWND window_of(long pid, const char* title) {
  struct search {
    DWORD pid;
    const char* title;
    HWND found;
  } s{DWORD(pid), title, nullptr};
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        search& s = *reinterpret_cast<search*>(l);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        char text[256] = "";
        GetWindowTextA(w, text, sizeof text);
        if (owner != s.pid || !IsWindowVisible(w) || std::string(text) != s.title) return TRUE;
        s.found = w;
        return FALSE;
      },
      LPARAM(&s));
  return s.found;
}

inline HWND wait_for_window(long pid, const char* title, double seconds = 20) {
  HWND w = nullptr;
  wait_for([&] { return (w = window_of(pid, title)) != nullptr; }, seconds);
  return w;
}

}  // namespace launcher_test
