// The geometry objects drawn into a real GL context (pixels read back), their
// hit tests on hand-computed cases, the transparent ordering, and the model
// transformation against what GL does with the same matrix.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <functional>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/geom_markers.h"
#include "scene/geom_polygon_list.h"
#include "scene/geom_polyline.h"
#include "scene/geom_shell.h"
#include "scene/geom_text.h"
#include "scene/geom_vector.h"
#include "scene/repaint_attributes.h"
#include "scene/segment_store.h"
#include "scene/transformation.h"
#include "tests/scene/gl_test_window.h"
#include "tests/support/dump_files.h"
#include "view/views.h"

namespace {

constexpr int SIZE = 64;
const float CLEAR[3] = {0.3f, 0.3f, 0.3f};

class GeometryTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(gl_window.open(SIZE));
    display = gl_window.display, visual = gl_window.visual, window = gl_window.window;
  }
  static void TearDownTestSuite() {
    gl_window.close();
  }
  void SetUp() override {
    gl = gl_window.new_context();
    ASSERT_TRUE(gl->has_glx_context());
    gl->make_current(window);
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    set_view_being_drawn(1);
    view_type* v = get_view_record(1);
    *v = view_type{};
    const float u[3] = {1, 0, 0}, up[3] = {0, 1, 0}, d[3] = {0, 0, 1};
    for (int k = 0; k < 3; ++k) v->u[k] = u[k], v->v[k] = up[k], v->direction[k] = d[k];
    v->window_width = 2;
    store_viewing_matrix();
    // Counted from here: the display a suite opened first holds blocks of its
    // own under Windows, freed when the suite closes it.
    malloc_balance_at_start = GetMallocBalance();
    init_color_palette();
    set_colormap_entry(1, 1, 1, 0);  // yellow for lines, markers and texts
    get_display_options()->reset();
    gl->set_gl_clear_color(CLEAR);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    repaint.display_options = get_display_options();
  }
  void TearDown() override {
    cleanup_color_palette();
    EXPECT_EQ(GetMallocBalance(), malloc_balance_at_start);
    delete gl;
  }

  static void pixel(int x, int y, unsigned char out[3]) {
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, out);
  }
  static bool is_clear(int x, int y) {
    unsigned char p[3];
    pixel(x, y, p);
    return std::abs(p[0] - 77) <= 1 && std::abs(p[1] - 77) <= 1 && std::abs(p[2] - 77) <= 1;
  }
  static int drawn_in(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += is_clear(x, y) ? 0 : 1;
    return n;
  }

  static GlTestWindow gl_window;
  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  XGLContext* gl = nullptr;
  int32_t malloc_balance_at_start = 0;
  DrawAttributes attributes;
  RepaintAttributes repaint;
};
GlTestWindow GeometryTest::gl_window;
Display* GeometryTest::display = nullptr;
XVisualInfo* GeometryTest::visual = nullptr;
Window GeometryTest::window = None;

template <typename T>
T* array_of(std::initializer_list<T> values) {
  T* a = checked_new_array<T>(values.size());
  size_t i = 0;
  for (const T& v : values) a[i++] = v;
  return a;
}

// A triangle over the centre pixel: (-0.8, -0.8), (0.8, -0.8), (0, 0.8).
GEOMShell* centre_triangle(bool normals, bool colours) {
  return new GEOMShell(3, array_of<vector_type>({{-0.8f, -0.8f, 0}, {0.8f, -0.8f, 0}, {0, 0.8f, 0}}),
                       normals ? array_of<float>({0, 0, 1, 0, 0, 1, 0, 0, 1}) : nullptr,
                       colours ? array_of<float>({1, 0, 0, 1, 0, 0, 1, 0, 0}) : nullptr, 5,
                       array_of<uint32_t>({1, 3, 0, 1, 2}), nullptr);
}

// ------------------------------------------------------------ drawing

