#include "view/gui3d_grid.h"

#include <initializer_list>
#include <algorithm>
#include <cmath>

#include "gl/gl_context.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

const Vector GUI3DGrid::side_direction_[3] = {Vector(-1, 0, 0), Vector(0, -1, 0), Vector(0, 0, 1)};
const int GUI3DGrid::side_index_[3][2] = {{0, 2}, {0, 1}, {1, 2}};

GUI3DGrid::GUI3DGrid(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_GRID, 2, true, true, false) {
  access_points.init(AP_GRID, true, gui3d_position(&GUI3DGrid::coord_origin), true,
                     gui3d_action(&GUI3DGrid::translate_xyz), gui3d_drawing(&GUI3DGrid::draw_xyz_lines), nullptr, true,
                     gui3d_action(&GUI3DGrid::translate_in_view), nullptr, nullptr);
}

void GUI3DGrid::update_edit_vars(value* values) {
  put_point(values, reference_point);
  values[3].r = segment_size;
  values[4].r = float(segments);
}

// A refused size or count is not kept; the values before it are.
bool GUI3DGrid::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 5)) {
    *message = non_finite_message("GRID");
    return false;
  }
  bool changed = take_point(values, &reference_point);
  float size = values[3].r, count = std::trunc(values[4].r);
  if (size < SEGMENT_SIZE_MIN) {
    *message = "GRID 3D GUI: Segment size is less than 0.1.";
  } else {
    if (size != segment_size) segment_size = size, changed = true;
    if (count < 1) {
      *message = "GRID 3D GUI: Number of segments is less than 1.";
    } else if (count > float(SEGMENTS_MAX)) {
      *message = "GRID 3D GUI: Number of segments is more than 1000.";
    } else if (uint32_t(count) != segments) {
      segments = uint32_t(count), changed = true;
    }
  }
  compute_minmax();
  return changed;
}

void GUI3DGrid::compute_minmax() {
  reset_symbol_minmax();
  float extent = float(segments) * segment_size;
  for (int p = 0; p < 3; ++p) {
    if (!shown[p]) continue;
    const Vector& a = side_direction_[side_index_[p][0]];
    const Vector& b = side_direction_[side_index_[p][1]];
    update_symbol_minmax(reference_point + a * extent);
    update_symbol_minmax(reference_point + b * extent);
    update_symbol_minmax(reference_point + (a + b) * extent);
  }
}

bool GUI3DGrid::set_configuration(uint32_t configuration) {
  bool m = configuration & 1;
  bool s[3] = {!(configuration & 2), !(configuration & 4), !(configuration & 8)};
  if (m == markers && std::equal(s, s + 3, shown)) return false;
  markers = m;
  std::copy(s, s + 3, shown);
  compute_minmax();
  return true;
}

void GUI3DGrid::draw_symbol(bool, float transparency) {
  XGLContext* c = XGLContext::current_context;
  float width = c->get_line_width();
  Vector u(view_.u), v(view_.v);
  float half = std::min(0.002f * (view_.window_width + view_.window_height), 0.15f * segment_size);
  gl_colour(color, transparency);
  for (int p = 0; p < 3; ++p) {
    if (!shown[p]) continue;
    const Vector& a = side_direction_[side_index_[p][0]];
    const Vector& b = side_direction_[side_index_[p][1]];
    for (int order = 0; order < 2; ++order) {
      const Vector& first = order == 0 ? a : b;
      const Vector& second = order == 0 ? b : a;
      if (markers)
        draw_grid_markers(reference_point, first, second, segments, segment_size, u, v, half);
      else
        draw_grid_lines(reference_point, first, second, segments, segment_size, width);
    }
  }
  c->set_line_width(width);
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}

// The movement since the drag's start is rounded to whole segments, halves up.
void GUI3DGrid::translate_xyz(TekPoint pointer) {
  GUI3DPointType::translate_xyz(pointer);
  if (!translation_in_progress) return;
  Vector moved = reference_point - position_saved_;
  float length = moved.length();
  if (length <= 1e-5f) return;
  reference_point = position_saved_ + moved * (round_to_segments(length, segment_size) / length);
}

void GUI3DGrid::translate_in_view(TekPoint pointer) {
  Point origin;
  Vector direction;
  if (!define_pick_ray(pointer, &origin, &direction)) return;
  Vector best;
  float best_length = -1;
  for (int p = 0; p < 3; ++p) {
    if (!shown[p]) continue;
    const Vector& a = side_direction_[side_index_[p][0]];
    const Vector& b = side_direction_[side_index_[p][1]];
    Point hit;
    float t;
    if (!intersect_line_plane(reference_point, a.cross_product(b), origin, direction, &hit, &t)) continue;
    Vector offset = hit - reference_point;
    Vector cut = a * round_to_segments(offset * a, segment_size) + b * round_to_segments(offset * b, segment_size);
    if (best_length < 0 || cut.length() < best_length) best = cut, best_length = cut.length();
  }
  if (best_length > 0) reference_point = reference_point + best;
}
