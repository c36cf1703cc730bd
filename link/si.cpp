#include "link/si.h"

#include <sys/select.h>

#include <GL/gl.h>

#include <cerrno>
#include <initializer_list>
#include <csignal>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/connect.h"
#include "link/gin.h"
#include "link/graphics_input.h"
#include "link/process_input_trace.h"
#include "platform/files.h"
#include "platform/posix_services.h"
#include "runtime/application_values.h"
#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/tables.h"
#include "runtime/window_record.h"
#include "scene/materials.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_text_label.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"
#include "view/repaint.h"

namespace {

struct process_slot {
  bool active;
  pid_t pid;
  int to_child;    // the server writes the child's standard input here
  int from_child;  // the child's standard output; -1 once at end of file
};

constexpr int PIPE_BYTES = 65536;
constexpr int MAX_SELECTED = 64;
constexpr int64_t GEOMETRY_UPDATE_DELAY = 100;  // ticks
constexpr int64_t SLOW_REPAINT = 50;            // ticks
constexpr int64_t HQ_REPAINT_DELAY = 4;         // ticks
constexpr int N_TIMERS = 10;
constexpr uint32_t TIMER_PERIOD = 40;  // predefined 40-49: periods in ms
constexpr uint32_t TIMER_COUNT = 50;   // predefined 50-59: counts
constexpr uint32_t BALLOON_DELAY = 92;  // tenths of a second
constexpr uint32_t OVERLAY_LINES = 101;
constexpr uint32_t TEXTURE_NOT_FOUND = 105;

// Flags of the graphics window's identifier, as its first 32 bits read.
constexpr uint32_t ID_VISIBLE = 0x2000;
constexpr uint32_t ID_DISPLAYED = 0x200000;
constexpr uint32_t ID_GUI3D_ACTION = 0x400000;

process_slot process_stat[N_PROCESS_SLOTS];
int processes_active;
int curr_process = -1;
bool process_switch_ok = true;
bool command_abandoned;  // the current process was lost inside a command
// Children started as process 21: never read or ended by the server, only
// reaped once they have gone (pid_t records; items null until the first).
table shared_stdio_children;

bool graphics_needs_update;
bool depth_needs_update;
bool gui3d_update;
bool overlay_line_update;
bool geometry_update_mode;
int64_t last_repaint_time;
int64_t end_normal_repaint_time;

uint16_t* last_overlay_lines;
uint32_t last_num_lines;

int64_t help_start_tick;  // 0: no help pending
bool help_visible;
char* last_texture_not_found;

struct {
  int64_t start;
  cpu_ticks cpu;
} tim;

}  // namespace

// ---- Connections watched by the wait loop ---------------------------------------

static bool display_pending(void* display) { return XPending(static_cast<Display*>(display)) > 0; }
// Events Xlib has queued already, without I/O. The wait asks XPending only
// when this is true or the connection is readable: process_events asked it
// just before the wait, and nothing is sent to the X server in between.
static bool display_queued(void* display) { return XEventsQueued(static_cast<Display*>(display), QueuedAlready) > 0; }

static int ui_display_fd() {
  return AppContext != nullptr && AppContext->ui_display != nullptr ? ConnectionNumber(AppContext->ui_display) : -1;
}
// The graphics display when it is a connection of its own (option -2), else -1.
static int graphics_display_fd() {
  if (AppContext == nullptr || AppContext->graphics_display == nullptr ||
      AppContext->graphics_display == AppContext->ui_display)
    return -1;
  return ConnectionNumber(AppContext->graphics_display);
}
// The partner socket to watch: a request still arriving, else the
// connection's or the listening socket (-1 none).
static int partner_socket() {
  int request = get_request_socket();
  return request >= 0 ? request : get_socket();
}
static void display_help_window();

// ---- Graphics window ----------------------------------------------------------
// Before preset_window there is neither window nor context: nothing to swap or wait for.

static void swap_graphics_buffers() {
  if (get_graphics_context() != nullptr) swapbuffers();
}

static void finish_graphics() {
  if (get_graphics_context() != nullptr) glFinish();
}

// ---- Processes ----------------------------------------------------------------

static uint32_t id_flags(const ident_info& id) {
  return uint32_t(id.kind) | uint32_t(id.flags1) << 8 | uint32_t(id.word2) << 16;
}

static int lowest_active_slot() {
  for (int n = 0; n < N_PROCESS_SLOTS; ++n)
    if (process_stat[n].active) return n;
  return -1;
}

