#include "platform/win/event_queue.h"

#include "base/checked_mm.h"

namespace {

void unlink(Lx_EventQueue* queue, Lx_EventNode* node) {
  node->previous->next = node->next;
  node->next->previous = node->previous;
  CheckedFree(node);
  --queue->count;
}

Lx_EventNode* new_node(const XEvent* event) {
  Lx_EventNode* node = static_cast<Lx_EventNode*>(CheckedMalloc(sizeof(Lx_EventNode)));
  node->event = *event;
  return node;
}

}  // namespace

void Lx_InitEventQueue(Lx_EventQueue* queue) {
  queue->head.next = queue->head.previous = &queue->head;
  queue->count = 0;
}

void Lx_ClearEventQueue(Lx_EventQueue* queue) {
  while (queue->head.next != &queue->head) unlink(queue, queue->head.next);
}

void Lx_AppendEvent(Lx_EventQueue* queue, const XEvent* event) {
  if (event->type == Expose)
    for (Lx_EventNode* n = queue->head.next; n != &queue->head; n = n->next)
      if (n->event.type == Expose && n->event.xexpose.window == event->xexpose.window) ++n->event.xexpose.count;
  Lx_EventNode* node = new_node(event);
  node->next = &queue->head;
  node->previous = queue->head.previous;
  node->previous->next = node;
  queue->head.previous = node;
  ++queue->count;
}

void Lx_PushBackEvent(Lx_EventQueue* queue, const XEvent* event) {
  Lx_EventNode* node = new_node(event);
  node->previous = &queue->head;
  node->next = queue->head.next;
  node->next->previous = node;
  queue->head.next = node;
  ++queue->count;
}

bool Lx_PeekEvent(const Lx_EventQueue* queue, XEvent* event) {
  if (queue->count == 0) return false;
  *event = queue->head.next->event;
  return true;
}

bool Lx_TakeEvent(Lx_EventQueue* queue, XEvent* event) {
  if (!Lx_PeekEvent(queue, event)) return false;
  unlink(queue, queue->head.next);
  return true;
}

bool Lx_TakeMatchingEvent(Lx_EventQueue* queue, bool (*wanted)(const XEvent* event, void* argument),
                          void* argument, XEvent* event) {
  for (Lx_EventNode* n = queue->head.next; n != &queue->head; n = n->next) {
    if (wanted(&n->event, argument)) {
      *event = n->event;
      unlink(queue, n);
      return true;
    }
  }
  return false;
}
