#include "setup_files/design_file.h"

#include <cstdio>
#include <span>

#include "base/checked_mm.h"
#include "setup_files/setup_lexer.h"

namespace {

enum option_kind : uint8_t { WORD, INTEGER, FLAG };

const char* const renderers[] = {"photorender_renderer", "raytrace_renderer"};
const char* const quality_formats[] = {"normal", "high", "maximum", "custom"};
const char* const machines[] = {"local_machine", "network_machine"};
const char* const image_formats[] = {"tarq_bump", "tarq_decal", "tarq_image", "tarq_texture", "jpeg", "postscript",
                                     "rgb", "shima", "tga", "tif", "wavefront_image"};
const char* const qualities[] = {"normal", "high", "maximum"};

// The render options in keyword order, from "renderer_type" (149).
struct design_option_spec {
  option_kind kind;
  std::span<const char* const> choices;
};
const design_option_spec option_table[DESIGN_OPTIONS] = {
    {WORD, renderers},       // renderer_type
    {WORD, quality_formats},  // quality_format
    {WORD, machines},        // machine_type
    {WORD, image_formats},   // image_format
    {INTEGER, {}},           // image_height
    {INTEGER, {}},           // image_width
    {FLAG, {}},              // model_transparency
    {FLAG, {}},              // self_shadows
    {FLAG, {}},              // surface_texture_flag
    {FLAG, {}},              // render_room
    {FLAG, {}},              // shade_room
    {FLAG, {}},              // floor_shadows
    {FLAG, {}},              // reflect_in_floor
    {FLAG, {}},              // reflect_room_lit
    {WORD, qualities},       // rendering_quality
    {WORD, qualities},       // highlight_quality
    {FLAG, {}},              // spotlight_shadows
    {FLAG, {}},              // sharpen_geometry
    {FLAG, {}},              // adv_clipping
    {FLAG, {}},              // sharpen_textures
    {INTEGER, {}},           // rt_bounces
    {FLAG, {}},              // rt_shadows
    {FLAG, {}},              // rt_jitter_rays
    {FLAG, {}},              // rt_light_room
    {FLAG, {}},              // rt_reflections
    {FLAG, {}},              // rt_reflect_in_floor
    {FLAG, {}},              // rt_reflect_in_wall1
    {FLAG, {}},              // rt_reflect_in_wall2
    {FLAG, {}},              // rt_reflect_in_wall3
    {FLAG, {}},              // rt_reflect_in_wall4
    {FLAG, {}},              // rt_reflect_in_ceiling
    {FLAG, {}},              // rt_render_room
    {INTEGER, {}},           // rt_resolution
    {FLAG, {}},              // rt_transparency
};

int read_option(TrqDsn* design, int i) {
  design_option& option = design->options[i];
  switch (option_table[i].kind) {
    case WORD:
      return TrqAddValS(&option.text, option_table[i].choices);
    case INTEGER: {
      static const int32_t zero[1] = {0};
      return TrqAddValI(&option.number, zero);
    }
    case FLAG:
      return TrqAddValB(&option.number);
  }
  return 1;
}

void release(char*& text) {
  if (text != nullptr) CheckedFree(text);
  text = nullptr;
}

}  // namespace

void TrqDsnInit(TrqDsn* design) {
  for (char*& name : design->names) name = nullptr;
  design->render_options_list = 0;
  for (int i = 0; i < DESIGN_OPTIONS; ++i) {
    if (option_table[i].kind == WORD)
      design->options[i].text = nullptr;
    else
      design->options[i].number = 0;
  }
}

void TrqDsnFree(TrqDsn* design) {
  for (char*& name : design->names) release(name);
  for (int i = 0; i < DESIGN_OPTIONS; ++i)
    if (option_table[i].kind == WORD) release(design->options[i].text);
  CheckedFree(design);
}