void clear_process_active(unsigned long n) {
  if (n >= N_PROCESS_SLOTS || !process_stat[n].active) return;
  process_slot& slot = process_stat[n];
  slot.active = false;
  close_descriptor(slot.to_child);
  close_descriptor(slot.from_child);
  slot.to_child = slot.from_child = -1;
  --processes_active;
  if (int(n) == curr_process) {
    if (!process_switch_ok) command_abandoned = true;
    process_switch_ok = true;
    curr_process = lowest_active_slot();
  }
}

bool get_process_active(unsigned long n) { return n < N_PROCESS_SLOTS && process_stat[n].active; }

static void remember_shared_stdio_child(pid_t pid) {
  table& t = shared_stdio_children;
  if (t.items == nullptr) table_create(&t, sizeof(pid_t), 4);
  if (t.length + 1 >= t.capacity) table_expand(&t, 4);
  t.as<pid_t>()[t.length++] = pid;
}

// Reaps the process-21 children that have ended, so none stays a zombie.
static void reap_shared_stdio_children() {
  table& t = shared_stdio_children;
  pid_t* pids = t.as<pid_t>();
  uint32_t kept = 0;
  for (uint32_t i = 0; i < t.length; ++i)
    if (process_alive(pids[i])) pids[kept++] = pids[i];
  for (uint32_t i = kept; i < t.length; ++i) pids[i] = 0;
  t.length = kept;
}

int start_process(int n, const char* command) {
  if (n < 0 || n > SHARED_STDIO_PROCESS || command == nullptr) return 0;
  if (n != SHARED_STDIO_PROCESS && process_stat[n].active && send_signal(process_stat[n].pid, 0))
    return 0;
  errno = 0;
  if (n == SHARED_STDIO_PROCESS) {
    int in = duplicate_descriptor(0);
    int out = duplicate_descriptor(1);
    if (in < 0 || out < 0) {
      close_descriptor(in);
      close_descriptor(out);
      return 0;
    }
    pid_t pid = forkexec(command, in, out);
    if (pid <= 0) return 0;
    remember_shared_stdio_child(pid);
    return int(pid);
  }
  int from[2], to[2];
  if (!open_pipe(from, PIPE_BYTES)) return 0;
  if (!open_pipe(to, PIPE_BYTES)) {
    close_descriptor(from[0]);
    close_descriptor(from[1]);
    return 0;
  }
  if (from[0] >= FD_SETSIZE) {  // beyond what the wait can watch
    for (int fd : {from[0], from[1], to[0], to[1]}) close_descriptor(fd);
    return 0;
  }
  pid_t pid = forkexec(command, to[0], from[1]);
  if (pid <= 0) {
    close_descriptor(from[0]);
    close_descriptor(to[1]);
    return 0;
  }
  begin_read(from[0], HOST_INPUT_SIZE);
  process_stat[n] = {true, pid, to[1], from[0]};
  ++processes_active;
  if (curr_process == -1) curr_process = n;
  return int(pid);
}

void write_to_process(unsigned char n, const char* data, unsigned long length) {
  if (!get_process_active(n)) {
    fprintf(stderr, "Warning: write attempted to inactive process %d.\n", n);
    return;
  }
  process_slot& slot = process_stat[n];
  if (write_all(slot.to_child, data, length) == ssize_t(length)) return;
  int saved = errno;
  // A child that closed its input can take nothing more: it counts as ended.
  if (saved == EPIPE || !process_alive(slot.pid)) {
    clear_process_active(n);
    display_internal_info("Warning message on stderr.", false);
    fprintf(stderr, "Warning: write attempted to inactive process %d.\n", n);
    return;
  }
  fprintf(stderr, "Error: write to file %d, process %u failed - %s.\n", slot.to_child, unsigned(n),
          strerror(saved));
  halt("I/O error");
}

bool send_signal(int pid, int signal) {
  if (end_process(pid, signal) == 0) return true;
  for (int n = 0; n < N_PROCESS_SLOTS; ++n) {
    if (process_stat[n].active && process_stat[n].pid == pid) {
      clear_process_active(n);
      break;
    }
  }
  return false;
}

FILE* open_process_stream(unsigned long n) {
  if (!get_process_active(n)) return nullptr;
  int fd = duplicate_descriptor(process_stat[n].to_child);
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, "w");
  if (stream == nullptr) close_descriptor(fd);
  return stream;
}

