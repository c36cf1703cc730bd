#include "view/gui3d_ruler2d.h"

#include "gl/gl_context.h"
#include "view/gui3d_ruler3d.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DRuler2D::GUI3DRuler2D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_RULER2D, 2, true, false, false) {
  access_points.init(AP_RULER2D, true, gui3d_position(&GUI3DRuler2D::coord_origin), true,
                     gui3d_action(&GUI3DRuler2D::translate_xyz), gui3d_drawing(&GUI3DRuler2D::draw_xyz_lines), nullptr,
                     true, gui3d_action(&GUI3DRuler2D::translate_in_view), nullptr, nullptr);
}

void GUI3DRuler2D::update_edit_vars(value* values) { put_point(values, reference_point); }

bool GUI3DRuler2D::set_edit_vars(const value* values, const char** message) {
  return set_ruler_origin(*this, values, "RULER2D", message);
}

void GUI3DRuler2D::draw_symbol(bool, float transparency) {
  float w = view_.window_width, h = view_.window_height;
  float spacing;
  int subdivisions;
  if (define_axis_sections((w + h) * 0.075f, &spacing, &subdivisions)) {
    Vector u(view_.u), v(view_.v);
    XGLContext* c = XGLContext::current_context;
    gl_colour(color, transparency);
    float tick = (w + h) * 0.01f, text = text_size_for_height(tick);
    RulerAxis along_u{reference_point, u, -v, u, v, -0.25f * w, 0.25f * w, spacing, subdivisions, tick, text,
                      c->get_line_width()};
    draw_ruler_axis(along_u);
    RulerAxis along_v{reference_point, v, -u, u, v, -0.25f * h, 0.25f * h, spacing, subdivisions, tick, text,
                      c->get_line_width(), justify_right, justify_v_centre};
    draw_ruler_axis(along_v);
  }
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
