// The program shell: start-up, options, the orderly stop and the settings
// that other modules read.
#pragma once

#include <cstdint>

class UIAppContext;

extern const char* prog_name;
extern UIAppContext* AppContext;

// The main function; it does not return.
[[noreturn]] int qob(int argc, char** argv, char** envp);

void process_option(bool from_environment, char letter, const char* argument, bool* error);
// Opens a file for binary reading under four spellings; false on success.
bool find_file(const char* directory, const char* name, const char* extension, int* fd);

// The one orderly stop. With a message it prints "qob terminated - %s." and
// exits with status 1; without one it returns after the clean-ups.
void halt(const char* message);

// Marks the command loop as entered: from now on `halt` runs the clean-ups.
void set_initialized();

bool get_display_repaint_time();
void catch_error_signal(int signal_number);

// Settings read by the internal-error report.
bool dump_option();
const char* error_mail_command();
