#include "runtime/image_ops.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/interpreter.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "scene/display_options.h"
#include "scene/image_export.h"
#include "scene/image_io.h"
#include "scene/postscript_export.h"
#include "toolkit/hls.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_app_context.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/offscreen.h"
#include "view/repaint.h"
#include "view/transforms.h"

constexpr const char* MODULE = "ui";
constexpr double FULL_TURN = 1296000.0;  // arc-seconds
constexpr uint32_t LARGEST_SIDE = 65535;

// The colour count of index mode: the highlight ramp's end.
static int highlight_colour_count() {
  const HighlightOptions* highlight = get_highlight_options();
  return highlight != nullptr ? int(highlight->get_ramp_base() + highlight->get_ramp_size()) : 0;
}

// The twelve values above the name array, bottom first.
enum SaveImageValue {
  KIND,           // CHARACTER
  COLOUR,         // BOOLEAN
  TILE_WIDTH,     // INTEGER
  TILE_HEIGHT,
  X_TILES,
  Y_TILES,
  X_RESOLUTION,
  Y_RESOLUTION,
  INCHES,         // BOOLEAN
  OVERSAMPLING,   // CHARACTER
  COMPRESSION,    // CHARACTER
  USE_WINDOW,     // BOOLEAN
  VALUE_COUNT
};

const uint8_t* save_image_op(ident_info* context, const uint8_t* pc) {
  value* values = sp - (VALUE_COUNT - 1);
  value* count_slot = values - 1;
  int32_t count = count_slot->i;
  // The count comes from the program: it must fit the stack below it.
  if (count < 0 || count > count_slot - sb) internal_error(5691, "save_image_op");
  value* names = count_slot - count;
  auto integer = [&](SaveImageValue v) { return values[v].i; };
  auto byte = [&](SaveImageValue v) { return values[v].b; };
  int64_t tiles = int64_t(integer(X_TILES)) * integer(Y_TILES);
  int result = -1;
  if (count != tiles) {
    error("SAVE_IMAGE - file name array length must be x_tiles*y_tiles", 0, context);
  } else {
    const char** files = static_cast<const char**>(CheckedMalloc(sizeof(char*) * (size_t(count) + 1)));
    for (int32_t i = 0; i < count; ++i) files[i] = names[i].s != nullptr ? names[i].s : "";
    int colour_count = highlight_colour_count();
    result = save_image(graphics_display(), get_graphics_window(), colour_count, -1, byte(KIND), files,
                        byte(COLOUR) != 0, uint32_t(integer(TILE_WIDTH)), uint32_t(integer(TILE_HEIGHT)),
                        uint32_t(integer(X_TILES)), uint32_t(integer(Y_TILES)), byte(INCHES) != 0,
                        uint32_t(integer(X_RESOLUTION)), uint32_t(integer(Y_RESOLUTION)), byte(OVERSAMPLING),
                        byte(COMPRESSION), byte(USE_WINDOW) != 0);
    CheckedFree(files);
  }
  for (int32_t i = 0; i < count; ++i)
    if (names[i].s != nullptr) CheckedFree(names[i].s);
  sp = names;
  set_int(sp, result);
  return pc;
}

// ---- SAVE_POSTSCRIPT ----

const uint8_t* save_postscript_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() != 7) internal_error(5664, MODULE);
  value* v = sb;
  char* name = v[0].s;
  int32_t quality = v[4].i;
  int result = -1;
  set_windows_busy(true);
  if (quality < 0 || quality > 4) {
    fprintf(stderr, "SAVE_POSTSCRIPT - quality out of range.\n");
  } else {
    int32_t x, width, y, height;
    get_graphics_viewport(&x, &width, &y, &height);
    const float area[4] = {0, 0, float(width), float(height)};
    result = save_postscript(area, paint_all_views, graphics_display(), get_graphics_window(),
                             highlight_colour_count(), name != nullptr ? name : "", v[1].b != 0, v[6].b != 0,
                             v[5].b != 0, v[2].i, v[3].i, quality);
    set_repaint(false);
  }
  (void)context;
  if (name != nullptr) CheckedFree(name);
  sp = sb;
  set_int(sp, result);
  return pc;
}

