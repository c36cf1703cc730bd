#include "view/repaint_request.h"

static bool repaint_requested = false;
static bool geometry_changed = false;

void set_repaint(bool geometry) {
  repaint_requested = true;
  if (geometry) geometry_changed = true;
}

bool take_repaint_request(bool* geometry) {
  bool due = repaint_requested;
  *geometry = geometry_changed;
  repaint_requested = geometry_changed = false;
  return due;
}
