#include "toolkit/ui_mirrox_cursor.h"

#include <GL/gl.h>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_window.h"

UIMirroxCursor::UIMirroxCursor(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIBottomObject(window_, object_id_, enter),
      letter(new ImageText(0, 7, dup_chars("P"))) {}

UIMirroxCursor::~UIMirroxCursor() { delete letter; }

void UIMirroxCursor::draw() {
  // Window coordinates: the cursor's window moves, not the cursor.
  window->begin_drawing();
  XGLContext* gl = XGLContext::current_context;
  gl->set_gl_color(1, 1, 1);
  gl->set_line_width(2);
  glBegin(GL_LINES);
  glVertex2i(1, 1);
  glVertex2i(10, 10);
  glEnd();
  gl->set_line_width(1);
  glBegin(GL_TRIANGLES);
  glVertex2i(0, 0);
  glVertex2i(3, 7);
  glVertex2i(7, 3);
  glEnd();
  letter->draw(10, 24, 0);
  damaged = false;
}
