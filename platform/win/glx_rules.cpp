#include "platform/win/glx_rules.h"

#include <GL/glx.h>

#include <cstdio>

namespace {

using Caps = Lx_VisualCaps;

// Where an attribute's value comes from.
enum Source {
  CONSTANT,        // the row's number
  BUFFER_SIZE,     // the depth for TrueColor, else 8
  RGBA,            // 1 for TrueColor
  FLAG,            // the record flag in the row's number
  SIZE,            // the record size in the row's number
  CONFIG_CAVEAT,   // slow only without acceleration
  FB_CAVEAT,       // slow unless fully accelerated
  VISUAL_TYPE,     // by class
  SAMPLE_BUFFERS,
  SAMPLES,
  VISUAL_ID,
  DRAWABLE_TYPE,   // window, pixmap and pbuffer bits
  RENDER_TYPE,     // colour index for PseudoColor, else RGBA
  MAX_WIDTH,
  MAX_HEIGHT,
  MAX_PIXELS,
};

struct Row {
  int attribute;
  Source source;
  int number;
};

// What glXGetConfig and glXGetFBConfigAttrib give alike.
constexpr Row shared_rows[] = {
    {GLX_BUFFER_SIZE, BUFFER_SIZE, 0},
    {GLX_LEVEL, CONSTANT, 0},
    {GLX_RGBA, RGBA, 0},
    {GLX_DOUBLEBUFFER, FLAG, Caps::DOUBLE_BUFFERED},
    {GLX_STEREO, FLAG, Caps::STEREO},
    {GLX_AUX_BUFFERS, SIZE, Caps::AUX_BUFFERS},
    {GLX_RED_SIZE, SIZE, Caps::RED},
    {GLX_GREEN_SIZE, SIZE, Caps::GREEN},
    {GLX_BLUE_SIZE, SIZE, Caps::BLUE},
    {GLX_ALPHA_SIZE, SIZE, Caps::ALPHA},
    {GLX_DEPTH_SIZE, SIZE, Caps::DEPTH},
    {GLX_STENCIL_SIZE, SIZE, Caps::STENCIL},
    {GLX_ACCUM_RED_SIZE, SIZE, Caps::ACCUM_RED},
    {GLX_ACCUM_GREEN_SIZE, SIZE, Caps::ACCUM_GREEN},
    {GLX_ACCUM_BLUE_SIZE, SIZE, Caps::ACCUM_BLUE},
    {GLX_ACCUM_ALPHA_SIZE, SIZE, Caps::ACCUM_ALPHA},
    {GLX_X_VISUAL_TYPE, VISUAL_TYPE, 0},
    {GLX_TRANSPARENT_TYPE, CONSTANT, GLX_NONE},
    {GLX_TRANSPARENT_INDEX_VALUE, CONSTANT, 0},
    {GLX_TRANSPARENT_RED_VALUE, CONSTANT, 0},
    {GLX_TRANSPARENT_GREEN_VALUE, CONSTANT, 0},
    {GLX_TRANSPARENT_BLUE_VALUE, CONSTANT, 0},
    {GLX_TRANSPARENT_ALPHA_VALUE, CONSTANT, 0},
};

constexpr Row config_rows[] = {
    {GLX_USE_GL, CONSTANT, 1},
    {GLX_CONFIG_CAVEAT, CONFIG_CAVEAT, 0},
    {GLX_SAMPLE_BUFFERS, SAMPLE_BUFFERS, 0},
    {GLX_SAMPLES, SAMPLES, 0},
};

constexpr Row fb_config_rows[] = {
    {GLX_CONFIG_CAVEAT, FB_CAVEAT, 0},
    {GLX_VISUAL_ID, VISUAL_ID, 0},
    {GLX_FBCONFIG_ID, VISUAL_ID, 0},
    {GLX_DRAWABLE_TYPE, DRAWABLE_TYPE, 0},
    {GLX_RENDER_TYPE, RENDER_TYPE, 0},
    {GLX_X_RENDERABLE, CONSTANT, 0},
    {GLX_MAX_PBUFFER_WIDTH, MAX_WIDTH, 0},
    {GLX_MAX_PBUFFER_HEIGHT, MAX_HEIGHT, 0},
    {GLX_MAX_PBUFFER_PIXELS, MAX_PIXELS, 0},
};

constexpr int TRUE_COLOR_CLASS = 4;
constexpr int PSEUDO_COLOR_CLASS = 3;

int x_visual_type(int visual_class) {
  static constexpr int by_class[] = {GLX_STATIC_GRAY, GLX_GRAY_SCALE, GLX_STATIC_COLOR, GLX_PSEUDO_COLOR,
                                     GLX_TRUE_COLOR,  GLX_DIRECT_COLOR};
  return visual_class >= 0 && visual_class <= 5 ? by_class[visual_class] : GLX_TRUE_COLOR;
}

int value_of(const Lx_VisualCaps& v, const Row& row) {
  switch (row.source) {
    case CONSTANT: return row.number;
    case BUFFER_SIZE: return v.visual_class == TRUE_COLOR_CLASS ? v.depth : 8;
    case RGBA: return v.visual_class == TRUE_COLOR_CLASS ? 1 : 0;
    case FLAG: return (v.flags & unsigned(row.number)) != 0 ? 1 : 0;
    case SIZE: return v.sizes[row.number];
    case CONFIG_CAVEAT: return v.acceleration == Caps::NO_ACCELERATION ? GLX_SLOW_CONFIG : GLX_NONE;
    case FB_CAVEAT: return v.acceleration == Caps::FULL_ACCELERATION ? GLX_NONE : GLX_SLOW_CONFIG;
    case VISUAL_TYPE: return x_visual_type(v.visual_class);
    case SAMPLE_BUFFERS: return v.sample_buffers;
    case SAMPLES: return v.samples;
    case VISUAL_ID: return v.id;
    case DRAWABLE_TYPE: return int(v.flags & (Caps::DRAWS_TO_WINDOW | Caps::DRAWS_TO_BITMAP | Caps::DRAWS_TO_PBUFFER));
    case RENDER_TYPE: return v.visual_class == PSEUDO_COLOR_CLASS ? GLX_COLOR_INDEX_BIT : GLX_RGBA_BIT;
    case MAX_WIDTH: return v.max_pbuffer_width;
    case MAX_HEIGHT: return v.max_pbuffer_height;
    case MAX_PIXELS: return v.max_pbuffer_pixels;
  }
  return 0;
}

template <size_t N>
const Row* find_row(const Row (&rows)[N], int attribute) {
  for (const Row& row : rows)
    if (row.attribute == attribute) return &row;
  return nullptr;
}

// The value from the call's own rows first, then the shared ones.
template <size_t N>
bool lookup(const Row (&own)[N], const Lx_VisualCaps& v, int attribute, int* value) {
  const Row* row = find_row(own, attribute);
  if (row == nullptr) row = find_row(shared_rows, attribute);
  if (row == nullptr) return false;
  *value = value_of(v, *row);
  return true;
}

int config(const Lx_VisualCaps& v, int attribute) {
  int value = 0;
  lookup(config_rows, v, attribute, &value);
  return value;
}

// ---- glXChooseVisual ----

struct VisualRequest {
  bool use_gl = false, rgba = false, double_buffer = false, stereo = false;
  int level = 0, buffer_size = 0, sample_buffers = 0, samples = 0;
  int sizes[Caps::SIZE_COUNT] = {};
  bool caveat_asked = false, visual_type_asked = false, transparent_asked = false;
  int caveat = 0, visual_type = 0, transparent_type = 0;
};

// The colour and accumulation sizes that RGBA visuals compare and score.
constexpr Caps::Size colour_sizes[] = {Caps::RED, Caps::GREEN, Caps::BLUE, Caps::ALPHA};
constexpr Caps::Size accum_sizes[] = {Caps::ACCUM_RED, Caps::ACCUM_GREEN, Caps::ACCUM_BLUE, Caps::ACCUM_ALPHA};

int size_index(int attribute) {
  static constexpr struct { int attribute; Caps::Size size; } sizes[] = {
      {GLX_AUX_BUFFERS, Caps::AUX_BUFFERS},  {GLX_RED_SIZE, Caps::RED},
      {GLX_GREEN_SIZE, Caps::GREEN},         {GLX_BLUE_SIZE, Caps::BLUE},
      {GLX_ALPHA_SIZE, Caps::ALPHA},         {GLX_DEPTH_SIZE, Caps::DEPTH},
      {GLX_STENCIL_SIZE, Caps::STENCIL},     {GLX_ACCUM_RED_SIZE, Caps::ACCUM_RED},
      {GLX_ACCUM_GREEN_SIZE, Caps::ACCUM_GREEN}, {GLX_ACCUM_BLUE_SIZE, Caps::ACCUM_BLUE},
      {GLX_ACCUM_ALPHA_SIZE, Caps::ACCUM_ALPHA},
  };
  for (const auto& s : sizes)
    if (s.attribute == attribute) return s.size;
  return -1;
}

bool read_visual_request(const int* attributes, VisualRequest* r) {
  for (const int* a = attributes; *a != None; ++a) {
    int attribute = *a;
    switch (attribute) {
      case GLX_USE_GL: r->use_gl = true; continue;
      case GLX_RGBA: r->rgba = true; continue;
      case GLX_DOUBLEBUFFER: r->double_buffer = true; continue;
      case GLX_STEREO: r->stereo = true; continue;
      default: break;
    }
    int size = size_index(attribute);
    int* target = nullptr;
    if (size >= 0) target = &r->sizes[size];
    else if (attribute == GLX_BUFFER_SIZE) target = &r->buffer_size;
    else if (attribute == GLX_LEVEL) target = &r->level;
    else if (attribute == GLX_SAMPLE_BUFFERS) target = &r->sample_buffers;
    else if (attribute == GLX_SAMPLES) target = &r->samples;
    else if (attribute == GLX_CONFIG_CAVEAT) {
      target = &r->caveat;
      r->caveat_asked = true;
    } else if (attribute == GLX_X_VISUAL_TYPE) {
      target = &r->visual_type;
      r->visual_type_asked = true;
    } else if (attribute == GLX_TRANSPARENT_TYPE) {
      target = &r->transparent_type;
      r->transparent_asked = true;
    } else if (attribute < GLX_TRANSPARENT_INDEX_VALUE || attribute > GLX_TRANSPARENT_ALPHA_VALUE) {
      return false;  // the transparent values are read and not compared
    }
    ++a;  // the value word
    if (target != nullptr) *target = *a;
  }
  return true;
}

bool visual_acceptable(const Lx_VisualCaps& v, const VisualRequest& r) {
  unsigned draws = r.use_gl ? Caps::DRAWS_TO_WINDOW : Caps::DRAWS_TO_BITMAP;
  if ((v.flags & draws) == 0) return false;
  if (config(v, GLX_USE_GL) != 1 || config(v, GLX_LEVEL) != r.level) return false;
  bool rgba = config(v, GLX_RGBA) != 0;
  if (rgba != r.rgba || (config(v, GLX_DOUBLEBUFFER) != 0) != r.double_buffer ||
      (config(v, GLX_STEREO) != 0) != r.stereo)
    return false;
  if (v.sizes[Caps::AUX_BUFFERS] < r.sizes[Caps::AUX_BUFFERS] || v.sample_buffers < r.sample_buffers ||
      v.samples < r.samples || v.sizes[Caps::DEPTH] < r.sizes[Caps::DEPTH] || v.sizes[Caps::STENCIL] < r.sizes[Caps::STENCIL])
    return false;
  if (rgba) {
    for (Caps::Size s : colour_sizes)
      if (v.sizes[s] < r.sizes[s]) return false;
    for (Caps::Size s : accum_sizes)
      if (v.sizes[s] < r.sizes[s]) return false;
  } else if (config(v, GLX_BUFFER_SIZE) < r.buffer_size) {
    return false;
  }
  if (r.transparent_asked && config(v, GLX_TRANSPARENT_TYPE) != r.transparent_type) return false;
  if (r.visual_type_asked) {
    if (config(v, GLX_X_VISUAL_TYPE) != r.visual_type) return false;
  } else if (r.rgba ? v.visual_class != 4 && v.visual_class != 5 : v.visual_class != 2 && v.visual_class != 3) {
    return false;
  }
  return !r.caveat_asked || config(v, GLX_CONFIG_CAVEAT) == r.caveat;
}

// More is better where a size was asked, less where it was not.
int size_score(int have, int asked, int weight) {
  return asked != 0 ? weight * (have - asked) : -have;
}

int visual_score(const Lx_VisualCaps& v, const VisualRequest& r) {
  int score = 0;
  if (v.visual_class == PSEUDO_COLOR_CLASS || v.visual_class == TRUE_COLOR_CLASS) score += 1;
  if (v.acceleration == Caps::GENERIC_ACCELERATION) score += 100;
  if (v.acceleration == Caps::FULL_ACCELERATION) score += 200;
  score += r.sizes[Caps::AUX_BUFFERS] - v.sizes[Caps::AUX_BUFFERS];
  if (v.visual_class == TRUE_COLOR_CLASS) {
    for (Caps::Size s : colour_sizes) score += size_score(v.sizes[s], r.sizes[s], 4);
    for (Caps::Size s : accum_sizes) score += size_score(v.sizes[s], r.sizes[s], 1);
  } else {
    score += r.buffer_size - config(v, GLX_BUFFER_SIZE);
  }
  score += size_score(v.sizes[Caps::DEPTH], r.sizes[Caps::DEPTH], 2);
  score += r.sizes[Caps::STENCIL] - v.sizes[Caps::STENCIL];
  return score;
}

// ---- glXChooseFBConfig ----

constexpr int DONT_CARE = -1;

// The asked value of every attribute the call knows, with its default.
struct FBRequest {
  int attribute;
  int value;
};

constexpr FBRequest fb_defaults[] = {
    {GLX_BUFFER_SIZE, 0},       {GLX_LEVEL, 0},
    {GLX_DOUBLEBUFFER, DONT_CARE}, {GLX_STEREO, 0},
    {GLX_AUX_BUFFERS, 0},       {GLX_RED_SIZE, 0},
    {GLX_GREEN_SIZE, 0},        {GLX_BLUE_SIZE, 0},
    {GLX_ALPHA_SIZE, 0},        {GLX_DEPTH_SIZE, 0},
    {GLX_STENCIL_SIZE, 0},      {GLX_ACCUM_RED_SIZE, 0},
    {GLX_ACCUM_GREEN_SIZE, 0},  {GLX_ACCUM_BLUE_SIZE, 0},
    {GLX_ACCUM_ALPHA_SIZE, 0},  {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT},
    {GLX_RENDER_TYPE, GLX_RGBA_BIT}, {GLX_TRANSPARENT_TYPE, GLX_NONE},
    {GLX_CONFIG_CAVEAT, DONT_CARE}, {GLX_X_VISUAL_TYPE, DONT_CARE},
    {GLX_X_RENDERABLE, DONT_CARE},  {GLX_TRANSPARENT_INDEX_VALUE, DONT_CARE},
    {GLX_TRANSPARENT_RED_VALUE, DONT_CARE}, {GLX_TRANSPARENT_GREEN_VALUE, DONT_CARE},
    {GLX_TRANSPARENT_BLUE_VALUE, DONT_CARE}, {GLX_TRANSPARENT_ALPHA_VALUE, DONT_CARE},
};
constexpr int FB_REQUEST_COUNT = int(sizeof fb_defaults / sizeof fb_defaults[0]);

// Attributes that ask for at least the visual's value; the rest ask for equality.
constexpr int at_least[] = {GLX_BUFFER_SIZE, GLX_AUX_BUFFERS, GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE,
                            GLX_ALPHA_SIZE, GLX_DEPTH_SIZE, GLX_STENCIL_SIZE, GLX_ACCUM_RED_SIZE,
                            GLX_ACCUM_GREEN_SIZE, GLX_ACCUM_BLUE_SIZE, GLX_ACCUM_ALPHA_SIZE};

bool asks_at_least(int attribute) {
  for (int a : at_least)
    if (a == attribute) return true;
  return false;
}

int fb_value(const Lx_VisualCaps& v, int attribute) {
  if (attribute == GLX_BUFFER_SIZE) return v.depth;  // the colour bits, also for colour index
  int value = 0;
  lookup(fb_config_rows, v, attribute, &value);
  return value;
}

bool fb_matches(const Lx_VisualCaps& v, const FBRequest (&asked)[FB_REQUEST_COUNT]) {
  for (const FBRequest& a : asked) {
    if (a.value == DONT_CARE) continue;
    int have = fb_value(v, a.attribute);
    bool ok = a.attribute == GLX_RENDER_TYPE || a.attribute == GLX_DRAWABLE_TYPE ? (have & a.value) != 0
              : asks_at_least(a.attribute)                                       ? have >= a.value
                                                                                 : have == a.value;
    if (!ok) return false;
  }
  return true;
}

}  // namespace