int TrqDsnRead(const char* path, TrqDsn** design, bool* is_design_file) {
  *design = nullptr;
  double version;
  int kind;
  if (!trq_begin_read(path, &version, &kind)) return 1;
  TrqDsn* d = checked_new_array<TrqDsn>(1);
  *design = d;
  TrqDsnInit(d);
  d->version = version;
  bool recognised = !trq_is_unset(version);
  int result = 0;
  for (; kind != TOKEN_END; kind = TrqLex()) {
    // A rejected value's token is dropped: the next token is read afresh.
    if (kind >= KW_MODEL_FILE && kind <= KW_ROOM_FILE)
      result = TrqAddValS(&d->names[kind - KW_MODEL_FILE]);
    else if (kind == KW_RENDER_OPTIONS_LIST)
      d->render_options_list = 1;
    else if (kind >= KW_RENDERER_TYPE && kind < KW_RENDERER_TYPE + DESIGN_OPTIONS)
      result = read_option(d, kind - KW_RENDERER_TYPE);
    else
      continue;
    recognised = true;
  }
  trq_end_read();
  if (is_design_file != nullptr) *is_design_file = recognised;
  return result;
}

int TrqDsnWrite(const char* path, const TrqDsn* design) {
  trq_writer out;
  if (!trq_create(&out, path)) return 1;
  trq_version(&out, design->version);
  for (int k = 0; k < DESIGN_NAMES; ++k)
    if (design->names[k] != nullptr) trq_name(&out, KW_MODEL_FILE + k, design->names[k]);
  if (design->render_options_list > 0) {
    fputs("render_options_list\n", out.file.stream);
    for (int i = 0; i < DESIGN_OPTIONS; ++i) {
      const design_option& option = design->options[i];
      if (option_table[i].kind != WORD)
        trq_integer(&out, KW_RENDERER_TYPE + i, option.number);
      else if (option.text != nullptr)
        trq_word(&out, KW_RENDERER_TYPE + i, option.text);
    }
  }
  return trq_finish(&out);
}

void TrqDsnPrint(const TrqDsn* design) {
  putchar('\n');
  for (int k = 0; k < DESIGN_NAMES; ++k)
    if (design->names[k] != nullptr) trq_print_text(KW_MODEL_FILE + k, design->names[k], false);
  trq_print_integer(KW_RENDER_OPTIONS_LIST, design->render_options_list);
  for (int i = 0; i < DESIGN_OPTIONS; ++i) {
    const design_option& option = design->options[i];
    if (option_table[i].kind != WORD)
      trq_print_integer(KW_RENDERER_TYPE + i, option.number);
    else if (option.text != nullptr)
      trq_print_text(KW_RENDERER_TYPE + i, option.text, false);
  }
}

int TrqDsnImport(const char* path, char** light_file, char** material_file, char** model_file, char** room_file) {
  TrqDsn* design;
  bool is_design_file = false;
  int result = TrqDsnRead(path, &design, &is_design_file);
  if (design == nullptr) return -1;
  if (result == 0 && is_design_file) {
    auto give = [&](char** out, design_name k) {
      *out = dup_chars(design->names[k] != nullptr ? design->names[k] : "");
    };
    give(light_file, LIGHT_FILE);
    give(material_file, MATERIAL_FILE);
    give(model_file, MODEL_FILE);
    give(room_file, ROOM_FILE);
  }
  TrqDsnFree(design);
  return result == 0 && is_design_file ? 0 : -1;
}

int TrqDsnExport(const char* path, const char* light_file, const char* material_file, const char* model_file,
                 const char* room_file) {
  TrqDsn* design = checked_new_array<TrqDsn>(1);
  TrqDsnInit(design);
  design->version = 1.0;
  TrqComInitS(&design->names[LIGHT_FILE], light_file);
  TrqComInitS(&design->names[MATERIAL_FILE], material_file);
  TrqComInitS(&design->names[MODEL_FILE], model_file);
  TrqComInitS(&design->names[ROOM_FILE], room_file);
  int result = TrqDsnWrite(path, design);
  TrqDsnFree(design);
  return result;
}
