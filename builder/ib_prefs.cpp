#include "builder/ib_prefs.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Reads up to `count` integers after the keyword's separator; false when
// fewer came or one lies beyond `int`.
bool read_integers(const char* p, int count, long* out) {
  for (int i = 0; i < count; ++i) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      v = v * 10 + (*p - '0');
      if (v > INT_MAX) return false;
    }
    out[i] = long(negative ? -v : v);
  }
  return true;
}

bool in_range(long v, long low, long high) { return v >= low && v <= high; }

}  // namespace

const char* apply_prefs_line(const char* line, int width, int height, builder_prefs* p) {
  struct keyword {
    const char* name;
    int count;
    const char* message;
  };
  static const keyword keywords[] = {
      {"Position grid", 2, "Position grid value out of range"},
      {"Grid offset", 2, "Grid offset value out of range"},
      {"Size grid", 3, "Size grid value out of range"},
      {"alignment", 2, "alignment value out of range"},
      {"Text editor", 0, nullptr},
      {"Main window position", 2, "Main window position value out of range"},
      {"Window inspector position", 2, "Window inspector position value out of range"},
      {"Object inspector position", 2, "Object inspector position value out of range"},
  };
  for (int k = 0; k < int(sizeof keywords / sizeof keywords[0]); ++k) {
    const keyword& kw = keywords[k];
    size_t n = strlen(kw.name);
    if (strncmp(line, kw.name, n) != 0) continue;
    const char* rest = line[n] != '\0' ? line + n + 1 : line + n;
    if (kw.count == 0) {
      size_t length = strlen(rest);
      if (length > 0) --length;  // the line feed
      if (length >= sizeof p->editor) length = sizeof p->editor - 1;
      memcpy(p->editor, rest, length);
      p->editor[length] = '\0';
      return nullptr;
    }
    long v[3];
    if (!read_integers(rest, kw.count, v)) return kw.message;
    switch (k) {
      case 0:
        if (!in_range(v[0], 1, width) || !in_range(v[1], 1, height)) return kw.message;
        p->position_grid_x = uint16_t(v[0]);
        p->position_grid_y = uint16_t(v[1]);
        return nullptr;
      case 1:
        if (!in_range(v[0], 0, width) || !in_range(v[1], 0, height)) return kw.message;
        p->offset_x = uint16_t(v[0]);
        p->offset_y = uint16_t(v[1]);
        return nullptr;
      case 2:
        if (!in_range(v[0], 0, 1) || !in_range(v[1], 1, width) || !in_range(v[2], 1, height)) return kw.message;
        p->size_grid_active = v[0] == 1;
        p->size_grid_x = uint16_t(v[1]);
        p->size_grid_y = uint16_t(v[2]);
        return nullptr;
      case 3:
        if (!in_range(v[0], 1, 4) || !in_range(v[1], 1, 4)) return kw.message;
        p->x_alignment = uint16_t(v[0]);
        p->y_alignment = uint16_t(v[1]);
        return nullptr;
      default: {
        if (!in_range(v[0], 0, width) || !in_range(v[1], 0, height)) return kw.message;
        short* place = k == 5 ? &p->main_x : k == 6 ? &p->window_inspector_x : &p->object_inspector_x;
        place[0] = short(v[0]);
        place[1] = short(v[1]);
        return nullptr;
      }
    }
  }
  return "Unknown keyword in preference file";
}

void format_prefs(const builder_prefs& p, char* out, size_t size) {
  size_t used = 0;
  auto put = [&](const char* format, auto... args) {
    if (used >= size) return;
    int n = snprintf(out + used, size - used, format, args...);
    if (n > 0) used += size_t(n);
  };
  out[0] = '\0';
  if (p.position_grid_x > 1 || p.position_grid_y > 1)
    put("Position grid\t%d %d\n", int(p.position_grid_x), int(p.position_grid_y));
  if (p.offset_x != 0 || p.offset_y != 0) put("Grid offset\t%d %d\n", int(p.offset_x), int(p.offset_y));
  if (p.size_grid_active) put("Size grid\t1 %d %d\n", int(p.size_grid_x), int(p.size_grid_y));
  if (p.x_alignment != 1 || p.y_alignment != 1)
    put("alignment\t%u %u\n", unsigned(p.x_alignment), unsigned(p.y_alignment));
  put("Text editor\t%s\n", p.editor);
  if (p.main_x != 0 || p.main_y != 0) put("Main window position\t %d %d\n", int(p.main_x), int(p.main_y));
  if (p.object_inspector_x != 0 || p.object_inspector_y != 0)
    put("Object inspector position\t %d %d\n", int(p.object_inspector_x), int(p.object_inspector_y));
  if (p.window_inspector_x != 0 || p.window_inspector_y != 0)
    put("Window inspector position\t %d %d\n", int(p.window_inspector_x), int(p.window_inspector_y));
}

