// Stand-ins for the calls of the layer's other modules that the display and
// window modules use, until those modules are linked in. Each is marked seam:.
#include "base/checked_mm.h"
#include "platform/win/layer.h"

// seam: the event queues; appends to the display's X queue without the selection rule.
bool Lx_PutEvent(const XEvent* event) {
  Display* d = Lx_CurrentDisplay();
  // A copy's NoExpose names its destination, which may be a pixmap.
  const bool drawable_event = event->type == NoExpose || event->type == GraphicsExpose;
  if (d == nullptr || (!drawable_event && Lx_FindWindow(event->xany.window) == nullptr)) return false;
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
