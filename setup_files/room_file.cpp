#include "setup_files/room_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/checked_mm.h"
#include "scene/environment.h"
#include "scene/image_io.h"
#include "scene/loaded_texture.h"
#include "setup_files/setup_lexer.h"

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

int read_surface_field(TrqDrmSurface* surface, int keyword) {
  static const double unset2[2] = {TRQ_UNSET, TRQ_UNSET};
  switch (keyword) {
    case KW_COPIES:
      return TrqAddValB(&surface->copies);
    case KW_FLIPPED_HORIZONTAL:
      return TrqAddValB(&surface->flipped_horizontal);
    case KW_FLIPPED_VERTICAL:
      return TrqAddValB(&surface->flipped_vertical);
    case KW_OFFSET:
      return TrqAddValF(surface->offset, unset2);
    case KW_SCALE:
      return TrqAddValF(surface->scale, unset2);
  }
  return 1;
}

// "rotation": one real turns the current surface, three the room, any other
// number nothing. Gives the next keyword's token.
int read_rotation(TrqDrm* room, TrqDrmSurface* surface) {
  double v[3];
  int n = 0;
  while (n < 3 && TrqLex() == TOKEN_REAL) v[n++] = trq_data.real;
  if (n == 3) {
    TrqComInitArrF(room->rotation, {v[0], v[1], v[2]});
    return TrqLex();
  }
  if (n == 1) surface->rotation = v[0];
  return trq_data.kind;
}

}  // namespace

void TrqDrmAlloc(TrqDrm** room, long n) {
  TrqDrm* r = checked_new_array<TrqDrm>(1);
  r->version = TRQ_UNSET;
  r->capacity = int32_t(n);
  r->count = 0;
  r->room_shape = nullptr;
  r->surfaces = n > 0 ? checked_new_array<TrqDrmSurface>(size_t(n)) : nullptr;
  for (long i = 0; i < n; ++i) r->surfaces[i].image = nullptr;
  *room = r;
}

void TrqDrmInit(TrqDrm* room) {
  TrqComInitArrF(room->center, {0, 0, 0});
  TrqComInitArrF(room->dimensions, {200, 200, 200});
  TrqComInitArrF(room->origin, {0, 0, 0});
  TrqComInitArrF(room->rotation, {0, 0, 0});
  if (room->room_shape != nullptr) CheckedFree(room->room_shape);
  TrqComInitS(&room->room_shape, "rectangle");
  for (int i = 0; i < room->count; ++i) {
    TrqDrmSurface& s = room->surfaces[i];
    if (s.image != nullptr) CheckedFree(s.image);
    s.image = nullptr;
    s.copies = s.flipped_horizontal = s.flipped_vertical = 0;
    TrqComInitArrF(s.offset, {TRQ_UNSET, TRQ_UNSET});
    s.rotation = TRQ_UNSET;
    TrqComInitArrF(s.scale, {TRQ_UNSET, TRQ_UNSET});
  }
}

void TrqDrmFree(TrqDrm* room) {
  for (int i = 0; i < room->capacity; ++i)
    if (room->surfaces[i].image != nullptr) CheckedFree(room->surfaces[i].image);
  if (room->room_shape != nullptr) CheckedFree(room->room_shape);
  if (room->surfaces != nullptr) CheckedFree(room->surfaces);
  CheckedFree(room);
}

int TrqDrmRead(const char* path, TrqDrm** room, bool* is_room_file) {
  *room = nullptr;
  double version;
  int kind;
  if (!trq_begin_read(path, &version, &kind)) return 1;
  TrqDrmAlloc(room, ROOM_SURFACES);
  TrqDrm* r = *room;
  r->count = ROOM_SURFACES;
  TrqDrmInit(r);
  r->version = version;
  bool recognised = !trq_is_unset(version);
  static const double zero3[3] = {0, 0, 0};
  static const double dimensions3[3] = {200, 200, 200};
  TrqDrmSurface* surface = &r->surfaces[0];
  while (kind != TOKEN_END) {
    int result = 0;
    if (kind >= KW_CENTER && kind <= KW_SCALE) recognised = true;
    switch (kind) {
      case KW_CENTER:
        result = TrqAddValF(r->center, zero3);
        break;
      case KW_DIMENSIONS:
        result = TrqAddValF(r->dimensions, dimensions3);
        break;
      case KW_ORIGIN:
        result = TrqAddValF(r->origin, zero3);
        break;
      case KW_ROTATION:
        kind = read_rotation(r, surface);
        continue;
      case KW_ROOM_SHAPE:
        result = TrqAddValS(&r->room_shape, {"rectangle", "cylinder"});
        break;
      case KW_CEILING:
      case KW_FLOOR:
      case KW_WALL1:
      case KW_WALL2:
      case KW_WALL3:
      case KW_WALL4:
        surface = &r->surfaces[kind - KW_CEILING];
        result = TrqAddValS(&surface->image);
        break;
      case KW_COPIES:
      case KW_FLIPPED_HORIZONTAL:
      case KW_FLIPPED_VERTICAL:
      case KW_OFFSET:
      case KW_SCALE:
        result = read_surface_field(surface, kind);
        break;
      default:
        kind = TrqLex();
        continue;
    }
    kind = result == 0 ? TrqLex() : trq_data.kind;
  }
  trq_end_read();
  if (is_room_file != nullptr) *is_room_file = recognised;
  return 0;
}

