// Files, folders and pipes of the server. Descriptors made here are binary
// and never inherited: a child process gets only what forkexec hands it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>

enum file_use {
  FILE_READ,         // an existing file, read from the start
  FILE_READ_NOWAIT,  // the same, but a pipe or device does not block the open
  FILE_APPEND,       // written at its end, made (0666 less the mask) when missing
};

// Opens `path` for `use`; -1 on failure with errno set.
int open_file(const char* path, file_use use);

// The two pipes of an application process: fds[0] the read end, fds[1] the
// write end, holding `bytes` where the system lets the size be chosen.
// False on failure with errno set.
bool open_pipe(int fds[2], int bytes);

// A second descriptor of fd for the server's own use; -1 on failure.
int duplicate_descriptor(int fd);

// Closes fd; a pipe being read has its read ended first (over Win32 a read
// still waiting would take the bytes of a later pipe with the same handle).
void close_descriptor(int fd);

// Makes one folder (0777 less the mask); false on failure with errno set.
bool make_folder(const char* path);

// Makes a new folder from `pattern`, whose last six characters are "XXXXXX"
// and are replaced; false on failure.
bool make_temporary_folder(char* pattern);

// Reads one line with its line end into *line (grown with malloc as
// needed, *capacity its size); returns its length, -1 at end of file or on
// an error. The line may hold zero bytes.
ssize_t read_line(char** line, size_t* capacity, FILE* stream);

// Waits `milliseconds`.
void sleep_milliseconds(int milliseconds);

// Formats numbers with a decimal point, whatever the server's locale, until
// end_c_numbers; the calls pair up on the calling thread.
void begin_c_numbers();
void end_c_numbers();
