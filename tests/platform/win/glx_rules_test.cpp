// The layer's GLX rules over hand-made visual tables: the values both
// attribute queries give, the score that picks one visual, the matching of
// frame-buffer configurations, and pbuffer attribute lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/glx_rules.h"

// After GoogleTest: X's None and Bool macros would clash with its names.
#include <GL/glx.h>

namespace {

using Caps = Lx_VisualCaps;

constexpr int TRUE_COLOR = 4;
constexpr int PSEUDO_COLOR = 3;

// An accelerated double-buffered 24-bit RGBA format that draws to windows and
// bitmaps: 8 bits a channel, no alpha, depth 24, stencil 8.
Lx_VisualCaps rgba_visual(int id) {
  Lx_VisualCaps v{};
  v.id = id;
  v.visual_class = TRUE_COLOR;
  v.depth = 24;
  v.flags = Caps::DRAWS_TO_WINDOW | Caps::DRAWS_TO_BITMAP | Caps::DOUBLE_BUFFERED;
  v.sizes[Caps::RED] = v.sizes[Caps::GREEN] = v.sizes[Caps::BLUE] = 8;
  v.sizes[Caps::DEPTH] = 24;
  v.sizes[Caps::STENCIL] = 8;
  v.acceleration = Caps::FULL_ACCELERATION;
  return v;
}

Lx_VisualCaps index_visual(int id) {
  Lx_VisualCaps v = rgba_visual(id);
  v.visual_class = PSEUDO_COLOR;
  v.depth = 8;
  v.sizes[Caps::RED] = v.sizes[Caps::GREEN] = v.sizes[Caps::BLUE] = 0;
  return v;
}

// A visual table with its empty entries: index i holds the visual of id i.
struct Table {
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  std::vector<Lx_VisualCaps> records;
  std::vector<const Lx_VisualCaps*> entries;

