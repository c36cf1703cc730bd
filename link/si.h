// The system interface: the application processes with their pipes, and
// refill_host_input, the one place where the server waits.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int N_PROCESS_SLOTS = 21;    // slots 0 to 20
constexpr int SHARED_STDIO_PROCESS = 21;  // shares the server's own standard streams
constexpr int HOST_INPUT_SIZE = 8193;  // bytes one refill delivers at most

// The parser's input buffer: start, one past the last valid byte, read position.
struct buf_ptrs {
  unsigned char* start;
  unsigned char* end;
  unsigned char* pos;
};

// Waits until bytes of an application process arrive, serving repaints,
// window updates, events, the partner and the idle tasks meanwhile. Fills the
// buffer (which must hold HOST_INPUT_SIZE + 1 bytes) with up to
// HOST_INPUT_SIZE bytes, stores a NUL behind them, sets end and returns start.
//
// Returns null instead when the process being read ended inside a command
// (process switching forbidden): an application error has been reported, the
// buffer is empty (end = start), switching is allowed again, and the caller
// must abandon the partial command and go on at top level; the next refill
// reads the next process.
unsigned char* refill_host_input(buf_ptrs* hi);

// Starts `command` as application process n (0 to 20, or 21); returns the
// process id, or 0 when nothing was started.
int start_process(int n, const char* command);
// Writes all bytes to process n; an ended process frees its slot with a warning.
void write_to_process(unsigned char n, const char* data, unsigned long length);
// False when the signal could not be sent; the slot of that process id is then freed.
bool send_signal(int pid, int signal);
// A buffered output stream on a duplicate of the descriptor to process n, or
// null when the slot is not active; the caller closes it.
FILE* open_process_stream(unsigned long n);
bool get_process_active(unsigned long n);
void clear_process_active(unsigned long n);
// Ends all application processes (at shut-down, from halt).
void kill_all_subprocesses();

// Repaint requests: flags only; the wait loop repaints on a quiet pass.
void set_repaint(bool depth);
void clear_repaint();
// True while a repaint of the graphics window is due.
bool repaint_requested();
// True while the repaint due also updates the views' depth.
bool depth_repaint_requested();
// Drops every request, the depth update's too.
void clear_repaint_requests();
void set_gui3d_update();
void set_overlay_line_update();
void set_geometry_update_mode(bool on);
// False inside a command or a vector or marker run: only the current process is read.
void set_process_switch(bool ok);

// The pointer entered (text) or left (null) an item with balloon help.
void set_help_text(const char* text);

// The abort tests handed to repaint_screen.
bool never_abort_repaint();
bool abort_repaint();

void draw_overlay_lines();
void update_overlay_lines();
void save_overlay_lines();

// Rings the bell of the UI display.
void ring_bell();

// Seconds since start-up, and the process's user and system seconds, for
// the timing messages.
double seconds_since_start();

void preset_system_interface();
void cleanup_system_interface();

// State for tests and the parser's reports.
int get_current_process();
int get_processes_active();
