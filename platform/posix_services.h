// POSIX services of the server: pipe reads and the one wait over pipes, the
// partner socket and the X connections; child processes; signals; clocks.
//
// Everything runs on the main thread. Over POSIX nothing here starts a
// thread; over Win32 each pipe being read has one reader thread, which only
// fills its own slot. Before anything else the server calls
// preset_posix_services().
#pragma once

#include <sys/select.h>
#include <sys/time.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// Ignores SIGPIPE process-wide, so a write to a closed pipe fails with EPIPE,
// and has the heap keep freed blocks (up to 32 MB each) for reuse. On Windows:
// binary files and standard streams, and Winsock started.
void preset_posix_services();

// Asks that a heap block of many megabytes, about to be written in full, be
// backed by large pages where the system offers them: it then faults in in
// hundreds of steps rather than hundreds of thousands. Smaller blocks, and
// systems without the hint, are left as they are.
void advise_large_block(void* block, size_t size);

// --- Pipes ---------------------------------------------------------------
// Descriptors 0 to FD_SETSIZE - 1 have a read slot. A slot is idle until
// begin_read, pending while reads are expected, and settled once a read
// returned 0 (end of file) or -1 (error); it stays settled until begin_read.

// Starts reading fd: no read happens until read_pipe, which reads up to
// `size` bytes (at most 1 MB at a time). Descriptors out of range are ignored.
void begin_read(int fd, int size);

// Ends the reading of fd before it is closed: a read under way is cancelled;
// the slot is idle again. Over Win32 a descriptor being read must be ended
// so before its close, or a read still waiting might take the bytes of a
// later pipe that gets the same handle.
void end_read(int fd);

// True when read_pipe would not block: bytes or end of file or an error are
// waiting, or the slot is idle or settled, or fd is out of range.
bool read_complete(int fd);

// Reads what is waiting into dst, never more than `size` nor the size given
// to begin_read; when bytes came, the next read is started with `size`.
// One system call takes all that the pipe holds (up to 64 KB); later calls
// are served from those bytes, and nt_select counts the pipe ready meanwhile.
// Once nt_select or read_complete saw the pipe ready, it is not asked again.
// Returns the byte count, 0 at end of file (also for an idle slot) or -1 on
// an error (also for fd out of range or size < 1). A settled slot returns its
// result again without a system call. Called while nothing is waiting, it
// prints the internal error message and exits with status 1.
int read_pipe(int fd, char* dst, int size);

// --- The wait ------------------------------------------------------------
// The partner socket is asked of get_socket at every nt_select (negative:
// none); a null source means none.
void set_socket_source(int (*get_socket)());

// An X connection (at most two): nt_select counts fd ready when pending(ctx)
// says events are queued, and wakes when fd has input. With `queued` (events
// already queued in this process, found without I/O), the POSIX wait asks
// pending only when fd is readable or queued(ctx) says so: the caller asks
// pending itself (which also sends what is buffered) after its last requests
// and before the wait. False when both places are taken or fd is out of
// range; registering an fd again replaces it.
bool register_display_connection(int fd, bool (*pending)(void* ctx), void* ctx,
                                 bool (*queued)(void* ctx) = nullptr);
void unregister_display_connection(int fd);

// Tests the descriptors 0 to n-1 of `read`, waiting in steps of at most 10 ms
// until one is ready or the time-out is spent (null: no limit; zero: one
// scan). A display is ready when its pending callback says so, the partner
// socket when it is readable, any other descriptor when read_complete says
// so. Idle and settled slots have nothing new: they are counted ready but do
// not end the wait early, so a pipe at end of file is not waited on and never
// makes the caller spin. Rewrites `read` to the ready descriptors and returns
// their count; never fails. The write and exception sets are not used.
int nt_select(int n, fd_set* read, fd_set* write_unused, fd_set* except_unused,
              timeval* timeout);

// --- Processes -----------------------------------------------------------
// Starts `command`, split into words at blanks (no shell; '...' is literal,
// "..." takes \" and \\, a backslash outside quotes takes the next character
// as it is), the program found through PATH unless the word holds a '/'. The
// child's standard input is `in`, its standard output `out` (/dev/null when
// negative), its standard error the server's; it runs in a session of its own
// with default signal handling and no other descriptor of the server. `in` and
// `out` are closed in the server in every case.
// Returns the child's process id and sets errno to 0. On failure (also when
// exec fails in the child) sets errno to EACCES (13), ENOEXEC (8) or ENOENT (2)
// for any other cause, writes "%s\n%s" (command, the system's text for the
// error) to standard error and returns -1.
pid_t forkexec(const char* command, int in, int out);

// True while the process exists and has not ended. A child that has ended is
// reaped here, so it leaves no zombie. pid <= 0 is never probed: false.
bool process_alive(pid_t pid);

// Sends signal `sig` (a system number or a pseudo number below) to pid; 0 probes
// as process_alive does. Returns 0 on success, -1 on failure, for pid <= 0
// (never signalled) and for a number with no signal here.
int end_process(pid_t pid, int sig);

// Writes all n bytes, retrying short writes and EINTR. Returns n, or -1 with
// errno set by the failing write (EPIPE when the reader has gone).
ssize_t write_all(int fd, const void* buf, size_t n);

// --- Signals -------------------------------------------------------------
// The server names some signals by pseudo numbers.
enum pseudo_signal : int {
  PSIG_ERROR_1 = 9990,    // SIGBUS: gets the crash handler
  PSIG_ERROR_2 = 9991,    // SIGSYS: gets the crash handler
  PSIG_ALARM = 9992,      // kept only; no timer ever raises it
  PSIG_KILL = 9993,       // SIGKILL: the last round of ending a process
  PSIG_IGNORED_1 = 9994,  // SIGPIPE: a dead child's pipe must not end the server
  PSIG_IGNORED_2 = 9995,  // SIGHUP: the server outlives the terminal it came from
};

using signal_handler = void (*)(int);

// Handler values besides functions.
inline const signal_handler SIGNAL_DEFAULT = nullptr;
inline const signal_handler SIGNAL_IGNORE = reinterpret_cast<signal_handler>(1);

// Installs `handler` for a system signal number or a pseudo number. For
// PSIG_ALARM the handler is only kept. Returns sig, or -1 when the number has
// no signal here or the system refuses it (SIGKILL).
int signal_wrapper(int sig, signal_handler handler);

// --- Clocks --------------------------------------------------------------
// Monotonic time in ticks of 1/100 s; compare ticks by difference.
int64_t ticks();

struct cpu_ticks {
  int64_t user;
  int64_t system;
};

// Processor time of the server itself (not its children) in ticks of 1/100 s.
cpu_ticks process_cpu_ticks();
