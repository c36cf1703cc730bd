#include "runtime/application_values.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"

constexpr int32_t FULL_TURN = 1296000;  // arc-seconds

static uint16_t event_number;
static uint32_t outstanding_application_values;

uint32_t get_outstanding_application_values() { return outstanding_application_values; }

void application_request_dropped() {
  if (outstanding_application_values > 0) --outstanding_application_values;
}

// The type letter of <EC>A values by kind; 0: none.
static char type_letter_of(int kind) {
  static const char tdty[16] = {'r', 'i', 'i', 'i', 'i', 's', 0, 0, 'R', 'I', 'I', 'I', 'I', 'S', 0, 0};
  return kind >= 0 && kind < 16 ? tdty[kind] : 0;
}

static int32_t wrap_angle(int32_t seconds) {
  return seconds > FULL_TURN || seconds < -FULL_TURN ? seconds % FULL_TURN : seconds;
}

// ---- Reports ----

static bool check_active(ident_info* context, int process) {
  if (get_process_active(uint32_t(process))) return true;
  char message[40];
  snprintf(message, sizeof message, "process %d not active", process);
  error(message, 0, context);
  return false;
}

void report_tek_value(uint8_t process, int kind, value v) {
  char buffer[REAL_REPORT_MAX + 1];
  switch (kind) {
    case K_REAL:
      write_to_process(process, buffer, encode_real(v.r, buffer));
      break;
    case K_ANGLE:
    case K_BOOLEAN:
      encode_int(v.i, buffer);
      write_to_process(process, buffer, 3);
      break;
    case K_INTEGER:
      write_to_process(process, buffer, encode_intc(v.i, buffer));
      break;
    case K_CHARACTER:
      buffer[0] = v.c;
      write_to_process(process, buffer, 1);
      break;
    case K_STRING: {
      const char* text = v.s != nullptr ? v.s : "";
      unsigned long size = string_report_size(text);
      char* report = static_cast<char*>(CheckedMalloc(size + 1));
      write_to_process(process, report, encode_string(text, report));
      CheckedFree(report);
      if (v.s != nullptr) CheckedFree(v.s);
      break;
    }
    default:
      internal_error(729, "ui");
  }
  write_to_process(process, "\n", 1);
}

// The stack from its bottom: the process number, then pairs (value, kind).
template <typename Send>
static const uint8_t* report_values(ident_info* context, const uint8_t* pc, Send send) {
  if (sp < sb) internal_error(728, "ui");
  uint8_t process = uint8_t(sb[0].i);
  if (!check_active(context, process)) return nullptr;
  for (value* slot = sb + 1; slot + 1 <= sp; slot += 2) send(process, int(slot[1].i), slot[0]);
  sp = sb - 1;
  return pc;
}

const uint8_t* report_tek_op(ident_info* context, const uint8_t* pc) {
  return report_values(context, pc, report_tek_value);
}

const uint8_t* report_ascii_op(ident_info* context, const uint8_t* pc) {
  return report_values(context, pc, [](uint8_t process, int kind, value v) {
    if (kind == K_STRING) {
      if (v.s != nullptr) {
        write_to_process(process, v.s, strlen(v.s));
        CheckedFree(v.s);
      }
      return;
    }
    char text[ENCODE_BUFFER_SIZE];
    write_to_process(process, text, uint32_t(encode_value(text, kind, v)));
  });
}

const uint8_t* event_code_op(ident_info* context, const uint8_t* pc) {
  push_int(int32_t(uint32_t(context - globals()) << 16 | event_number));
  return pc;
}

// ---- Value requests ----

const uint8_t* read_application_value_op(ident_info* context, const uint8_t* pc) {
  uint8_t n = pc[0];
  if (!is_window_kind(context->kind) || record_of(context) == nullptr) internal_error(8398, "ui");
  window_record* w = record_of(context);
  if (timing_log_open()) log_time(context, event_number, "Waiting for application value");
  if (window_flag(*context, WINDOW_BUSY_MAIN)) {
    ident_info* main = &globals()[1];
    set_window_busy(main, true);
    record_of(main)->call_flags |= WR_BUSY_BY_REQUEST;
  }
  set_window_busy(context, true);
  w->awaited_values = n;
  if (w->pending_request == -1) ++outstanding_application_values;
  w->pending_request = event_number;
  ++event_number;
  queue_re_entry(context, statement_offset(pc + 1));
  return nullptr;
}

