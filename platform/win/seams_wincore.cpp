// Stand-ins for the calls of the layer's other modules that the display and
// window modules use, until those modules are linked in. Each is marked seam:.
#include "base/checked_mm.h"
#include "platform/win/layer.h"

// seam: the event queues; appends to the display's X queue without the selection rule.
bool Lx_PutEvent(const XEvent* event) {
  Display* d = Lx_CurrentDisplay();
  if (d == nullptr || Lx_FindWindow(event->xany.window) == nullptr) return false;
  Lx_EventNode* node = checked_new_array<Lx_EventNode>(1);
  node->event = *event;
  Lx_EventQueue& q = d->queues[LX_X_QUEUE];
  node->previous = q.head.previous;
  node->next = &q.head;
  q.head.previous->next = node;
  q.head.previous = node;
  ++q.count;
  return true;
}
// seam: message translation.
void Lx_MsgToEvent(const MSG*) {}
// seam: selection by event masks.
bool Lx_CheckSendMessage(Window, int) { return true; }
// seam: the modifier state.
unsigned int Lx_MsgGetState(bool) { return 0; }
// seam: focus and crossing sequences.
void Lx_GenerateFocusEvents(Display*, Window, Window, int) {}
void Lx_EnterLeave(Window) {}
// seam: properties.
void Lx_DeleteWindowProperties(Window) {}
int XGetWindowProperty(Display*, Window, Atom, long, long, Bool, Atom, Atom* type, int* format, unsigned long* n,
                       unsigned long* after, unsigned char** data) {
  *type = None;
  *format = 0;
  *n = *after = 0;
  *data = nullptr;
  return Success;
}
XWMHints* XGetWMHints(Display*, Window) { return nullptr; }
Status XGetWMNormalHints(Display*, Window, XSizeHints*, long*) { return 0; }
// seam: selections.
void Lx_ClipboardMessage(Window, UINT) {}
// seam: icons.
HICON Lx_GetIcon(Display*, Window) { return nullptr; }
void Lx_UpdateIcon(Display*, Window) {}
// seam: cursors.
Cursor Lx_FindCursor(Window) { return 0; }
void Lx_SetDefaultCursor(Cursor) {}
// seam: colormaps and pixmaps.
HPALETTE Lx_GetDrawablePalette(Drawable) { return nullptr; }
Colormap XCreateColormap(Display*, Window, Visual*, int) { return 1; }
bool Lx_IsPixmap(Drawable) { return false; }
int Lx_GetPixmapAttributes(Pixmap, XWindowAttributes*) { return 2; }
