// The entry of a server program: the system calls the platform's entry
// (main over POSIX, WinMain on Windows), which readies the standard streams
// and the platform where the system needs it and then calls program_main.
#pragma once

// Defined by the program; argc, argv and envp as a C main gets them.
int program_main(int argc, char** argv, char** envp);