static void free_data(char letter, void* data, int32_t count) {
  if (data == nullptr) return;
  if (letter == 'S') {
    value* block = static_cast<value*>(data);
    for (int32_t i = 0; i < count; ++i)
      if (block[i].s != nullptr) CheckedFree(block[i].s);
  }
  CheckedFree(data);
}

// Moves the values of an array answer into the variable; false when nothing was copied.
static bool enter_array(ident_info* window, ident_info* variable, int32_t count, value* block) {
  int kind = variable->kind - K_ARRAY;
  if (count > 0 && block == nullptr) internal_error(8336, "ui");
  if (count < 0 || !reset_array_size(window, variable, uint32_t(count))) return false;
  for (int32_t e = 0; e < count; ++e) {
    value v = block[e];
    switch (kind) {
      case K_ANGLE: v = integer_value(wrap_angle(v.i)); break;
      case K_BOOLEAN: v = integer_value(v.i != 0); break;
      case K_CHARACTER: v = integer_value(v.i & 0x7F); break;
      case K_REAL:
      case K_INTEGER:
      case K_STRING: break;
      default: internal_error(8337, "ui");
    }
    variable->val.a[e] = v;
  }
  process_variable_change(window, variable);
  return true;
}

void enter_application_value(uint32_t event_code, char letter, int32_t integer, float real, void* data) {
  uint32_t index = event_code >> 16;
  if (index >= tables[T_GLOBALS].length || !is_window_kind(globals()[index].kind) ||
      record_of(&globals()[index]) == nullptr) {
    fprintf(stderr, "Incorrect event code %lu in <EC>A%c command\n", static_cast<unsigned long>(event_code),
            letter);
    halt("Application program error");
  }
  ident_info* window = &globals()[index];
  window_record* w = record_of(window);
  uint16_t number = uint16_t(event_code & 0xFFFF);
  if (w->pending_request != int32_t(number)) {
    display_internal_info("Application/YARL communication error. See stderr for details.", false);
    fprintf(stderr,
            "\nProgramming information:\nApplication program sent <EC>A%c, but window '%s'\n"
            "          is not waiting for event code %lu.\n\n",
            letter, name_of(window), static_cast<unsigned long>(event_code));
    free_data(letter, data, integer);
    return;
  }
  if (w->awaited_values == 0) internal_error(8399, "ui");
  const uint8_t* pc = statement_code(w->resume_offset);
  ident_ref ref = read_ref(pc);
  if (ref.selector == 3) internal_error(8323, "ui");
  ident_info* variable = resolve_ref(window, ref, 8323);
  w->resume_offset = statement_offset(pc);

  if (type_letter_of(variable->kind) != letter || letter == 0) {
    fprintf(stderr, "Application program sent <EC>A%c, but variable '%s' is %s.\n", letter,
            name_of(variable), type_name(variable->kind));
    free_data(letter, data, integer);
    error("Application program error", 0, window);
    return;
  }
  value v{};
  switch (variable->kind) {
    case K_REAL: v.r = real; break;
    case K_ANGLE: v = integer_value(wrap_angle(integer)); break;
    case K_INTEGER: v = integer_value(integer); break;
    case K_BOOLEAN: v = integer_value(integer != 0); break;
    case K_CHARACTER: v = integer_value(integer & 0xFF); break;
    case K_STRING:
      v.s = static_cast<char*>(data);
      if (v.s == nullptr) v.s = dup_chars("");
      data = nullptr;
      break;
    default:
      if (!enter_array(window, variable, integer, static_cast<value*>(data))) {
        free_data(letter, data, integer);
        return;
      }
      CheckedFree(data);  // the strings moved into the array
      data = nullptr;
      break;
  }
  if (!is_array_kind(variable->kind)) change_variable(window, variable, v, true);

  if (--w->awaited_values != 0) {
    if (timing_log_open()) log_time(window, number, "Received intermediate value");
    return;
  }
  if (timing_log_open()) log_time(window, number, "Received last value, resuming action");
  re_enter(window);
  if (timing_log_open())
    log_time(window, number, record_of(window)->resume_offset != 0 ? "Action continued" : "Action completed");
}
