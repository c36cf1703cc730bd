#include "scene/geom_shell.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/display_file.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/draw_geometry.h"
#include "scene/environment.h"
#include "scene/geom_polygon_list.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "view/transforms.h"
#include "view/views.h"

GEOMPolygonList* GEOMShell::polygon_list = nullptr;

namespace {

// Calls f(first, count) for every strip of an index list.
template <typename F>
void for_each_strip(const uint32_t* list, uint32_t n, F f) {
  for (uint32_t p = 1; p < n; p += list[p] + 1) {
    if (uint64_t(p) + list[p] >= n) return;  // a strip past the end is not drawn
    f(list + p + 1, list[p]);
  }
}

float cross_2d(const float a[2], const float b[2]) { return a[0] * b[1] - a[1] * b[0]; }

// P - a = u (b - a) + v (c - a); inside when u, v >= 0 and u + v <= 1.
bool within_triangle(const float p[2], const float a[2], const float b[2], const float c[2], float* u, float* v) {
  float ab[2] = {b[0] - a[0], b[1] - a[1]}, ac[2] = {c[0] - a[0], c[1] - a[1]}, ap[2] = {p[0] - a[0], p[1] - a[1]};
  float det = cross_2d(ab, ac);
  if (!(std::fabs(det) > 1e-8f)) return false;
  *u = cross_2d(ap, ac) / det;
  *v = cross_2d(ab, ap) / det;
  return *u >= 0 && *v >= 0 && *u + *v <= 1;
}

// Projection parameter of p on the edge from a to b, clamped to 0..1.
float ratio(const float p[2], const float a[2], const float b[2]) {
  float d[2] = {b[0] - a[0], b[1] - a[1]};
  float l = d[0] * d[0] + d[1] * d[1];
  if (l <= 1e-8f) return 0;
  float t = ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1]) / l;
  return t < 0 ? 0 : (t > 1 ? 1 : t);
}

// Squared distance of p to the triangle's edges, with u, v of the nearest point.
float dist_triang(const float p[2], const float a[2], const float b[2], const float c[2], float* u, float* v) {
  auto along = [&](const float s[2], const float e[2], float t, float* d2) {
    float q[2] = {s[0] + t * (e[0] - s[0]), s[1] + t * (e[1] - s[1])};
    *d2 = screen_distance_squared(p, q);
  };
  float t1 = ratio(p, a, b), t2 = ratio(p, a, c), t3 = ratio(p, b, c), d1, d2, d3;
  along(a, b, t1, &d1);
  along(a, c, t2, &d2);
  along(b, c, t3, &d3);
  if (d1 <= d2 && d1 <= d3) {
    *u = t1, *v = 0;
    return d1;
  }
  if (d2 <= d3) {
    *u = 0, *v = t2;
    return d2;
  }
  *u = 1 - t3, *v = t3;
  return d3;
}

}  // namespace

void compute_flat_normal(const vector_type& pp, const vector_type& p, const vector_type& c, bool odd, float out[3]) {
  float sign = odd ? -1.0f : 1.0f;  // (current - previous) on odd triangles
  float a[3] = {sign * (p.x - c.x), sign * (p.y - c.y), sign * (p.z - c.z)};
  float b[3] = {pp.x - p.x, pp.y - p.y, pp.z - p.z};
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
  float l = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
  if (l > 0)
    for (int k = 0; k < 3; ++k) out[k] /= l;
}

GEOMShell::GEOMShell(unsigned long n_points, vector_type* p, float* n, float* c, unsigned long n_indices,
                     uint32_t* list, float* t, const PointBox* box)
    : points(p),
      normals(n),
      colours(c),
      indices(list),
      texture_coordinates(t),
      number_of_points(uint32_t(n_points)),
      number_of_indices(uint32_t(n_indices)),
      number_of_triangles(0),
      wrap{GL_REPEAT, GL_REPEAT} {
  arrays_changed(box);
}

