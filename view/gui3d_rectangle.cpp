#include "view/gui3d_rectangle.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/loaded_texture.h"
#include "view/gui3d_values.h"

GUI3DRectangle::GUI3DRectangle(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_RECTANGLE, 11, true, true, false) {
  using R = GUI3DRectangle;
  struct Handle {
    GUI3DPosition position;
    GUI3DAction button1, button2;
  };
  const Handle table[8] = {
      {gui3d_position(&R::coord_lower_left), gui3d_action(&R::resize_lower_left), gui3d_action(&R::resize_lower_left)},
      {gui3d_position(&R::coord_lower_middle), gui3d_action(&R::resize_lower_middle),
       gui3d_action(&R::resize_lower_middle_prop)},
      {gui3d_position(&R::coord_lower_right), gui3d_action(&R::resize_lower_right),
       gui3d_action(&R::resize_lower_right)},
      {gui3d_position(&R::coord_middle_left), gui3d_action(&R::resize_middle_left),
       gui3d_action(&R::resize_middle_left_prop)},
      {gui3d_position(&R::coord_middle_right), gui3d_action(&R::resize_middle_right),
       gui3d_action(&R::resize_middle_right_prop)},
      {gui3d_position(&R::coord_upper_left), gui3d_action(&R::resize_upper_left), gui3d_action(&R::resize_upper_left)},
      {gui3d_position(&R::coord_upper_middle), gui3d_action(&R::resize_upper_middle),
       gui3d_action(&R::resize_upper_middle_prop)},
      {gui3d_position(&R::coord_upper_right), gui3d_action(&R::resize_upper_right),
       gui3d_action(&R::resize_upper_right)},
  };
  for (uint8_t i = 0; i < 8; ++i)
    access_points.init(uint8_t(AP_RECTANGLE + i), true, table[i].position, true, table[i].button1, nullptr, nullptr,
                       true, table[i].button2, nullptr, nullptr);
  access_points.init(AP_RECTANGLE + 8, true, gui3d_position(&R::coord_rectangle_origin), true,
                     gui3d_action(&R::translate_xyz), gui3d_drawing(&R::draw_xyz_lines), nullptr, true,
                     gui3d_action(&R::translate_in_view), nullptr, nullptr);
  access_points.init(AP_RECTANGLE + 9, false, gui3d_position(&R::coord_center), true,
                     gui3d_action(&R::translate_center_uv), gui3d_drawing(&R::draw_center_uv_lines), nullptr, true,
                     gui3d_action(&R::translate_center), nullptr, nullptr);
  access_points.offer(AP_RECTANGLE + 9, false);
  recompute_handles();
}

GUI3DRectangle::~GUI3DRectangle() { delete texture; }

void GUI3DRectangle::recompute_handles() {
  rectangle_handle_positions(corner, axis(0), axis(1), length_x, length_y, center ? center_u : 0,
                             center ? center_v : 0, handles);
  reference_point = handles[7];
}

void GUI3DRectangle::reset_symbol_minmax() {
  symbol_min = symbol_max = corner;
  update_symbol_minmax(handles[1]);
  update_symbol_minmax(handles[4]);
  update_symbol_minmax(handles[6]);
}

void GUI3DRectangle::update_edit_vars(value* values) {
  put_point(values, corner);
  values[3].r = std::max(length_x, EDGE_LENGTH_MIN);
  values[4].r = std::max(length_y, EDGE_LENGTH_MIN);
  values[5].r = center_u;
  values[6].r = center_v;
  recompute_handles();
}

// Lengths are taken before their test and stay (the drawing never divides by
// less than the minimum); refused centre values stay with the centre flag set.
bool GUI3DRectangle::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 7)) {
    *message = non_finite_message("RECTANGLE");
    return false;
  }
  bool changed = take_point(values, &corner);
  float a = values[3].r, b = values[4].r, u = values[5].r, v = values[6].r;
  if (a != length_x) length_x = a, changed = true;
  if (b != length_y) length_y = b, changed = true;
  if (a < EDGE_LENGTH_MIN || b < EDGE_LENGTH_MIN) {
    static char text[80];
    std::snprintf(text, sizeof text, "RECTANGLE 3D GUI: edge length is too small - should be at least %g",
                  double(EDGE_LENGTH_MIN));
    *message = text;
  }
  if (u != center_u) center_u = u, changed = true;
  if (v != center_v) center_v = v, changed = true;
  if (!changed) return false;
  center = !(u == -1 && v == -1);
  if (center && (u < 0 || u > 1 || v < 0 || v > 1))
    *message = "RECTANGLE 3D GUI: center point coordinate is out of range";
  access_points.offer(AP_RECTANGLE + 9, center);
  recompute_handles();
  compute_minmax();
  return true;
}

