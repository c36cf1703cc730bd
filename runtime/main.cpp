#include "platform/program_entry.h"
#include "runtime/qob.h"

int program_main(int argc, char** argv, char** envp) { qob(argc, argv, envp); }