void GEOMShell::arrays_changed(const PointBox* box) {
  uint64_t n = number_of_indices, strips = n > 0 ? indices[0] : 0;
  number_of_triangles = n > 0 && n >= 3 * strips + 1 ? uint32_t(n - 3 * strips - 1) : 0;
  if (box != nullptr)
    set_bounding_box(*box);
  else
    set_bounding_box(number_of_points, points);
}

GEOMShell::~GEOMShell() {
  for (void* block : {static_cast<void*>(points), static_cast<void*>(normals), static_cast<void*>(colours),
                      static_cast<void*>(indices), static_cast<void*>(texture_coordinates)})
    if (block != nullptr) CheckedFree(block);
}

void GEOMShell::set_texture_parameters(const int* w, const float* translate, const float* s, float rotate) {
  wrap[0] = w[0], wrap[1] = w[1];
  translation[0] = translate[0], translation[1] = translate[1];
  scale[0] = s[0], scale[1] = s[1];
  rotation = rotate;
}

void GEOMShell::draw_strips() const {
  for_each_strip(indices, number_of_indices,
                 [](const uint32_t* first, uint32_t count) { glDrawElements(GL_TRIANGLE_STRIP, GLsizei(count), GL_UNSIGNED_INT, first); });
}

void GEOMShell::draw_flat_shaded() const {
  for_each_strip(indices, number_of_indices, [&](const uint32_t* s, uint32_t count) {
    glBegin(GL_TRIANGLE_STRIP);
    for (uint32_t i = 0; i < count; ++i) {
      if (i >= 2) {
        float n[3];
        compute_flat_normal(points[s[i - 2]], points[s[i - 1]], points[s[i]], (i - 2) % 2 == 1, n);
        glNormal3fv(n);
      }
      if (texture_coordinates != nullptr) glTexCoord2fv(texture_coordinates + 2 * s[i]);
      glVertex3fv(&points[s[i]].x);
    }
    glEnd();
  });
}