  explicit Table(std::vector<Lx_VisualCaps> visuals, std::vector<int> empty = {}) : records(std::move(visuals)) {
    for (size_t i = 0; i < records.size(); ++i) {
      records[i].id = int(i);
      bool is_empty = false;
      for (int e : empty) is_empty |= e == int(i);
      entries.push_back(is_empty ? nullptr : &records[i]);
    }
  }
  int choose(const std::vector<int>& attributes, int* kind = nullptr) const {
    int k = -1;
    int best = Lx_ChooseVisual(entries.data(), int(entries.size()), attributes.data(), &k);
    if (kind != nullptr) *kind = k;
    return best;
  }
  std::vector<int> configs(const std::vector<int>& attributes, int* kind = nullptr) const {
    std::vector<int> matches(entries.size() + 1);
    int k = -1;
    int n = Lx_ChooseFBConfigs(entries.data(), int(entries.size()), attributes.data(), matches.data(), &k);
    if (kind != nullptr) *kind = k;
    if (n < 0) return {-1};
    matches.resize(size_t(n));
    return matches;
  }
};

TEST(GlxAttributes, BothQueriesGiveTheTablesValues) {
  Lx_VisualCaps rgba = rgba_visual(5);
  rgba.flags |= Caps::STEREO | Caps::DRAWS_TO_PBUFFER;
  rgba.sizes[Caps::ALPHA] = 2;
  rgba.sizes[Caps::ACCUM_RED] = 16;
  rgba.sizes[Caps::ACCUM_ALPHA] = 7;
  rgba.sizes[Caps::AUX_BUFFERS] = 3;
  rgba.sample_buffers = 1;
  rgba.samples = 4;
  rgba.acceleration = Caps::GENERIC_ACCELERATION;
  rgba.max_pbuffer_width = 4096;
  rgba.max_pbuffer_height = 2048;
  rgba.max_pbuffer_pixels = 4096 * 2048;
  Lx_VisualCaps index = index_visual(9);
  index.flags = Caps::DRAWS_TO_BITMAP | Caps::DOUBLE_BUFFERED;
  index.acceleration = Caps::NO_ACCELERATION;
  const int none = -999;  // the query refuses the attribute
  const struct {
    int attribute;
    int rgba_config, index_config, rgba_fb, index_fb;
  } table[] = {
      {GLX_USE_GL, 1, 1, none, none},
      {GLX_BUFFER_SIZE, 24, 8, 24, 8},
      {GLX_LEVEL, 0, 0, 0, 0},
      {GLX_RGBA, 1, 0, 1, 0},
      {GLX_DOUBLEBUFFER, 1, 1, 1, 1},
      {GLX_STEREO, 1, 0, 1, 0},
      {GLX_AUX_BUFFERS, 3, 0, 3, 0},
      {GLX_RED_SIZE, 8, 0, 8, 0},
      {GLX_ALPHA_SIZE, 2, 0, 2, 0},
      {GLX_DEPTH_SIZE, 24, 24, 24, 24},
      {GLX_STENCIL_SIZE, 8, 8, 8, 8},
      {GLX_ACCUM_RED_SIZE, 16, 0, 16, 0},
      {GLX_ACCUM_ALPHA_SIZE, 7, 0, 7, 0},
      // Generic acceleration is slow only to the frame-buffer query.
      {GLX_CONFIG_CAVEAT, GLX_NONE, GLX_SLOW_CONFIG, GLX_SLOW_CONFIG, GLX_SLOW_CONFIG},
      {GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR, GLX_PSEUDO_COLOR, GLX_TRUE_COLOR, GLX_PSEUDO_COLOR},
      {GLX_TRANSPARENT_TYPE, GLX_NONE, GLX_NONE, GLX_NONE, GLX_NONE},
      {GLX_TRANSPARENT_INDEX_VALUE, 0, 0, 0, 0},
      {GLX_TRANSPARENT_ALPHA_VALUE, 0, 0, 0, 0},
      {GLX_SAMPLE_BUFFERS, 1, 0, none, none},
      {GLX_SAMPLES, 4, 0, none, none},
      {GLX_VISUAL_ID, none, none, 5, 9},
      {GLX_FBCONFIG_ID, none, none, 5, 9},
      {GLX_DRAWABLE_TYPE, none, none, GLX_WINDOW_BIT | GLX_PIXMAP_BIT | GLX_PBUFFER_BIT, GLX_PIXMAP_BIT},
      {GLX_RENDER_TYPE, none, none, GLX_RGBA_BIT, GLX_COLOR_INDEX_BIT},
      {GLX_X_RENDERABLE, none, none, 0, 0},
      {GLX_MAX_PBUFFER_WIDTH, none, none, 4096, 0},
      {GLX_MAX_PBUFFER_HEIGHT, none, none, 2048, 0},
      {GLX_MAX_PBUFFER_PIXELS, none, none, 4096 * 2048, 0},
      {GLX_DRAWABLE_TYPE + 0x100, none, none, none, none},
  };
  // The value, or `none` when the query refuses the attribute with its text.
  auto query = [](int (*get)(const Lx_VisualCaps&, int, int*), const char* name, const Lx_VisualCaps& v,
                  int attribute) {
    int value = none;
    testing::internal::CaptureStderr();
    int result = get(v, attribute, &value);
    std::string text = testing::internal::GetCapturedStderr();
    if (result == Success) return text.empty() ? value : -1;
    return result == GLX_BAD_ATTRIBUTE &&
                   text == std::string(name) + " - unknown attribute " + std::to_string(attribute) + ".\n"
               ? none : -2;
  };
  auto config = [&](const Lx_VisualCaps& v, int a) { return query(Lx_GlxConfigValue, "glXGetConfig", v, a); };
  auto fb = [&](const Lx_VisualCaps& v, int a) { return query(Lx_GlxFBConfigValue, "glXGetFBConfigAttrib", v, a); };
  for (const auto& c : table) {
    SCOPED_TRACE(testing::Message() << "attribute " << c.attribute);
    EXPECT_EQ(config(rgba, c.attribute), c.rgba_config);
    EXPECT_EQ(config(index, c.attribute), c.index_config);
    EXPECT_EQ(fb(rgba, c.attribute), c.rgba_fb);
    EXPECT_EQ(fb(index, c.attribute), c.index_fb);
  }
}

TEST(GlxAttributes, CaveatFollowsTheAccelerationCode) {
  const struct {
    unsigned acceleration;
    int config, fb;
  } table[] = {
      {Caps::NO_ACCELERATION, GLX_SLOW_CONFIG, GLX_SLOW_CONFIG},
      {Caps::GENERIC_ACCELERATION, GLX_NONE, GLX_SLOW_CONFIG},
      {Caps::FULL_ACCELERATION, GLX_NONE, GLX_NONE},
  };
  for (const auto& c : table) {
    Lx_VisualCaps v = rgba_visual(0);
    v.acceleration = c.acceleration;
    int config = 0, fb = 0;
    ASSERT_EQ(Lx_GlxConfigValue(v, GLX_CONFIG_CAVEAT, &config), Success);
    ASSERT_EQ(Lx_GlxFBConfigValue(v, GLX_CONFIG_CAVEAT, &fb), Success);
    EXPECT_EQ(config, c.config) << std::hex << c.acceleration;
    EXPECT_EQ(fb, c.fb) << std::hex << c.acceleration;
  }
}

TEST(ChooseVisual, AListWithoutUseGlChoosesAmongBitmapVisualsForAPixmap) {
  Lx_VisualCaps window_only = index_visual(0);
  window_only.flags = Caps::DRAWS_TO_WINDOW;
  Lx_VisualCaps bitmap = index_visual(0);
  bitmap.flags = Caps::DRAWS_TO_BITMAP;
  Table t({window_only, bitmap, rgba_visual(0)});
  int kind = -1;
  EXPECT_EQ(t.choose({None}, &kind), 1);
  EXPECT_EQ(kind, LX_KIND_PIXMAP);
  // With GLX_USE_GL only the window format is a candidate.
  EXPECT_EQ(t.choose({GLX_USE_GL, None}, &kind), 0);
  EXPECT_EQ(kind, LX_KIND_WINDOW);
}

// Two visuals alike but in the bits of red.
TEST(ChooseVisual, AskedSizesPreferMoreBitsUnaskedFewer) {
  Lx_VisualCaps five = rgba_visual(0), eight = rgba_visual(0);
  five.sizes[Caps::RED] = 5;
  for (int five_at : {0, 1}) {
    Table order(five_at == 0 ? std::vector<Lx_VisualCaps>{five, eight} : std::vector<Lx_VisualCaps>{eight, five});
    EXPECT_EQ(order.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, None}), 1 - five_at);
    EXPECT_EQ(order.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, None}), five_at);
  }
  // Depth weighs 2 a bit when asked: 24 bits beat 16 though the 16 came first.
  Lx_VisualCaps d16 = rgba_visual(0);
  d16.sizes[Caps::DEPTH] = 16;
  Table depths({d16, rgba_visual(0)});
  EXPECT_EQ(depths.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None}), 1);
  EXPECT_EQ(depths.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, None}), 0);
  // Stencil and auxiliary buffers beyond the asked count only cost.
  Lx_VisualCaps no_stencil = rgba_visual(0);
  no_stencil.sizes[Caps::STENCIL] = 0;
  Table stencils({rgba_visual(0), no_stencil});
  EXPECT_EQ(stencils.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, None}), 1);
  EXPECT_EQ(stencils.choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_STENCIL_SIZE, 1, None}), 0);
}

