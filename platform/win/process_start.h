// The start of a child process over Win32 that the server's children and the
// launcher's server share: only the child's own standard handles inherited.
#pragma once

#include <windows.h>

// Starts `command` (CreateProcess may write into it) with `streams` as its
// standard input, output and error (null: none) and `flags` as its creation
// flags; only those handles are inherited, so no other handle of this process
// stays open in the child. False with the system's error in GetLastError.
bool start_process(char* command, HANDLE streams[3], DWORD flags, PROCESS_INFORMATION* pi);

// The C error number of a failed start: 13 access denied, 8 not an executable
// format, 2 any other cause.
int start_errno(DWORD error);

// The system's text for `error` in `text` (at most `size` bytes), or
// "System error N." when it has none.
void system_error_text(DWORD error, char* text, size_t size);