// ---- PICTURE ----

bool load_picture(const char* name, uint32_t width, uint32_t height, uint8_t** out) {
  ImageIO image(GL_RGBA, name);
  bool failed = !image.ok;
  uint64_t iw = image.width, ih = image.height;
  uint64_t w = width, h = height;
  if (w == 0 && h == 0) {
    w = iw, h = ih;
  } else if (w == 0) {
    w = ih != 0 ? h * iw / ih : 0;
  } else if (h == 0) {
    h = iw != 0 ? w * ih / iw : 0;
  }
  const ImageIO* source = &image;
  ImageIO failure(GL_RGBA);
  if (w < 1 || w > LARGEST_SIDE || h < 1 || h > LARGEST_SIDE || iw == 0 || ih == 0) {
    // A size the picture cannot hold: the failure image at its own size.
    failed = true;
    source = &failure;
    iw = w = failure.width, ih = h = failure.height;
  }
  uint32_t header = uint32_t(w << 16 | h);
  for (uint32_t i = 0; name[i] != '\0'; ++i) header += uint32_t(uint8_t(name[i])) * (i + 1);
  neutral_picture* p = new_neutral_picture(header, uint16_t(w), uint16_t(h));
  uint8_t* pixels = p->pixels();
  const uint8_t* from = source->pixels.data();
  for (uint64_t r = 0; r < h; ++r) {
    // Nearest sample, rounded half up and held inside the image.
    uint64_t row = (2 * r * ih + h) / (2 * h);
    if (row >= ih) row = ih - 1;
    for (uint64_t c = 0; c < w; ++c) {
      uint64_t column = (2 * c * iw + w) / (2 * w);
      if (column >= iw) column = iw - 1;
      memcpy(pixels + 4 * (r * w + c), from + 4 * (row * iw + column), 4);
    }
  }
  *out = reinterpret_cast<uint8_t*>(p);
  return failed;
}

const uint8_t* picture_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 3) internal_error(5671, MODULE);
  uint32_t height = uint16_t(sp[0].i), width = uint16_t(sp[-1].i);
  sp -= 2;
  char* name = sp->s;
  set_windows_busy(true);
  uint8_t* picture;
  if (load_picture(name != nullptr ? name : "", width, height, &picture))
    fprintf(stderr, "Warning - could not load picture '%s'.\n", name != nullptr ? name : "");
  if (name != nullptr) CheckedFree(name);
  (void)context;
  sp->raw = 0;
  sp->p = picture;
  return pc;
}

// ---- IMAGE_INFO ----

const uint8_t* image_info_op(ident_info* context, const uint8_t* pc) {
  ident_info* width = decode_ref(context, pc, 5672);
  ident_info* height = decode_ref(context, pc, 5673);
  if (used_slots() == 0) internal_error(5674, MODULE);
  char* name = sp->s;
  set_windows_busy(true);
  ImageIO image(name != nullptr ? name : "");
  if (name != nullptr) CheckedFree(name);
  if (image.ok) {
    change_variable(context, width, integer_value(int32_t(image.width)), false);
    change_variable(context, height, integer_value(int32_t(image.height)), false);
  }
  set_int(sp, image.ok ? 1 : 0);
  return pc;
}

// ---- FONT_PICTURES ----

const uint8_t* font_pictures_op(ident_info* context, const uint8_t* pc) {
  uint8_t font = pc[0], character = pc[1];
  pc += 2;
  if (used_slots() == 0) internal_error(5675, MODULE);
  uint8_t* picture = (sp--)->p;
  const char* fault = font >= 18 ? "FONT_PICTURES - font index out of range"
                      : ImageText::font_pictures[font][character] != nullptr
                          ? "FONT_PICTURES - character already has a picture"
                          : picture == nullptr ? "FONT_PICTURES - no picture" : nullptr;
  if (fault != nullptr) {
    if (picture != nullptr) CheckedFree(picture);
    error(fault, 0, context);
    return pc;
  }
  auto byte = [](float c) { return static_cast<unsigned long>(std::lround(double(c) * 255)) & 0xFF; };
  unsigned long background = 0;
  if (AppContext != nullptr)
    background = byte(AppContext->background_red) << 16 | byte(AppContext->background_green) << 8 |
                 byte(AppContext->background_blue);
  ImageText::set_font_picture(font, character,
                              new ImagePicture(reinterpret_cast<neutral_picture*>(picture), background, background));
  return pc;
}

