// The entity tree drawn through the repaint: frustum tests, display lists with
// their validity, aborts and reuse, mirroring, transparency, and the overlay
// pass, with segments sent through the command parser and pixels read back.
#include "scene/draw_geometry.h"
#include "scene/lights.h"
#include "scene/materials.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <GL/gl.h>

#include <cmath>

#include "link/si.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/entity_list.h"
#include "scene/geom_markers.h"
#include "scene/geom_polyline.h"
#include "scene/geom_polygon_list.h"
#include "scene/geom_shell.h"
#include "scene/geom_text.h"
#include "scene/repaint_attributes.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace scene_stream;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

// ------------------------------------------------------------ frustum

TEST(Frustum, BoxesAgainstTheUnitClipCube) {
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  setup_frustum_planes(identity);
  const struct {
    const char* name;
    float lo[3], hi[3];
    int expected;
  } cases[] = {
      {"inside", {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 1},
      {"straddling the right plane only", {0.5f, -0.5f, -0.5f}, {1.5f, 0.5f, 0.5f}, 0},
      {"straddling the near plane only", {-0.5f, -0.5f, -2}, {0.5f, 0.5f, 0}, 0},
      {"enclosing the cube", {-2, -2, -2}, {2, 2, 2}, 0},
      {"beyond the left plane", {-3, -0.5f, -0.5f}, {-2, 0.5f, 0.5f}, 2},
      {"beyond the top plane, straddling the right one", {0.5f, 2, -0.5f}, {1.5f, 3, 0.5f}, 2},
      {"beyond the far plane", {-0.5f, -0.5f, 1.5f}, {0.5f, 0.5f, 2}, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(box_is_visible(c.lo, c.hi), c.expected) << c.name;
  const float centre[3] = {0, 0, 0}, on_plane[3] = {1, 0, 0}, outside[3] = {0, 0, -1.5f};
  EXPECT_TRUE(point_is_visible(centre));
  EXPECT_FALSE(point_is_visible(on_plane));
  EXPECT_FALSE(point_is_visible(outside));
}

// ------------------------------------------------------------ drawing

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
const Rgb RED = {255, 0, 0};
const Rgb GREEN = {0, 255, 0};
const Rgb BLUE = {0, 0, 255};

// Blue background (palette entry 0), model points in thousandths.
std::string blue_background() { return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}); }

// A coloured triangle in the plane y = 0 facing the start-up camera, centred
// on (x, z) with half-size h (model units); pixels 312 per unit around (640, 512).
std::string flat_triangle(long n, float x, float z, float h, const Triple& rgb) {
  auto at = [](float v) { return long(std::lround(v * 1000000)); };
  std::vector<Triple> points = {{at(x - h), 0, at(z - h)}, {at(x + h), 0, at(z - h)}, {at(x), 0, at(z + h)}};
  return so(n) + uc(points, {rgb}, {0, 0, 0}, ONE_STRIP) + sc();
}

// A lit square in y = 0 with normals toward the camera, drawn with material m.
std::string lit_square(long n, long m, float h) {
  long a = std::lround(h * 1000000);
  std::vector<Triple> points = {{-a, 0, -a}, {a, 0, -a}, {-a, 0, a}, {a, 0, a}};
  std::vector<Triple> normals = {{0, 1000, 0}, {0, 1000, 0}, {0, 1000, 0}, {0, 1000, 0}};
  return so(n) + cmd("TO") + i(m) + ut(points, normals, {}, {1, 4, 0, 1, 2, 3}) + sc();
}

std::string entity(long level, long type, long ident, const char* name) {
  return cmd("CE") + i(type) + i(ident) + cmd("CL") + i(level) + tek::string_param(name);
}

int abort_after = -1;  // the call that aborts, counted from 1; -1 never
int abort_calls = 0;
bool counting_abort() { return ++abort_calls == abort_after; }

// Materials for the transparency test under a white ambient light: 1 opaque
// red, 2 blue and half transparent.
void define_ambient_materials() {
  const float red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1}, black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
  set_light_ambient_color(GL_LIGHT0, white);
  set_light_on(GL_LIGHT0, true);
  for (unsigned short m : {1, 2}) {
    material_attributes a;
    for (int k = 0; k < 4; ++k) {
      a.ambient[k] = (m == 2 ? blue : red)[k];
      a.diffuse[k] = a.specular[k] = black[k];
    }
    a.transparency = m == 2 ? 0.5f : 0;
    set_material(m, &a);
  }
}