int Lx_GlxConfigValue(const Lx_VisualCaps& visual, int attribute, int* value) {
  if (lookup(config_rows, visual, attribute, value)) return Success;
  fprintf(stderr, "glXGetConfig - unknown attribute %d.\n", attribute);
  return GLX_BAD_ATTRIBUTE;
}

int Lx_GlxFBConfigValue(const Lx_VisualCaps& visual, int attribute, int* value) {
  if (lookup(fb_config_rows, visual, attribute, value)) return Success;
  fprintf(stderr, "glXGetFBConfigAttrib - unknown attribute %d.\n", attribute);
  return GLX_BAD_ATTRIBUTE;
}

int Lx_ChooseVisual(const Lx_VisualCaps* const* visuals, int count, const int* attributes, int* kind) {
  VisualRequest request;
  if (!read_visual_request(attributes, &request)) return -1;
  int best = -1, best_score = 0, best_caveat = 0;
  for (int i = 0; i < count; ++i) {
    if (visuals[i] == nullptr || !visual_acceptable(*visuals[i], request)) continue;
    int score = visual_score(*visuals[i], request);
    int caveat = config(*visuals[i], GLX_CONFIG_CAVEAT);
    if (caveat == 0) caveat = GLX_NONE;
    // A lower caveat takes the lead whatever the score; a higher score takes
    // it otherwise, and the caveat kept stays the leader's before it.
    if (best < 0 || caveat < best_caveat) {
      best = i, best_score = score, best_caveat = caveat;
    } else if (score > best_score) {
      best = i, best_score = score;
    }
  }
  *kind = request.use_gl ? LX_KIND_WINDOW : LX_KIND_PIXMAP;
  return best;
}

