// Run-time errors of the YARL program: the traceback, the report to the
// error command, breakpoints and single step, the timing log, and the exit.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

extern bool rterrors;  // a run-time error was raised since start

// Stores the error command (null or empty: none) and opens the timing log.
void preset_run_time_errors(const char* yarl_error_e_mail, bool timing);
void cleanup_run_time_errors();

// Raises a run-time error: prints the traceback, reports it to the error
// command and halts, unless the context is stopped at a breakpoint or the
// Interface Builder is active; then the run ends and the program goes on.
// `flag` has no effect.
void error(const char* message, int flag, ident_info* context);

// Fills predefined 66 with the traceback of the context's window and its
// callers; with print, also writes it to standard error.
void build_traceback(ident_info* context, const char* message, bool print);

// The call stack of a window, with unbuffered writes (usable after a fault).
void print_stack(int fd, ident_info* window, const char* text);

// The window stacks of running windows, for the internal-error dump.
void error_details(int fd);

bool timing_log_open();
void log_time(ident_info* context, int number, const char* text);

// Breakpoints: a context is stopped only after a single step or breakpoint
// ended its run, until it runs on.
bool stopped_at_breakpoint(const ident_info* context);
ident_info* stopped_context();  // null when none
void clear_breakpoint_position(const ident_info* context);
// At the end of every run: publishes the stop of a stopped context (63, 64).
void finish_stopped_run(ident_info* context);
// The stopped context and the code position behind its stop; false when
// none is stopped. The context then counts as running on.
bool take_stopped_position(ident_info** context, const uint8_t** position, uint16_t* source_index);
