// YARL operations that start and signal application programs, write to the
// server's standard error and ring the bell.
#include <cstdio>

#include "link/si.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"

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