TEST_F(GeometryTest, FacetTreeDrawsOnEveryRouteWithOrWithoutNormals) {
  HighlightOptions highlight;
  highlight.init_highlight(1);
  highlight.setup_colormap(1, 0);
  highlight.compute_colormap();
  const struct {
    const char* route;
    bool normals, highlight, lit, hidden_line;
    GLenum shade;
  } cases[] = {
      {"lit smooth", true, false, true, false, GL_SMOOTH},
      {"lit without normals", false, false, true, false, GL_SMOOTH},
      {"lit flat without normals", false, false, true, false, GL_FLAT},
      {"highlight", true, true, true, false, GL_SMOOTH},
      {"highlight without normals", false, true, true, false, GL_SMOOTH},
      {"override", false, false, false, false, GL_SMOOTH},
      {"hidden line", true, false, true, true, GL_SMOOTH},
  };
  glEnable(GL_LIGHT0);
  for (const auto& c : cases) {
    glClear(GL_COLOR_BUFFER_BIT);
    GEOMShell* shell = centre_triangle(c.normals, false);
    DrawAttributes a;
    a.set_facet_mode(c.shade, c.lit, GL_FILL);
    get_display_options()->set_display_hidden_line(c.hidden_line);
    highlight.set_on(c.highlight);
    repaint.highlight_options = &highlight;
    shell->draw(&a, &repaint);
    EXPECT_FALSE(is_clear(32, 32)) << c.route;
    EXPECT_TRUE(is_clear(2, 60)) << c.route;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.route;
    delete shell;
  }
  glDisable(GL_LIGHT0);
  gl->enable_lighting(false);
}

TEST_F(GeometryTest, ColouredFacetTreeTakesItsColoursUnlit) {
  GEOMShell* shell = centre_triangle(false, true);
  shell->draw(&attributes, &repaint);
  unsigned char p[3];
  pixel(32, 32, p);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 0);
  delete shell;
  gl->enable_polygon_offset(false);
}

TEST_F(GeometryTest, PolyLineDrawsInItsPaletteColour) {
  GEOMPolyline line(2, array_of<float>({-1, 0.01f, 0, 1, 0.01f, 0}));
  line.draw(&attributes, &repaint);
  unsigned char p[3];
  pixel(20, 32, p);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 255);
  EXPECT_EQ(p[2], 0);
  EXPECT_TRUE(is_clear(20, 40));
}

TEST_F(GeometryTest, MarkerSymbolsAreDrawnInPixelsAroundTheProjectedPoint) {
  const struct {
    char symbol;
    std::vector<std::pair<int, int>> lit, clear;
  } cases[] = {
      {'+', {{29, 32}, {35, 32}, {32, 29}, {32, 35}}, {{29, 29}, {35, 35}}},
      {'-', {{29, 32}, {35, 32}}, {{32, 29}, {32, 35}}},
      {'X', {{29, 29}, {35, 35}, {29, 35}}, {{29, 32}, {32, 35}}},
      {'O', {{36, 32}, {28, 32}, {32, 36}}, {{32, 32}}},
      {'H', {}, {{32, 32}, {29, 32}}},
  };
  for (const auto& c : cases) {
    glClear(GL_COLOR_BUFFER_BIT);
    DrawAttributes a;
    a.set_marker_symbol(c.symbol);
    GEOMMarkers markers(1, array_of<vector_type>({{0, 0, 0}}));
    markers.draw(&a, &repaint);
    for (auto [x, y] : c.lit) EXPECT_FALSE(is_clear(x, y)) << c.symbol << " " << x << "," << y;
    for (auto [x, y] : c.clear) EXPECT_TRUE(is_clear(x, y)) << c.symbol << " " << x << "," << y;
  }
  EXPECT_EQ(gl->get_stack_depth(0), 1u);
}

TEST_F(GeometryTest, TextIsDrawnAboveAndRightOfItsPositionAndSizeZeroDrawsNothing) {
  GEOMText text(0, 0, 0, dup_chars("HH"));
  DrawAttributes a;
  a.set_text_size(24);
  text.draw(&a, &repaint);
  EXPECT_GT(drawn_in(32, 32, 63, 63), 0);
  EXPECT_EQ(drawn_in(0, 0, 30, 30), 0);
  glClear(GL_COLOR_BUFFER_BIT);
  a.set_text_size(0);
  text.draw(&a, &repaint);
  EXPECT_LE(drawn_in(0, 0, 63, 63), 1);
}