int Lx_ChooseFBConfigs(const Lx_VisualCaps* const* visuals, int count, const int* attributes, int* matches,
                       int* kind) {
  FBRequest asked[FB_REQUEST_COUNT];
  for (int i = 0; i < FB_REQUEST_COUNT; ++i) asked[i] = fb_defaults[i];
  for (const int* a = attributes; *a != None; a += 2) {
    if (a[0] == GLX_FBCONFIG_ID) {
      int id = a[1];
      if (id < 0 || id >= count || visuals[id] == nullptr) return -1;
      *kind = LX_KIND_PBUFFER;
      matches[0] = id;
      return 1;
    }
    int i = 0;
    while (i < FB_REQUEST_COUNT && asked[i].attribute != a[0]) ++i;
    if (i == FB_REQUEST_COUNT) return -1;
    asked[i].value = a[1];
  }
  int found = 0;
  for (int i = 0; i < count; ++i)
    if (visuals[i] != nullptr && fb_matches(*visuals[i], asked)) matches[found++] = i;
  int drawable_type = 0;
  for (const FBRequest& a : asked)
    if (a.attribute == GLX_DRAWABLE_TYPE) drawable_type = a.value;
  *kind = drawable_type & GLX_PBUFFER_BIT   ? LX_KIND_PBUFFER
          : drawable_type & GLX_PIXMAP_BIT ? LX_KIND_PIXMAP
                                           : LX_KIND_WINDOW;
  return found;
}

bool Lx_ReadPbufferAttributes(const int* attributes, int* width, int* height, int* largest) {
  *width = *height = *largest = 0;
  for (const int* a = attributes; a != nullptr && *a != None; a += 2) {
    switch (a[0]) {
      case GLX_PRESERVED_CONTENTS: break;
      case GLX_LARGEST_PBUFFER: *largest = a[1]; break;
      case GLX_PBUFFER_WIDTH: *width = a[1]; break;
      case GLX_PBUFFER_HEIGHT: *height = a[1]; break;
      default: return false;
    }
  }
  return true;
}
