// YARL operations that start and signal application programs, open and close
// the partner connection, write to the server's standard error, ring the bell
// and enter the Interface Builder.
#include <cstdio>

#include "builder/interface_builder.h"
#include "link/connect.h"
#include "link/si.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "runtime/window_record.h"
#include "toolkit/ui_window.h"

const uint8_t* start_process_op(ident_info*, const uint8_t* pc) {
  int32_t number = (sp--)->i;
  char* command = sp->s;
  int pid = start_process(number, command != nullptr ? command : "");
  if (command != nullptr) CheckedFree(command);
  set_int(sp, pid);
  return pc;
}

const uint8_t* send_signal_op(ident_info*, const uint8_t* pc) {
  int32_t signal = (sp--)->i;
  set_int(sp, send_signal(sp->i, signal));
  return pc;
}

const uint8_t* display_stderr_op(ident_info*, const uint8_t* pc) {
  int kind = pc[0];
  bool array = is_array_kind(kind);
  int scalar = kind & 7;
  value* last = array ? sp : sb;
  for (value* slot = sb; slot <= last; ++slot) {
    if (scalar == K_STRING) {
      fputs(slot->s != nullptr ? slot->s : "", stderr);
    } else if (scalar < K_STRING) {
      char text[ENCODE_BUFFER_SIZE];
      encode_value(text, scalar, *slot);
      fputs(text, stderr);
    }
    if (array) fputc('\n', stderr);
  }
  for (value* slot = sb; slot <= sp; ++slot)
    if (is_owned_kind(scalar)) free_owned(scalar, slot);
  sp = sb - 1;
  return pc + 1;
}

const uint8_t* beep_op(ident_info*, const uint8_t* pc) {
  ring_bell();
  return pc;
}

// ---- The partner connection and the Interface Builder ----

const uint8_t* connect_op(ident_info* context, const uint8_t* pc) {
  char* display_host = (sp--)->s;
  char* host = (sp--)->s;
  if (connected()) {
    error("Already connected", 0, context);
  } else {
    set_windows_busy(true);
    connect_to_host(host, display_host);
  }
  if (host != nullptr) CheckedFree(host);
  if (display_host != nullptr) CheckedFree(display_host);
  return rterror ? nullptr : pc;
}

const uint8_t* disconnect_op(ident_info* context, const uint8_t* pc) {
  if (!connected()) {
    error("Not connected", 0, context);
    return nullptr;
  }
  disconnect();
  return pc;
}

constexpr uint32_t BALLOON_DELAY = 92;

const uint8_t* interface_builder_op(ident_info*, const uint8_t* pc) {
  bool hide = (sp--)->i != 0;
  if (in_interface_builder) return pc;
  set_windows_busy(true);
  clear_calling_window();
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = &globals()[windows[i]];
    window_record* w = record_of(window);
    bool visible = (window->flags1 & WINDOW_VISIBLE) != 0;
    if (w->ui_window != nullptr) w->ui_window->interface_builder_mode = true;
    if (hide && (visible || window_flag(*window, WINDOW_MAPPED))) {
      if (w->ui_window != nullptr) w->ui_window->make_invisible();
      window->flags1 &= uint8_t(~WINDOW_VISIBLE);
      set_window_flag(window, WINDOW_MAPPED, false);
    }
    w->state = visible ? uint8_t(w->state | WR_SAVED_VISIBILITY) : uint8_t(w->state & ~WR_SAVED_VISIBILITY);
  }
  in_interface_builder = true;
  int32_t delay = get_predef(BALLOON_DELAY);
  put_predef(BALLOON_DELAY, 0);
  interface_builder(hide, windows);
  put_predef(BALLOON_DELAY, delay);
  return nullptr;
}
