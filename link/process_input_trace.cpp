#include "link/process_input_trace.h"

#include <cstdio>

#include "base/internal_error.h"
#include "link/event_fields.h"
#include "link/gin.h"
#include "link/trace_file.h"
#include "platform/posix_services.h"
#include "runtime/application_values.h"
#include "runtime/interpreter.h"
#include "runtime/qob.h"
#include "runtime/window_record.h"
#include "toolkit/ui_text_check_button.h"
#include "toolkit/ui_window.h"

namespace {

constexpr long TRACE_CONTROL_ID = 12;
// Ids of the toolkit's own windows (Info to TraceControl): no YARL identifier.
constexpr long FIRST_OWN_WINDOW = 2, LAST_OWN_WINDOW = 12;
constexpr uint32_t ID_VISIBLE = 0x2000;
constexpr uint32_t ID_DISPLAYED = 0x200000;
constexpr int64_t WRAP = int64_t(1) << 32;

bool playback_real_time;
bool run_playback = true;
TraceFile* input_trace_file;
struct {
  UIWindow* window;
  UITextCheckButton* speed;
  UITextCheckButton* run;
} trace_control;

XEvent event;  // xany.display null: none pending
bool ui_object_wants_it;
int64_t event_time;             // ms
int64_t event_time_wrap_offset;
int64_t time_offset;            // ms; 0 = not yet anchored
bool postponed;

uint32_t id_flags(const ident_info& id) {
  return uint32_t(id.kind) | uint32_t(id.flags1) << 8 | uint32_t(id.word2) << 16;
}

void read_next_event() {
  int got = input_trace_file->read_event(&event, &ui_object_wants_it);
  switch (got) {
    case TRACE_ERROR:
      halt("Trace file error - unrecognized window");
      return;
    case TRACE_BAD_LINE:
      halt("Trace file error - bad line");
      return;
    case TRACE_BREAK:
      event.xany.display = nullptr;
      run_playback = false;
      trace_control.run->set_check(false);
      trace_control.window->redraw();
      return;
    case TRACE_END:
      event.xany.display = nullptr;
      cleanup_input_trace();
      return;
    default: break;
  }
  uint32_t time = 0;
  if (!event_time_of(&event, &time)) return;
  int64_t previous = event_time;
  event_time = int64_t(time) + event_time_wrap_offset;
  if (event_time < previous - (int64_t(1) << 31)) {
    event_time += WRAP;
    event_time_wrap_offset += WRAP;
  }
}

bool due() {
  if (!playback_real_time) {
    time_offset = 0;
    return true;
  }
  int64_t now = ticks() * 10;
  if (time_offset == 0 && event_time != 0) time_offset = now - event_time;
  return now >= time_offset + event_time;
}

bool replay_pending() {
  bool dummy = false;
  process_one_event(&event, false, ui_object_wants_it, &dummy);
  event.xany.display = nullptr;
  return true;
}

void postpone(const char* kind, const char* name) {
  if (postponed) return;
  if (kind == nullptr)
    fprintf(stderr,
            "Timing adjustment - trace file event %d for the graphics window, which is not yet ready for a "
            "repaint, has been postponed.\n",
            event.type);
  else
    fprintf(stderr, "Timing adjustment - trace file event %d for %s '%s', which is not yet mapped, has been postponed.\n",
            event.type, kind, name);
  postponed = true;
}

void resume() {
  if (postponed) fputs("Trace file event processing resumed.\n", stderr);
  postponed = false;
}

}  // namespace

// Defined before the steps: the callbacks of the replay window.
void change_speed(long, bool checked) { playback_real_time = checked; }
void change_run(long, bool checked) { run_playback = checked; }

void preset_input_trace(const char* path) {
  if (path == nullptr) {
    run_playback = false;
    return;
  }
  input_trace_file = new TraceFile(path, "r");
  UIWindow* window = new UIWindow(true, false, TRACE_CONTROL_ID, "TraceControl", false);
  window->set_title("Trace");
  make_transient_to_app_main_win(window);
  auto* speed = new UITextCheckButton(window, 5, 5, 0, 0, 8, false, false, playback_real_time, "real time",
                                      change_speed);
  short run_y = short(speed->height + 10);
  auto* run = new UITextCheckButton(window, 5, run_y, 0, 0, 8, false, false, run_playback, "run", change_run);
  window->set_size(uint16_t(speed->width + 10), uint16_t(run_y + run->height + 5));
  window->make_visible();
  trace_control = {window, speed, run};
}

bool process_input_trace(bool ready) {
  if (trace_control.window != nullptr && !trace_control.window->mapped) trace_control.window->make_visible();
  if (!run_playback) return false;
  if (event.xany.display == nullptr && input_trace_file != nullptr) read_next_event();
  if (event.xany.display == nullptr) return false;
  if (get_outstanding_application_values() != 0) return false;
  if (!due()) return false;

  Window window = event.xany.window;
  long id = UIWindow::get_application_data(window);
  if (id >= FIRST_OWN_WINDOW && id <= LAST_OWN_WINDOW) {
    // The toolkit's own windows (the option pop-ups among them) have no identifier.
    UIWindow* own = UIWindow::find_window(window);
    if (own == nullptr || !own->mapped) {
      postpone("window", own != nullptr ? own->name : "?");
      return false;
    }
    resume();
    return replay_pending();
  }
  if (id <= 0 || uint32_t(id) >= tables[T_GLOBALS].length) internal_error(229, "process_input_trace");
  const ident_info& identifier = globals()[id];
  if (!is_window_kind(identifier.kind)) {
    fprintf(stderr, "Identifier '%s' is expected to be a window, but is '%s'.\n", name_of(&identifier),
            type_name(identifier.kind));
    halt("Trace file error - window type mismatch");
    return false;
  }
  uint32_t flags = id_flags(identifier);
  if (id == 1 && !ready) {
    postpone(nullptr, nullptr);
    return false;
  }
  if (flags & ID_DISPLAYED) {
    resume();
    return replay_pending();
  }
  if (!(flags & ID_VISIBLE)) {
    fprintf(stderr, "Error - trace file event %d for %s '%s', which is not currently visible, has been ignored.\n",
            event.type, type_name(identifier.kind), name_of(&identifier));
    event.xany.display = nullptr;
    return false;
  }
  postpone(type_name(identifier.kind), name_of(&identifier));
  return false;
}

bool input_trace_running() {
  return run_playback && !playback_real_time && !postponed && input_trace_file != nullptr &&
         get_outstanding_application_values() == 0;
}

void cleanup_input_trace() {
  if (input_trace_file == nullptr) return;
  delete input_trace_file;
  input_trace_file = nullptr;
  delete trace_control.speed;
  delete trace_control.run;
  delete trace_control.window;
  trace_control = {};
}
