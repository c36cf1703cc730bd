#include "view/gui3d_point_light.h"

#include <initializer_list>

#include "gl/gl_context.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DPointLight::GUI3DPointLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_POINT_LIGHT, 2, true, true, false) {
  access_points.init(AP_POINT_LIGHT, true, gui3d_position(&GUI3DPointLight::coord_origin), true,
                     gui3d_action(&GUI3DPointLight::translate_xyz), gui3d_drawing(&GUI3DPointLight::draw_xyz_lines),
                     nullptr, true, gui3d_action(&GUI3DPointLight::translate_in_view), nullptr, nullptr);
}

void GUI3DPointLight::update_edit_vars(value* values) { put_point(values, reference_point); }

bool GUI3DPointLight::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 3)) {
    *message = non_finite_message("POINT_LIGHT");
    return false;
  }
  bool changed = take_point(values, &reference_point);
  compute_minmax();
  return changed;
}

void GUI3DPointLight::draw_symbol(bool lit, float transparency) {
  XGLContext* c = XGLContext::current_context;
  Vector u(view_.u), v(view_.v);
  if (lit) {
    float glass[4] = {color[0], color[1], color[2], 1 - transparency};
    c->enable_lighting(true);
    draw_light_bulb(reference_point, u, v, 0.005f * (view_.window_width + view_.window_height), glass);
    c->enable_lighting(false);
  } else {
    gl_colour(color, transparency);
    draw_disc_with_rays(reference_point, u, v, 0.0045f * view_.window_width, 3);
  }
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
