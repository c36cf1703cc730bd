#include "runtime/run_time_errors.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "base/internal_error.h"
#include "platform/posix_services.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"

bool rterrors;

static const char* yarl_error_email;
static FILE* timing_log;
static int64_t first_log_tick = -1;

// Predefined variables of the debugger.
constexpr uint32_t BREAKPOINT_PATHS = 60;
constexpr uint32_t BREAKPOINT_LINES = 61;
constexpr uint32_t SINGLE_STEP = 62;
constexpr uint32_t STOPPED_LINE = 63;
constexpr uint32_t STOPPED_SOURCE = 64;
constexpr uint32_t SOURCE_FILE_NAMES = 65;
constexpr uint32_t TRACEBACK = 66;

// The last debug position; `stopped` only while a single step or a
// breakpoint has ended the context's run.
static struct {
  ident_info* context;
  const uint8_t* position;  // behind the debug instruction
  uint16_t source_index;
  uint16_t line;
  bool stopped;
} resume;

void preset_run_time_errors(const char* yarl_error_e_mail, bool timing) {
  yarl_error_email = yarl_error_e_mail;
  resume = {};
  if (timing) {
    timing_log = fopen("timing_log", "w");
    if (timing_log == nullptr)
      fprintf(stderr, "Warning - unable to open/create timing_log - %s.\n", strerror(errno));
  }
}

void cleanup_run_time_errors() {
  if (timing_log != nullptr) fclose(timing_log);
  timing_log = nullptr;
  first_log_tick = -1;
  resume = {};
}

// ---- Traceback ----

static std::string source_file_name(uint16_t index) {
  const ident_info& names = globals()[SOURCE_FILE_NAMES];
  if (names.kind != K_ARRAY + K_STRING || index >= names.word6) return "";
  const char* name = names.val.a[index].s;
  return name != nullptr ? name : "";
}

static std::string frame_line(ident_info* window, const call_frame* frame, const std::string& lead) {
  std::string line = lead;
  line += is_procedure_frame(frame) ? "Initial statement of PROCEDURE '" : "MENU '";
  line += name_of(frame_module(window, frame));
  if (frame->source_position != 0) {
    char at[40];
    snprintf(at, sizeof at, "' at line %u of '", unsigned(frame->line));
    line += at;
    line += source_file_name(uint16_t(frame->source_position - 1));
  }
  return line + "'.";
}

static std::vector<std::string> traceback_lines(ident_info* context, const char* message) {
  std::vector<std::string> lines;
  std::string lead = std::string(message) + " in ";
  ident_info* window = context;
  for (uint32_t depth = 0; depth <= n_windows_listed && window != nullptr; ++depth) {
    window_record* w = record_of(window);
    if (!is_window_kind(window->kind) || w == nullptr) break;
    for (const call_frame* frame = w->top; frame >= w->frames; --frame) {
      lines.push_back(frame_line(window, frame, lead));
      lead = "Called by ";
    }
    char of[300];
    snprintf(of, sizeof of, "This is a menu of %s '%s'.", type_name(window->kind), name_of(window));
    lines.push_back(of);
    if (window->kind != K_SUB_WINDOW || w->calling_window == 0) break;
    window = &globals()[w->calling_window];
    lead = "SUB_WINDOW called by ";
  }
  return lines;
}

void build_traceback(ident_info* context, const char* message, bool print) {
  std::vector<std::string> lines = traceback_lines(context, message);
  if (print) {
    for (const std::string& line : lines) fprintf(stderr, "\n%s\n", line.c_str());
    fflush(stderr);
  }
  ident_info* traceback = &globals()[TRACEBACK];
  if (traceback->kind != K_ARRAY + K_STRING) internal_error(3391, "ui");
  uint32_t n = std::min<uint32_t>(uint32_t(lines.size()), traceback->word2);
  if (!reset_array_size(context, traceback, 0) || !reset_array_size(context, traceback, n)) return;
  for (uint32_t i = 0; i < n; ++i) traceback->val.a[i].s = dup_chars(lines[i].c_str());
  // A when-changed list cannot run over the operands of an interrupted expression.
  bool saved_wc_ok = wc_ok;
  if (sb != nullptr && used_slots() != 0) wc_ok = false;
  process_variable_change(context, traceback);
  wc_ok = saved_wc_ok;
}

// ---- Stack dumps: plain descriptor writes ----

static bool out(int fd, const std::string& text) {
  return write_all(fd, text.data(), text.size()) == ssize_t(text.size());
}

static std::string stack_text(ident_info* window, const char* text) {
  std::string s = std::string("\nProcedure call stack of ") + type_name(window->kind) + " " +
                  name_of(window) + " " + text + ".\n";
  window_record* w = record_of(window);
  for (const call_frame* frame = w->top; frame >= w->frames; --frame) {
    s += " Entry " + std::to_string(frame - w->frames) + ":\n";
    if (frame->source_position != 0) {
      s += "  source_file: " + source_file_name(uint16_t(frame->source_position - 1)) + ".\n";
      s += "  source line: " + std::to_string(frame->line) + ".\n";
    }
    if (is_procedure_frame(frame)) {
      if ((frame->procedure >> 14) == 3) internal_error(653, "ui");
      s += std::string("  procedure: ") + name_of(frame_module(window, frame)) +
           "  return_code_index=" + std::to_string(frame->return_position - tables[T_CODE].as<uint8_t>()) + ".\n";
    }
    s += std::string("  scope window: ") + name_of(&globals()[frame->window]) + ".\n";
  }
  return s;
}

void print_stack(int fd, ident_info* window, const char* text) { out(fd, stack_text(window, text)); }