class Draw : public ViewedSceneStream {
 protected:
  void SetUp() override {
    ViewedSceneStream::SetUp();
    abort_after = -1;
    abort_calls = 0;
  }
  void TearDown() override {
    cleanup_material_list();
    init_material_list();
    init_lights();
    ViewedSceneStream::TearDown();
  }
  static Rgb pixel(int x, int y) {
    unsigned char p[3];
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
  // Repaints and reads before the swap; the back buffer is undefined after it.
  static bool repaint(bool (*abort)() = never_abort_repaint) { return repaint_screen(false, abort); }
  static EntityInformation* node(long type, long ident) {
    EntityList* list = get_entity_list();
    return list->Get(list->Find(type, ident));
  }
  static RepaintAttributes pass0() {
    RepaintAttributes a;
    a.list_variant = 1;
    a.pass = 0;
    return a;
  }
  // Window pixel of a model point in the current view.
  static void project(const float* p, float* x, float* y) {
    const double* m = get_viewing_matrix();
    double c[4];
    for (int r = 0; r < 4; ++r) c[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    float v[4];
    get_viewport(v);
    *x = float(v[0] + (c[0] / c[3] + 1) / 2 * v[2]);
    *y = float(v[1] + (c[1] / c[3] + 1) / 2 * v[3]);
  }
  // True when a pixel within `r` of (x, y) differs from the background.
  static bool drawn_near(float x, float y, int r) {
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx)
        if (!(pixel(int(x) + dx, int(y) + dy) == BLUE)) return true;
    return false;
  }
};

TEST_F(Draw, NothingIsDrawnFromAnEmptyTreeOrSegmentsWithoutGeometry) {
  get_display_options()->set_use_display_lists(true);
  EXPECT_EQ(run(blue_background()), "");
  EXPECT_FALSE(repaint());
  EXPECT_EQ(run(entity(1, 3, 1, "empty") + so(1) + sc() + so(2) + sc()), "");
  EXPECT_FALSE(repaint());
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), BLUE);
}

TEST_F(Draw, ListsAreRecordedOnceThenCalledAndRebuiltAfterAChange) {
  get_display_options()->set_use_display_lists(true);
  EXPECT_EQ(run(blue_background() + entity(1, 3, 1, "part") + flat_triangle(1, 0, 0, 1, {255, 0, 0})), "");
  EntityInformation* part = node(3, 1);
  EntityInformation* root = get_entity_list()->Root();
  const RepaintAttributes a0 = pass0();
  uint64_t recorded = EntityInformation::lists_recorded;
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), RED);
  EXPECT_EQ(EntityInformation::lists_recorded, recorded + 1) << "the entity's list; the root waits for it";
  EXPECT_TRUE(part->list_is_valid(&a0));
  EXPECT_FALSE(repaint());
  EXPECT_EQ(EntityInformation::lists_recorded, recorded + 2) << "the root's list calls the entity's";
  EXPECT_TRUE(root->list_is_valid(&a0));
  uint64_t called = EntityInformation::lists_called;
  EXPECT_FALSE(repaint());
  EXPECT_EQ(EntityInformation::lists_recorded, recorded + 2);
  EXPECT_EQ(EntityInformation::lists_called, called + 1) << "one call of the root's list";
  EXPECT_EQ(pixel(640, 512), RED);
  EXPECT_EQ(get_predef(99), 1) << "triangles of a called list are counted";

  EXPECT_EQ(run(cmd("SF") + i(1) + flat_triangle(1, 0, 0, 1, {0, 255, 0})), "");
  EXPECT_FALSE(part->list_is_valid(&a0));
  EXPECT_FALSE(root->list_is_valid(&a0));
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), GREEN);
  EXPECT_GT(EntityInformation::lists_recorded, recorded + 2);
}

TEST_F(Draw, AnInvisibleSegmentDisappearsFromAListedDrawing) {
  get_display_options()->set_use_display_lists(true);
  EXPECT_EQ(run(blue_background() + entity(1, 3, 1, "part") + flat_triangle(1, -1, 0, 0.5f, {255, 0, 0}) +
                flat_triangle(2, 1, 0, 0.5f, {0, 255, 0})),
            "");
  for (int k = 0; k < 3; ++k) EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640 - 312, 512), RED);
  EXPECT_EQ(run(cmd("SV") + i(1) + i(0)), "");
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640 - 312, 512), BLUE);
  EXPECT_EQ(pixel(640 + 312, 512), GREEN);
  EXPECT_EQ(run(cmd("SV") + i(1) + i(1)), "");
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640 - 312, 512), RED);
}