int TrqDrmWrite(const char* path, const TrqDrm* room) {
  bool any_image = false;
  for (int i = 0; i < room->count; ++i) any_image |= room->surfaces[i].image != nullptr;
  if (!any_image) return -1;
  trq_writer out;
  if (!trq_create(&out, path)) return 1;
  trq_version(&out, room->version);
  for (int i = 0; i < room->count; ++i) {
    const TrqDrmSurface& s = room->surfaces[i];
    if (s.image == nullptr) continue;
    trq_name(&out, KW_CEILING + i, s.image);
    trq_integer(&out, KW_COPIES, s.copies);
    trq_integer(&out, KW_FLIPPED_HORIZONTAL, s.flipped_horizontal);
    trq_integer(&out, KW_FLIPPED_VERTICAL, s.flipped_vertical);
    trq_reals(&out, KW_OFFSET, s.offset, 2);
    trq_reals(&out, KW_ROTATION, &s.rotation, 1);
    trq_reals(&out, KW_SCALE, s.scale, 2);
  }
  trq_reals(&out, KW_CENTER, room->center, 3);
  trq_reals(&out, KW_DIMENSIONS, room->dimensions, 3);
  trq_reals(&out, KW_ORIGIN, room->origin, 3);
  trq_reals(&out, KW_ROTATION, room->rotation, 3);
  if (room->room_shape != nullptr) trq_word(&out, KW_ROOM_SHAPE, room->room_shape);
  return trq_finish(&out);
}

namespace {

// The environment side of each room surface, in surface order.
constexpr int SIDE_OF_SURFACE[ROOM_SURFACES] = {5, 0, 4, 1, 2, 3};
// The surface word of each environment side, for the exported images.
const char* const SIDE_WORDS[ENVIRONMENT_SIDES] = {"floor", "wall2", "wall3", "wall4", "wall1", "ceiling"};

// The room file's directory with its separator; "./" (the working
// directory) when it has none, so the box takes the path as it stands.
std::string directory_of(const char* path) {
  size_t separator;
  return GetHeader(path, &separator) ? std::string(path, separator + 1) : std::string("./");
}

float clamped_repeat(double scale) { return float(scale < 0.01 ? 0.01 : (scale > 25.0 ? 25.0 : scale)); }

// An uncompressed RGB TIFF of bottom-up pixels of `components` bytes each.
int write_tiff_pixels(const char* path, uint32_t width, uint32_t height, const uint8_t* pixels, int components) {
  atomic_file file;
  if (atomic_file_open(&file, path) != 0) return 1;
  if (file.temporary == nullptr) {  // no regular file: a TIFF is not written in place
    atomic_file_abandon(&file);
    return 1;
  }
  bool failed;
  {
    ImageIO image(IMAGE_TIFF, GL_RGB, width, height, 0, file.temporary, false, 72, 72);
    failed = !image.ok;
    std::vector<uint8_t> row(size_t(width) * 3);
    const size_t stride = size_t(width) * size_t(components);
    for (uint32_t r = 0; r < height && !failed; ++r) {
      const uint8_t* pixel = pixels + size_t(height - 1 - r) * stride;
      for (uint32_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c)
          row[size_t(x) * 3 + size_t(c)] = pixel[size_t(x) * size_t(components) + size_t(components < 3 ? 0 : c)];
      failed = image.write_scanline(r, row.data());
    }
    if (!failed) failed = image.finish_write();
  }
  if (failed) {
    atomic_file_abandon(&file);
    return 1;
  }
  return atomic_file_commit(&file) == 0 ? 0 : 1;
}

// Writes a side's own image (the loaded texture, not a resampled copy); a
// side without pixels, or showing the failure image, gets none.
int write_side_image(int side, const char* path) {
  const LoadedTexture* texture = get_environment_side_texture(side);
  if (texture == nullptr || texture->get_showing_failure_image()) return 0;
  return write_tiff_pixels(path, uint32_t(texture->get_width()), uint32_t(texture->get_height()),
                           texture->get_pixels(), texture->get_components());
}

}  // namespace

