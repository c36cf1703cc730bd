// A compiled YARL program that writes the server's free option strings C and
// F to standard error as "C=... F=...\n" and exits: what the launcher passed.
#pragma once

#include "tests/support/yarl_writer.h"

inline yarl::YarlProgram option_echo_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  constexpr uint8_t DISPLAY_STDERR = 151;
  constexpr uint16_t OPTION_C = 14 + 2, OPTION_F = 14 + 5;
  p.initial_code()
      .push_string("C=").op(DISPLAY_STDERR).u8(K_STRING)
      .push_var(yarl::GLOBAL, OPTION_C).op(DISPLAY_STDERR).u8(K_STRING)
      .push_string(" F=").op(DISPLAY_STDERR).u8(K_STRING)
      .push_var(yarl::GLOBAL, OPTION_F).op(DISPLAY_STDERR).u8(K_STRING)
      .push_string("\n").op(DISPLAY_STDERR).u8(K_STRING)
      .exit_program(0);
  return p;
}