// With level of detail a list holds while the view's scale stays within a
// factor of two of the scale it was recorded at; the zoom changes the scale.
TEST_F(Draw, WithLevelOfDetailAListHoldsWithinAFactorOfTwoOfItsScale) {
  DisplayOptions* o = get_display_options();
  o->set_use_display_lists(true);
  const std::string scene = blue_background() + entity(1, 3, 1, "part") + flat_triangle(1, 0, 0, 1, {255, 0, 0});
  // A new store and start-up views; the part's list recorded, then the root's calling it.
  auto recorded_twice = [&](const std::string& what) {
    cleanup_ldf();
    init_segment_structure();
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    ASSERT_EQ(run(scene), "");
    uint64_t recorded = EntityInformation::lists_recorded;
    EXPECT_FALSE(repaint());
    EXPECT_EQ(EntityInformation::lists_recorded, recorded + 1) << what << ": the part's list";
    uint64_t called = EntityInformation::lists_called;
    EXPECT_FALSE(repaint());
    EXPECT_EQ(EntityInformation::lists_recorded, recorded + 2) << what << ": the root's list, not the part's again";
    EXPECT_EQ(EntityInformation::lists_called, called + 1) << what << ": the part's list called";
  };
  o->set_level_of_detail(true);
  const struct {
    float zoom;  // the scale becomes 1 / zoom of the recorded one
    bool kept;
  } cases[] = {{1.9f, true}, {0.6f, true}, {2.0f, false}, {0.5f, false}};
  for (const auto& c : cases) {
    std::string what = "zoom " + std::to_string(c.zoom);
    recorded_twice(what);
    ASSERT_TRUE(change_zoom(c.zoom));
    uint64_t recorded = EntityInformation::lists_recorded;
    EXPECT_FALSE(repaint());
    EXPECT_EQ(EntityInformation::lists_recorded == recorded, c.kept) << what;
    EXPECT_EQ(pixel(640, 512), RED) << what;
  }
  o->set_level_of_detail(false);
  recorded_twice("without level of detail");
  ASSERT_TRUE(change_zoom(4));
  uint64_t recorded = EntityInformation::lists_recorded;
  EXPECT_FALSE(repaint());
  EXPECT_EQ(EntityInformation::lists_recorded, recorded) << "without level of detail the scale does not matter";
}

// The finest level whose facets the view shows larger than 2 pixels is drawn:
// level 1 (red, facets of 100 units) at the start-up scale of 0.31 pixels per
// unit, level 2 (green, 1000 units) once zoomed out 20 times. Both levels are
// one triangle of half-size 600 units.
TEST_F(Draw, WithLevelOfDetailTheViewScaleChoosesTheLevel) {
  get_display_options()->set_level_of_detail(true);
  auto at = [](float v) { return long(std::lround(v * 1000000)); };
  std::vector<Triple> points = {{at(-600), 0, at(-600)}, {at(600), 0, at(-600)}, {0, 0, at(600)}};
  std::string levels = cmd("UM") + i(1) + cmd("FS") + r(100) + uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) +
                       cmd("UM") + i(2) + cmd("FS") + r(1000) + uc(points, {{0, 255, 0}}, {0, 0, 0}, ONE_STRIP);
  EXPECT_EQ(run(blue_background() + so(1) + levels + sc()), "");
  for (bool lists : {false, true}) {
    get_display_options()->set_use_display_lists(lists);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    EXPECT_FALSE(repaint());
    EXPECT_NEAR(get_view_record(1)->scale, 1280.0f / 4095.0f, 1e-4f);
    EXPECT_EQ(pixel(640, 512), RED) << "lists " << lists;
    ASSERT_TRUE(change_zoom(20));
    EXPECT_FALSE(repaint());
    EXPECT_EQ(pixel(640, 512), GREEN) << "lists " << lists;
  }
}

TEST_F(Draw, AnAbortDuringARecordingLeavesTheListOutOfDateAndALaterRepaintDrawsIt) {
  get_display_options()->set_use_display_lists(true);
  std::string s = blue_background() + entity(1, 3, 1, "assembly") + entity(2, 4, 1, "part");
  EXPECT_EQ(run(s + flat_triangle(1, 0, 0, 1, {255, 0, 0})), "");
  EntityInformation* assembly = node(3, 1);
  // Calls: the root, the assembly (which starts recording), then its part.
  abort_after = 3;
  EXPECT_TRUE(repaint(counting_abort));
  EXPECT_EQ(abort_calls, 3);
  ASSERT_NE(assembly->lists[0][0].name, 0u) << "the recording was started";
  EXPECT_TRUE(list_out_of_date(assembly->lists[0][0]));
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), RED);
  EXPECT_FALSE(list_out_of_date(assembly->lists[0][0]));
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), RED);
}

