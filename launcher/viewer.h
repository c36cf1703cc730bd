// The launcher's logic: its arguments, the file-open dialog when no model is
// given, the search of the compiled YARL binary and the start of the server.
#pragma once

// Returns the exit status: 0 when the server was started, -1 after an error
// box or a cancelled dialog, -2, -98 or -99 when the start failed.
int viewer_main(int argc, char** argv);
