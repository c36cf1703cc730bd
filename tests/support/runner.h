// Starts the real server on a fixture and captures what it does.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct RunResult {
  std::string out;
  std::string err;
  int exit_code = -1;  // -1 when ended by a signal or timed out
  int signal = 0;      // the ending signal, 0 when it exited
  bool timed_out = false;
};

struct RunOptions {
  std::vector<std::string> args;  // after the program name
  std::vector<std::string> env;   // NAME=value; the parent's environment is not passed
  std::string directory;          // working directory; empty: the current one
  std::string program;            // empty: the built qob
  std::string input;              // written to its standard input, then closed
  double timeout_seconds = 30;
  // On an X server of the run's own: the windows that the server shows
  // (a graphics window as large as the screen) cover nothing of other tests.
  bool own_display = false;
  // Called with the program's process id on a thread of its own while the
  // program runs and its output is read; the run ends when both have ended.
  std::function<void(long pid)> while_running;
};

RunResult run_program(const RunOptions& options);

// Ends the running program of that process id (a while_running argument) at
// once, as SIGKILL does; false when it had ended.
bool stop_program(long pid);

// A fresh directory in the temporary folder, removed with its contents at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  bool made_ = false;  // false: path_ is the temporary folder itself, kept
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
