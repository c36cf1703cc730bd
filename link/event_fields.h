// The fields of each core X event type, in the order that both the event
// trace file and the partner messages carry them after the common part.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>

enum field_kind : uint8_t {
  FIELD_WINDOW,      // a Window: a name in traces, a window id to the partner
  FIELD_NUMBER,      // a 32-bit number held in an int, unsigned or unsigned long
  FIELD_FLAG,        // one byte held in a char or a Bool
  FIELD_ATOM,
  FIELD_KEY_VECTOR,  // 32 bytes
  FIELD_CLIENT_DATA, // the format byte, then the data by format
};

struct event_field {
  field_kind kind;
  uint8_t size;     // bytes of the member in XEvent
  uint16_t offset;  // of the member in XEvent
};

constexpr int FIRST_EVENT_TYPE = KeyPress;      // 2
constexpr int LAST_EVENT_TYPE = MappingNotify;  // 34
constexpr int MAX_EVENT_FIELDS = 12;

struct event_layout {
  int count;
  event_field fields[MAX_EVENT_FIELDS];
};

// The layout of an event type, or null for a type outside 2 to 34.
const event_layout* layout_of(int type);

// The 32-bit value of a number or flag field, and storing one back.
uint32_t get_field(const XEvent* event, const event_field& field);
void set_field(XEvent* event, const event_field& field, uint32_t v);
inline Window* window_field(XEvent* event, const event_field& field) {
  return reinterpret_cast<Window*>(reinterpret_cast<char*>(event) + field.offset);
}
inline Window get_window_field(const XEvent* event, const event_field& field) {
  return *reinterpret_cast<const Window*>(reinterpret_cast<const char*>(event) + field.offset);
}
inline Atom* atom_field(XEvent* event, const event_field& field) {
  return reinterpret_cast<Atom*>(reinterpret_cast<char*>(event) + field.offset);
}

// The recorded time of an event: the time field of key, button, motion and
// crossing events and of the property and selection events; false for others.
bool event_time_of(const XEvent* event, uint32_t* time);

// The name of an atom (XFree it), or null for None and for an atom that does
// not exist: another client's message may name one, and asking must not end
// the server.
char* atom_name(Display* display, Atom atom);