TEST_F(GeometryTest, VectorHasAHeadUnlessItPointsAlongTheView) {
  GEOMVector across(-0.5f, 0.01f, 0, 1, 0, 0, 0.5f, 0.1f);  // L = 1, H = 0.2 of a width of 2
  across.draw(&attributes, &repaint);
  EXPECT_FALSE(is_clear(40, 32));                       // the shaft
  EXPECT_GT(drawn_in(40, 34, 48, 40), 0);               // the head's upper half
  EXPECT_EQ(drawn_in(0, 0, 14, 63), 0);                 // nothing before the start
  glClear(GL_COLOR_BUFFER_BIT);
  GEOMVector along(0, 0, 0, 0, 0, 1, 0.5f, 0.1f);
  along.draw(&attributes, &repaint);
  EXPECT_LE(drawn_in(0, 0, 63, 63), 1);
}

TEST_F(GeometryTest, StoreDrawsVisibleSegmentsPassByPassAndCountsTriangles) {
  init_segment_structure();
  create_segment(1);
  fill_colored_facet_tree(3, array_of<vector_type>({{-0.8f, -0.8f, 0}, {0.8f, -0.8f, 0}, {0, 0.8f, 0}}), nullptr,
                          array_of<float>({0, 0, 1, 0, 0, 1, 0, 0, 1}), 5, array_of<uint32_t>({1, 3, 0, 1, 2}),
                          nullptr);
  close_segment();
  create_segment(2);
  move_beam(-1, 0.9f, 0);
  insert_line(1, 0.9f, 0);
  close_segment();
  RepaintAttributes attrs;
  reset_triangles_displayed();
  EXPECT_FALSE(draw_entities(&attrs, nullptr));
  unsigned char p[3];
  pixel(32, 32, p);
  EXPECT_EQ(p[2], 255);
  EXPECT_FALSE(is_clear(10, 60));  // the line
  EXPECT_EQ(get_triangles_displayed(), 1u);
  EXPECT_FALSE(get_display_was_fast());

  glClear(GL_COLOR_BUFFER_BIT);
  make_one_invisible(1);
  get_display_options()->set_fast_lod(true);
  get_display_options()->set_level_of_detail(true);
  reset_triangles_displayed();
  draw_entities(&attrs, nullptr);
  EXPECT_TRUE(is_clear(32, 32));
  EXPECT_FALSE(is_clear(10, 60));
  EXPECT_EQ(get_triangles_displayed(), 0u);
  EXPECT_TRUE(get_display_was_fast());
  EXPECT_TRUE(get_display_options()->set_fast_lod(false));  // after a fast drawing
  cleanup_ldf();
  EXPECT_EQ(gl->get_stack_depth(0), 1u);
}

// ------------------------------------------------------------ hit tests

// Two strips over six points in a 0.1 grid: [0 1 2] and [2 3 4 5].
GEOMShell* two_strips() {
  return new GEOMShell(6,
                       array_of<vector_type>({{0, 0, 0}, {0.1f, 0, 0}, {0, 0.1f, 0}, {0.1f, 0.1f, 0},
                                              {0.1f, 0.2f, 0}, {0.2f, 0.1f, 0}}),
                       nullptr, nullptr, 10, array_of<uint32_t>({2, 3, 0, 1, 2, 4, 2, 3, 4, 5}), nullptr);
}

TEST_F(GeometryTest, FacetTreeHitInsideATriangleAndNearAnEdge) {
  GEOMShell* shell = two_strips();
  EXPECT_EQ(shell->get_number_triangles(), 3u);
  GEOMSelect_info info;
  const float inside[2] = {0.02f, 0.02f};
  ASSERT_TRUE(shell->nt_select(inside, 1e-6f, false, &info));
  EXPECT_EQ(info.a, 2u);
  EXPECT_EQ(info.b, 1u);
  EXPECT_EQ(info.c, 0u);
  EXPECT_NEAR(info.u, 0.2f, 1e-5);
  EXPECT_NEAR(info.v, 0.6f, 1e-5);
  EXPECT_FLOAT_EQ(info.distance, 0);
  EXPECT_NEAR(info.hit[0], 0.02f, 1e-6);
  EXPECT_NEAR(info.hit[1], 0.02f, 1e-6);
  const float below[2] = {0.05f, -0.01f};
  ASSERT_TRUE(shell->nt_select(below, 0.0004f, false, &info));
  EXPECT_NEAR(info.distance, 0.01f, 1e-5);
  EXPECT_NEAR(info.hit[0], 0.05f, 1e-5);
  EXPECT_NEAR(info.hit[1], 0.0f, 1e-5);
  const float far[2] = {0.9f, 0.9f};
  EXPECT_FALSE(shell->nt_select(far, 0.0004f, false, &info));
  delete shell;
}

