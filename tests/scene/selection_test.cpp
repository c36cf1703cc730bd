// Selection on the real segment store, views and GL context: picks by
// position keep one entry per segment (the nearest hit that is not clipped),
// follow the selection types and flags, stop at the list's limit; regions use
// GL selection and the box test; closest positions and materials.
#include "scene/selection.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "scene/clip_planes.h"
#include "scene/segment_store.h"
#include "tests/scene/scene_stream.h"
#include "tests/scene/selection_scene.h"
#include "tests/support/graphics_environment.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

using selection_scene::open_square;
using selection_scene::U;

class Selection : public scene_stream::ViewedSceneStream {
 protected:
  void TearDown() override {
    for (int i = 0; i < MAX_CLIPPLANES; ++i)
      if (is_valid_clipplane(GL_CLIP_PLANE0 + i)) gl_set_clipplane(GL_CLIP_PLANE0 + i, false);
    ViewedSceneStream::TearDown();
  }

  static void square(unsigned long n, float x, float y, float z, float h, bool lit = false, unsigned long type = 3,
                     unsigned long ident = 0) {
    open_square(n, x, y, z, h, lit, type, ident == 0 ? n : ident);
  }
  static void vertical_line(float x, float z0, float z1) {
    move_beam(x * U, 0, z0 * U);
    insert_line(x * U, 0, z1 * U);
  }
  static std::vector<unsigned long> tek(float x, float y, float z) {
    TekPoint t = selection_scene::tek_of(x, y, z);
    return {t.x, t.y};
  }
  static uint16_t pick(unsigned long type, float x, float z, unsigned long radius = 100) {
    return select_geometry_by_position(type, tek(x, 0, z).data(), radius);
  }
  static std::vector<unsigned long> picked_segments() {
    std::vector<unsigned long> numbers;
    for (unsigned long i = 0; i < get_selection_length(); ++i)
      numbers.push_back(get_selection_infos()[i].segment->index + 1);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
  }
  static std::vector<unsigned long> region(unsigned long type, float x0, float z0, float x1, float z1, bool inside) {
    std::vector<unsigned long> a = tek(x0, 0, z0), b = tek(x1, 0, z1);
    const unsigned long rectangle[4] = {a[0], a[1], b[0], b[1]};
    select_geometry_by_region(type, rectangle, inside);
    return picked_segments();
  }
};

TEST_F(Selection, ASegmentKeepsOnlyItsNearestHit) {
  // A square to x = 0.5 and a line at x = 0.58, one segment; the square first in its chain.
  square(1, 0, 0, 0, 0.5f);
  vertical_line(0.58f, -0.5f, 0.5f);
  close_segment();
  const struct {
    float x;
    float hit_x;
  } cases[] = {{0.55f, 0.58f}, {0.52f, 0.5f}, {0.3f, 0.3f}};
  for (const auto& c : cases) {
    ASSERT_EQ(pick(1, c.x, 0), 1) << c.x;
    const selection_info& e = get_selection_infos()[0];
    EXPECT_NEAR(e.point[0] / U, c.hit_x, 2e-3f) << c.x;
    EXPECT_EQ(e.pointer, e.point) << "a shell's hit point lives in the entry";
  }
  EXPECT_EQ(pick(1, 0.9f, 0, 10), 0) << "beyond the radius";
}

TEST_F(Selection, HitsBehindAClipPlaneMakeNoEntryUnlessTheSegmentOptsOut) {
  init_clipplanes();
  const float origin[3] = {0, 0, 0}, keep_left[3] = {-1, 0, 0};
  ASSERT_TRUE(gl_set_clipplane(GL_CLIP_PLANE0, true, origin, keep_left));
  square(1, 0, 0, 0, 0.5f);
  close_segment();
  EXPECT_EQ(pick(1, 0.25f, 0), 0);
  EXPECT_EQ(pick(1, -0.25f, 0), 1);
  square(2, 0, -0.1f, 0, 0.5f);
  bool none[MAX_CLIPPLANES] = {};
  set_segment_enable_clipping_planes(none);
  close_segment();
  EXPECT_EQ(pick(1, 0.25f, 0), 1);
  EXPECT_EQ(picked_segments(), (std::vector<unsigned long>{2}));
}

TEST_F(Selection, TypesAndFlagsChooseTheCandidates) {
  // Four overlapping squares: flags for types 3, 4, 5 on one each, all on the fourth;
  // a fifth excluded from selection (CP) and a sixth invisible.
  const SelectionType flags[] = {{{true, false, false}}, {{false, true, false}}, {{false, false, true}},
                                 {{true, true, true}}};
  for (unsigned long n = 1; n <= 4; ++n) {
    square(n, 0, -0.01f * float(n), 0, 0.5f);
    set_segment_selection_type(flags[n - 1]);
    close_segment();
  }
  square(5, 0, -0.05f, 0, 0.5f);
  set_cg_selectability(true);
  close_segment();
  set_cg_selectability(false);
  square(6, 0, -0.06f, 0, 0.5f);
  close_segment();
  make_one_invisible(6);
  const struct {
    unsigned long type;
    std::vector<unsigned long> segments;
  } cases[] = {
      {1, {1, 2, 3, 4}}, {2, {1, 2, 3, 4}}, {3, {1, 4}}, {4, {2, 4}}, {5, {3, 4}},
  };
  for (const auto& c : cases) {
    pick(c.type, 0, 0);
    EXPECT_EQ(picked_segments(), c.segments) << "type " << c.type;
  }
}

