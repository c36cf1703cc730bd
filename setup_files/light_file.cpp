#include "setup_files/light_file.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "setup_files/setup_lexer.h"

namespace {

enum field_kind : uint8_t { WORD, NAME, FLAG, REALS };

// The fields after the type, in keyword order: where each lives in the
// record, its default and the range its values are read in.
struct light_field {
  int keyword;
  field_kind kind;
  size_t offset;
  int n;
  double defaults[4];
  bool ranged;
  trq_real_range range;
};

constexpr trq_real_range NO_RANGE{0, 0};
constexpr trq_real_range COLOUR{0.0, 1.0};

const light_field fields[] = {
    {KW_AMBIENT_LIGHT_COLOR, REALS, offsetof(TrqLight, ambient), 4, {1, 1, 1, 1}, true, COLOUR},
    {KW_CASTS_SHADOWS, FLAG, offsetof(TrqLight, casts_shadows), 1, {0}, false, NO_RANGE},
    {KW_CONSTANT_ATTENUATION, REALS, offsetof(TrqLight, constant_attenuation), 1, {1.0}, false, NO_RANGE},
    {KW_DEFAULT_LIGHT, FLAG, offsetof(TrqLight, default_light), 1, {0}, false, NO_RANGE},
    {KW_DIFFUSE_LIGHT_COLOR, REALS, offsetof(TrqLight, diffuse), 4, {1, 1, 1, 1}, true, COLOUR},
    {KW_HEADLIGHT, FLAG, offsetof(TrqLight, headlight), 1, {0}, false, NO_RANGE},
    {KW_LIGHT_NAME, NAME, offsetof(TrqLight, name), 0, {0}, false, NO_RANGE},
    {KW_LIGHT_STATE, FLAG, offsetof(TrqLight, state), 1, {1}, false, NO_RANGE},
    {KW_LINEAR_ATTENUTATION, REALS, offsetof(TrqLight, linear_attenuation), 1, {1.0}, false, NO_RANGE},
    {KW_POSITION, REALS, offsetof(TrqLight, position), 3, {0, 3, 3}, false, NO_RANGE},
    {KW_AIM_AT, REALS, offsetof(TrqLight, aim_at), 3, {0, 0, 0}, false, NO_RANGE},
    {KW_QUADRATIC_ATTENUATION, REALS, offsetof(TrqLight, quadratic_attenuation), 1, {0.0}, false, NO_RANGE},
    {KW_SPECULAR_LIGHT_COLOR, REALS, offsetof(TrqLight, specular), 4, {1, 1, 1, 1}, true, COLOUR},
    {KW_SPOT_CUTOFF, REALS, offsetof(TrqLight, spot_cutoff), 1, {90.0}, true, {0.0, 180.0}},
    {KW_SPOT_EXPONENT, REALS, offsetof(TrqLight, spot_exponent), 1, {0.0}, true, {0.0, 100.0}},
};

// Light types by their words; the array code of each.
struct light_type {
  const char* word;
  uint32_t code;
};
constexpr light_type light_types[] = {
    {"directional_light", 1}, {"positional_light", 2}, {"spot_light", 3}, {"ambient_light", 4}};
constexpr uint32_t DIRECTIONAL = 1, POSITIONAL = 2, SPOT = 3, AMBIENT = 4;

template <typename T>
T* member(TrqLight* light, const light_field& f) {
  return reinterpret_cast<T*>(reinterpret_cast<char*>(light) + f.offset);
}
template <typename T>
const T* member(const TrqLight* light, const light_field& f) {
  return reinterpret_cast<const T*>(reinterpret_cast<const char*>(light) + f.offset);
}

const light_field* field_of(int keyword) {
  if (keyword <= KW_LIGHT_TYPE || keyword > KW_SPOT_EXPONENT) return nullptr;
  return &fields[keyword - KW_LIGHT_TYPE - 1];
}

int read_field(TrqLight* light, const light_field& f) {
  switch (f.kind) {
    case FLAG:
      return TrqAddValB(member<int32_t>(light, f));
    case NAME:
      return TrqAddValS(member<char*>(light, f));
    case REALS: {
      trq_real_range ranges[4] = {f.range, f.range, f.range, f.range};
      return TrqAddValF(member<double>(light, f), std::span(f.defaults, size_t(f.n)),
                        f.ranged ? std::span<const trq_real_range>(ranges, size_t(f.n))
                                 : std::span<const trq_real_range>());
    }
    case WORD:
      break;
  }
  return 1;
}

}  // namespace