int TrqDrmImport(const char* path) {
  TrqDrm* room;
  bool is_room_file = false;
  if (TrqDrmRead(path, &room, &is_room_file) != 0) return -1;
  if (!is_room_file || strcmp(room->room_shape, "rectangle") != 0) {
    TrqDrmFree(room);
    return is_room_file ? 0 : -1;
  }
  bool visible, shown[ENVIRONMENT_SIDES], lit[ENVIRONMENT_SIDES], shadows[ENVIRONMENT_SIDES], cull;
  float position[3], size[3], reflection[ENVIRONMENT_SIDES], repeat[2 * ENVIRONMENT_SIDES];
  char* current_names[ENVIRONMENT_SIDES];
  get_environment(&visible, shown, position, size, reflection, lit, shadows, repeat, current_names, &cull);
  for (char* name : current_names) CheckedFree(name);

  const double* o = room->origin;
  const double* d = room->dimensions;
  position[0] = float(o[0] + d[0] / 2), position[1] = float(o[2] + d[2] / 2), position[2] = float(o[1]);
  size[0] = float(d[0]), size[1] = float(d[2]), size[2] = float(d[1]);
  std::string images[ENVIRONMENT_SIDES];
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    shown[side] = lit[side] = shadows[side] = false;
    reflection[side] = 0;
    repeat[2 * side] = repeat[2 * side + 1] = 1;
  }
  const std::string directory = directory_of(path);
  int result = 0;
  for (int i = 0; i < room->count; ++i) {
    const TrqDrmSurface& surface = room->surfaces[i];
    if (surface.image == nullptr) continue;
    int side = SIDE_OF_SURFACE[i];
    std::string image = directory + surface.image;
    if (!FileIsTiff(image.c_str())) {
      result = -4;
      continue;
    }
    shown[side] = true;
    images[side] = std::move(image);  // the checked path, so the box reads the file that was checked
    if (surface.copies == 1)
      repeat[2 * side] = clamped_repeat(surface.scale[0]), repeat[2 * side + 1] = clamped_repeat(surface.scale[1]);
  }
  const char* names[ENVIRONMENT_SIDES];
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) names[side] = images[side].c_str();
  set_environment(visible, shown, position, size, reflection, lit, shadows, repeat, names, cull);
  TrqDrmFree(room);
  return result;
}

int TrqDrmExport(const char* path, bool write_images) {
  if (!get_environment_visible()) return -1;
  bool visible, shown[ENVIRONMENT_SIDES], lit[ENVIRONMENT_SIDES], shadows[ENVIRONMENT_SIDES], cull;
  float position[3], size[3], reflection[ENVIRONMENT_SIDES], repeat[2 * ENVIRONMENT_SIDES];
  char* current_names[ENVIRONMENT_SIDES];
  get_environment(&visible, shown, position, size, reflection, lit, shadows, repeat, current_names, &cull);
  for (char* name : current_names) CheckedFree(name);

  TrqDrm* room;
  TrqDrmAlloc(&room, ROOM_SURFACES);
  room->count = ROOM_SURFACES;
  TrqDrmInit(room);
  room->version = 1.0;
  size_t root;
  get_root(path, &root);
  int result = 0;
  for (int i = 0; i < ROOM_SURFACES && result == 0; ++i) {
    int side = SIDE_OF_SURFACE[i];
    if (!shown[side]) continue;
    std::string image = std::string(path, root) + "_" + SIDE_WORDS[side] + ".tif";
    if (write_images) result = write_side_image(side, image.c_str());
    TrqDrmSurface& surface = room->surfaces[i];
    TrqComInitS(&surface.image, get_tail(image.c_str()));
    if (repeat[2 * side] != 1 || repeat[2 * side + 1] != 1) {
      surface.copies = 1;
      TrqComInitArrF(surface.scale, {repeat[2 * side], repeat[2 * side + 1]});
    }
  }
  TrqComInitArrF(room->origin, {position[0] - size[0] / 2, position[2], position[1] - size[1] / 2});
  TrqComInitArrF(room->dimensions, {size[0], size[2], size[1]});
  if (result == 0) result = TrqDrmWrite(path, room);
  TrqDrmFree(room);
  return result;
}

bool FileIsTiff(const char* path) {
  FILE* f = trq_open_input(path);
  if (f == nullptr) return false;
  unsigned char head[4];
  bool tiff = fread(head, 1, 4, f) == 4 &&
              (memcmp(head, "MM\0*", 4) == 0 || memcmp(head, "II*\0", 4) == 0);
  fclose(f);
  return tiff;
}

bool GetHeader(const char* path, size_t* len) {
  *len = 0;
  bool found = false;
  for (size_t i = 0; path[i] != '\0'; ++i)
    if (is_separator(path[i])) *len = i, found = true;
  return found;
}

void get_root(const char* path, size_t* len) {
  const char* tail = get_tail(path);
  const char* point = strrchr(tail, '.');
  *len = point != nullptr ? size_t(point - path) : strlen(path);
}

const char* get_tail(const char* path) {
  size_t separator;
  return GetHeader(path, &separator) ? path + separator + 1 : path;
}

int write_tiff(const char* path, uint32_t width, uint32_t height, const uint8_t* rgba) {
  return write_tiff_pixels(path, width, height, rgba, 4);
}
