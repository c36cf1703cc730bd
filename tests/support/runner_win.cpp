// The Win32 half of the runner: the program started by CreateProcess on three
// pipes, its output read by two threads while the input is written.
#include "tests/support/runner.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#ifndef QOB_PROGRAM
#define QOB_PROGRAM "qob.exe"
#endif
#ifndef OWN_XVFB
#define OWN_XVFB "own_xvfb.sh"
#endif

namespace {

// One word of a command line as the C runtime splits it again: quoted, with
// backslashes doubled before a quote.
void append_quoted(std::string& line, const std::string& word) {
  if (!line.empty()) line += ' ';
  line += '"';
  size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  line += '"';
}

// The environment block: the given entries, then those of the test run that
// a Windows program or the display needs, unless given.
std::string environment_block(const std::vector<std::string>& given) {
  std::vector<std::string> env = given;
  for (const char* name : {"SYSTEMROOT", "WINDIR", "PATH", "TEMP", "TMP", "USERPROFILE", "COMSPEC", "DISPLAY",
                           "LIBGL_ALWAYS_SOFTWARE"}) {
    std::string prefix = std::string(name) + "=";
    bool set = false;
    for (const std::string& e : env) set = set || _strnicmp(e.c_str(), prefix.c_str(), prefix.size()) == 0;
    if (const char* v = getenv(name); v != nullptr && !set) env.push_back(prefix + v);
  }
  std::string block;
  for (const std::string& e : env) block.append(e).push_back('\0');
  block.push_back('\0');
  return block;
}

// A pipe whose `child_end` (0 read, 1 write) the child inherits.
bool make_pipe(HANDLE ends[2], int child_end) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  if (!CreatePipe(&ends[0], &ends[1], &sa, 65536)) return false;
  SetHandleInformation(ends[1 - child_end], HANDLE_FLAG_INHERIT, 0);
  return true;
}

struct reader {
  HANDLE pipe;
  std::string* into;
};

DWORD WINAPI read_all(void* argument) {
  reader& r = *static_cast<reader*>(argument);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(r.pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) r.into->append(buffer, got);
  return 0;
}

// An Xvfb of the run's own, through a Linux script that wine runs: it writes
// the display's number to a file of /tmp, and removing the file stops it.
class OwnXvfb {
 public:
  OwnXvfb() {
    static int made = 0;
    std::string file = "/tmp/qob_own_xvfb_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made);
    path_ = "Z:" + file;
    DeleteFileA(path_.c_str());
    std::string line;
    append_quoted(line, "/bin/sh");
    append_quoted(line, OWN_XVFB);
    append_quoted(line, file);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 300 && name_.empty(); ++i) {  // 30 s
      Sleep(100);
      std::string number = read_file(path_);
      if (!number.empty() && number.back() == '\n') {
        number.pop_back();
        name_ = std::string(":").append(number);  // no literal + temporary: g++ 12's false -Wrestrict
      }
    }
  }
  ~OwnXvfb() { DeleteFileA(path_.c_str()); }
  OwnXvfb(const OwnXvfb&) = delete;
  OwnXvfb& operator=(const OwnXvfb&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string path_;
  std::string name_;
};

}  // namespace

RunResult run_program(const RunOptions& options) {
  RunResult result;
  std::vector<std::string> given = options.env;
  std::optional<OwnXvfb> x;
  if (options.own_display) {
    x.emplace();
    if (x->name().empty()) return result;
    given.push_back("DISPLAY=" + x->name());
  }
  std::string program = options.program.empty() ? QOB_PROGRAM : options.program;
  std::string line;
  append_quoted(line, program);
  for (const std::string& a : options.args) append_quoted(line, a);
  std::string env = environment_block(given);

  HANDLE in[2], out[2], err[2];
  if (!make_pipe(in, 0)) return result;
  if (!make_pipe(out, 1) || !make_pipe(err, 1)) {
    CloseHandle(in[0]), CloseHandle(in[1]);
    return result;
  }
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in[0];
  si.hStdOutput = out[1];
  si.hStdError = err[1];
  PROCESS_INFORMATION pi{};
  BOOL made = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, env.data(),
                             options.directory.empty() ? nullptr : options.directory.c_str(), &si, &pi);
  CloseHandle(in[0]);
  CloseHandle(out[1]);
  CloseHandle(err[1]);
  if (!made) {
    result.err = "CreateProcess of " + program + " failed: error " + std::to_string(GetLastError()) + "\n";
    CloseHandle(in[1]), CloseHandle(out[0]), CloseHandle(err[0]);
    return result;
  }
  CloseHandle(pi.hThread);
  reader readers[2] = {{out[0], &result.out}, {err[0], &result.err}};
  HANDLE threads[2] = {CreateThread(nullptr, 0, read_all, &readers[0], 0, nullptr),
                       CreateThread(nullptr, 0, read_all, &readers[1], 0, nullptr)};
  std::thread watcher;
  if (options.while_running) watcher = std::thread(options.while_running, long(pi.dwProcessId));
  DWORD written = 0;
  if (!options.input.empty()) WriteFile(in[1], options.input.data(), DWORD(options.input.size()), &written, nullptr);
  CloseHandle(in[1]);

  DWORD waited = WaitForSingleObject(pi.hProcess, DWORD(options.timeout_seconds * 1000));
  if (waited != WAIT_OBJECT_0) {
    result.timed_out = true;
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  if (watcher.joinable()) watcher.join();
  DWORD code = 0;
  if (!result.timed_out && GetExitCodeProcess(pi.hProcess, &code)) result.exit_code = int(code);
  CloseHandle(pi.hProcess);
  // Children of the program may still hold its output: their time is bounded too.
  if (WaitForMultipleObjects(2, threads, TRUE, 10000) != WAIT_OBJECT_0)
    for (HANDLE t : threads) CancelSynchronousIo(t);
  WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  for (HANDLE t : threads) CloseHandle(t);
  CloseHandle(out[0]);
  CloseHandle(err[0]);
  return result;
}

bool stop_program(long pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
  if (process == nullptr) return false;
  bool stopped = TerminateProcess(process, 1);
  CloseHandle(process);
  return stopped;
}
