#include "platform/win/event_rules.h"

namespace {

constexpr long structure = StructureNotifyMask;
constexpr long redirect = SubstructureRedirectMask;
constexpr long motion = PointerMotionMask | PointerMotionHintMask | Button1MotionMask | Button2MotionMask |
                        Button3MotionMask | Button4MotionMask | Button5MotionMask | ButtonMotionMask;

// Indexed by event type, 0 to LX_LAST_EVENT_TYPE.
constexpr long eventMasks[LX_LAST_EVENT_TYPE + 1] = {
    0, 0,                                        // 0, 1: no events
    KeyPressMask, KeyReleaseMask,                // KeyPress, KeyRelease
    ButtonPressMask, ButtonReleaseMask,          // ButtonPress, ButtonRelease
    motion,                                      // MotionNotify
    EnterWindowMask, LeaveWindowMask,            // EnterNotify, LeaveNotify
    FocusChangeMask, FocusChangeMask,            // FocusIn, FocusOut
    KeymapStateMask,                             // KeymapNotify
    ExposureMask, ExposureMask, ExposureMask,    // Expose, GraphicsExpose, NoExpose
    VisibilityChangeMask,                        // VisibilityNotify
    SubstructureNotifyMask,                      // CreateNotify
    structure, structure, structure,             // DestroyNotify, UnmapNotify, MapNotify
    redirect,                                    // MapRequest
    structure, structure,                        // ReparentNotify, ConfigureNotify
    redirect,                                    // ConfigureRequest
    structure,                                   // GravityNotify
    ResizeRedirectMask,                          // ResizeRequest
    structure,                                   // CirculateNotify
    redirect,                                    // CirculateRequest
    PropertyChangeMask,                          // PropertyNotify
    0, 0, 0,                                     // SelectionClear, SelectionRequest, SelectionNotify
    ColormapChangeMask,                          // ColormapNotify
    0, 0, 0,                                     // ClientMessage, MappingNotify, GenericEvent
    ColormapChangeMask,                          // system colours changed
    0, 0, 0, 0,                                  // file, timer, descriptor, return-now
};

bool propagates(int type) {
  switch (type) {
    case KeyPress: case KeyRelease: case ButtonPress: case ButtonRelease:
    case EnterNotify: case LeaveNotify: case MotionNotify:
    case FocusIn: case FocusOut: case VisibilityNotify:
    case ResizeRequest: case PropertyNotify: case ColormapNotify:
      return true;
    default:
      return false;
  }
}

// The position fields of the event types that carry one, null for the others.
int* event_x(XEvent* e) {
  switch (e->type) {
    case KeyPress: case KeyRelease: return &e->xkey.x;
    case ButtonPress: case ButtonRelease: return &e->xbutton.x;
    case MotionNotify: return &e->xmotion.x;
    case EnterNotify: case LeaveNotify: return &e->xcrossing.x;
    default: return nullptr;
  }
}
int* event_y(XEvent* e) {
  switch (e->type) {
    case KeyPress: case KeyRelease: return &e->xkey.y;
    case ButtonPress: case ButtonRelease: return &e->xbutton.y;
    case MotionNotify: return &e->xmotion.y;
    case EnterNotify: case LeaveNotify: return &e->xcrossing.y;
    default: return nullptr;
  }
}

unsigned event_state(const XEvent* e) {
  switch (e->type) {
    case KeyPress: case KeyRelease: return e->xkey.state;
    case ButtonPress: case ButtonRelease: return e->xbutton.state;
    case MotionNotify: return e->xmotion.state;
    case EnterNotify: case LeaveNotify: return e->xcrossing.state;
    default: return 0;
  }
}

}  // namespace

long Lx_EventTypeMask(int type) {
  return type >= 0 && type <= LX_LAST_EVENT_TYPE ? eventMasks[type] : 0;
}

bool Lx_WindowSelects(int type, long event_mask, unsigned state) {
  if (type != MotionNotify) return (event_mask & Lx_EventTypeMask(type)) != 0;
  constexpr unsigned held = Button1Mask | Button2Mask | Button3Mask;
  return (event_mask & PointerMotionMask) != 0 ||
         ((event_mask & Button1MotionMask) != 0 && (state & Button1Mask) != 0) ||
         ((event_mask & Button2MotionMask) != 0 && (state & Button2Mask) != 0) ||
         ((event_mask & Button3MotionMask) != 0 && (state & Button3Mask) != 0) ||
         ((event_mask & ButtonMotionMask) != 0 && (state & held) != 0);
}

Window Lx_DeliveryWindow(XEvent* event, const Lx_WindowTree* tree) {
  Lx_WindowInfo info;
  Window w = event->xany.window;
  if (!tree->info(tree->context, w, &info)) return None;
  if (!propagates(event->type)) return w;
  const long bit = Lx_EventTypeMask(event->type);
  const unsigned state = event_state(event);
  int* x = event_x(event);
  int* y = event_y(event);
  while (!Lx_WindowSelects(event->type, info.event_mask, state)) {
    if ((info.do_not_propagate & bit) != 0 || info.parent == None) return None;
    if (x != nullptr) {
      *x += info.x;
      *y += info.y;
    }
    w = info.parent;
    event->xany.window = w;
    if (!tree->info(tree->context, w, &info)) return None;
  }
  return w;
}

bool Lx_TypeWanted(const Lx_WindowTree* tree, Window window, int type) {
  const long bit = Lx_EventTypeMask(type);
  Lx_WindowInfo info;
  if (bit == 0 || !tree->info(tree->context, window, &info)) return true;
  for (;;) {
    if ((info.event_mask & bit) != 0) return true;
    if ((info.do_not_propagate & bit) != 0 || info.top_level || info.parent == None) return false;
    if (!tree->info(tree->context, info.parent, &info)) return false;
  }
}

unsigned Lx_EventState(const Lx_InputState& in, bool buttons) {
  const struct {
    bool on;
    unsigned bit;
  } bits[] = {
      {in.shift, ShiftMask},      {in.caps_lock, LockMask},      {in.control, ControlMask},
      {in.alt, Mod1Mask},         {in.num_lock, Mod2Mask},       {in.scroll_lock, Mod5Mask},
      {buttons && in.left, Button1Mask}, {buttons && in.middle, Button2Mask}, {buttons && in.right, Button3Mask},
  };
  unsigned state = 0;
  for (const auto& b : bits)
    if (b.on) state |= b.bit;
  return state;
}

unsigned Lx_ButtonEventState(unsigned state, unsigned button, bool press) {
  const unsigned own = button >= 1 && button <= 5 ? Button1Mask << (button - 1) : 0;
  state = press ? state & ~own : state | own;
  return state & ~static_cast<unsigned>(Mod2Mask);
}