void GEOMShell::draw(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  const DisplayOptions* options = get_display_options();
  gl->set_polygon_mode(a->get_polygon_mode());
  gl->set_shade_model(a->get_shade_model());
  if (a->get_polygon_offset()) gl->enable_polygon_offset(true);
  bool smooth_lines = false;
  if (a->get_polygon_mode() == GL_LINE) {
    set_line_attributes(a);
    if (options->get_line_anti_alias() && !gl->get_color_index_mode() && repaint->ordinary()) {
      smooth_lines = true;
      gl->enable_line_anti_alias(true);
      gl->enable_blending(true);
      gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, points);
  const HighlightOptions* highlight = repaint->highlight_options;
  if (colours != nullptr && repaint->ordinary())
    draw_colored(repaint);
  else if (highlight != nullptr && highlight->get_on())
    draw_highlighted(repaint);
  else if (repaint->ordinary() && a->get_shaded_facets() && !options->get_display_hidden_line())
    draw_lit(a, repaint);
  else
    draw_override(a, repaint);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (smooth_lines) {
    gl->enable_line_anti_alias(false);
    gl->enable_blending(false);
  }
}

void GEOMShell::draw_colored(const RepaintAttributes*) {
  XGLContext* gl = XGLContext::current_context;
  gl->enable_lighting(false);
  gl->enable_polygon_offset(true);
  gl->set_polygon_offset(-2, -3);
  gl->set_shade_model(GL_SMOOTH);
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(3, GL_FLOAT, 0, colours);
  draw_strips();
  glDisableClientState(GL_COLOR_ARRAY);
  // The colour array leaves GL's current colour at the last vertex drawn.
  if (number_of_indices > 1) {
    const float* last = colours + 3 * indices[number_of_indices - 1];
    glColor3fv(last);
    gl->set_gl_color(last);
  }
  gl->set_polygon_offset(2, 1);
}

void GEOMShell::draw_highlighted(const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  HighlightOptions* highlight = repaint->highlight_options;
  gl->enable_lighting(false);
  if (highlight->get_mode() == 2) glEnable(GL_TEXTURE_1D);
  for_each_strip(indices, number_of_indices, [&](const uint32_t* s, uint32_t count) {
    glBegin(GL_TRIANGLE_STRIP);
    float flat[3] = {0, 0, 0};
    for (uint32_t i = 0; i < count; ++i) {
      const float* n = normals != nullptr ? normals + 3 * s[i] : flat;
      // Without normals each vertex from the third takes its triangle's normal.
      if (normals == nullptr && i >= 2)
        compute_flat_normal(points[s[i - 2]], points[s[i - 1]], points[s[i]], (i - 2) % 2 == 1, flat);
      highlight->apply_highlight_color(n[0], repaint->mirrored ? -n[1] : n[1], n[2]);
      glVertex3fv(&points[s[i]].x);
    }
    glEnd();
  });
  if (highlight->get_mode() == 2) glDisable(GL_TEXTURE_1D);
}

void GEOMShell::draw_lit(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  const DisplayOptions* options = get_display_options();
  gl->enable_lighting(true);
  uint16_t material = a->get_material_index();
  bool textured = texture_coordinates != nullptr && options->get_enable_textures() && material_exists(material) &&
                  material_has_texture(material);
  gl->enable_texture_lighting(textured || (options->get_enable_reflection() && material_exists(material) &&
                                           material_is_reflective(material)));
  a->apply_material();
  if (a->get_fast_lod() && options->get_fast_lod()) {
    if (normals != nullptr) {
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, 0, normals);
    }
    glDrawArrays(GL_POINTS, 0, GLsizei(number_of_points));
    if (normals != nullptr) glDisableClientState(GL_NORMAL_ARRAY);
    return;
  }
  int s = a->get_polygon_offset() ? -1 : 1;
  gl->set_polygon_offset(2 * s, options->get_self_shadows() ? 4 * s : s);
  // The passes (set_shading_modes): the texture, a separate specular pass
  // before GL 1.2, and the reflection; reflection modes need normals.
  bool reflective = normals != nullptr && options->get_enable_reflection() && material_exists(material) &&
                    material_is_reflective(material);
  int reflection_mode = options->get_reflection_type() == 3
                            ? 3
                            : (cube_maps_available() && options->get_reflection_type() == 1 ? 2 : 1);
  int passes[3], n = 0;
  if (textured) {
    passes[n++] = 4;
    if (!gl_version_at_least(1, 2)) passes[n++] = 0;
    if (reflective) passes[n++] = reflection_mode;
  } else {
    passes[n++] = reflective ? reflection_mode : 0;
  }
  if (n > 1) gl->enable_polygon_offset(true);
  for (int k = 0; k < n; ++k) {
    if (k == 0) {
      draw_pass(passes[k], a, repaint);
      continue;
    }
    // The extra passes blend over the first at equal depth.
    glDepthFunc(GL_LEQUAL);
    gl->enable_blending(true);
    if (passes[k] == 0) {
      gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);
      setup_specular_pass(material);
      gl->set_polygon_offset(2, -2);
    } else {
      gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      setup_reflection_pass(material);
      gl->set_polygon_offset(2, -3);
    }
    glDepthMask(GL_FALSE);
    draw_pass(passes[k], a, repaint);
    gl->enable_blending(false);
    glDepthFunc(GL_LESS);
    gl->set_polygon_offset(2, 1);
    glDepthMask(GL_TRUE);
  }
}

