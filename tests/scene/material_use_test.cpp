// The segment store counts which materials its visible lit facet trees use.
#include <gtest/gtest.h>

#include "tests/scene/effects_scene.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace effects;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

class MaterialUse : public Effects {};

TEST_F(MaterialUse, VisibleLitSegmentsCountTheirMaterial) {
  for (uint16_t m : {1, 2, 3}) {
    material_attributes a;
    set_material(m, &a);
  }
  ASSERT_EQ(run(lit_plate(1, 2, 0, 0, 0, 100) + lit_plate(2, 3, 0, 0, 0, 100) + plate(3, 0, 0, 0, 100, {1, 2, 3})),
            "");
  auto in_use = [] { return std::vector<bool>{check_material_in_use(1), check_material_in_use(2),
                                              check_material_in_use(3)}; };
  EXPECT_EQ(in_use(), (std::vector<bool>{false, true, true})) << "an unlit facet tree counts none";
  ASSERT_EQ(run(cmd("SV") + i(1) + i(0)), "");
  EXPECT_EQ(in_use(), (std::vector<bool>{false, false, true})) << "invisible";
  ASSERT_EQ(run(cmd("SV") + i(1) + i(1)), "");
  EXPECT_EQ(in_use(), (std::vector<bool>{false, true, true})) << "visible again";
  ASSERT_EQ(run(cmd("SK") + i(2)), "");
  EXPECT_EQ(in_use(), (std::vector<bool>{false, true, false})) << "the last user deleted";
  remove_material(1);  // material 2 becomes 1, 3 becomes 2
  EXPECT_TRUE(check_material_in_use(1));
  EXPECT_FALSE(check_material_in_use(2));
  ASSERT_EQ(run(cmd("SK") + i(1)), "");
  EXPECT_FALSE(check_material_in_use(1)) << "the count followed the renumbering";
}

}  // namespace
