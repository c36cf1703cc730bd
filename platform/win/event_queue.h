// A queue of X events: a circular doubly linked list with a head node and a
// count, first in first out, unbounded. Portable code.
#pragma once

#include <X11/Xlib.h>

struct Lx_EventNode {
  Lx_EventNode* next;
  Lx_EventNode* previous;
  XEvent event;
};

struct Lx_EventQueue {
  Lx_EventNode head;  // head.next is the oldest event; an empty queue points at itself
  int count;
};

void Lx_InitEventQueue(Lx_EventQueue* queue);
void Lx_ClearEventQueue(Lx_EventQueue* queue);
// Appends a copy at the tail. An Expose raises the count of every Expose of
// its window already queued, so that the last one of a window counts 0.
void Lx_AppendEvent(Lx_EventQueue* queue, const XEvent* event);
// Puts a copy back at the head.
void Lx_PushBackEvent(Lx_EventQueue* queue, const XEvent* event);
// The oldest event (taken out, or only copied); false when empty.
bool Lx_TakeEvent(Lx_EventQueue* queue, XEvent* event);
bool Lx_PeekEvent(const Lx_EventQueue* queue, XEvent* event);
// The oldest event for which `wanted` is true, taken out; false when none.
bool Lx_TakeMatchingEvent(Lx_EventQueue* queue, bool (*wanted)(const XEvent* event, void* argument),
                          void* argument, XEvent* event);
