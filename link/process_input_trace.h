// Replay of an event trace file (option -i): one due event per idle pass,
// under the control of the small "TraceControl" window.
#pragma once

// Opens the file and shows the replay window; without a path replay is off.
void preset_input_trace(const char* path);
// One replay step of the idle tasks; true when an event was replayed. ready:
// the graphics window can take a repaint.
bool process_input_trace(bool ready);
// Closes the file and removes the replay window.
void cleanup_input_trace();
// True while replay runs as fast as the windows allow and can step now: the
// wait loop then does not sleep between steps.
bool input_trace_running();

// The check-button callbacks of the replay window.
void change_speed(long id, bool checked);
void change_run(long id, bool checked);