static bool is_running(uint16_t index) {
  const ident_info& window = globals()[index];
  return record_of(&window) != nullptr && (record_of(&window)->state & WR_RUNNING);
}

void error_details(int fd) {
  if (windows == nullptr) return;
  out(fd, "\nWindow stack dumps:\n");
  for (uint32_t i = 0; i < n_windows_listed; ++i)
    if (is_running(windows[i])) print_stack(fd, &globals()[windows[i]], "of active window");
  out(fd, "\n---end of window stack info---\n");
}

// ---- The report to the error command ----

static void send_report(const char* message) {
  FILE* pipe = popen(yarl_error_email, "w");
  if (pipe == nullptr) return;
  int fd = fileno(pipe);
  std::string text = std::string("QOBS 11.1596 2003/08/06. YARL error  - ") + message +
                     ".\n\nTraceback:\n";
  const ident_info& traceback = globals()[TRACEBACK];
  for (uint32_t i = 0; i < traceback.word6; ++i) text += std::string("   ") + traceback.val.a[i].s + "\n";
  text += "\nWindow stack dumps:\n";
  bool sent = out(fd, text);
  for (uint32_t i = 0; sent && windows != nullptr && i < n_windows_listed; ++i) {
    if (!is_running(windows[i])) continue;
    ident_info* window = &globals()[windows[i]];
    char head[320];
    snprintf(head, sizeof head, "%s %d (%s).\n", type_name(window->kind), int(windows[i]),
             name_of(window));
    sent = out(fd, head) && out(fd, stack_text(window, "of active window"));
  }
  if (sent) out(fd, "\n---end of error info---\n");
  pclose(pipe);
}

void error(const char* message, int, ident_info* context) {
  rterror = true;
  rterrors = true;
  build_traceback(context, message, true);
  if (stopped_at_breakpoint(context) || in_interface_builder) return;
  if (yarl_error_email != nullptr && yarl_error_email[0] != '\0') send_report(message);
  errno = 0;  // a fault of the YARL program, not of a system call
  halt("YARL runtime error");
}

// ---- Timing log ----

bool timing_log_open() { return timing_log != nullptr; }

void log_time(ident_info* context, int number, const char* text) {
  if (timing_log == nullptr) return;
  int64_t now = ticks();
  if (first_log_tick < 0) first_log_tick = now;
  cpu_ticks cpu = process_cpu_ticks();
  fprintf(timing_log, "R %4lu, U %4ld, S %4ld, E %4d, W %s: %s.\n",
          static_cast<unsigned long>(now - first_log_tick), long(cpu.user), long(cpu.system), number,
          name_of(context), text);
  fflush(timing_log);
}

// ---- Breakpoints and single step ----

bool stopped_at_breakpoint(const ident_info* context) {
  return resume.stopped && resume.context == context;
}

ident_info* stopped_context() { return resume.stopped ? resume.context : nullptr; }

void clear_breakpoint_position(const ident_info* context) {
  if (!stopped_at_breakpoint(context)) return;
  resume.position = nullptr;
  resume.source_index = 0;
  resume.line = 0;
}

void finish_stopped_run(ident_info* context) {
  if (!stopped_at_breakpoint(context)) return;
  change_variable(context, &globals()[STOPPED_SOURCE], integer_value(resume.source_index), true);
  change_variable(context, &globals()[STOPPED_LINE], integer_value(resume.line), true);
  if (globals()[STOPPED_SOURCE].val.i == 0) resume = {};
}

bool take_stopped_position(ident_info** context, const uint8_t** position, uint16_t* source_index) {
  if (!resume.stopped) return false;
  *context = resume.context;
  *position = resume.position;
  *source_index = resume.source_index;
  resume.stopped = false;
  return true;
}

static uint32_t array_size(uint32_t number) {
  const ident_info& v = globals()[number];
  return is_array_kind(v.kind) ? v.word6 : 0;
}

static bool at_breakpoint(ident_info* context, uint16_t source_index, uint16_t line) {
  uint32_t paths = array_size(BREAKPOINT_PATHS), lines = array_size(BREAKPOINT_LINES);
  if (paths != lines) error("Debugger error: SIZE(breakpoint_paths) <> SIZE(breakpoint_lines)", 0, context);
  const value* p = globals()[BREAKPOINT_PATHS].val.a;
  const value* l = globals()[BREAKPOINT_LINES].val.a;
  for (uint32_t i = std::min(paths, lines); i-- > 0;)
    if (p[i].i == source_index && l[i].i == line) return true;
  return false;
}

const uint8_t* debug_op(ident_info* context, const uint8_t* pc) {
  uint16_t source_index = get_u16(pc), line = get_u16(pc + 2);
  pc += 4;
  call_frame* frame = record_of(context)->top;
  frame->source_position = uint16_t(source_index + 1);
  frame->line = line;
  if (!resume.stopped) resume = {context, pc, source_index, line, false};
  if (timing_log != nullptr) {
    char text[300];
    snprintf(text, sizeof text, "File %s, line %d", source_file_name(source_index).c_str(), int(line));
    log_time(context, 0, text);
  }
  const char* reason = nullptr;
  if (globals()[SINGLE_STEP].val.i != 0) reason = "Single Step";
  else if (at_breakpoint(context, source_index, line)) reason = "Breakpoint";
  if (reason == nullptr) return pc;
  resume = {context, pc, source_index, line, true};
  build_traceback(context, reason, false);
  return nullptr;
}

const uint8_t* exit_op(ident_info*, const uint8_t* pc) {
  int32_t code = (sp--)->i;
  (void)pc;
  if (rterrors) halt("YARL run-time error(s), see messages above");
  halt(nullptr);
  exit(code);
}