void kill_all_subprocesses() {
  fputc('\n', stderr);
  auto forget_ended = [] {
    for (process_slot& slot : process_stat) {
      if (slot.active && !process_alive(slot.pid)) {
        slot.active = false;
        --processes_active;
      }
    }
  };
  for (int pass = 0; pass < 3 && processes_active > 0; ++pass) {
    // Up to a second for the processes to end, looked at every 10 ms.
    for (int waited = 0; waited < 100 && processes_active > 0; ++waited) {
      forget_ended();
      if (processes_active > 0) sleep_milliseconds(10);
    }
    if (processes_active == 0) break;
    for (int n = 0; n < N_PROCESS_SLOTS; ++n) {
      process_slot& slot = process_stat[n];
      if (!slot.active) continue;
      end_process(slot.pid, pass == 0 ? SIGTERM : PSIG_KILL);
      fprintf(stderr, "%s signal sent to process %lu pid %u.\n", pass == 0 ? "Termination" : "Kill",
              static_cast<unsigned long>(n), unsigned(slot.pid));
    }
  }
  // Reap what the last kill ended, so no child outlives the server as a zombie.
  for (process_slot& slot : process_stat) {
    if (!slot.active) continue;
    for (int i = 0; i < 100 && process_alive(slot.pid); ++i) sleep_milliseconds(2);
    slot.active = false;
    --processes_active;
  }
}

int get_current_process() { return curr_process; }
int get_processes_active() { return processes_active; }

// ---- The wait -------------------------------------------------------------

// A slot whose pipe reached end of file is no longer read; its process is
// looked for here until it has gone.
static void reap_silent_processes() {
  for (int n = 0; n < N_PROCESS_SLOTS; ++n) {
    const process_slot& slot = process_stat[n];
    if (slot.active && slot.from_child < 0 && !process_alive(slot.pid)) clear_process_active(n);
  }
}

static int check_for_input(fd_set* set) {
  reap_silent_processes();
  reap_shared_stdio_children();
  FD_ZERO(set);
  int count = 0, highest = -1;
  auto add = [&](int fd) {
    if (fd < 0 || FD_ISSET(fd, set) || count >= MAX_SELECTED) return;
    FD_SET(fd, set);
    ++count;
    if (fd > highest) highest = fd;
  };
  if (!process_switch_ok) {
    if (curr_process != -1 && process_stat[curr_process].active) add(process_stat[curr_process].from_child);
  } else {
    for (const process_slot& slot : process_stat)
      if (slot.active) add(slot.from_child);
  }
  int socket = partner_socket();
  if (get_outstanding_application_values() == 0 && socket != -1) add(socket);
  add(ui_display_fd());  // user input wakes the wait at once
  add(graphics_display_fd());
  // A running replay steps on every pass instead of every 10 ms.
  timeval timeout{0, input_trace_running() ? 0 : 10000};
  return nt_select(highest + 1, set, nullptr, nullptr, &timeout);
}

// Reads slot n when its pipe is in the set. At end of file the pipe is closed:
// the slot is freed when its process has gone, else kept for writing only.
static int read_slot(int n, const fd_set* set, char* buffer) {
  process_slot& slot = process_stat[n];
  if (slot.from_child < 0 || !FD_ISSET(slot.from_child, set)) return 0;
  int got = read_pipe(slot.from_child, buffer, HOST_INPUT_SIZE);
  if (got > 0) return got;
  if (!process_alive(slot.pid)) {
    clear_process_active(n);
    return 0;
  }
  close_descriptor(slot.from_child);
  slot.from_child = -1;
  if (n == curr_process && !process_switch_ok) {
    command_abandoned = true;
    process_switch_ok = true;
  }
  return 0;
}

static int read_data(const fd_set* set, char* buffer) {
  if (processes_active == 0) internal_error(448, "si");
  int got = 0;
  if (curr_process != -1) got = read_slot(curr_process, set, buffer);
  for (int n = 0; got == 0 && process_switch_ok && n < N_PROCESS_SLOTS; ++n) {
    if (!process_stat[n].active) continue;
    curr_process = n;
    got = read_slot(n, set, buffer);
  }
  return got;
}

double seconds_since_start() { return double(ticks() - tim.start) / 100.0; }

static void print_timing(const char* what) {
  cpu_ticks cpu = process_cpu_ticks();
  fprintf(stderr, "@R%g U%g S%g:\t%s", seconds_since_start(), double(cpu.user) / 100.0,
          double(cpu.system) / 100.0, what);
}