void GEOMShell::draw_pass(int mode, const DrawAttributes* a, const RepaintAttributes* repaint) {
  bool smooth = a->get_shade_model() == GL_SMOOTH && normals != nullptr;
  auto with_normals = [&](auto draw) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, normals);
    draw();
    glDisableClientState(GL_NORMAL_ARRAY);
  };
  switch (mode) {
    case 1:
      draw_processor_reflection(repaint);
      return;
    case 2:
      glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
      glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
      glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP);
      for (GLenum g : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R}) glEnable(g);
      glEnable(GL_TEXTURE_CUBE_MAP);
      with_normals([&] { draw_strips(); });
      glDisable(GL_TEXTURE_CUBE_MAP);
      for (GLenum g : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R}) glDisable(g);
      return;
    case 3:
      glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
      glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
      glEnable(GL_TEXTURE_GEN_S);
      glEnable(GL_TEXTURE_GEN_T);
      glEnable(GL_TEXTURE_2D);
      with_normals([&] { draw_strips(); });
      glDisable(GL_TEXTURE_2D);
      glDisable(GL_TEXTURE_GEN_S);
      glDisable(GL_TEXTURE_GEN_T);
      return;
    case 4:
      begin_texture_pass();
      break;
    default:
      break;
  }
  if (smooth)
    with_normals([&] { draw_strips(); });
  else
    draw_flat_shaded();
  if (mode == 4) end_texture_pass();
}

// Texture coordinates of the panorama from each vertex's reflected eye ray;
// k unwraps the azimuth where a strip crosses the -x half-plane.
void GEOMShell::draw_processor_reflection(const RepaintAttributes* repaint) const {
  const view_type* view = get_view_pointer();
  const reflection_frame* f = get_reflection_data();
  bool rotated = !(f->x[0] == 1 && f->y[1] == 1 && f->z[2] == 1);
  const double pi = 3.14159265358979323846;
  // The azimuth wraps around; the poles are the panorama's first and last rows.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glEnable(GL_TEXTURE_2D);
  for_each_strip(indices, number_of_indices, [&](const uint32_t* s, uint32_t count) {
    glBegin(GL_TRIANGLE_STRIP);
    double k = 0, previous_y = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const vector_type& p = points[s[i]];
      double sign = repaint->mirrored ? -1 : 1;
      double e[3] = {view->direction[0], view->direction[1], view->direction[2]};
      if (view->perspective) {
        double d[3] = {view->eye[0] - p.x, view->eye[1] - sign * p.y, view->eye[2] - p.z};
        double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (l > 0)
          for (int c = 0; c < 3; ++c) e[c] = d[c] / l;
      }
      const float* nv = normals + 3 * s[i];
      double n[3] = {nv[0], sign * nv[1], nv[2]};
      double en = e[0] * n[0] + e[1] * n[1] + e[2] * n[2];
      double r[3] = {e[0] - 2 * en * n[0], e[1] - 2 * en * n[1], e[2] - 2 * en * n[2]};
      if (rotated) {
        double q[3] = {f->x[0] * r[0] + f->x[1] * r[1] + f->x[2] * r[2], f->y[0] * r[0] + f->y[1] * r[1] + f->y[2] * r[2],
                       f->z[0] * r[0] + f->z[1] * r[1] + f->z[2] * r[2]};
        for (int c = 0; c < 3; ++c) r[c] = q[c];
      }
      if (i > 0 && previous_y != 0 && r[0] < 0) {
        if (previous_y < 0 && r[1] > 0) k -= 1;
        if (previous_y > 0 && r[1] < 0) k += 1;
      }
      previous_y = r[1];
      glTexCoord2d((std::atan2(r[1], r[0]) + pi) / pi * 0.5 + k, (1 - r[2]) * 0.5);
      glNormal3fv(nv);
      glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
  });
  glDisable(GL_TEXTURE_2D);
}

void GEOMShell::begin_texture_pass() {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_TEXTURE);
  gl->push_matrix();
  glLoadIdentity();
  if (translation[0] != 0 || translation[1] != 0) glTranslatef(translation[0], translation[1], 0);
  if (rotation != 0) glRotatef(rotation, 0, 0, 1);
  if (scale[0] != 1 || scale[1] != 1) glScalef(scale[0], scale[1], 1);
  gl->set_texture2d_wrap(wrap[0], wrap[1]);
  glEnable(GL_TEXTURE_2D);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 0, texture_coordinates);
}

