// Which windows get crossing (Enter/Leave) or focus (In/Out) events when the
// pointer or the focus moves from one window to another, in X's order and
// with X's details, within the top-level windows that hold them. Portable
// code over the window tree of event_rules.h.
#pragma once

#include "platform/win/event_rules.h"

struct Lx_CrossingStep {
  Window window;
  bool enter;  // EnterNotify or FocusIn; else LeaveNotify or FocusOut
  int detail;  // NotifyAncestor, NotifyVirtual, NotifyInferior, NotifyNonlinear, NotifyNonlinearVirtual
};

// Calls `step` for each event of a move from `from` to `to` (either may be
// None), leaving events first. Nothing when they are equal. A window's
// ancestors are followed up to and including its top-level window.
void Lx_CrossingSteps(const Lx_WindowTree* tree, Window from, Window to,
                      void (*step)(void* context, const Lx_CrossingStep& step), void* context);
