#include "base/internal_error.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>


static const char* const VERSION = "11.1596 2003/08/06.";
static const char* const DEVELOPERS = "qobs-development@localhost";

static const char* default_program_name() { return "qob"; }
static bool no_core() { return false; }
static const char* no_mail() { return nullptr; }
static internal_error_hooks hooks = {default_program_name, nullptr, no_core, no_mail};

void set_internal_error_hooks(const internal_error_hooks& given) { hooks = given; }

// Everything goes out through unbuffered descriptor writes, so that the
// report also works after a fault.
static void out(int fd, const char* text) {
  size_t left = strlen(text);
  while (left > 0) {
    ssize_t done = write(fd, text, left);
    if (done <= 0) return;
    text += done;
    left -= size_t(done);
  }
}

static void out_number(int fd, long number) {
  char digits[24];
  snprintf(digits, sizeof digits, "%ld", number);
  out(fd, digits);
}

#ifdef _WIN32
// No debugger to attach here: the dump goes without a backtrace.
static void run_debugger(int, const char*) {}

// The dump lies in the user's temporary folder; binary, so its lines end in LF.
static void dump_file_name(char* name, size_t size) {
  const char* folder = getenv("TEMP");
  if (folder == nullptr || folder[0] == '\0') folder = getenv("TMP");
  if (folder == nullptr || folder[0] == '\0') folder = ".";
  snprintf(name, size, "%s\\qobs_dump_%u", folder, unsigned(getpid()));
}
static int open_dump(const char* name) { return open(name, O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0600); }
#else
// Quotes a word for the shell: 'it'\''s'.
static std::string shell_quote(const char* word) {
  std::string quoted = "'";
  for (const char* c = word; *c; ++c) quoted += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
  return quoted + "'";
}

// Appends a backtrace of this process to the open dump file. The debugger
// writes to the descriptor, never to the name, which may have been replaced.
// It must be allowed to attach: restricted ptrace only lets ancestors trace.
static void run_debugger(int dump_fd, const char* prog_name) {
  static const char* const DEBUGGER = "/usr/bin/gdb";
  if (access(DEBUGGER, X_OK) != 0) return;
  prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
  std::string command = std::string("timeout 60 ") + DEBUGGER +
                        " -nx --batch -ex 'backtrace full' -ex quit " + shell_quote(prog_name) + " " +
                        std::to_string(getpid()) + " 1>&" + std::to_string(dump_fd) + " 2>&1 </dev/null";
  int status = system(command.c_str());
  (void)status;  // a debugger that fails leaves the dump without a backtrace
}

static void dump_file_name(char* name, size_t size) {
  snprintf(name, size, "/tmp/qobs_dump_%u", unsigned(getpid()));
}
// Truncated, never through a link, readable by the user only.
static int open_dump(const char* name) { return open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600); }
#endif

void internal_error(int number, const char* module) {
  const char* prog_name = hooks.program_name();
  signal(SIGSEGV, SIG_DFL);
  out(2, "\nSorry, a QOBS internal error has occured in ");
  out(2, prog_name);
  out(2, ".\n");
  out(2, "Please report the following information to Vorq Technologies QOBS development:\n");
  out(2, "1) a precise description of what you did before you got this message.\n");
  out(2, "2) QOBS version:               11.1596 2003/08/06.\n");
  if (module != nullptr) {
    out(2, "3) QOBS software module name: ");
    out(2, module);
    out(2, ".\n4) line number in that module: ");
  } else {
    out(2, "3) System error signal caught: ");
  }
  out_number(2, number);
  out(2, ".\n");

  char dump_name[300];
  dump_file_name(dump_name, sizeof dump_name);
  // Left open for the debugger, which appends its backtrace.
  int fd = open_dump(dump_name);
  if (fd < 0) {
    out(2, "Unable to create error information file ");
    out(2, dump_name);
    out(2, ".\n");
  } else if (module == nullptr) {
    out(fd, "QOBS ");
    out(fd, VERSION);
    out(fd, " signal ");
    out_number(fd, number);
    out(fd, ".\n");
  } else {
    out(fd, "QOBS ");
    out(fd, VERSION);
    out(fd, " internal error at line ");
    out_number(fd, number);
    out(fd, " of ");
    out(fd, module);
    out(fd, ".\n");
    if (hooks.write_details != nullptr) hooks.write_details(fd);
    out(fd, "Not debug version. debugger output may be meaningless.\n");
    out(2, "Please use the QOBS debug-version (if available) and reproduce this problem.\n");
    out(2, "Error information on file ");
    out(2, dump_name);
    out(2, ".\n");
  }
  // The backtrace is for those who get the dump: the mail command, or the
  // developer who asked for a core file.
  const char* mail = hooks.mail_command();
  bool mailed = mail != nullptr && mail[0] != '\0';
  if (fd >= 0) {
    if (mailed || hooks.dump_core()) run_debugger(fd, prog_name);
    close(fd);
  }

  if (hooks.dump_core()) {
    out(2, prog_name);
    out(2, " will now abort with a segmentation violation to produce a core file.\n");
    raise(SIGSEGV);
  }
  if (module == nullptr) {
    out(2, "Please rerun ");
    out(2, prog_name);
    out(2, " with the -d parameter to get a core file for debugging.\n");
  }

  if (mailed) {
    std::string command = std::string(mail) + " < " + dump_name;
    out(2, "Executing '");
    out(2, command.c_str());
    out(2, "'.\n");
    int status = system(command.c_str());
    (void)status;
  } else {
    out(2, "*** Warning - automatic E-Mail suppressed.\n");
    out(2, "    Please inform Vorq Technologies QOBS development (");
    out(2, DEVELOPERS);
    out(2, ") manually.\n");
  }
  _exit(1);
}
