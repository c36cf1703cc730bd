// The report of a broken invariant; also the end after an error signal.
#pragma once

// module null means that `number` is a signal number.
[[noreturn]] void internal_error(int number, const char* module);

// What the report needs of the program that runs it, given once at start:
// its name, the details for the dump file, whether -d asked for a core file,
// and the mail command for the dump (null or empty: none).
struct internal_error_hooks {
  const char* (*program_name)();
  void (*write_details)(int fd);
  bool (*dump_core)();
  const char* (*mail_command)();
};
void set_internal_error_hooks(const internal_error_hooks& hooks);