TEST_F(GeometryTest, PolyLineHitsItsNearestSegmentAndMarkersTheirFirstPointInRange) {
  GEOMPolyline line(3, array_of<float>({0, 0, 0, 0.5f, 0, 0, 0.5f, 0.5f, 0}));
  GEOMSelect_info info;
  const float q[2] = {0.45f, 0.1f};
  ASSERT_TRUE(line.nt_select(q, 1, false, &info));
  EXPECT_EQ(info.a, 1u);
  EXPECT_EQ(info.b, 2u);
  EXPECT_EQ(info.c, NO_VERTEX);
  EXPECT_NEAR(info.u, 0.2f, 1e-5);
  EXPECT_NEAR(info.distance, 0.05f, 1e-5);
  EXPECT_NEAR(info.hit[1], 0.1f, 1e-6);

  GEOMMarkers markers(2, array_of<vector_type>({{0.1f, 0, 0}, {0.01f, 0, 0}}));
  const float origin[2] = {0, 0};
  ASSERT_TRUE(markers.nt_select(origin, 0.02f, false, &info));
  EXPECT_EQ(info.a, 0u);  // the first in range, not the nearest
  EXPECT_EQ(info.number_of_points, 1u);
  EXPECT_FLOAT_EQ(info.point[0], 0.1f);
  EXPECT_FALSE(markers.nt_select(origin, 0.00001f, false, &info));

  GEOMText text(0, 0.1f, 0, dup_chars("t"));
  const float mirrored_query[2] = {0, -0.1f};
  EXPECT_TRUE(text.nt_select(mirrored_query, 1e-6f, true, &info));
  EXPECT_FALSE(text.nt_select(mirrored_query, 1e-6f, false, &info));
  GEOMVector vector(0.3f, 0.3f, 0, 1, 0, 0, 0.1f, 0.1f);
  const float near_vector[2] = {0.3f, 0.31f};
  EXPECT_TRUE(vector.nt_select(near_vector, 0.001f, false, &info));
  EXPECT_NEAR(info.distance, 0.01f, 1e-5);
}