TEST_F(Draw, MirrorModeTwoDrawsTheModelAndItsMirrorImage) {
  // The start-up camera looks along y: the mirror image in y lies at the same
  // place on the screen, on the other side of y = 0.
  std::vector<Triple> points = {{-500000, 500000, -500000}, {500000, 500000, -500000}, {0, 500000, 500000}};
  std::string triangle = so(1) + uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc();
  EXPECT_EQ(run(blue_background() + triangle), "");
  const struct {
    uint32_t mode;
    int triangles;
  } cases[] = {{0, 1}, {2, 2}, {1, 1}};
  for (bool lists : {false, true})
    for (const auto& c : cases) {
      get_display_options()->set_use_display_lists(lists);
      set_mirror_display(c.mode);
      EXPECT_FALSE(repaint());
      EXPECT_EQ(get_predef(99), c.triangles) << "mode " << c.mode << ", lists " << lists;
      EXPECT_EQ(pixel(640, 512), RED) << "mode " << c.mode << ", lists " << lists;
      EXPECT_EQ(XGLContext::current_context->get_stack_depth(0), 1u) << "the mirror matrix was popped";
    }
  set_mirror_display(0);
}

TEST_F(Draw, ATransparentSurfaceBlendsOverAnOpaqueOne) {
  define_ambient_materials();
  get_display_options()->set_enable_transparency(true);
  // The opaque square behind (larger), the transparent one in front of it.
  std::string s = blue_background() + lit_square(1, 1, 1.5f);
  long y = get_view_record(get_current_view_number())->eye[1] > 0 ? 200000 : -200000;  // toward the eye
  std::vector<Triple> front = {{-500000, y, -500000}, {500000, y, -500000}, {-500000, y, 500000}, {500000, y, 500000}};
  std::vector<Triple> normals(4, Triple{0, 1000, 0});
  s += so(2) + cmd("TO") + i(2) + ut(front, normals, {}, {1, 4, 0, 1, 2, 3}) + sc();
  EXPECT_EQ(run(s), "");
  for (bool lists : {false, true}) {
    get_display_options()->set_use_display_lists(lists);
    EXPECT_FALSE(repaint());
    EXPECT_FALSE(repaint());
    Rgb mixed = pixel(640, 512), opaque = pixel(640 + 400, 512);
    EXPECT_EQ(opaque, RED) << lists;
    EXPECT_GT(mixed.r, 20) << lists;
    EXPECT_LT(mixed.r, 235) << lists;
    EXPECT_GT(mixed.b, 20) << lists;
    EXPECT_LT(mixed.b, 235) << lists;
  }
  get_display_options()->set_enable_transparency(false);
  EXPECT_FALSE(repaint());
  EXPECT_EQ(pixel(640, 512), BLUE) << "transparency off: the front square is drawn opaque";
}

TEST_F(Draw, LinesMarkersAndTextsAppearWhereTheirModelPointsProject) {
  std::string s = blue_background() + tek::set_coor_mode(2, 6) + so(1) + cmd("LF") + point3({-1000000, 0, -800000}) +
                  cmd("LG") + point3({1000000, 0, -800000}) + sc();
  s += so(2) + cmd("LH") + point3({-700000, 0, 700000}) + sc();
  s += so(3) + cmd("LF") + point3({500000, 0, 500000}) + cmd("LT") + tek::string_param("Hi") + sc();
  EXPECT_EQ(run(s), "");
  for (bool lists : {false, true}) {
    get_display_options()->set_use_display_lists(lists);
    EXPECT_FALSE(repaint());
    EXPECT_FALSE(repaint());
    const GEOMPolyline* line = static_cast<const GEOMPolyline*>(get_segment(1)->first_line);
    ASSERT_NE(line, nullptr);
    const float* p = line->get_points();
    float mid[3] = {(p[0] + p[3]) / 2, (p[1] + p[4]) / 2, (p[2] + p[5]) / 2}, x, y;
    project(mid, &x, &y);
    EXPECT_TRUE(drawn_near(x, y, 1)) << "line, lists " << lists;
    EXPECT_FALSE(drawn_near(x, y + 30, 3)) << "nothing beside the line";
    const GEOMMarkers* marker = static_cast<const GEOMMarkers*>(get_segment(2)->first_marker);
    ASSERT_NE(marker, nullptr);
    project(&marker->get_points()[0].x, &x, &y);
    EXPECT_TRUE(drawn_near(x, y, 3)) << "marker, lists " << lists;
    const GEOMText* text = static_cast<const GEOMText*>(get_segment(3)->first_text);
    ASSERT_NE(text, nullptr);
    project(text->get_position(), &x, &y);
    EXPECT_TRUE(drawn_near(x + 6, y + 6, 6)) << "text, lists " << lists;
  }
}