static void repaint_pass(int64_t now) {
  process_delayed_read_tek_point();
  if (gui3d_update) {
    update_gui3d_objects();
    gui3d_update = false;
  }
  if (graphics_needs_update) {
    int64_t start = ticks();
    if (last_repaint_time > SLOW_REPAINT) set_windows_busy(true);
    repaint_screen(depth_needs_update, never_abort_repaint);
    depth_needs_update = graphics_needs_update = false;
    draw_overlay_lines();
    swap_graphics_buffers();
    end_normal_repaint_time = now;
    last_repaint_time = ticks() - start;
    if (get_display_repaint_time()) {
      finish_graphics();
      char text[96];
      snprintf(text, sizeof text, "Repaint time (normal):\t%g seconds.\n", double(last_repaint_time) / 100.0);
      print_timing(text);
    }
    set_geometry_update_mode(false);
  }
  if (overlay_line_update && get_rubber_input_inactive()) update_overlay_lines();
}

// The ten interval timers; true when a when-changed list ran.
static bool run_timers(int64_t now) {
  uint64_t elapsed = uint64_t(now - tim.start) * 10;  // ms
  bool ran = false;
  for (uint32_t i = 0; i < N_TIMERS; ++i) {
    int32_t period = get_predef(TIMER_PERIOD + i);
    if (period <= 0) continue;
    int32_t count = int32_t(uint32_t(elapsed / uint64_t(period)));
    if (count == get_predef(TIMER_COUNT + i)) continue;
    put_predef(TIMER_COUNT + i, count);  // runs the watching list
    if (when_changed(TIMER_COUNT + i)) ran = true;
  }
  return ran;
}

static void do_idle_tasks(bool ready, int64_t end_of_last_repaint) {
  int64_t now = ticks();
  if (run_timers(now)) return;
  if (help_start_tick != 0 && !help_visible && now > help_start_tick + int64_t(get_predef(BALLOON_DELAY)) * 10) {
    display_help_window();
    return;
  }
  if (char* name = get_texture_not_found()) {
    bool news = last_texture_not_found == nullptr || strcmp(name, last_texture_not_found) != 0;
    if (last_texture_not_found != nullptr) CheckedFree(last_texture_not_found);
    last_texture_not_found = name;
    if (news) {
      put_predef_string(TEXTURE_NOT_FOUND, dup_chars(name));
      return;
    }
  }
  check_connection_timeouts();
  if (process_input_trace(ready)) return;
  // A depth request waits for the next normal repaint: no HQ repaint meanwhile.
  if (ready && !depth_needs_update && get_outstanding_application_values() == 0 &&
      now > end_of_last_repaint + HQ_REPAINT_DELAY && set_high_quality_repaint()) {
    int64_t start = ticks();
    repaint_screen(depth_needs_update, abort_repaint);
    if (graphics_needs_update) return;
    draw_overlay_lines();
    swap_graphics_buffers();
    if (get_display_repaint_time()) {
      finish_graphics();
      char text[96];
      snprintf(text, sizeof text, "Repaint time (HQ):\t%g seconds.\n", double(ticks() - start) / 100.0);
      print_timing(text);
    }
    return;
  }
  finish_graphics();
}

static void report_abandoned_command(int process) {
  fprintf(stderr, "\nApplication error - process %d ended inside a command; the command is abandoned.\n",
          process);
  display_internal_info("Application error - process ended inside a command", false);
}

unsigned char* refill_host_input(buf_ptrs* hi) {
  int64_t t0 = ticks();
  int reading = curr_process;
  int got = 0;
  for (;;) {
    if (command_abandoned) {
      command_abandoned = false;
      report_abandoned_command(reading);
      hi->start[0] = '\0';
      hi->end = hi->start;
      return nullptr;
    }
    reading = curr_process;
    int64_t now = ticks();
    uint32_t flags = id_flags(globals()[1]);
    bool ready = (flags & ID_VISIBLE) && (flags & ID_DISPLAYED) && !(flags & ID_GUI3D_ACTION) &&
                 (geometry_update_mode ? now > t0 + GEOMETRY_UPDATE_DELAY : now > t0);
    // Changed overlay lines wait while a rubber band shows: they are not
    // drawn then, and counting them as due would repeat this pass for ever.
    bool overlay_due = overlay_line_update && get_rubber_input_inactive();
    if (ready && (graphics_needs_update || overlay_due || gui3d_update)) {
      repaint_pass(now);
      continue;
    }
    if (!(flags & ID_VISIBLE)) set_geometry_update_mode(true);
    if (update_menu_windows() || process_events()) continue;
    fd_set set;
    if (check_for_input(&set) <= 0) {
      do_idle_tasks(ready, end_normal_repaint_time);
      continue;
    }
    int socket = partner_socket();
    if (socket != -1 && FD_ISSET(socket, &set)) {
      process_connection_data();
      continue;
    }
    if (processes_active == 0) continue;
    got = read_data(&set, reinterpret_cast<char*>(hi->start));
    if (got > 0) break;
  }
  hi->start[got] = '\0';
  hi->end = hi->start + got;
  return hi->start;
}

