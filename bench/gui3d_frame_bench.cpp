// Frame time of a repaint that shows a GRID of 1,000 segments in its three
// planes and 100 lit DIRECTION arrows, against a minimal GL program in the
// same context drawing the same lines and GLU cones twice in immediate mode
// (the manipulators' two sweeps), frames of the two alternating.
#include <GL/gl.h>
#include <GL/glu.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/graphics_start.h"
#include "bench/paired.h"
#include "link/si.h"
#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/lights.h"
#include "tests/support/yarl_writer.h"
#include "view/gui3d_direction.h"
#include "view/gui3d_grid.h"
#include "view/gui3d_kinds.h"
#include "view/repaint.h"
#include "view/views.h"

namespace {

constexpr int ARROWS = 100;
constexpr uint32_t SEGMENTS = 1000;

// The standard program with one GRID and ARROWS DIRECTION items, their
// manipulators made directly on the items.
void start_with_items() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t x = p.add(yarl::GLOBAL, yarl::make_ident(K_REAL), "x");
  for (int k = 0; k <= ARROWS; ++k) {
    yarl::Item3D item;
    item.kind = k == 0 ? ITEM_GRID : ITEM_DIRECTION, item.window = 1, item.edit_vars = {yarl::ref16(yarl::GLOBAL, x)};
    yarl::add_gui3d_item(p, item);
  }
  std::vector<uint8_t> bytes = p.bytes();
  decode_tables(bytes.data(), bytes.size());
  prepare_gui3d_items();
  put_predef(111, 1);
  preset_window();
  init_views();
  change_vl_system_viewport(0, 1280, 0, 1024);
  init_segment_structure();
}

void set(GUI3D* m, std::initializer_list<float> values) {
  std::vector<value> v;
  for (float f : values) v.push_back(value{.r = f});
  const char* message = nullptr;
  m->set_edit_vars(v.data(), &message);
  if (message != nullptr) fprintf(stderr, "%s\n", message), exit(1);
}

struct Arrow {
  Point origin;
  Vector direction;
};

// The grid fills about half the view; the arrows stand on a circle around it.
float segment;
std::vector<Arrow> arrows;

void make_manipulators() {
  const view_type* view = get_view_record(1);
  float h = view->window_height;
  segment = 0.5f * h / float(SEGMENTS);
  GUI3D* grid = new_gui3d_of_kind(ITEM_GRID, 0, 0, nullptr, nullptr);
  set(grid, {0.25f * h, 0.25f * h, -0.25f * h, segment, float(SEGMENTS)});
  gui3d_item(0).widget = grid;
  for (int k = 0; k < ARROWS; ++k) {
    double a = 2 * M_PI * k / ARROWS;
    Arrow arrow{Point(float(0.4 * h * std::cos(a)), 0, float(0.4 * h * std::sin(a))),
                Vector(float(std::cos(a)), 0, float(std::sin(a)))};
    GUI3D* m = new_gui3d_of_kind(ITEM_DIRECTION, uint32_t(k + 1), 0, nullptr, nullptr);
    set(m, {arrow.origin.x(), arrow.origin.y(), arrow.origin.z(), arrow.direction.x(), arrow.direction.y(),
            arrow.direction.z()});
    gui3d_item(uint32_t(k + 1)).widget = m;
    arrows.push_back(arrow);
  }
}

double repaint_frame() {
  auto t0 = std::chrono::steady_clock::now();
  repaint_screen(false, never_abort_repaint);
  glFinish();
  return paired::seconds_since(t0);
}

// The anchor: clear, then the grid's lines and the arrows' lines, disks and
// cones, twice, with the view's matrices as the repaint left them.
double raw_frame() {
  static GLUquadric* quadric = gluNewQuadric();
  const view_type* view = get_view_record(1);
  float h = view->window_height;
  float g = (view->window_width + h) * 0.55f * 0.02f, r = 0.12f * h;
  const Point origin(0.25f * h, 0.25f * h, -0.25f * h);
  const Vector sides[3] = {Vector(-1, 0, 0), Vector(0, -1, 0), Vector(0, 0, 1)};
  const int planes[3][2] = {{0, 2}, {0, 1}, {1, 2}};
  GLboolean depth_test = glIsEnabled(GL_DEPTH_TEST);
  auto t0 = std::chrono::steady_clock::now();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const float white[4] = {1, 1, 1, 1};
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_LINE_SMOOTH);
  for (int sweep = 0; sweep < 2; ++sweep) {
    sweep == 0 ? glDisable(GL_DEPTH_TEST) : glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, sweep == 0 ? 0.3f : 1);
    glBegin(GL_LINES);
    for (const auto& p : planes)
      for (int order = 0; order < 2; ++order) {
        const Vector& a = sides[p[order]];
        const Vector& b = sides[p[1 - order]];
        Vector along = a * (float(SEGMENTS) * segment);
        for (uint32_t i = 0; i <= SEGMENTS; ++i) {
          Point start = origin + b * (segment * float(i));
          glVertex3fv(start.coord_array());
          glVertex3fv((start + along).coord_array());
        }
      }
    glEnd();
    for (const Arrow& arrow : arrows) {
      glPushMatrix();
      glTranslatef(arrow.origin.x(), arrow.origin.y(), arrow.origin.z());
      float side = std::hypot(arrow.direction.x(), arrow.direction.y());
      if (side > 1e-6f)
        glRotatef(float(-std::acos(arrow.direction.z()) * 180 / M_PI), arrow.direction.y(), -arrow.direction.x(), 0);
      glDisable(GL_LIGHTING);
      glBegin(GL_LINES);
      glVertex3f(0, 0, 0);
      glVertex3f(0, 0, r);
      glEnd();
      glEnable(GL_LIGHTING);
      glEnable(GL_LIGHT7);
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
      glTranslatef(0, 0, r - g);
      int slices = sweep == 0 ? 10 : 30;
      gluQuadricDrawStyle(quadric, sweep == 0 ? GLU_SILHOUETTE : GLU_FILL);
      gluDisk(quadric, 0, g / 4, slices, 1);
      gluCylinder(quadric, g / 4, 0, g, slices, 1);
      glDisable(GL_LIGHTING);
      glPopMatrix();
    }
  }
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
  glFinish();
  double seconds = paired::seconds_since(t0);
  // Back to what the context cache believes.
  glDisable(GL_LIGHT7);
  depth_test ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int pairs = argc > 1 ? atoi(argv[1]) : 9;
  start_with_items();
  for (int i = 0; i < get_number_of_lights(); ++i) set_light_on(GL_LIGHT0 + i, false);
  put_predef(108, 1);
  make_manipulators();
  repaint_screen(true, never_abort_repaint);
  glFinish();
  printf("a GRID of %u segments in three planes and %d lit DIRECTION arrows, %d frame pairs\n", SEGMENTS, ARROWS,
         pairs);
  paired::Result r = paired::measure(pairs, repaint_frame, raw_frame);
  paired::report("repaint with the manipulators", r, "raw GL, the same drawing", 1.3);
  delete_gui3d_objects();
  return 0;
}