void TrqDlgAlloc(TrqDlg** list, uint16_t capacity) {
  TrqDlg* l = checked_new_array<TrqDlg>(1);
  l->version = TRQ_UNSET;
  l->capacity = capacity;
  l->count = 0;
  l->lights = capacity == 0 ? nullptr : checked_new_array<TrqLight>(capacity);
  l->reserved = capacity;
  *list = l;
}

bool TrqDlgRealloc(TrqDlg** list, uint16_t step) {
  TrqDlg* l = *list;
  uint32_t capacity = l->capacity + step;
  if (step == 0 || capacity > max_lights) return false;
  if (capacity > l->reserved) {
    uint32_t reserved = std::min(std::max(capacity, l->reserved + l->reserved / 2), max_lights);
    size_t size = sizeof(TrqLight) * reserved;
    l->lights = static_cast<TrqLight*>(l->lights == nullptr ? CheckedMalloc(size) : CheckedRealloc(l->lights, size));
    l->reserved = reserved;
  }
  l->capacity = capacity;
  return true;
}

void TrqDlgInit(const TrqDlg* list) {
  TrqLight* light = &list->lights[list->count - 1];
  light->type = nullptr;
  for (const light_field& f : fields) {
    if (f.kind == NAME)
      *member<char*>(light, f) = nullptr;
    else if (f.kind == FLAG)
      *member<int32_t>(light, f) = int32_t(f.defaults[0]);
    else
      std::copy(f.defaults, f.defaults + f.n, member<double>(light, f));
  }
}

void TrqDlgFree(TrqDlg* list) {
  for (uint32_t i = 0; i < list->count; ++i) {
    if (list->lights[i].type != nullptr) CheckedFree(list->lights[i].type);
    if (list->lights[i].name != nullptr) CheckedFree(list->lights[i].name);
  }
  if (list->lights != nullptr) CheckedFree(list->lights);
  CheckedFree(list);
}

int TrqDlgRead(const char* path, TrqDlg** list) {
  *list = nullptr;
  double version;
  int kind;
  if (!trq_begin_read(path, &version, &kind)) return 1;
  TrqDlgAlloc(list, 10);
  TrqDlg* l = *list;
  l->version = version;
  TrqLight* light = nullptr;
  bool full = false;  // the last record is in use and the list cannot grow
  while (kind != TOKEN_END) {
    if (kind == KW_LIGHT_TYPE) {
      if (full) break;  // the light in the last record was read whole
      ++l->count;
      if (l->count == l->capacity) full = !TrqDlgRealloc(list, 10);
      TrqDlgInit(l);
      light = &l->lights[l->count - 1];
      if (TrqAddValS(&light->type, {"ambient_light", "directional_light", "positional_light", "spot_light"}) != 0) {
        --l->count;
        light = nullptr;
        full = false;
        kind = trq_data.kind;
        continue;
      }
      kind = TrqLex();
      continue;
    }
    const light_field* f = light != nullptr ? field_of(kind) : nullptr;
    if (f == nullptr) {
      kind = TrqLex();
      continue;
    }
    kind = read_field(light, *f) == 0 ? TrqLex() : trq_data.kind;
  }
  trq_end_read();
  return 0;
}

int TrqDlgWrite(const char* path, const TrqDlg* list) {
  if (list->count == 0) return -1;
  trq_writer out;
  if (!trq_create(&out, path)) return 1;
  trq_version(&out, list->version);
  for (uint32_t i = 0; i < list->count; ++i) {
    const TrqLight* light = &list->lights[i];
    if (light->type == nullptr) continue;
    trq_word(&out, KW_LIGHT_TYPE, light->type);
    for (const light_field& f : fields) {
      if (f.kind == NAME) {
        const char* name = *member<char*>(light, f);
        if (name != nullptr) trq_name(&out, f.keyword, name);
      } else if (f.kind == FLAG) {
        trq_integer(&out, f.keyword, *member<int32_t>(light, f));
      } else {
        trq_reals(&out, f.keyword, member<double>(light, f), f.n);
      }
    }
  }
  return trq_finish(&out);
}

int TrqDlgPrint(const TrqDlg* list) {
  for (uint32_t i = 0; i < list->count; ++i) {
    const TrqLight* light = &list->lights[i];
    putchar('\n');
    if (light->type != nullptr) trq_print_text(KW_LIGHT_TYPE, light->type, false);
    for (const light_field& f : fields) {
      if (f.kind == NAME) {
        const char* name = *member<char*>(light, f);
        if (name != nullptr) trq_print_text(f.keyword, name, true);
      } else if (f.kind == FLAG) {
        trq_print_integer(f.keyword, *member<int32_t>(light, f));
      } else {
        trq_print_reals(f.keyword, member<double>(light, f), f.n);
      }
    }
  }
  return int(list->count);
}

