#include "link/event_fields.h"

#include <cstring>

#define F(kind, member) \
  { kind, uint8_t(sizeof(static_cast<XEvent*>(nullptr)->member)), uint16_t(offsetof(XEvent, member)) }
#define W(member) F(FIELD_WINDOW, member)
#define N(member) F(FIELD_NUMBER, member)
#define B(member) F(FIELD_FLAG, member)
#define A(member) F(FIELD_ATOM, member)

// Indexed by type - FIRST_EVENT_TYPE.
static const event_layout layouts[] = {
    {10, {W(xkey.root), W(xkey.subwindow), N(xkey.time), N(xkey.x), N(xkey.y), N(xkey.x_root),
          N(xkey.y_root), N(xkey.state), N(xkey.keycode), B(xkey.same_screen)}},
    {10, {W(xkey.root), W(xkey.subwindow), N(xkey.time), N(xkey.x), N(xkey.y), N(xkey.x_root),
          N(xkey.y_root), N(xkey.state), N(xkey.keycode), B(xkey.same_screen)}},
    {10, {W(xbutton.root), W(xbutton.subwindow), N(xbutton.time), N(xbutton.x), N(xbutton.y),
          N(xbutton.x_root), N(xbutton.y_root), N(xbutton.state), N(xbutton.button), B(xbutton.same_screen)}},
    {10, {W(xbutton.root), W(xbutton.subwindow), N(xbutton.time), N(xbutton.x), N(xbutton.y),
          N(xbutton.x_root), N(xbutton.y_root), N(xbutton.state), N(xbutton.button), B(xbutton.same_screen)}},
    {10, {W(xmotion.root), W(xmotion.subwindow), N(xmotion.time), N(xmotion.x), N(xmotion.y),
          N(xmotion.x_root), N(xmotion.y_root), N(xmotion.state), B(xmotion.is_hint), B(xmotion.same_screen)}},
    {12, {W(xcrossing.root), W(xcrossing.subwindow), N(xcrossing.time), N(xcrossing.x), N(xcrossing.y),
          N(xcrossing.x_root), N(xcrossing.y_root), N(xcrossing.mode), N(xcrossing.detail),
          B(xcrossing.same_screen), B(xcrossing.focus), N(xcrossing.state)}},
    {12, {W(xcrossing.root), W(xcrossing.subwindow), N(xcrossing.time), N(xcrossing.x), N(xcrossing.y),
          N(xcrossing.x_root), N(xcrossing.y_root), N(xcrossing.mode), N(xcrossing.detail),
          B(xcrossing.same_screen), B(xcrossing.focus), N(xcrossing.state)}},
    {2, {N(xfocus.mode), N(xfocus.detail)}},
    {2, {N(xfocus.mode), N(xfocus.detail)}},
    {1, {{FIELD_KEY_VECTOR, 32, uint16_t(offsetof(XEvent, xkeymap.key_vector))}}},
    {5, {N(xexpose.x), N(xexpose.y), N(xexpose.width), N(xexpose.height), N(xexpose.count)}},
    {7, {N(xgraphicsexpose.x), N(xgraphicsexpose.y), N(xgraphicsexpose.width), N(xgraphicsexpose.height),
         N(xgraphicsexpose.count), N(xgraphicsexpose.major_code), N(xgraphicsexpose.minor_code)}},
    {2, {N(xnoexpose.major_code), N(xnoexpose.minor_code)}},
    {1, {N(xvisibility.state)}},
    {6, {N(xcreatewindow.x), N(xcreatewindow.y), N(xcreatewindow.width), N(xcreatewindow.height),
         N(xcreatewindow.border_width), B(xcreatewindow.override_redirect)}},
    {1, {W(xdestroywindow.window)}},
    {2, {W(xunmap.window), B(xunmap.from_configure)}},
    {2, {W(xmap.window), B(xmap.override_redirect)}},
    {1, {W(xmaprequest.window)}},
    {5, {W(xreparent.window), W(xreparent.parent), N(xreparent.x), N(xreparent.y),
         B(xreparent.override_redirect)}},
    {8, {W(xconfigure.window), N(xconfigure.x), N(xconfigure.y), N(xconfigure.width), N(xconfigure.height),
         N(xconfigure.border_width), W(xconfigure.above), B(xconfigure.override_redirect)}},
    {9, {W(xconfigurerequest.window), N(xconfigurerequest.x), N(xconfigurerequest.y),
         N(xconfigurerequest.width), N(xconfigurerequest.height), N(xconfigurerequest.border_width),
         W(xconfigurerequest.above), N(xconfigurerequest.detail), N(xconfigurerequest.value_mask)}},
    {3, {W(xgravity.window), N(xgravity.x), N(xgravity.y)}},
    {2, {N(xresizerequest.width), N(xresizerequest.height)}},
    {2, {W(xcirculate.window), N(xcirculate.place)}},
    {2, {W(xcirculaterequest.window), N(xcirculaterequest.place)}},
    {3, {A(xproperty.atom), N(xproperty.time), N(xproperty.state)}},
    {2, {A(xselectionclear.selection), N(xselectionclear.time)}},
    {5, {W(xselectionrequest.requestor), A(xselectionrequest.selection), A(xselectionrequest.target),
         A(xselectionrequest.property), N(xselectionrequest.time)}},
    {4, {A(xselection.selection), A(xselection.target), A(xselection.property), N(xselection.time)}},
    {3, {N(xcolormap.colormap), B(xcolormap.c_new), N(xcolormap.state)}},
    {2, {A(xclient.message_type), {FIELD_CLIENT_DATA, 1, uint16_t(offsetof(XEvent, xclient.format))}}},
    {3, {N(xmapping.request), N(xmapping.first_keycode), N(xmapping.count)}},
};
static_assert(sizeof layouts / sizeof layouts[0] == LAST_EVENT_TYPE - FIRST_EVENT_TYPE + 1);