TEST_F(GeometryTest, TransparentFacetTreesSortByDepthWithNanLast) {
  GEOMPolygonList list;
  std::vector<GEOMShell*> shells;
  // A box from -inf to +inf has a NaN centre.
  const float inf = INFINITY;
  for (float z : {5.0f, NAN, -1.0f, 2.0f, NAN, 0.5f}) {
    vector_type* points = std::isnan(z) ? array_of<vector_type>({{0, 0, -inf}, {0, 0, inf}})
                                        : array_of<vector_type>({{0, 0, z}, {0, 0, z}});
    shells.push_back(new GEOMShell(2, points, nullptr, nullptr, 1, array_of<uint32_t>({0}), nullptr));
    list.add(shells.back(), false, &attributes);
  }
  list.sort();
  const float expected[4] = {-1, 0.5f, 2, 5};
  for (uint32_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(list.at(i).depth, expected[i]) << i;
  EXPECT_TRUE(std::isnan(list.at(4).depth));
  EXPECT_TRUE(std::isnan(list.at(5).depth));
  for (GEOMShell* s : shells) delete s;
}

// ------------------------------------------------------------ transformation against GL

// A rotation about an oblique axis, a non-uniform scale and a translation,
// and a projective one with a non-zero w row.
const double AFFINE[16] = {0.6, 0.8, 0, 0, -1.6, 1.2, 0, 0, 0, 0, 0.5, 0, 3, -2, 7, 1};
const double PROJECTIVE[16] = {1, 0.2, 0, 0.1, 0, 1, 0.3, 0.05, 0.1, 0, 1, 0.02, 1, 2, 3, 1.5};

TEST_F(GeometryTest, PointsAndDirectionsTransformAsGlDrawsThem) {
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const GLint viewport[4] = {0, 0, 2, 2};
  for (const double* m : {AFFINE, PROJECTIVE}) {
    Transformation t(m);
    const double points[3][3] = {{1, 2, 3}, {-4, 0.5, 2}, {0, 0, 0}};
    for (const auto& p : points) {
      double out[3], wx, wy, wz;
      t.transform_point(p, out);
      ASSERT_EQ(gluProject(p[0], p[1], p[2], m, identity, viewport, &wx, &wy, &wz), GL_TRUE);
      // The viewport maps x' to wx - 1; depth maps z' to 2 wz - 1.
      EXPECT_NEAR(out[0], wx - 1, 1e-9);
      EXPECT_NEAR(out[1], wy - 1, 1e-9);
      EXPECT_NEAR(out[2], 2 * wz - 1, 1e-9);
      double back[3];
      t.inverse_transform_point(out, back);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], p[k], 1e-9);
    }
  }
  // The matrix that apply_transformation multiplies in is the same.
  ASSERT_TRUE(set_transformation(new Transformation(AFFINE)));
  glLoadIdentity();
  apply_transformation();
  double current[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, current);
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(current[k], AFFINE[k], 1e-6) << k;  // GL keeps floats
  glLoadIdentity();
  // A direction is the difference of two transformed points; a normal stays
  // perpendicular to every transformed direction of its plane.
  Transformation t(AFFINE);
  const double a[3] = {1, 2, 3}, b[3] = {2, 4, 1}, d[3] = {1, 2, -2};
  double ta[3], tb[3], td[3];
  t.transform_point(a, ta);
  t.transform_point(b, tb);
  t.transform_vector(d, td);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(td[k], tb[k] - ta[k], 1e-12);
  const double normal[3] = {2, -1, 0}, tangents[2][3] = {{1, 2, 0}, {0, 0, 1}};
  double tn[3];
  t.transform_normal(normal, tn);
  for (const auto& tangent : tangents) {
    double tt[3];
    t.transform_vector(tangent, tt);
    EXPECT_NEAR(tn[0] * tt[0] + tn[1] * tt[1] + tn[2] * tt[2], 0, 1e-12);
  }
  cleanup_transformations();
}

TEST(Transformation, SingularIdentityAndEqualMatrices) {
  const double singular[16] = {1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_FALSE(Transformation(singular).is_inverse_valid());
  EXPECT_DOUBLE_EQ(Transformation(singular).det4x4(), 0);
  EXPECT_DOUBLE_EQ(Transformation(AFFINE).det4x4(), 1.0);  // 2 × 0.5
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_TRUE(Transformation(identity).is_identity());
  double nan_identity[16];
  for (int k = 0; k < 16; ++k) nan_identity[k] = identity[k];
  nan_identity[5] = NAN;
  EXPECT_FALSE(Transformation(nan_identity).is_identity());
  EXPECT_TRUE(Transformation(nan_identity) != Transformation(nan_identity));

  EXPECT_FALSE(transformation_enabled());
  Transformation* id = new Transformation(identity);
  EXPECT_TRUE(set_transformation(id));
  EXPECT_FALSE(transformation_enabled());
  Transformation* first = new Transformation(AFFINE);
  EXPECT_TRUE(set_transformation(first));
  EXPECT_TRUE(transformation_enabled());
  Transformation same(AFFINE);
  EXPECT_FALSE(set_transformation(&same));  // the caller keeps an unchanged one
  EXPECT_EQ(get_transformation(), first);

  double halves[16];
  for (int k = 0; k < 16; ++k) halves[k] = identity[k];
  halves[15] = 2;
  const double v[3] = {4, 6, 8};
  double out[3];
  Transformation(halves).transform_vector(v, out);
  EXPECT_DOUBLE_EQ(out[0], 2);
  EXPECT_DOUBLE_EQ(out[2], 4);
  cleanup_transformations();
  EXPECT_FALSE(transformation_enabled());
}

TEST(TransformationDeath, OperationsWithoutATransformationAreInternalErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  vector_type p = {1, 2, 3};
  EXPECT_DEATH(transform_point(&p), removing_dump("internal error"));
}

}  // namespace
