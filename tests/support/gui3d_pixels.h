// Manipulators drawn by the repaint in process: the back buffer's pixels
// (read before the swap), the window pixel of a model point in the view drawn
// last, and a fixture whose tests attach manipulators to the program's 3D
// items over a blue background.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "scene/lights.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/pixel_coverage.h"
#include "view/gui3d.h"
#include "view/gui3d_kinds.h"
#include "view/views.h"

namespace gui3d_pixels {

inline Rgb pixel(int x, int y) {
  unsigned char p[3];
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

// Window pixel (y up) of a model point in the view drawn last.
inline void project(const Point& p, float* x, float* y) {
  const double* m = get_viewing_matrix();
  double c[4];
  for (int r = 0; r < 4; ++r) c[r] = m[r] * p.x() + m[4 + r] * p.y() + m[8 + r] * p.z() + m[12 + r];
  float v[4];
  get_viewport(v);
  *x = float(v[0] + (c[0] / c[3] + 1) / 2 * v[2]);
  *y = float(v[1] + (c[1] / c[3] + 1) / 2 * v[3]);
}

// The same in view n, with that view's camera.
inline void project_in_view(int n, const Point& p, float* x, float* y) {
  set_view_being_drawn(n);
  compute_view_camera(n, false, false, nullptr);
  project(p, x, y);
}

// The same measures on the back buffer.
inline Rgb best_near(float x, float y, const Rgb& want) { return best_near_in(pixel, x, y, want); }
inline float coverage(float x, float y, const Rgb& want) { return coverage_in(pixel, x, y, want); }
inline bool line_at(float x, float y, const Rgb& want) { return coverage(x, y, want) >= 0.5f; }

// The blue background and no manipulator light; the manipulators the test
// attached are deleted after it.
class Gui3dPixels : public scene_stream::ViewedSceneStream {
 protected:
  void SetUp() override {
    ViewedSceneStream::SetUp();
    put_predef(108, 0);
    ASSERT_EQ(run(scene_stream::cmd("TM") + scene_stream::ints({1, 0, 0}) + scene_stream::cmd("TG") +
                  scene_stream::ints({1, 4, 0, 0, 0, 100})),
              "");
  }
  void TearDown() override {
    for (uint32_t n = 0; n < gui3d_item_count(); ++n) {
      delete static_cast<GUI3D*>(gui3d_item(n).widget);
      gui3d_item(n).widget = nullptr;
    }
    init_lights();
    ViewedSceneStream::TearDown();
  }
  // A manipulator of the kind on the first item of that kind; owned by the item until the test ends.
  template <class T = GUI3D>
  T* attach(uint8_t kind, GUI3DCallback change = nullptr, GUI3DCallback activate = nullptr) {
    for (uint32_t n = 0; n < gui3d_item_count(); ++n)
      if (gui3d_item(n).kind == kind) {
        T* m = static_cast<T*>(new_gui3d_of_kind(kind, n, 0, change, activate));
        gui3d_item(n).widget = m;
        return m;
      }
    return nullptr;
  }
  static void set(GUI3D* m, std::initializer_list<float> values) {
    std::vector<value> v;
    for (float f : values) v.push_back(value{.r = f});
    const char* message = nullptr;
    m->set_edit_vars(v.data(), &message);
    EXPECT_EQ(message, nullptr);
  }
};

}  // namespace gui3d_pixels
