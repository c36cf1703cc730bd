// The rules by which the layer's X events find their window: the mask of each
// event type, which window takes an event that its own window does not select,
// and the modifier and button bits of an event's state. Portable code over
// X's event records; the window tree is read through Lx_WindowTree.
#pragma once

#include <X11/Xlib.h>

// Event types beyond X's core types.
constexpr int LX_COLOURS_EVENT = 36;  // window only
constexpr int LX_FILE_EVENT = 37;       // subtype 3, 4 or 1 and two message words
constexpr int LX_TIMER_EVENT = 38;      // timer identifier
constexpr int LX_DESCRIPTOR_EVENT = 39; // descriptor and data word
constexpr int LX_RETURN_NOW_EVENT = 40;       // no fields
constexpr int LX_LAST_EVENT_TYPE = 40;

// The X event mask that selects events of the type; 0 for the types every
// window takes (selections, ClientMessage, MappingNotify, 37 to 40) and for
// numbers outside the table.
long Lx_EventTypeMask(int type);

// What the rules need of one window: false from `info` for a window without
// record. `x` and `y` place the window in its parent's client area.
struct Lx_WindowInfo {
  Window parent;  // None at the top
  bool top_level;
  long event_mask;
  long do_not_propagate;
  int x, y;
};
struct Lx_WindowTree {
  bool (*info)(void* context, Window window, Lx_WindowInfo* info);
  void* context;
};

// Whether a window with `event_mask` selects an event of the type: pointer
// motion also by the motion mask of a button held in `state`.
bool Lx_WindowSelects(int type, long event_mask, unsigned state);
// The window that takes the event: its own when it selects it; else the event
// goes up to the parent unless the do-not-propagate mask stops it, with its
// position moved into the parent's area. None when it is dropped (no record,
// stopped, or no selecting ancestor). Types that don't propagate stay with
// their window. The event's window and position are updated.
Window Lx_DeliveryWindow(XEvent* event, const Lx_WindowTree* tree);
// Whether an event of the type is wanted by the window or one of its ancestors
// up to its top-level window, its do-not-propagate mask aside; true for a
// type without mask and for a window without record.
bool Lx_TypeWanted(const Lx_WindowTree* tree, Window window, int type);

// The keys and buttons behind an event's state.
struct Lx_InputState {
  bool shift = false, control = false, alt = false;                // held
  bool caps_lock = false, num_lock = false, scroll_lock = false;   // toggled
  bool left = false, middle = false, right = false;                // held
};
// X's state bits: Shift, Lock, Control, Mod1 (Alt), Mod2 (Num Lock), Mod5
// (Scroll Lock); with `buttons`, Button1 to Button3 too.
unsigned Lx_EventState(const Lx_InputState& input, bool buttons);
// The state of a press or release of button 1 to 3 from the state read at the
// event: the button's own bit as it was before (clear in a press, set in a
// release), and Num Lock left out.
unsigned Lx_ButtonEventState(unsigned state, unsigned button, bool press);