// ---- Repaint requests ---------------------------------------------------

void set_repaint(bool depth) {
  graphics_needs_update = true;
  if (depth) depth_needs_update = true;
}

void clear_repaint() { graphics_needs_update = overlay_line_update = false; }
bool repaint_requested() { return graphics_needs_update; }
bool depth_repaint_requested() { return depth_needs_update; }
void clear_repaint_requests() { graphics_needs_update = overlay_line_update = depth_needs_update = false; }
void set_gui3d_update() { gui3d_update = true; }
void set_overlay_line_update() { overlay_line_update = true; }

void set_geometry_update_mode(bool on) {
  if (on == geometry_update_mode) return;
  if (get_display_repaint_time()) {
    char text[64];
    snprintf(text, sizeof text, "Geometry update now %s.\n", on ? "on" : "off");
    print_timing(text);
  }
  geometry_update_mode = on;
}

void set_process_switch(bool ok) { process_switch_ok = ok; }

bool never_abort_repaint() { return false; }

bool abort_repaint() {
  if (graphics_needs_update) internal_error(329, "si");
  if (depth_needs_update) internal_error(330, "si");
  process_events();
  return graphics_needs_update;
}

// ---- Overlay lines --------------------------------------------------------

void save_overlay_lines() {
  const ident_info& lines = globals()[OVERLAY_LINES];
  uint32_t n = is_array_kind(lines.kind) ? lines.word6 : 0;
  if (last_overlay_lines != nullptr) CheckedFree(last_overlay_lines);
  last_overlay_lines = nullptr;
  if (n > 3) {
    last_overlay_lines = checked_new_array<uint16_t>(n / 4 * 4);
    for (uint32_t i = 0; i < n / 4 * 4; ++i) last_overlay_lines[i] = uint16_t(lines.val.a[i].i);
  }
  last_num_lines = n / 4;
}

static void overlay_line(const uint16_t* line) { draw_rubber_line(line[0], line[1], line[2], line[3]); }
static void clear_overlay_line(const uint16_t* line) { clear_rubber_line(line[0], line[1], line[2], line[3]); }

// After a full repaint, into the back buffer: the rubber band and the lines.
void draw_overlay_lines() {
  if (get_graphics_context() == nullptr) return;
  if (overlay_line_update) save_overlay_lines();
  begin_rubber_drawing(false);
  draw_rubber_lines();
  for (uint32_t i = 0; i < last_num_lines; ++i) overlay_line(last_overlay_lines + 4 * i);
  end_rubber_drawing();
  overlay_line_update = false;
}

// The changed lines only, over what the window shows. Drawing inverts: the
// old line drawn again is erased.
void update_overlay_lines() {
  if (get_graphics_context() == nullptr) {
    overlay_line_update = false;
    return;
  }
  const ident_info& lines = globals()[OVERLAY_LINES];
  uint32_t now = (is_array_kind(lines.kind) ? lines.word6 : 0) / 4;
  uint32_t common = now < last_num_lines ? now : last_num_lines;
  auto new_line = [&](uint32_t i, uint16_t out[4]) {
    for (int k = 0; k < 4; ++k) out[k] = uint16_t(lines.val.a[4 * i + k].i);
  };
  bool changed = now != last_num_lines;
  begin_rubber_drawing(true);
  uint16_t line[4];
  for (uint32_t i = 0; i < common; ++i) {
    new_line(i, line);
    const uint16_t* old = last_overlay_lines + 4 * i;
    if (memcmp(line, old, sizeof line) == 0) continue;
    clear_overlay_line(old);
    overlay_line(line);
    changed = true;
  }
  for (uint32_t i = common; i < last_num_lines; ++i) clear_overlay_line(last_overlay_lines + 4 * i);
  for (uint32_t i = common; i < now; ++i) {
    new_line(i, line);
    overlay_line(line);
  }
  end_rubber_drawing();
  if (changed) save_overlay_lines();
  overlay_line_update = false;
}