int TrqDlgImport(const char* path, uint32_t type[], bool enable[], float red[], float green[], float blue[],
                 bool view_dependency[], float x[], float y[], float z[], float target_x[], float target_y[],
                 float target_z[], float spot_angle[], float spot_focus[], uint32_t shadow_type[],
                 float shadow_softness[]) {
  TrqDlg* list;
  if (TrqDlgRead(path, &list) != 0) return -1;
  uint32_t n = std::min<uint32_t>(list->count, 32);
  for (uint32_t i = 0; i < n; ++i) {
    const TrqLight& light = list->lights[i];
    for (const light_type& t : light_types)
      if (light.type != nullptr && strcmp(light.type, t.word) == 0) type[i] = t.code;
    // A word of no type keeps the element's earlier type.
    if (type[i] < DIRECTIONAL || type[i] > AMBIENT) continue;
    const double* colour = type[i] == AMBIENT ? light.ambient : light.diffuse;
    red[i] = float(colour[0]), green[i] = float(colour[1]), blue[i] = float(colour[2]);
    if (type[i] != SPOT) {
      target_x[i] = target_y[i] = target_z[i] = 0.0f;
      spot_angle[i] = 1.0f;
      spot_focus[i] = 10.0f;
      view_dependency[i] = false;
    }
    if (type[i] == POSITIONAL || type[i] == SPOT) {
      x[i] = float(light.position[0]), y[i] = float(light.position[1]), z[i] = float(light.position[2]);
    }
    if (type[i] == DIRECTIONAL) {
      float d[3];
      for (int k = 0; k < 3; ++k) d[k] = float(light.position[k] - light.aim_at[k]);
      float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      if (length > 1e-10f)
        for (float& v : d) v /= length;
      x[i] = d[0], y[i] = d[1], z[i] = d[2];
      view_dependency[i] = light.headlight != 0;
    } else if (type[i] == SPOT) {
      target_x[i] = float(light.aim_at[0]), target_y[i] = float(light.aim_at[1]), target_z[i] = float(light.aim_at[2]);
      spot_angle[i] = float(light.spot_cutoff);
      spot_focus[i] = float(light.spot_exponent);
    }
    enable[i] = light.state != 0;
    shadow_type[i] = light.casts_shadows == 0 ? 1 : 3;
    shadow_softness[i] = 1.0f;
  }
  TrqDlgFree(list);
  return n == 0 ? -2 : int(n);
}

int TrqDlgExport(const char* path, uint32_t n, const uint32_t type[], const bool enable[], const float red[],
                 const float green[], const float blue[], const bool view_dependency[], const float x[],
                 const float y[], const float z[], const float target_x[], const float target_y[],
                 const float target_z[], const float spot_angle[], const float spot_focus[],
                 const uint32_t shadow_type[], const float[]) {
  if (n == 0 || n > max_lights) return -1;
  TrqDlg* list;
  TrqDlgAlloc(&list, uint16_t(n));
  list->version = 1.0;
  for (uint32_t i = 0; i < n; ++i) {
    ++list->count;
    TrqDlgInit(list);
    TrqLight& light = list->lights[i];
    if (type[i] >= DIRECTIONAL && type[i] <= AMBIENT) TrqComInitS(&light.type, light_types[type[i] - 1].word);
    switch (type[i]) {
      case DIRECTIONAL:
        TrqComInitArrF(light.aim_at, {0.0, 0.0, 0.0});
        TrqComInitArrF(light.position, {100.0 * x[i], 100.0 * y[i], 100.0 * z[i]});
        light.headlight = view_dependency[i];
        break;
      case POSITIONAL:
        TrqComInitArrF(light.position, {x[i], y[i], z[i]});
        break;
      case SPOT:
        TrqComInitArrF(light.position, {x[i], y[i], z[i]});
        TrqComInitArrF(light.aim_at, {target_x[i], target_y[i], target_z[i]});
        light.spot_cutoff = spot_angle[i];
        light.spot_exponent = std::min(double(spot_focus[i]), 100.0);
        break;
      case AMBIENT:
        TrqComInitArrF(light.ambient, {red[i], green[i], blue[i], 1.0});
        break;
    }
    if (type[i] >= DIRECTIONAL && type[i] <= SPOT) light.casts_shadows = shadow_type[i] != 1;
    char name[24];
    snprintf(name, sizeof name, "Light-%u", unsigned(i + 1));
    TrqComInitS(&light.name, name);
    light.state = enable[i];
    light.linear_attenuation = 0.0;
    TrqComInitArrF(light.diffuse, {red[i], green[i], blue[i], 1.0});
    TrqComInitArrF(light.specular, {red[i], green[i], blue[i], 1.0});
  }
  int result = TrqDlgWrite(path, list);
  TrqDlgFree(list);
  return result;
}