void GEOMShell::end_texture_pass() {
  XGLContext* gl = XGLContext::current_context;
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisable(GL_TEXTURE_2D);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
}

void GEOMShell::draw_override(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  const DisplayOptions* options = get_display_options();
  gl->enable_lighting(false);
  bool hidden_line = options->get_display_hidden_line();
  if (a->get_polygon_mode() == GL_FILL || hidden_line) {
    gl->set_polygon_mode(GL_FILL);
    if (hidden_line) set_index_color(0, repaint);
    draw_strips();
  }
  if (a->get_polygon_mode() == GL_FILL) return;
  if (repaint->ordinary()) {
    if (!a->get_shaded_facets() || normals == nullptr) {
      set_index_color(a->get_line_color(), repaint);
    } else {
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, 0, normals);
      gl->enable_lighting(true);
      a->apply_material();
    }
  }
  gl->set_polygon_mode(a->get_polygon_mode());
  draw_strips();
  glDisableClientState(GL_NORMAL_ARRAY);
}

void GEOMShell::draw_select() const {
  XGLContext::current_context->set_polygon_mode(GL_FILL);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, points);
  draw_strips();
  glDisableClientState(GL_VERTEX_ARRAY);
}

void GEOMShell::draw_transparent(const DrawAttributes* a, const RepaintAttributes* repaint) {
  if (polygon_list != nullptr) polygon_list->add(this, repaint->mirrored, a);
}

float GEOMShell::get_depth(bool mirrored) const {
  Vector v;
  map_model_view(get_view_pointer(), Point(centre[0], mirrored ? -centre[1] : centre[1], centre[2]),
                 get_view_pointer()->perspective, &v);
  return v.z();
}

bool GEOMShell::nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) {
  struct {
    uint32_t a, b, c;
    float u, v, d2;
    bool found;
  } best{0, 0, 0, 0, 0, radius_squared, false};
  auto screen = [&](uint32_t i, float out[2]) { project_to_screen(&points[i].x, mirrored, out); };
  // First pass: a triangle under the point; second: the nearest edge.
  for (int pass = 0; pass < 2 && !(pass == 1 && best.found && best.d2 == 0); ++pass) {
    for_each_strip(indices, number_of_indices, [&](const uint32_t* s, uint32_t count) {
      if (best.found && best.d2 == 0) return;
      for (uint32_t i = 2; i < count; ++i) {
        float a[2], b[2], c[2], u, v;
        screen(s[i], a), screen(s[i - 1], b), screen(s[i - 2], c);
        if (pass == 0) {
          if (within_triangle(point, a, b, c, &u, &v)) {
            best = {s[i], s[i - 1], s[i - 2], u, v, 0, true};
            return;
          }
        } else {
          float d2 = dist_triang(point, a, b, c, &u, &v);
          if (d2 < best.d2) best = {s[i], s[i - 1], s[i - 2], u, v, d2, true};
        }
      }
    });
    if (best.found && best.d2 == 0) break;
  }
  if (!best.found) return false;
  *info = GEOMSelect_info{};
  info->a = best.a, info->b = best.b, info->c = best.c;
  info->u = best.u, info->v = best.v;
  const vector_type &pa = points[best.a], &pb = points[best.b], &pc = points[best.c];
  info->hit[0] = pa.x + best.u * (pb.x - pa.x) + best.v * (pc.x - pa.x);
  info->hit[1] = pa.y + best.u * (pb.y - pa.y) + best.v * (pc.y - pa.y);
  info->hit[2] = pa.z + best.u * (pb.z - pa.z) + best.v * (pc.z - pa.z);
  info->distance = std::sqrt(best.d2);
  info->number_of_points = 1;
  info->point = info->hit;
  return true;
}