// ---- Balloon help and the bell ----------------------------------------------

// The balloon: a pop-up window with one text label, made on first use.
static struct {
  UIWindow* window;
  UITextLabel* label;
} balloon;

constexpr uint32_t BALLOON_INK = 93, BALLOON_PAPER = 94, BALLOON_FONT = 95, BALLOON_BORDER = 96;
constexpr int BALLOON_GAP = 16;  // pixels between the pointer and the balloon

void set_help_text(const char* text) {
  if (help_visible) {
    balloon.window->make_invisible();
    help_visible = false;
  }
  help_start_tick = 0;
  if (text == nullptr || AppContext == nullptr) return;
  if (balloon.window == nullptr) {
    balloon.window = new UIWindow(true, true, 4, "BalloonHelp", true);
  } else {
    delete balloon.label;
  }
  balloon.window->set_border_width(uint32_t(get_predef(BALLOON_BORDER)));
  balloon.window->set_background_color(uint32_t(get_predef(BALLOON_PAPER)));
  // The range checks of the predefined variables stop the program, except
  // in the Interface Builder, so the font is checked here again.
  uint32_t font = uint32_t(get_predef(BALLOON_FONT));
  balloon.label = new UITextLabel(balloon.window, 0, 0, 0, 0, font < uint32_t(Fonts::count) ? uint8_t(font) : 0, false, false,
                                  false, text);
  balloon.label->set_ink_color(uint32_t(get_predef(BALLOON_INK)));
  help_start_tick = ticks();
  if (help_start_tick == 0) help_start_tick = 1;
}

// Shows the balloon by the pointer, inside the screen: left edge at the
// pointer, top below it, or its bottom above the pointer near the screen's bottom.
static void display_help_window() {
  Display* d = AppContext->ui_display;
  Window root, child;
  int px, py, wx, wy;
  unsigned int mask;
  if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &px, &py, &wx, &wy, &mask)) return;
  int width = balloon.label->x + balloon.label->width;
  int height = balloon.label->y + balloon.label->height;
  int screen_width = DisplayWidth(d, DefaultScreen(d));
  int screen_height = DisplayHeight(d, DefaultScreen(d));
  int x = px + width > screen_width ? screen_width - width - 4 : px;
  int y = py + BALLOON_GAP;
  if (y + height > screen_height - BALLOON_GAP) y = py - BALLOON_GAP - height;
  balloon.window->set_origin(short(x), short(y));
  balloon.window->set_size(uint16_t(width), uint16_t(height));
  balloon.window->make_visible();
  help_visible = true;
}

void ring_bell() {
  if (AppContext != nullptr && AppContext->ui_display != nullptr) XBell(AppContext->ui_display, 0);
}

// ---- Lifecycle --------------------------------------------------------------

void preset_system_interface() {
  signal_wrapper(PSIG_IGNORED_1, SIGNAL_IGNORE);
  signal_wrapper(PSIG_IGNORED_2, SIGNAL_IGNORE);
  tim.start = ticks();
  tim.cpu = process_cpu_ticks();
  set_socket_source(partner_socket);
  if (ui_display_fd() >= 0) register_display_connection(ui_display_fd(), display_pending, AppContext->ui_display, display_queued);
  if (graphics_display_fd() >= 0)
    register_display_connection(graphics_display_fd(), display_pending, AppContext->graphics_display, display_queued);
  for (process_slot& slot : process_stat) slot = {false, 0, -1, -1};
  processes_active = 0;
  curr_process = -1;
  process_switch_ok = true;
  command_abandoned = false;
}

void cleanup_system_interface() {
  if (ui_display_fd() >= 0) unregister_display_connection(ui_display_fd());
  if (graphics_display_fd() >= 0) unregister_display_connection(graphics_display_fd());
  if (last_overlay_lines != nullptr) CheckedFree(last_overlay_lines);
  last_overlay_lines = nullptr;
  last_num_lines = 0;
  if (last_texture_not_found != nullptr) CheckedFree(last_texture_not_found);
  last_texture_not_found = nullptr;
  if (char* pending = get_texture_not_found()) CheckedFree(pending);
  help_start_tick = 0;
  help_visible = false;
  delete balloon.label;
  delete balloon.window;
  balloon = {};
  // Children still running share the standard streams on their own.
  if (shared_stdio_children.items != nullptr) {
    reap_shared_stdio_children();
    table_delete(&shared_stdio_children);
  }
  shared_stdio_children = table{};
}