// ---- Colours ----

static int32_t angle_of(double degrees) {
  double seconds = std::round(degrees / 360.0 * FULL_TURN);
  if (!(seconds >= -2147483648.0)) return INT32_MIN;
  if (seconds > 2147483647.0) return INT32_MAX;
  return int32_t(seconds);
}

// The run-time error of a colour component out of range: 1 to 3 as the
// checked conversion reports it.
static void colour_error(const char* operation, ColourSpace from, int bad, ident_info* context) {
  static const char* const names[2][3] = {{"red", "green", "blue"}, {"hue", "lightness", "saturation"}};
  char message[120];
  snprintf(message, sizeof message, "%s - %s out of range [0.0, 1.0]", operation,
           names[from == ColourSpace::HLS][bad - 1]);
  error(message, 0, context);
}

static void store_real(ident_info* context, ident_info* variable, float r) {
  value v{};
  v.r = r;
  change_variable(context, variable, v, false);
}

const uint8_t* modify_color_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 2) internal_error(5676, MODULE);
  int32_t count = sp->i;
  if (count < 0 || count > sp - sb - 1) internal_error(5677, MODULE);
  value* elements = sp - count;
  value* index_slot = elements - 1;
  if (count < 3) {
    error("MODIFY_COLOR - array needs hue, lightness and saturation", 0, context);
    return pc;
  }
  float hls[3] = {elements[0].r, elements[1].r, elements[2].r}, rgb[3];
  if (int bad = convert_checked_colour(ColourSpace::HLS, hls, rgb)) {
    colour_error("MODIFY_COLOR", ColourSpace::HLS, bad, context);
    return pc;
  }
  // The hue wrapped as the checked conversion took it: modify_color takes 0 to 360.
  hls[0] = std::fmod(hls[0], 360.0f);
  if (hls[0] < 0) hls[0] += 360.0f;
  if (hls[0] >= 360.0f) hls[0] = 0;
  if (modify_color(index_slot->i, hls)) set_repaint(false);
  sp = index_slot;
  set_real(sp, hls[0]);
  push_real(hls[1]);
  push_real(hls[2]);
  return pc;
}

const uint8_t* convert_hls_to_rgb_op(ident_info* context, const uint8_t* pc) {
  ident_info* targets[3];
  for (ident_info*& t : targets) t = decode_ref(context, pc, 5678);
  if (used_slots() < 3) internal_error(5679, MODULE);
  float hls[3] = {float(sp[-2].i / FULL_TURN * 360.0), sp[-1].r, sp[0].r}, rgb[3];
  sp -= 3;
  if (int bad = convert_checked_colour(ColourSpace::HLS, hls, rgb)) {
    colour_error("CONVERT_HLS_TO_RGB", ColourSpace::HLS, bad, context);
    return pc;
  }
  for (int k = 0; k < 3; ++k) store_real(context, targets[k], rgb[k]);
  return pc;
}

const uint8_t* convert_rgb_to_hls_op(ident_info* context, const uint8_t* pc) {
  ident_info* targets[3];
  for (ident_info*& t : targets) t = decode_ref(context, pc, 5680);
  if (used_slots() < 3) internal_error(5681, MODULE);
  float rgb[3] = {sp[-2].r, sp[-1].r, sp[0].r}, hls[3];
  sp -= 3;
  if (int bad = convert_checked_colour(ColourSpace::RGB, rgb, hls)) {
    colour_error("CONVERT_RGB_TO_HLS", ColourSpace::RGB, bad, context);
    return pc;
  }
  change_variable(context, targets[0], integer_value(angle_of(hls[0])), false);
  store_real(context, targets[1], hls[1]);
  store_real(context, targets[2], hls[2]);
  return pc;
}