// A coloured facet tree is written through the colour branch too (it has no
// normals), so that a save keeps every facet tree the application sent.
void GEOMShell::write_ldf(write_df* out, const DrawAttributes* a, unsigned char lod, float facet_size) const {
  out->begin(DF_GEOMSHELL);
  out->put_int(a->get_material_index());
  out->put_int(lod);
  out->put_float(facet_size);
  out->put_xyz_plus_array(&points[0].x, number_of_points);
  if (colours == nullptr) {
    out->put_xyz_plus_array(normals, normals != nullptr ? number_of_points : 0);
    out->put_float_array(nullptr, 0);
    out->put_float_array(texture_coordinates, texture_coordinates != nullptr ? 2 * number_of_points : 0);
  } else {
    out->put_xyz_plus_array(nullptr, 0);
    out->put_float_array(colours, 3 * number_of_points);
    out->put_float_array(nullptr, 0);
  }
  out->put_uint_array(indices, number_of_indices);
  out->put_int(wrap[0] == GL_REPEAT);
  out->put_int(wrap[1] == GL_REPEAT);
  out->put_float(translation[0]);
  out->put_float(translation[1]);
  out->put_float(scale[0]);
  out->put_float(scale[1]);
  out->put_float(rotation);
  out->end();
}

const char* check_index_array(const uint32_t* list, unsigned long length, unsigned long n_points) {
  // Every point must be used: marked in a scratch bitmap.
  uint64_t* used = static_cast<uint64_t*>(CheckedMalloc(8 * (n_points / 64 + 1)));
  memset(used, 0, 8 * (n_points / 64 + 1));
  IndexArrayCheck check(length, n_points, used);
  check.feed(list, length);
  const char* fault = check.finish();
  CheckedFree(used);
  return fault;
}

// Within a strip a bad index is reported before a triangle of equal indices.
bool IndexArrayCheck::take_strip_indices(const uint32_t* s, unsigned long count) {
  unsigned long k = 0;
  for (; k < count && strip_seen_ < 2; ++k, ++strip_seen_) {
    if (s[k] >= n_points_) return false;
    mark(s[k]);
    (strip_seen_ == 0 ? a_ : b_) = s[k];
  }
  uint32_t a = a_, b = b_;
  bool equal = equal_;
  for (; k < count; ++k) {
    uint32_t c = s[k];
    if (c >= n_points_) return false;
    mark(c);
    equal |= (c == b) | (c == a) | (b == a);
    a = b, b = c;
  }
  a_ = a, b_ = b, equal_ = equal;
  return true;
}

void IndexArrayCheck::feed(const uint32_t* part, unsigned long count) {
  unsigned long i = 0;
  while (i < count && fault_ == nullptr && !done_) {
    if (at_ == 0) {  // the number of strips
      strips_left_ = part[i++];
      ++at_;
      done_ = strips_left_ == 0;
    } else if (strip_left_ == 0) {  // a strip's length
      uint32_t l = part[i++];
      if (uint64_t(at_) + l >= length_) {
        fault_ = "Index array too short";
      } else if (l < 3) {
        fault_ = "Strip length < 3";
      } else {
        strip_left_ = l, strip_seen_ = 0, equal_ = false;
      }
      ++at_;
    } else {
      unsigned long m = std::min<unsigned long>(strip_left_, count - i);
      if (!take_strip_indices(part + i, m)) {
        fault_ = "Bad point index";
        return;
      }
      i += m, at_ += m, strip_left_ -= uint32_t(m);
      if (strip_left_ == 0) {
        if (equal_) fault_ = "Triangle contains equal point indices";
        next_strip_ = at_;
        done_ = --strips_left_ == 0;
      }
    }
  }
}

const char* IndexArrayCheck::finish() const {
  if (fault_ != nullptr) return fault_;
  if (!done_) return "Index array too short";  // strips still due where the list ends
  if (next_strip_ != length_) return "Index array too long";
  unsigned long marked = 0;
  for (unsigned long w = 0; w < n_points_ / 64 + 1; ++w) marked += unsigned(__builtin_popcountll(used_[w]));
  return marked == n_points_ ? nullptr : "Not all points used in index array";
}