const event_layout* layout_of(int type) {
  if (type < FIRST_EVENT_TYPE || type > LAST_EVENT_TYPE) return nullptr;
  return &layouts[type - FIRST_EVENT_TYPE];
}

uint32_t get_field(const XEvent* event, const event_field& field) {
  const char* at = reinterpret_cast<const char*>(event) + field.offset;
  switch (field.size) {
    case 1: return uint8_t(*at);
    case 4: {
      uint32_t v;
      memcpy(&v, at, 4);
      return v;
    }
    default: {
      unsigned long v;
      memcpy(&v, at, sizeof v);
      return uint32_t(v);
    }
  }
}

void set_field(XEvent* event, const event_field& field, uint32_t v) {
  char* at = reinterpret_cast<char*>(event) + field.offset;
  switch (field.size) {
    case 1: *at = char(v); break;
    case 4: memcpy(at, &v, 4); break;
    default: {
      unsigned long wide = v;
      memcpy(at, &wide, sizeof wide);
    }
  }
}

bool event_time_of(const XEvent* event, uint32_t* time) {
  switch (event->type) {
    case KeyPress: case KeyRelease: *time = uint32_t(event->xkey.time); return true;
    case ButtonPress: case ButtonRelease: *time = uint32_t(event->xbutton.time); return true;
    case MotionNotify: *time = uint32_t(event->xmotion.time); return true;
    case EnterNotify: case LeaveNotify: *time = uint32_t(event->xcrossing.time); return true;
    case PropertyNotify: *time = uint32_t(event->xproperty.time); return true;
    case SelectionClear: *time = uint32_t(event->xselectionclear.time); return true;
    case SelectionRequest: *time = uint32_t(event->xselectionrequest.time); return true;
    case SelectionNotify: *time = uint32_t(event->xselection.time); return true;
    default: return false;
  }
}

static bool atom_error;
static int note_atom_error(Display*, XErrorEvent*) {
  atom_error = true;
  return 0;
}

char* atom_name(Display* display, Atom atom) {
  if (atom == None) return nullptr;
  atom_error = false;
  XErrorHandler previous = XSetErrorHandler(note_atom_error);
  char* name = XGetAtomName(display, atom);
  XSetErrorHandler(previous);
  if (atom_error && name != nullptr) {
    XFree(name);
    name = nullptr;
  }
  return name;
}

