// The POSIX entry: nothing to ready before the program's own main.
#include "platform/program_entry.h"

#include <unistd.h>

int main(int argc, char** argv) { return program_main(argc, argv, environ); }