bool GUI3DRectangle::set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) {
  if (type == CoordinateSystem::OWN) internal_error(922, "gui3d_rectangle");
  bool changed = GUI3DPointType::set_coordinate_system(type, axes, mask, message);
  if (changed) {
    recompute_handles();
    compute_minmax();
  }
  return changed;
}

// Values are tested only when they differ; a refusal keeps the values before it.
bool GUI3DRectangle::set_texture(bool on, const char* name, float repeat_x, float repeat_y, float x_offset,
                                 float y_offset, float angle, float light, float transparency, const char** message) {
  bool changed = on != texture_on;
  texture_on = on;
  if (!on) return changed;
  const char* file = name != nullptr ? name : "";
  if (texture == nullptr) {
    texture = new LoadedTexture(GL_RGBA);
    texture->set_use_alpha(true);
    texture->set_filename(dup_chars(file));
    changed = true;
  } else if (texture->get_filename() == nullptr || std::strcmp(texture->get_filename(), file) != 0) {
    texture->set_filename(dup_chars(file));
    changed = true;
  }
  if (repeat_x != placement.repeat_x) placement.repeat_x = repeat_x, changed = true;
  if (repeat_y != placement.repeat_y) placement.repeat_y = repeat_y, changed = true;
  if (x_offset != placement.x_offset) {
    if (!(x_offset >= -0.5f && x_offset <= 0.5f)) {
      *message = "TEXTURE item attribute: X offset is out of range";
      return changed;
    }
    placement.x_offset = x_offset, changed = true;
  }
  if (y_offset != placement.y_offset) {
    if (!(y_offset >= -0.5f && y_offset <= 0.5f)) {
      *message = "TEXTURE item attribute: Y offset is out of range";
      return changed;
    }
    placement.y_offset = y_offset, changed = true;
  }
  if (angle != texture_angle && std::isfinite(angle)) {
    texture_angle = angle;
    placement.cosine = std::cos(angle), placement.sine = std::sin(angle);
    changed = true;
  }
  if (light != lightness) {
    if (!(light >= 0 && light <= 1)) {
      *message = "TEXTURE item attribute: lightness is out of range";
      return changed;
    }
    lightness = light, changed = true;
  }
  if (transparency != texture_transparency) {
    if (!(transparency >= 0 && transparency <= 1)) {
      *message = "TEXTURE item attribute: transparency is out of range";
      return changed;
    }
    texture_transparency = transparency, changed = true;
  }
  return changed;
}

void GUI3DRectangle::delete_texture() {
  if (texture != nullptr) texture->remove();
}

