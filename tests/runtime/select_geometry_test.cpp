// The selection operation on the real segment store, views and GL context:
// the YARL code pushes tek coordinates and receives the entities' (type,
// ident) pairs, the model point or the material in its result variable.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/variables.h"
#include "scene/segment_store.h"
#include "tests/scene/scene_stream.h"
#include "tests/scene/selection_scene.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using selection_scene::U;

constexpr uint8_t SELECT_GEOMETRY = 167;
uint16_t result, point, material;

// The standard program with the three result variables.
class Environment : public testing::Environment {
 public:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    yarl::YarlProgram p = yarl::YarlProgram::standard();
    ident_info ids = yarl::make_ident(K_ARRAY + K_INTEGER), reals = yarl::make_ident(K_ARRAY + K_REAL);
    ids.word2 = 100;
    reals.word2 = 3;
    result = p.add(yarl::GLOBAL, ids, "result");
    point = p.add(yarl::GLOBAL, reals, "point");
    material = p.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "material");
    std::vector<uint8_t> bytes = p.bytes();
    decode_tables(bytes.data(), bytes.size());
    put_predef(111, 1);
    preset_const_expr_eval();
    ini_tables();
    preset_window();
    // The interpreter's first run prepares its per-code tables, which stay.
    yarl::Code warm(false);
    warm.release();
    interpret_code(&globals()[1], warm.raw_bytes().data(), false);
  }
  void TearDown() override { cleanup_const_expr_eval(); }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Environment);


class SelectGeometry : public scene_stream::ViewedSceneStream {
 protected:
  void TearDown() override {
    for (uint16_t a : {result, point}) reset_array_size(&globals()[a], &globals()[a], 0);
    ViewedSceneStream::TearDown();
  }
  // A square of half-size h centred on (x, y, z) facing the camera, in entity (type, ident).
  static void square(unsigned long n, float x, float y, float z, float h, unsigned long type, unsigned long ident,
                     bool lit = false) {
    selection_scene::open_square(n, x, y, z, h, lit, type, ident);
    close_segment();
  }
  static std::vector<int32_t> tek(float x, float z) {
    TekPoint t = selection_scene::tek_of(x, 0, z);
    return {int32_t(t.x), int32_t(t.y)};
  }
  // SELECT_GEOMETRY kind [method] over the coordinates, into `variable`.
  static void select(uint16_t kind, uint16_t method, std::vector<int32_t> list, uint16_t variable,
                     int32_t aperture = -1) {
    yarl::Code c(false);
    for (int32_t v : list) c.push(v);
    c.push(int32_t(list.size()));
    if (aperture >= 0) c.push(aperture);
    c.op(SELECT_GEOMETRY).u16(kind);
    if (kind > 2) c.u16(method);
    c.ref(yarl::GLOBAL, variable).release();
    interpret_code(&globals()[1], c.raw_bytes().data(), false);
    EXPECT_EQ(used_slots(), 0u);
  }
  static std::vector<int32_t> ids() {
    const ident_info& a = globals()[result];
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (uint32_t i = 0; i + 1 < a.word6; i += 2) pairs.push_back({a.val.a[i].i, a.val.a[i + 1].i});
    std::sort(pairs.begin(), pairs.end());
    std::vector<int32_t> out;
    for (auto [type, ident] : pairs) out.insert(out.end(), {type, ident});
    return out;
  }
  static std::vector<int32_t> region(int method, float x0, float z0, float x1, float z1) {
    std::vector<int32_t> a = tek(x0, z0), b = tek(x1, z1);
    select(3, uint16_t(method), {a[0], a[1], b[0], b[1]}, result);
    return ids();
  }
};

TEST_F(SelectGeometry, APositionGivesTheEntitiesUnderItWithinTheAperture) {
  square(1, -0.6f, 0, 0, 0.2f, 7, 101);
  square(2, 0.6f, 0, 0, 0.2f, 8, 202);
  select(3, 1, tek(0.6f, 0), result, 50);
  EXPECT_EQ(ids(), (std::vector<int32_t>{8, 202}));
  select(3, 1, tek(0.85f, 0), result, 100);  // beside it, within the aperture
  EXPECT_EQ(ids(), (std::vector<int32_t>{8, 202}));
  select(3, 1, tek(0, 0), result, 50);
  EXPECT_EQ(ids(), (std::vector<int32_t>{}));
}

TEST_F(SelectGeometry, ARegionGivesTheTouchingSegmentsOrTheRest) {
  square(1, -0.6f, 0, 0, 0.2f, 7, 101);
  square(2, 0.6f, 0, 0, 0.2f, 8, 202);
  EXPECT_EQ(region(2, -1, -0.5f, -0.5f, 0.5f), (std::vector<int32_t>{7, 101}));
  EXPECT_EQ(region(3, -1, -0.5f, -0.5f, 0.5f), (std::vector<int32_t>{8, 202}));
  EXPECT_EQ(region(2, -0.2f, -0.5f, 0.2f, 0.5f), (std::vector<int32_t>{}));
}

TEST_F(SelectGeometry, KindOneGivesTheModelPointKindTwoTheMaterial) {
  square(1, 0, 0.2f, 0, 0.5f, 7, 1, true);
  square(2, -1.5f, 0, -1.2f, 0.3f, 7, 2);
  select(1, 0, tek(-1.4f, -1.1f), point);
  const ident_info& p = globals()[point];
  ASSERT_EQ(p.word6, 3u);
  EXPECT_NEAR(p.val.a[0].r / U, -1.4f, 0.005f);
  EXPECT_NEAR(p.val.a[1].r / U, 0.0f, 1e-5f);
  EXPECT_NEAR(p.val.a[2].r / U, -1.1f, 0.005f);
  select(2, 0, tek(-1.4f, -1.1f), material);
  EXPECT_EQ(globals()[material].val.i, 0) << "a shell without normals";
}

}  // namespace
