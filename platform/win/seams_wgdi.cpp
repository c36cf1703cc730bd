// seam: the event calls that the tests of the X calls of colours, drawing,
// pixmaps, properties and selections read the queue with, until the event
// module lands.
#include "base/checked_mm.h"
#include "platform/win/layer.h"

namespace {

// seam
Lx_EventNode* find(Display* display, int type) {
  Lx_EventQueue& q = display->queues[LX_X_QUEUE];
  for (Lx_EventNode* n = q.head.next; n != &q.head; n = n->next)
    if (n->event.type == type) return n;
  return nullptr;
}

}  // namespace

// seam
int XPending(Display* display) { return display->queues[LX_X_QUEUE].count; }
// seam
Bool XCheckTypedEvent(Display* display, int type, XEvent* event) {
  Lx_EventNode* n = find(display, type);
  if (n == nullptr) return False;
  *event = n->event;
  n->previous->next = n->next;
  n->next->previous = n->previous;
  --display->queues[LX_X_QUEUE].count;
  CheckedFree(n);
  return True;
}