TEST(ChooseVisual, CaveatLeadsAndAHigherScoreStillWins) {
  // Full acceleration with one bit a channel (+200) against a slow format
  // with sixteen (+4 x 15 a channel, 240) and a fast one with six (+200 + 80).
  Lx_VisualCaps fast = rgba_visual(0), slow = rgba_visual(0), fast_again = rgba_visual(0);
  for (Caps::Size s : {Caps::RED, Caps::GREEN, Caps::BLUE, Caps::ALPHA}) {
    fast.sizes[s] = 1;
    slow.sizes[s] = 16;
    fast_again.sizes[s] = 6;
  }
  slow.acceleration = Caps::NO_ACCELERATION;
  const std::vector<int> ask = {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                                GLX_BLUE_SIZE, 1, GLX_ALPHA_SIZE, 1, None};
  const struct {
    const char* what;
    std::vector<Lx_VisualCaps> visuals;
    int best;
  } table[] = {
      {"slow after fast, higher score", {fast, slow}, 1},
      {"fast after slow, lower caveat", {slow, fast}, 1},
      {"fast after slow replaced fast: the kept caveat is none, the score decides", {fast, slow, fast_again}, 2},
      {"equal score and caveat: the earlier", {fast, fast}, 0},
  };
  for (const auto& c : table) {
    EXPECT_EQ(Table(c.visuals).choose(ask), c.best) << c.what;
  }
  // The slow leader after a replacement keeps the fast caveat: a fast visual
  // of lower score does not take over.
  Lx_VisualCaps fast_low = fast;
  EXPECT_EQ(Table({fast, slow, fast_low}).choose(ask), 1);
  // Asking the slow caveat admits only the slow visual.
  EXPECT_EQ(Table({fast, slow}).choose({GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_CONFIG_CAVEAT, GLX_SLOW_CONFIG,
                                        None}),
            1);
}