void GUI3DRectangle::draw_symbol(bool, float transparency) {
  Point corners[4] = {corner, handles[1], handles[6], handles[4]};
  XGLContext* c = XGLContext::current_context;
  if (texture == nullptr || !texture_on) {
    gl_colour(color, transparency);
    draw_line_loop(corners, 4);
  } else if (transparency == 0) {
    texture->activate();
    c->set_texture2d_wrap(GL_REPEAT, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    c->set_gl_color(lightness, lightness, lightness, 1 - texture_transparency);
    c->enable_blending(true);
    c->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    c->set_polygon_mode(GL_FILL);
    c->enable_dithering(true);
    float st[4][2];
    rectangle_texture_coordinates(placement, length_x, length_y, center, center_u, center_v, st);
    glEnable(GL_TEXTURE_2D);
    draw_textured_quad(corners, st);
    glDisable(GL_TEXTURE_2D);
  }
  draw_image(corner.x(), corner.y(), corner.z(), color);
}

// The corners keep the edges' ratio unless dragged with button 1.
bool GUI3DRectangle::proportional() { return selection_button != 1; }

bool GUI3DRectangle::plane_hit(TekPoint pointer, Point* hit) const {
  Point origin;
  Vector direction;
  float t;
  return define_pick_ray(pointer, &origin, &direction) &&
         intersect_line_plane(corner, axis(2), origin, direction, hit, &t);
}

bool GUI3DRectangle::resize_corner(bool proportional, TekPoint pointer, const Point& fixed, const Vector& d1,
                                   const Vector& d2, float* length1, float* length2) {
  Point hit;
  if (!plane_hit(pointer, &hit)) return false;
  Vector offset = hit - fixed;
  if (!proportional) {
    float h1 = offset * d1, h2 = offset * d2;
    if (h1 > 0 && h1 >= EDGE_LENGTH_MIN) *length1 = h1;
    if (h2 > 0 && h2 >= EDGE_LENGTH_MIN) *length2 = h2;
    return true;
  }
  float l1 = std::max(*length1, EDGE_LENGTH_MIN), l2 = std::max(*length2, EDGE_LENGTH_MIN);
  Vector diagonal = d1 * l1 + d2 * l2;
  float t = (offset * diagonal) / diagonal.length_square();
  float smallest = std::max(EDGE_LENGTH_MIN / l1, EDGE_LENGTH_MIN / l2);
  if (!(t > 0) || l1 * t < EDGE_LENGTH_MIN || l2 * t < EDGE_LENGTH_MIN) t = smallest;
  *length1 = l1 * t, *length2 = l2 * t;
  return true;
}

void GUI3DRectangle::resize_lower_left(TekPoint pointer) {
  Point fixed = handles[6];
  if (resize_corner(proportional(), pointer, fixed, -axis(0), -axis(1), &length_x, &length_y))
    corner = fixed - axis(0) * length_x - axis(1) * length_y;
  recompute_handles();
}

void GUI3DRectangle::resize_lower_right(TekPoint pointer) {
  Point fixed = handles[4];
  if (resize_corner(proportional(), pointer, fixed, axis(0), -axis(1), &length_x, &length_y))
    corner = fixed - axis(1) * length_y;
  recompute_handles();
}

void GUI3DRectangle::resize_upper_left(TekPoint pointer) {
  Point fixed = handles[1];
  if (resize_corner(proportional(), pointer, fixed, -axis(0), axis(1), &length_x, &length_y))
    corner = fixed - axis(0) * length_x;
  recompute_handles();
}

void GUI3DRectangle::resize_upper_right(TekPoint pointer) {
  resize_corner(proportional(), pointer, corner, axis(0), axis(1), &length_x, &length_y);
  recompute_handles();
}

void GUI3DRectangle::resize_edge(TekPoint pointer, int edge, bool proportional) {
  Point hit;
  if (!plane_hit(pointer, &hit)) return;
  // The edge that stays, the direction away from it, and which length follows.
  bool along_x = edge == 1 || edge == 2;
  Vector d = along_x ? axis(0) : axis(1);
  if (edge == 0 || edge == 1) d = -d;
  Point fixed = edge == 0 ? handles[4] : edge == 1 ? handles[1] : corner;
  float& moving = along_x ? length_x : length_y;
  float& other = along_x ? length_y : length_x;
  float h = (hit - fixed) * d;
  float new_moving = moving, new_other = other;
  if (!proportional) {
    if (h > 0 && h >= EDGE_LENGTH_MIN) new_moving = h;
  } else {
    float ratio = std::max(other, EDGE_LENGTH_MIN) / std::max(moving, EDGE_LENGTH_MIN);
    float m = h > 0 ? h : 0;
    m = std::max({m, EDGE_LENGTH_MIN, EDGE_LENGTH_MIN / ratio});
    new_moving = m, new_other = m * ratio;
  }
  // The corner moves with a lower or left edge that is dragged.
  if (edge == 0) corner = corner + axis(1) * (length_y - new_moving);
  if (edge == 1) corner = corner + axis(0) * (length_x - new_moving);
  moving = new_moving, other = new_other;
  recompute_handles();
}

void GUI3DRectangle::translate_xyz(TekPoint pointer) {
  Point before = reference_point;
  GUI3DPointType::translate_xyz(pointer);
  corner = corner + (reference_point - before);
  recompute_handles();
}

void GUI3DRectangle::translate_in_view(TekPoint pointer) {
  Point before = reference_point;
  GUI3DPointType::translate_in_view(pointer);
  corner = corner + (reference_point - before);
  recompute_handles();
}

bool GUI3DRectangle::perpendicular_to_view(TekPoint pointer) const {
  Point origin;
  Vector direction;
  if (!define_pick_ray(pointer, &origin, &direction)) return true;
  return std::fabs(direction * axis(2)) <= 1e-6f;
}

void GUI3DRectangle::translate_center_along_line(int k, TekPoint pointer) {
  Point on_line;
  translate_along_vector(handles[8], axis(k), pointer, &on_line);
  float length = std::max(k == 0 ? length_x : length_y, EDGE_LENGTH_MIN);
  float d = (on_line - corner) * axis(k);
  float coordinate = d > 0 ? std::min(d / length, 1.0f) : 0;
  (k == 0 ? center_u : center_v) = coordinate;
  recompute_handles();
}

void GUI3DRectangle::translate_center_uv(TekPoint pointer) {
  static uint32_t direction_index;
  if (perpendicular_to_view(pointer)) return;
  if (!translation_in_progress) {
    const Vector axes[2] = {axis(0), axis(1)};
    if (!define_translation_direction(handles[8], 2, axes, pointer, &direction_index)) return;
    translation_in_progress = true;
    translation_vector = axes[direction_index];
  }
  translate_center_along_line(int(direction_index), pointer);
}

void GUI3DRectangle::translate_center(TekPoint pointer) {
  if (perpendicular_to_view(pointer)) return;
  translate_center_along_line(0, pointer);
  translate_center_along_line(1, pointer);
}

void GUI3DRectangle::draw_center_uv_lines() {
  const Point& c = handles[8];
  draw_translation_line(c - axis(1) * (center_v * length_y), c + axis(1) * ((1 - center_v) * length_y));
  draw_translation_line(c - axis(0) * (center_u * length_x), c + axis(0) * ((1 - center_u) * length_x));
}
