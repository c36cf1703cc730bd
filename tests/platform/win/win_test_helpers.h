// What the Windows platform tests share beside the portable pipe helpers:
// the child tool's command line and a process started behind forkexec's back.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "tests/platform/posix_test_helpers.h"

// The child tool beside this test program, quoted, with its arguments.
inline std::string child_tool(const std::string& arguments) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  folder.erase(folder.find_last_of("\\/") + 1);
  std::string line = "\"";
  line.append(folder).append("child_tool.exe\" ").append(arguments);
  return line;
}

// A process that forkexec did not start: not the server's child.
class foreign_process {
 public:
  explicit foreign_process(const std::string& arguments) {
    std::string line = child_tool(arguments);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      pid_ = pid_t(pi.dwProcessId);
    }
  }
  ~foreign_process() {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  foreign_process(const foreign_process&) = delete;
  foreign_process& operator=(const foreign_process&) = delete;
  pid_t pid() const { return pid_; }
  bool running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

 private:
  HANDLE process_ = nullptr;
  pid_t pid_ = 0;
};