TEST(ChooseVisual, RejectionsAndRefusedLists) {
  Lx_VisualCaps stereo = rgba_visual(0);
  stereo.flags |= Caps::STEREO;
  Lx_VisualCaps single = rgba_visual(0);
  single.flags &= ~Caps::DOUBLE_BUFFERED;
  Lx_VisualCaps multisample = rgba_visual(0);
  multisample.sample_buffers = 1;
  multisample.samples = 4;
  Lx_VisualCaps accum = rgba_visual(0);
  accum.sizes[Caps::ACCUM_RED] = accum.sizes[Caps::ACCUM_GREEN] = accum.sizes[Caps::ACCUM_BLUE] = 16;
  Table t({single, stereo, index_visual(0), multisample, accum}, {});
  const struct {
    const char* what;
    std::vector<int> attributes;
    int best;
  } table[] = {
      {"double buffering exactly when asked", {GLX_USE_GL, GLX_RGBA, None}, 0},
      {"stereo exactly when asked", {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_STEREO, None}, 1},
      {"colour index needs no GLX_RGBA", {GLX_USE_GL, GLX_DOUBLEBUFFER, GLX_BUFFER_SIZE, 8, None}, 2},
      {"colour index counts 8 bits", {GLX_USE_GL, GLX_DOUBLEBUFFER, GLX_BUFFER_SIZE, 12, None}, -1},
      {"samples at least", {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, 3, None}, 3},
      {"too many samples", {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_SAMPLES, 8, None}, -1},
      {"accumulation at least",
       {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_ACCUM_RED_SIZE, 3, GLX_ACCUM_BLUE_SIZE, 2, None},
       4},
      {"level other than 0", {GLX_USE_GL, GLX_RGBA, GLX_LEVEL, 1, None}, -1},
      {"transparent none matches", {GLX_USE_GL, GLX_RGBA, GLX_TRANSPARENT_TYPE, GLX_NONE, None}, 0},
      {"transparent other than none", {GLX_USE_GL, GLX_RGBA, GLX_TRANSPARENT_TYPE, GLX_TRANSPARENT_RGB, None}, -1},
      {"transparent values are not compared", {GLX_USE_GL, GLX_RGBA, GLX_TRANSPARENT_RED_VALUE, 7, None}, 0},
      {"asked visual type", {GLX_USE_GL, GLX_DOUBLEBUFFER, GLX_X_VISUAL_TYPE, GLX_PSEUDO_COLOR, None}, 2},
      {"visual type against GLX_RGBA", {GLX_USE_GL, GLX_RGBA, GLX_X_VISUAL_TYPE, GLX_PSEUDO_COLOR, None}, -1},
      {"an attribute of frame-buffer configurations", {GLX_USE_GL, GLX_RGBA, GLX_DRAWABLE_TYPE, 1, None}, -1},
  };
  for (const auto& c : table) EXPECT_EQ(t.choose(c.attributes), c.best) << c.what;
}

// The server's request for a pbuffer configuration.
const std::vector<int> pbuffer_request = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT,
                                          GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16,
                                          None};