TEST_F(Draw, LinesTakeTheirWeightStyleAndColourMapEntry) {
  const Rgb YELLOW = {255, 255, 0};
  // Colour map entry 5 is yellow; a solid line of weight 5 below, a dashed one of weight 1 above
  // (the attributes stay in force from one segment to the next).
  std::string s = blue_background() + cmd("TG") + ints({1, 4, 5, 100, 100, 0}) + tek::set_coor_mode(2, 6);
  s += so(1) + cmd("ML") + i(5) + cmd("MW") + i(5) + cmd("LF") + point3({-1000000, 0, -800000}) + cmd("LG") +
       point3({1000000, 0, -800000}) + sc();
  s += so(2) + cmd("MW") + i(1) + cmd("MV") + i(2) + cmd("LF") + point3({-1000000, 0, 800000}) + cmd("LG") +
       point3({1000000, 0, 800000}) + sc();
  EXPECT_EQ(run(s), "");
  EXPECT_FALSE(repaint());
  auto thickness = [&](float x, float y) {
    int n = 0;
    for (int dy = -10; dy <= 10; ++dy) n += pixel(int(x), int(y) + dy) == YELLOW;
    return n;
  };
  float below[3] = {0, 0, -800}, above[3] = {0, 0, 800}, x, y;
  project(below, &x, &y);
  EXPECT_GE(thickness(x, y), 4);
  EXPECT_LE(thickness(x, y), 6);
  project(above, &x, &y);
  int lit = 0, dark = 0, thickest = 0;
  for (int dx = -100; dx < 100; ++dx) {
    int t = thickness(x + float(dx), y);
    (t > 0 ? lit : dark) += 1;
    thickest = std::max(thickest, t);
  }
  EXPECT_GT(lit, 20) << "dashes drawn";
  EXPECT_GT(dark, 20) << "gaps between the dashes";
  EXPECT_LE(thickest, 2) << "weight 1";
}

TEST_F(Draw, ATypeAtTwoLevelsHaltsWithAnApplicationError) {
  std::string s = entity(1, 3, 1, "top") + entity(2, 5, 7, "wheel") + entity(1, 3, 2, "other");
  s += entity(2, 6, 1, "axle") + entity(3, 5, 7, "wheel");
  EXPECT_EXIT(serve(s), testing::ExitedWithCode(1),
              testing::AllOf(testing::HasSubstr("Two entities with the same type but different levels are not allowed.\n"
                                                "This seems to be an application internal error.\n"
                                                "The last entity has the name wheel, type = 5, ident = 7, level = 3\n"),
                             testing::HasSubstr("Application error")));
}

// The logo's own background blended over the view's blue at `alpha`.
Rgb logo_background_over_blue(int alpha) {
  auto mix = [alpha](int logo, int blue) { return (logo * alpha + blue * (255 - alpha) + 127) / 255; };
  return {mix(28, 0), mix(38, 0), mix(72, 255)};
}

bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}

TEST_F(Draw, LogoIsBlendedCentredOrTopRightAndAtTheLeftEdgeOfANarrowView) {
  EXPECT_EQ(run(blue_background()), "");
  DisplayOptions* options = get_display_options();
  options->set_rendering_option(3);
  repaint();
  // Two pixels inside the logo's left edge its own background shows through at alpha 128.
  EXPECT_TRUE(near(pixel(640 - 76 + 2, 512), logo_background_over_blue(128)));
  EXPECT_EQ(pixel(640 - 76 - 3, 512), BLUE);
  EXPECT_EQ(pixel(1280 - 152 + 2, 1024 - 40), BLUE) << "no corner logo";

  options->set_rendering_option(2);
  options->set_display_vorq_logo(true);
  repaint();
  EXPECT_EQ(pixel(640 - 76 + 2, 512), BLUE) << "no centred logo";
  EXPECT_TRUE(near(pixel(1280 - 152 + 2, 1024 - 40), logo_background_over_blue(96)));
  EXPECT_EQ(pixel(1280 - 152 - 3, 1024 - 40), BLUE);

  options->set_display_vorq_logo(false);
  options->set_rendering_option(3);
  change_vl_system_viewport(0, 100, 0, 1024);
  repaint();
  EXPECT_TRUE(near(pixel(2, 512), logo_background_over_blue(128))) << "at the left edge";
  options->set_rendering_option(2);
  cleanup_logos();  // with the graphics window in the server
}

}  // namespace
