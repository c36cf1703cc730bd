#include "scene/gui3d_drawing.h"

#include "gl/gl_context.h"
#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "scene/materials.h"
#include "view/gui3d.h"

// Manipulator lighting on while this predefined variable is not 0.
constexpr uint32_t PREDEF_GUI3D_LIGHTING = 108;

// Pushes both matrices and loads identity into them; the modelview stays current.
static void push_identity(XGLContext* c) {
  c->set_matrix_mode(GL_PROJECTION);
  c->push_matrix();
  glLoadIdentity();
  c->set_matrix_mode(GL_MODELVIEW);
  c->push_matrix();
  glLoadIdentity();
}

static void pop_both(XGLContext* c) {
  c->set_matrix_mode(GL_PROJECTION);
  c->pop_matrix();
  c->set_matrix_mode(GL_MODELVIEW);
  c->pop_matrix();
}

// Set while both matrices are identity, so the light stays with the viewer.
// No spot: a scene spot left in the same slot does not shape it.
void set_lighting_parameter(GLenum light) {
  static const float AMBIENT[4] = {0, 0, 0, 1}, WHITE[4] = {1, 1, 1, 1}, POSITION[4] = {0, 0, -1, 0};
  XGLContext* c = XGLContext::current_context;
  glLightfv(light, GL_AMBIENT, AMBIENT);
  glLightfv(light, GL_DIFFUSE, WHITE);
  glLightfv(light, GL_SPECULAR, WHITE);
  glLightf(light, GL_SPOT_CUTOFF, 180);
  glLightf(light, GL_SPOT_EXPONENT, 0);
  GLenum mode = c->get_matrix_mode();
  push_identity(c);
  glLightfv(light, GL_POSITION, POSITION);
  pop_both(c);
  c->set_matrix_mode(mode);
}

// The two sweeps: through the scene, faint; then depth-tested at full colour.
struct Sweep {
  bool depth_test;
  float transparency;
};
static const Sweep SWEEPS[2] = {{false, 0.7f}, {true, 0.0f}};

static void symbol_sweep(const Sweep& sweep, bool lit) {
  XGLContext* c = XGLContext::current_context;
  c->enable_depth_testing(sweep.depth_test);
  GUI3DTableIterator it;
  while (GUI3D* m = it.next()) {
    m->draw_symbol(lit, sweep.transparency);
    c->enable_depth_testing(sweep.depth_test);  // a symbol may draw in front of everything
  }
  if (GUI3D::selected_object != nullptr) GUI3D::selected_object->draw_drag();
}

static void handle_sweep(const Sweep& sweep) {
  XGLContext::current_context->enable_depth_testing(sweep.depth_test);
  GUI3DTableIterator it;
  while (GUI3D* m = it.next()) m->draw_handles(sweep.transparency);
}

void draw_gui3d_objects() {
  XGLContext* c = XGLContext::current_context;
  if (c == nullptr || gui3d_item_count() == 0) return;
  bool rgb = !c->get_color_index_mode();
  int first_sweep = rgb ? 0 : 1;
  if (rgb) {
    c->enable_line_anti_alias(true);
    c->enable_blending(true);
    c->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  c->set_shade_model(GL_FLAT);
  c->set_polygon_mode(GL_FILL);
  c->enable_lighting(false);
  bool lit = get_predef(PREDEF_GUI3D_LIGHTING) != 0;
  GLint lights = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &lights);
  GLenum light = GLenum(GL_LIGHT0 + lights - 1);
  if (lit) {
    set_lighting_parameter(light);
    glEnable(light);
  }
  for (int s = first_sweep; s < 2; ++s) symbol_sweep(SWEEPS[s], lit);
  if (lit) glDisable(light);
  c->enable_lighting(false);

  push_identity(c);
  if (rgb) c->enable_line_anti_alias(false);
  for (int s = first_sweep; s < 2; ++s) handle_sweep(SWEEPS[s]);
  if (rgb) {
    c->enable_blending(false);
    set_update_material();
  }
  pop_both(c);
}
