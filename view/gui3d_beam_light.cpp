#include "view/gui3d_beam_light.h"

#include "gl/gl_context.h"
#include "view/gui3d_axis_arrow.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DBeamLight::GUI3DBeamLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPlaneType(item, element, change, activate, AP_BEAM_LIGHT, 2, true, false, true) {
  access_points.init(AP_BEAM_LIGHT, true, gui3d_position(&GUI3DBeamLight::coord_end_z_axis), true,
                     gui3d_action(&GUI3DBeamLight::rotate_on_xy_circles),
                     gui3d_drawing(&GUI3DBeamLight::draw_xy_circles), gui3d_drawing(&GUI3DBeamLight::minmax_sphere),
                     true, gui3d_action(&GUI3DBeamLight::rotate_z_on_sphere),
                     gui3d_drawing(&GUI3DBeamLight::draw_sphere), gui3d_drawing(&GUI3DBeamLight::minmax_sphere));
}

void GUI3DBeamLight::update_edit_vars(value* values) { put_vector(values, -z_axis); }

bool GUI3DBeamLight::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 3)) {
    *message = non_finite_message("BEAM_LIGHT");
    return false;
  }
  bool refused;
  bool changed = take_z_axis(-vector_value(values), &x_axis, &y_axis, &z_axis,
                             "BEAM_LIGHT 3D GUI: Direction vector is not normalized.", message, &refused);
  compute_minmax();
  return changed;
}

void GUI3DBeamLight::update_symbol_parameter() {
  float h = view_.window_height;
  reference_point = Point(view_.reference_point);
  symbol_size = 0.4f * h;
  light_point = reference_point + z_axis * symbol_size;
  small_length = SMALL_CYLINDER_RELATIVE_LENGTH * h, small_radius = SMALL_CYLINDER_RELATIVE_RADIUS * h;
  big_length = BIG_CYLINDER_RELATIVE_LENGTH * h, big_radius = BIG_CYLINDER_RELATIVE_RADIUS * h;
}

void GUI3DBeamLight::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  update_symbol_minmax(light_point + z_axis * (big_length + small_length));
  update_symbol_minmax(light_point);
  add_drag_extent();
}

void draw_lamp(const Point& at, const Vector& axis, const LampSection* sections, int count, bool lit,
               const float* colour, float transparency) {
  XGLContext* c = XGLContext::current_context;
  float rgba[4] = {colour[0], colour[1], colour[2], 1 - transparency};
  c->set_gl_color(rgba[0], rgba[1], rgba[2], rgba[3]);
  if (lit) {
    c->enable_lighting(true);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, rgba);
  }
  c->push_matrix();
  glTranslatef(at.x(), at.y(), at.z());
  turn_z_onto(axis);
  float z = 0;
  for (int i = 0; i < count; ++i) {
    draw_closed_cylinder(z, sections[i].base_radius, sections[i].top_radius, sections[i].length, lit ? 16 : 8);
    z += sections[i].length;
  }
  c->pop_matrix();
  if (lit) c->enable_lighting(false);
}

// The arrow from the reference point toward the light, and the lamp behind
// its tip: the wide head, then the narrow handle.
void GUI3DBeamLight::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  draw_axis_arrow(*this, lit, reference_point, z_axis, symbol_size, 0.02f, color, transparency);
  const LampSection lamp[2] = {{big_length, big_radius, big_radius}, {small_length, small_radius, small_radius}};
  draw_lamp(light_point, z_axis, lamp, 2, lit, color, transparency);
  draw_image(light_point.x(), light_point.y(), light_point.z(), color);
}