TEST_F(Selection, RegionsTouchOrAvoidTheRectangleAndIgnoreTypesOneAndTwo) {
  square(1, -0.6f, 0, 0, 0.2f);
  close_segment();
  square(2, 0.6f, 0, 0, 0.2f);
  close_segment();
  EXPECT_EQ(region(3, -1, -0.5f, -0.5f, 0.5f, false), (std::vector<unsigned long>{1})) << "touching";
  EXPECT_EQ(region(3, -1, -0.5f, -0.5f, 0.5f, true), (std::vector<unsigned long>{2})) << "the others";
  EXPECT_EQ(region(3, -0.2f, -0.5f, 0.2f, 0.5f, false), (std::vector<unsigned long>{})) << "between them";
  for (unsigned long type : {1ul, 2ul}) EXPECT_EQ(region(type, -1, -1, 1, 1, false).size(), 0u) << type;
}

TEST_F(Selection, APointRectangleIsWidenedByTheRadiusARealOneIsNot) {
  square(1, 0, 0, 0, 0.5f);
  close_segment();
  pick(1, 0, 0, 100);  // sets the camera and a radius of 100 tek units
  const vector_type min = {-0.5f * U, 0, -0.5f * U}, max = {0.5f * U, 0, 0.5f * U};
  float edge[3];
  map_model_screen_3d(Point(0.5f * U, 0, 0), false, edge);
  float beside = edge[0] + 0.01f;
  const float point[4] = {beside, 0, beside, 0}, real[4] = {beside, 0, beside + 0.001f, 0};
  EXPECT_TRUE(test_bounding_selection(point, &min, &max, false, 0, 0, false));
  EXPECT_FALSE(test_bounding_selection(real, &min, &max, false, 0, 0, false));
  unsigned long before = get_selection_length();
  EXPECT_TRUE(test_bounding_selection(point, &min, &max, true, 7, 9, false));
  ASSERT_EQ(get_selection_length(), before + 1);
  const selection_info& e = get_selection_infos()[before];
  EXPECT_EQ(e.segment, nullptr);
  EXPECT_EQ(e.a, -1);
  EXPECT_EQ(e.b, 7);
  EXPECT_EQ(e.c, 9);
  unsigned long ids[4] = {1, 1, 1, 1};
  get_selected_segment_ids(ids);
  EXPECT_EQ(ids[2 * before], 0u) << "no segment, no entity";
  EXPECT_EQ(ids[2 * before + 1], 0u);
}

TEST_F(Selection, EachMirrorModeFindsASegmentOnce) {
  square(1, 0, 0.2f, 0, 0.5f);
  close_segment();
  const struct {
    uint32_t mode;
    bool mirrored;
  } cases[] = {{0, false}, {1, true}, {2, false}};
  for (const auto& c : cases) {
    set_mirror_display(c.mode);
    ASSERT_EQ(pick(1, 0.1f, 0.1f), 1) << "mode " << c.mode;
    EXPECT_EQ(get_selection_infos()[0].mirrored, c.mirrored) << "mode " << c.mode;
    EXPECT_EQ(region(3, -0.2f, -0.2f, 0.2f, 0.2f, false), (std::vector<unsigned long>{1})) << "mode " << c.mode;
  }
}

TEST_F(Selection, AFullListEndsTheCollectionQuietly) {
  for (unsigned long n = 1; n <= 1100; ++n) {
    square(n, 0, 0, 0, 0.1f);
    close_segment();
  }
  EXPECT_EQ(pick(1, 0, 0), 1023);
}

TEST_F(Selection, ClosestPositionIsTheNearestHitOrTheTranslatePoint) {
  square(1, -1.5f, 0, -1.2f, 0.3f);
  close_segment();
  float out[3];
  select_closest_position(tek(-1.4f, 0, -1.1f).data(), out);
  EXPECT_NEAR(out[0] / U, -1.4f, 0.005f);
  EXPECT_NEAR(out[1] / U, 0.0f, 1e-5f);
  EXPECT_NEAR(out[2] / U, -1.1f, 0.005f);
  ASSERT_TRUE(set_translate(3, 4, 5));
  select_closest_position(tek(1.9f, 0, 1.5f).data(), out);
  EXPECT_EQ(std::vector<float>(out, out + 3), (std::vector<float>{3, 4, 5})) << "nothing within radius 1";
}

TEST_F(Selection, MaterialIsThatOfTheNearestLitSegmentUnderThePosition) {
  square(1, 0, 0.2f, 0, 0.5f, true);
  set_segment_material_index(3);
  close_segment();
  square(2, 0, -0.2f, 0, 0.5f, true);
  set_segment_material_index(5);
  close_segment();
  square(3, 0, -0.4f, 0.8f, 0.3f, false);
  set_segment_material_index(7);
  close_segment();
  std::vector<unsigned long> centre = tek(0, 0, 0), unlit = tek(0, 0, 1.0f), empty = tek(-1.9f, 0, -1.4f);
  EXPECT_EQ(select_material_by_position(long(centre[0]), long(centre[1])), 5);
  EXPECT_EQ(select_material_by_position(long(unlit[0]), long(unlit[1])), 0) << "a shell without normals";
  EXPECT_EQ(select_material_by_position(long(empty[0]), long(empty[1])), 0);
}

TEST_F(Selection, SegmentIdsAreTheEntitysTypeAndIdent) {
  square(1, -0.3f, 0, 0, 0.2f, false, 7, 1234567);
  close_segment();
  square(2, 0.3f, 0, 0, 0.2f, false, 9, 42);
  close_segment();
  ASSERT_EQ(pick(1, 0.3f, 0, 10), 1);
  unsigned long ids[2];
  get_selected_segment_ids(ids);
  EXPECT_EQ(ids[0], 9u);
  EXPECT_EQ(ids[1], 42u);
}

}  // namespace
