// Event trace files: the window-system events that the dispatch accepted, one
// text line each, with windows written by name so that another run can replay
// them.
#pragma once

#include <X11/Xlib.h>

#include <cstdio>

// Results of TraceFile::read_event.
enum trace_read_result {
  TRACE_EVENT = 0,
  TRACE_ERROR = 1,     // a window name that this run does not know
  TRACE_BREAK = 2,
  TRACE_END = 3,
  TRACE_BAD_LINE = 4,  // a damaged line; reported already
};

class TraceFile {
 public:
  // mode "w" records (the header and the screen geometry are written at
  // once), "r" replays. A file that cannot be opened ends the server.
  TraceFile(const char* path, const char* mode);
  ~TraceFile();
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  // Appends one line and flushes it.
  void write_event(const XEvent* event, bool ui_object_wants_it);
  int read_event(XEvent* event, bool* ui_object_wants_it);

  FILE* file;
  unsigned long line = 1;  // of the reading position, for messages
};

// The 68-byte first line of every recorded file.
extern const char TRACE_HEADER[];

// The event name of an X event code, or null; the code of a name, or 0.
const char* get_event_name(int code);
int get_event_type(const char* name);
