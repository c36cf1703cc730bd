#include "view/gui3d_point_type.h"

#include "base/internal_error.h"

void GUI3DPointType::reset_symbol_minmax() { symbol_min = symbol_max = reference_point; }

void GUI3DPointType::compute_minmax() { reset_symbol_minmax(); }

uint32_t GUI3DPointType::free_axes(Vector out[3]) const {
  uint32_t n = 0;
  for (int i = 0; i < 3; ++i)
    if (!coordinate_system->exempt(i)) out[n++] = coordinate_system->axis[i];
  return n;
}

bool GUI3DPointType::set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) {
  Vector a[3];
  switch (type) {
    case CoordinateSystem::ABSENT:
      type = CoordinateSystem::WORLD;
      [[fallthrough]];
    case CoordinateSystem::WORLD:
      a[0] = Vector(1, 0, 0), a[1] = Vector(0, 1, 0), a[2] = Vector(0, 0, 1);
      break;
    case CoordinateSystem::GIVEN:
      for (int i = 0; i < 3; ++i) a[i] = Vector(axes + 3 * i);
      break;
    case CoordinateSystem::VIEW:
      a[0] = Vector(view_.u), a[1] = Vector(view_.v), a[2] = Vector(view_.direction);
      break;
    default:
      internal_error(248, "gui3d");
  }
  return coordinate_system->set(type, a, mask, message);
}

void GUI3DPointType::translate_xyz(TekPoint) {}
void GUI3DPointType::translate_in_view(TekPoint) {}
void GUI3DPointType::draw_xyz_lines() {}