TEST(ChooseFBConfig, MatchesInTableOrderWithTheKindOfTheDrawableType) {
  Lx_VisualCaps pbuffer = rgba_visual(0);
  pbuffer.flags |= Caps::DRAWS_TO_PBUFFER;
  Lx_VisualCaps pbuffer_generic = pbuffer;
  pbuffer_generic.acceleration = Caps::GENERIC_ACCELERATION;
  Lx_VisualCaps pbuffer_stereo = pbuffer;
  pbuffer_stereo.flags |= Caps::STEREO;
  Lx_VisualCaps index_pbuffer = index_visual(0);
  index_pbuffer.flags |= Caps::DRAWS_TO_PBUFFER;
  Lx_VisualCaps bitmap_only = rgba_visual(0);
  bitmap_only.flags = Caps::DRAWS_TO_BITMAP;
  // 0 window, 1 empty, 2 pbuffer, 3 generic pbuffer, 4 stereo pbuffer,
  // 5 colour-index pbuffer, 6 bitmap only.
  Table t({rgba_visual(0), pbuffer, pbuffer, pbuffer_generic, pbuffer_stereo, index_pbuffer, bitmap_only}, {1});
  const struct {
    const char* what;
    std::vector<int> attributes;
    std::vector<int> matches;
    int kind;
  } table[] = {
      {"the server's pbuffer request", pbuffer_request, {2, 3}, LX_KIND_PBUFFER},
      {"defaults: mono RGBA windows", {None}, {0, 2, 3}, LX_KIND_WINDOW},
      {"stereo don't care", {GLX_STEREO, -1, GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, None}, {2, 3, 4}, LX_KIND_PBUFFER},
      {"pixmaps", {GLX_DRAWABLE_TYPE, GLX_PIXMAP_BIT, None}, {0, 2, 3, 6}, LX_KIND_PIXMAP},
      {"any drawable is taken as a pbuffer", {GLX_DRAWABLE_TYPE, -1, None}, {0, 2, 3, 6}, LX_KIND_PBUFFER},
      {"colour index", {GLX_RENDER_TYPE, GLX_COLOR_INDEX_BIT, GLX_DRAWABLE_TYPE, -1, None}, {5}, LX_KIND_PBUFFER},
      {"buffer size against the depth", {GLX_BUFFER_SIZE, 8, GLX_RENDER_TYPE, -1, GLX_DRAWABLE_TYPE, 4, None},
       {2, 3, 5}, LX_KIND_PBUFFER},
      {"no caveat is full acceleration", {GLX_CONFIG_CAVEAT, GLX_NONE, None}, {0, 2}, LX_KIND_WINDOW},
      {"slow is anything less", {GLX_CONFIG_CAVEAT, GLX_SLOW_CONFIG, None}, {3}, LX_KIND_WINDOW},
      {"single buffered", {GLX_DOUBLEBUFFER, False, None}, {}, LX_KIND_WINDOW},
      {"X renderable", {GLX_X_RENDERABLE, True, None}, {}, LX_KIND_WINDOW},
      {"visual type", {GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR, GLX_DRAWABLE_TYPE, 4, None}, {2, 3}, LX_KIND_PBUFFER},
      {"transparent", {GLX_TRANSPARENT_TYPE, GLX_TRANSPARENT_RGB, None}, {}, LX_KIND_WINDOW},
      {"transparent value", {GLX_TRANSPARENT_RED_VALUE, 0, None}, {0, 2, 3}, LX_KIND_WINDOW},
      {"the id: one visual of kind pbuffer", {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_FBCONFIG_ID, 6, GLX_SAMPLES, 1,
                                              None}, {6}, LX_KIND_PBUFFER},
      {"the id of an empty entry", {GLX_FBCONFIG_ID, 1, None}, {-1}, -1},
      {"an id past the table", {GLX_FBCONFIG_ID, 7, None}, {-1}, -1},
      {"a negative id", {GLX_FBCONFIG_ID, -1, None}, {-1}, -1},
      {"an attribute outside the list", {GLX_SAMPLES, 1, GLX_FBCONFIG_ID, 0, None}, {-1}, -1},
  };
  for (const auto& c : table) {
    int kind = -1;
    EXPECT_EQ(t.configs(c.attributes, &kind), c.matches) << c.what;
    if (c.kind >= 0) {
      EXPECT_EQ(kind, c.kind) << c.what;
    }
  }
}

TEST(PbufferAttributes, SizeAndLargestAreReadAndOthersRefused) {
  const struct {
    std::vector<int> attributes;
    bool ok;
    int width, height, largest;
  } table[] = {
      {{GLX_PBUFFER_WIDTH, 640, GLX_PBUFFER_HEIGHT, 480, GLX_PRESERVED_CONTENTS, True, None}, true, 640, 480, 0},
      {{GLX_LARGEST_PBUFFER, True, GLX_PBUFFER_HEIGHT, 9, None}, true, 0, 9, 1},
      {{None}, true, 0, 0, 0},
      {{GLX_PBUFFER_WIDTH, 64, 0x801D /* GLX_WIDTH */, 64, None}, false, 0, 0, 0},
  };
  for (const auto& c : table) {
    int width = -1, height = -1, largest = -1;
    ASSERT_EQ(Lx_ReadPbufferAttributes(c.attributes.data(), &width, &height, &largest), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(largest, c.largest);
  }
  int width = -1, height = -1, largest = -1;
  EXPECT_TRUE(Lx_ReadPbufferAttributes(nullptr, &width, &height, &largest));
  EXPECT_EQ(width + height + largest, 0);
}

}  // namespace
