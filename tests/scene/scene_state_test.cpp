// Drawing attributes and the display, highlight and palette options: what
// counts as a change, merging, and the conversions of the highlight settings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "base/checked_mm.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/entity_list.h"
#include "scene/segment_store.h"

namespace {

struct ChangeCase {
  const char* name;
  std::function<bool(DrawAttributes*)> first, second;
  bool second_changes;
};

TEST(DrawAttributes, DependentValuesCountOnlyWhileTheirSwitchIsOn) {
  const ChangeCase cases[] = {
      {"stipple pattern while off", [](DrawAttributes* a) { return a->set_line_stipple(false, 0); },
       [](DrawAttributes* a) { return a->set_line_stipple(false, 3); }, false},
      {"stipple pattern while on", [](DrawAttributes* a) { return a->set_line_stipple(true, 1); },
       [](DrawAttributes* a) { return a->set_line_stipple(true, 3); }, true},
      {"stipple switched off", [](DrawAttributes* a) { return a->set_line_stipple(true, 1); },
       [](DrawAttributes* a) { return a->set_line_stipple(false, 1); }, true},
      {"hidden-line colour while off", [](DrawAttributes* a) { return a->set_hidden_line_mode(false, 1, 0); },
       [](DrawAttributes* a) { return a->set_hidden_line_mode(false, 5, 2); }, false},
      {"hidden-line value while on", [](DrawAttributes* a) { return a->set_hidden_line_mode(true, 1, 0); },
       [](DrawAttributes* a) { return a->set_hidden_line_mode(true, 1, 2); }, true},
      {"equal material", [](DrawAttributes* a) { return a->set_material_index(3); },
       [](DrawAttributes* a) { return a->set_material_index(3); }, false},
  };
  for (const ChangeCase& c : cases) {
    DrawAttributes a;
    c.first(&a);
    EXPECT_EQ(c.second(&a), c.second_changes) << c.name;
  }
  DrawAttributes a;
  a.set_line_stipple(false, 7);
  EXPECT_EQ(a.get_line_stipple_pattern(), 7);  // stored though not a change
}

TEST(DrawAttributes, MergingCopiesTheGroupsSetInTheOther) {
  DrawAttributes target, fresh;
  target.set_line_color(5);
  EXPECT_FALSE(target.set(fresh));
  EXPECT_EQ(target.get_line_color(), 5);

  const int repeat[2] = {GL_REPEAT, GL_REPEAT}, clamp_t[2] = {GL_REPEAT, GL_CLAMP};
  const float zero[2] = {0, 0}, one[2] = {1, 1}, scale_t[2] = {1, 3};
  DrawAttributes wrap_only, scale_only;
  wrap_only.set_texture(clamp_t, zero, one, 0);
  scale_only.set_texture(repeat, zero, scale_t, 0);
  DrawAttributes b;
  EXPECT_TRUE(b.set(wrap_only));
  EXPECT_EQ(b.get_texture_wrap()[1], GLenum(GL_CLAMP));
  EXPECT_TRUE(b.set(scale_only));
  EXPECT_FLOAT_EQ(b.get_texture_scale()[1], 3);
  EXPECT_EQ(b.get_texture_wrap()[1], GLenum(GL_REPEAT));
  EXPECT_TRUE(b.is_set(DrawAttributes::MASK_TEXTURE));
  EXPECT_FALSE(b.set(scale_only));

  DrawAttributes stipple;
  stipple.set_line_stipple(true, 4);
  DrawAttributes c;
  EXPECT_TRUE(c.set(stipple));
  EXPECT_TRUE(c.get_line_stipple());
  EXPECT_EQ(c.get_line_stipple_pattern(), 4);
}

TEST(DrawAttributes, HighlightCountsOnlyWithShadedSelectionFeedback) {
  const float red[3] = {1, 0, 0};
  DisplayOptions* options = get_display_options();
  options->reset();
  DrawAttributes a;
  EXPECT_TRUE(a.set_highlight_mode(true, red));
  EXPECT_FALSE(a.set_highlight_mode(true, red));
  options->set_use_shaded_selection_feedback(false);
  EXPECT_FALSE(a.set_highlight_mode(false, red));
  EXPECT_FALSE(a.get_highlight_mode());  // stored all the same
  options->reset();
}

class Options : public testing::Test {
 protected:
  void SetUp() override {
    // Counted from here: the display a suite opened first holds blocks of its
    // own under Windows, freed when the suite closes it.
    malloc_balance_at_start = GetMallocBalance();
    init_segment_structure();
    get_display_options()->reset();
  }
  void TearDown() override {
    get_display_options()->reset();
    set_self_shadows_available_for_test(-1);
    cleanup_ldf();
    EXPECT_EQ(GetMallocBalance(), malloc_balance_at_start);
  }
  int32_t malloc_balance_at_start = 0;
};

TEST_F(Options, SelfShadowsNeedTheProbeToSucceed) {
  DisplayOptions* o = get_display_options();
  set_self_shadows_available_for_test(0);
  EXPECT_FALSE(o->set_self_shadows(true));
  EXPECT_FALSE(o->get_self_shadows());
  set_self_shadows_available_for_test(1);
  EXPECT_TRUE(o->set_self_shadows(true));
  EXPECT_TRUE(o->get_self_shadows());
  EXPECT_FALSE(o->set_self_shadows(true));
}

TEST_F(Options, SettersReportChangesAndTheSpecialCases) {
  DisplayOptions* o = get_display_options();
  EXPECT_EQ(o->get_rendering_option(), 2);
  EXPECT_EQ(o->get_reflection_map_size(), 512u);
  EXPECT_FALSE(o->set_rendering_option(2));
  EXPECT_TRUE(o->set_rendering_option(1));
  EXPECT_FALSE(o->set_transparent_shadows_threshold(80));  // transparency off
  EXPECT_EQ(o->get_transparent_shadows_threshold(), 80);
  EXPECT_FALSE(o->set_reflection_map_size(256));  // reflections off
  EXPECT_EQ(o->get_reflection_map_size(), 256u);
  EXPECT_TRUE(o->set_enable_reflection(true));
  EXPECT_TRUE(o->set_reflection_map_size(1024));
  EXPECT_FALSE(o->set_fast_lod(true));
  EXPECT_FALSE(o->set_fast_lod(false));  // the last drawing was not fast
}

TEST_F(Options, PaletteChangesMarkLineListsOnlyWhenAnEntryChanges) {
  EntityInformation* root = get_entity_list()->Get(0);
  // Bit 0 surface lists, bit 1 line lists out of date (normal drawing, level of detail 1).
  auto stale = [&] { return int(list_out_of_date(root->lists[0][0])) | int(list_out_of_date(root->lists[1][0])) << 1; };
  auto clear = [&] {
    for (auto& block : root->lists)
      for (display_list& list : block) list.flags[0] &= uint8_t(~1u);
  };
  float r, g, b;
  get_colormap_entry(0, &r, &g, &b);
  clear();
  set_colormap_entry(0, r, g, b);
  EXPECT_EQ(stale(), 0);
  set_colormap_entry(0, 0.1f, 0.2f, 0.3f);
  EXPECT_EQ(stale(), 2);
  get_display_options()->set_display_hidden_line(true);
  clear();
  set_colormap_entry(0, 0.2f, 0.2f, 0.3f);
  EXPECT_EQ(stale(), 3);
}

TEST(Highlight, AttributesAreConvertedAndTheRampFollowsTheNormal) {
  HighlightOptions h;
  h.init_highlight(1);
  h.setup_colormap(1, 0);
  EXPECT_EQ(h.get_ramp_size(), 256u);
  EXPECT_EQ(h.get_ramp_kind(), 1u);
  EXPECT_TRUE(h.set_highlight_attributes(0, 10, 648000, 100, 0, 100, 40, 100, 324000, 0));
  EXPECT_FLOAT_EQ(h.get_hue(), 180.0f);
  EXPECT_FLOAT_EQ(h.get_gamma(), 20.0f);
  EXPECT_EQ(h.get_contrast(), 200);
  EXPECT_FALSE(h.set_highlight_attributes(0, 10, 648000, 100, 0, 100, 40, 100, 324000, 0));
  // t = (n · (1, 1, 1) + 1) / 2
  EXPECT_FLOAT_EQ(h.highlight_parameter(0, 0, 1), 1.0f);
  EXPECT_FLOAT_EQ(h.highlight_parameter(0, 0, -1), 0.0f);
  EXPECT_FLOAT_EQ(h.highlight_parameter(0.5f, -0.5f, 0), 0.5f);
  EXPECT_FLOAT_EQ(h.highlight_parameter(NAN, 0, 0), 0.0f);
  h.compute_colormap();
  const float* ramp = h.get_ramp();
  // Mode 0 is symmetric about the middle and the lightness curve rises outward.
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(ramp[k], ramp[3 * 255 + k]);
  EXPECT_LE(ramp[3 * 128], ramp[3 * 255]);
}

}  // namespace
