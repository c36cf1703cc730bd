// Geometry for the selection tests: squares facing the start-up camera, which
// looks from (0, -3000, 0) at the plane y = 0 (model x to the right, z
// upwards, smaller y nearer, 4095 model units across). Positions are given in
// units of U; tek addresses come from the current view after a repaint.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "base/checked_mm.h"
#include "scene/segment_store.h"
#include "view/repaint.h"
#include "view/transforms.h"

namespace selection_scene {

constexpr float U = 1000;

template <typename T>
T* array_of(std::initializer_list<T> values) {
  T* a = static_cast<T*>(CheckedMalloc(values.size() * sizeof(T)));
  std::copy(values.begin(), values.end(), a);
  return a;
}

// Opens segment n, in entity (type, ident), with a square of half-size h
// centred on (x, y, z), with normals (lit) or without; the caller closes it.
inline void open_square(unsigned long n, float x, float y, float z, float h, bool lit, unsigned long type,
                        unsigned long ident) {
  x *= U, y *= U, z *= U, h *= U;
  set_entity(ident, type);
  set_level_name(1, "part");
  create_segment(n);
  vector_type* normals = lit ? array_of<vector_type>({{0, -1, 0}, {0, -1, 0}, {0, -1, 0}, {0, -1, 0}}) : nullptr;
  fill_colored_facet_tree(
      4, array_of<vector_type>({{x - h, y, z - h}, {x + h, y, z - h}, {x - h, y, z + h}, {x + h, y, z + h}}), normals,
      array_of<float>({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), 6, array_of<uint32_t>({1, 4, 0, 1, 2, 3}), nullptr);
}

// The tek address of a model point (in units of U) after a repaint has set
// the current view's camera up.
inline TekPoint tek_of(float x, float y, float z) {
  repaint_screen(false, never_abort_repaint);
  TekPoint t{0, 0};
  EXPECT_TRUE(model_to_tek(Point(x * U, y * U, z * U), t));
  return t;
}

}  // namespace selection_scene
