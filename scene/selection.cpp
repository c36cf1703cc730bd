#include "scene/selection.h"

#include <GL/gl.h>

#include <cmath>
#include <unordered_map>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "scene/clip_planes.h"
#include "scene/draw_geometry.h"
#include "scene/entity_list.h"
#include "scene/geom_object.h"
#include "scene/segment_store.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

const char* const MODULE = "selection";

constexpr unsigned long POSITION_LIMIT = 1023, REGION_LIMIT = 32766;

selection_info* selection_infos;
unsigned long selection_infos_length;
unsigned long selection_infos_mlength;
float selection_radius;

// The entries of the passes before the current one, by segment: with a
// mirror mode that shows both images, a segment found in both keeps one entry.
std::unordered_map<const bsegment*, unsigned long> earlier_entries;

void begin_pass() {
  earlier_entries.clear();
  for (unsigned long i = 0; i < selection_infos_length; ++i)
    if (selection_infos[i].segment != nullptr) earlier_entries.emplace(selection_infos[i].segment, i);
}

selection_info* earlier_entry(const bsegment* segment) {
  if (earlier_entries.empty()) return nullptr;
  auto found = earlier_entries.find(segment);
  return found == earlier_entries.end() ? nullptr : &selection_infos[found->second];
}

bool full() { return selection_infos_length >= selection_infos_mlength; }

// Selection type 1 and 2 take every segment; 3 to 5 those with that flag.
bool candidate(const bsegment* s, unsigned long type, bool by_region) {
  if (!(s->flags & SEG_VISIBLE) || (s->flags & SEG_NOT_SELECTABLE)) return false;
  if (type >= 3 && type <= 5) return s->selection_type.selectable[type - 3];
  return !by_region;
}

template <typename Visit>
void for_each_candidate(unsigned long type, bool by_region, Visit visit) {
  unsigned long bound = segment_number_bound();
  for (unsigned long n = 1; n <= bound && !full(); ++n) {
    bsegment* s = get_segment(n);
    if (s != nullptr && candidate(s, type, by_region)) visit(s);
  }
}

float screen_depth(const float* point, bool mirrored) {
  float out[3];
  map_model_screen_3d(Point(point[0], point[1], point[2]), mirrored, out);
  return out[2];
}

// The radius of `radius` tek units over half the width of the view under the position.
float normalised_radius(unsigned long radius, float tx, float ty) {
  int n = get_view_number(tx, ty);
  if (n == 0) return 0;
  float half_width = get_view_record(n)->viewport[1] / 2;
  return half_width > 0 ? float(radius) / half_width : 0;
}

}  // namespace

void set_selection_limit(unsigned long n) {
  if (selection_infos == nullptr || n != selection_infos_mlength) {
    if (selection_infos != nullptr) CheckedFree(selection_infos);
    selection_infos = static_cast<selection_info*>(CheckedMalloc(n * sizeof(selection_info)));
    selection_infos_mlength = n;
  }
  selection_infos_length = 0;
}

void reset_selection() { selection_infos_length = 0; }

void cleanup_selection() {
  if (selection_infos != nullptr) CheckedFree(selection_infos);
  selection_infos = nullptr;
  selection_infos_length = selection_infos_mlength = 0;
  earlier_entries = {};
}

unsigned long get_selection_length() { return selection_infos_length; }
const selection_info* get_selection_infos() { return selection_infos; }

uint16_t select_geometry_by_position(unsigned long type, const unsigned long* tek_xy, unsigned long radius) {
  set_selection_limit(POSITION_LIMIT);
  float tx = float(tek_xy[0]), ty = float(tek_xy[1]);
  selection_radius = normalised_radius(radius, tx, ty);
  return uint16_t(compute_segment_selection(tx, ty, type));
}

uint16_t select_geometry_by_region(unsigned long type, const unsigned long* tek_rectangle, bool inside) {
  set_selection_limit(REGION_LIMIT);
  return uint16_t(compute_segment_selection_by_region(float(tek_rectangle[0]), float(tek_rectangle[1]),
                                                      float(tek_rectangle[2]), float(tek_rectangle[3]), type, inside));
}

void select_closest_position(const unsigned long* tek_xy, float* out) {
  set_selection_limit(POSITION_LIMIT);
  float tx = float(tek_xy[0]), ty = float(tek_xy[1]);
  unsigned long found = 0;
  for (float radius : {0.01f, 0.1f, 1.0f}) {
    selection_radius = radius;
    found = compute_segment_selection(tx, ty, 1);
    if (found != 0) break;
  }
  if (found == 0) {
    get_translate(&out[0], &out[1], &out[2]);
    return;
  }
  const selection_info* best = nullptr;
  float best_depth = 0;
  for (unsigned long i = 0; i < selection_infos_length; ++i) {
    const selection_info& e = selection_infos[i];
    float depth = screen_depth(e.point, e.mirrored);
    if (best == nullptr || e.distance < best->distance || (e.distance == best->distance && depth < best_depth)) {
      best = &e;
      best_depth = depth;
    }
  }
  out[0] = best->point[0];
  out[1] = best->mirrored ? -best->point[1] : best->point[1];
  out[2] = best->point[2];
}

unsigned short select_material_by_position(long x, long y) {
  set_selection_limit(REGION_LIMIT);
  selection_radius = 0.01f;
  compute_segment_selection(float(x), float(y), 2);
  const selection_info* best = nullptr;
  float best_depth = 0;
  for (unsigned long i = 0; i < selection_infos_length; ++i) {
    const selection_info& e = selection_infos[i];
    if (e.segment == nullptr || !(e.segment->flags & SEG_LIT) || e.distance != 0) continue;
    float depth = screen_depth(e.point, e.mirrored);
    if (best == nullptr || depth < best_depth) {
      best = &e;
      best_depth = depth;
    }
  }
  return best == nullptr ? 0 : best->segment->attributes.get_material_index();
}

// ---- Callbacks of the views' selection ----------------------------------------

unsigned long select_segments(float* point, bool mirrored, unsigned long type) {
  begin_pass();
  const float rectangle[4] = {point[0], point[1], point[0], point[1]};
  for_each_candidate(type, false, [&](bsegment* s) {
    vector_type min = {s->minimum[0], s->minimum[1], s->minimum[2]};
    vector_type max = {s->maximum[0], s->maximum[1], s->maximum[2]};
    if (test_bounding_selection(rectangle, &min, &max, false, 0, 0, mirrored)) select_segment(s, point, mirrored);
  });
  return selection_infos_length;
}

void select_segment(bsegment* segment, const float* point, bool mirrored) {
  if (segment == nullptr) internal_error(8901, MODULE);
  selection_info* entry = earlier_entry(segment);
  if (entry == nullptr && full()) return;
  float radius_squared = selection_radius * selection_radius;
  // The planes that cut this segment, as its drawing chooses them.
  bool enables[MAX_CLIPPLANES];
  for (int i = 0; i < MAX_CLIPPLANES; ++i) enables[i] = segment->attributes.get_clip_plane_enabled(i);
  for (GEOMObject* o = find_first_geomobject(segment, mirrored); o != nullptr; o = o->next) {
    GEOMSelect_info info;
    if (!o->nt_select(point, radius_squared, mirrored, &info)) continue;
    if (entry != nullptr && !(info.distance < entry->distance)) continue;
    const float seen[3] = {info.hit[0], mirrored ? -info.hit[1] : info.hit[1], info.hit[2]};
    if (!point_is_visible(seen) || !inside_clip_area(seen, enables)) continue;
    if (entry == nullptr) entry = &selection_infos[selection_infos_length++];
    *entry = selection_info{segment, o, {info.hit[0], info.hit[1], info.hit[2]},
                            info.u, info.v, int32_t(info.a), int32_t(info.b), int32_t(info.c),
                            info.distance, info.point, info.number_of_points, mirrored};
    // A hit point kept by the test itself lives on in the entry.
    if (info.point == info.hit) entry->pointer = entry->point;
  }
}

bool test_bounding_selection(const float* rectangle, const vector_type* min, const vector_type* max, bool record,
                             unsigned char b, unsigned long c, bool mirrored) {
  if (inside_clip_area(*min, *max) == 2) return false;
  float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF}, mean[3] = {0, 0, 0};
  for (int corner = 0; corner < 8; ++corner) {
    Point p(corner & 1 ? max->x : min->x, corner & 2 ? max->y : min->y, corner & 4 ? max->z : min->z);
    float s[3];
    map_model_screen_3d(p, mirrored, s);
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::fmin(lo[k], s[k]);
      hi[k] = std::fmax(hi[k], s[k]);
      mean[k] += s[k] / 8;
    }
  }
  float widen = rectangle[0] == rectangle[2] && rectangle[1] == rectangle[3] ? selection_radius : 0;
  for (int k = 0; k < 2; ++k)
    if (hi[k] + widen < rectangle[k] || lo[k] - widen > rectangle[k + 2]) return false;
  if (!record) return true;
  if (full()) return true;
  selection_infos[selection_infos_length++] = selection_info{
      nullptr, nullptr, {mean[0], mean[1], mean[2]}, 0, 0, -1, int32_t(b), int32_t(c), 0, nullptr, 0, mirrored};
  return true;
}

unsigned long select_segments_by_region(const float* rectangle, bool mirrored, unsigned long type, bool inside) {
  begin_pass();
  for_each_candidate(type, true, [&](bsegment* s) { select_segment_by_region(s, rectangle, mirrored, inside); });
  return selection_infos_length;
}

void select_segment_by_region(bsegment* segment, const float* rectangle, bool mirrored, bool inside) {
  if (segment == nullptr) internal_error(8902, MODULE);
  if (full() || earlier_entry(segment) != nullptr) return;
  vector_type min = {segment->minimum[0], segment->minimum[1], segment->minimum[2]};
  vector_type max = {segment->maximum[0], segment->maximum[1], segment->maximum[2]};
  // A box outside the rectangle leaves the segment untouched whatever GL would count.
  bool touched = test_bounding_selection(rectangle, &min, &max, false, 0, 0, mirrored);
  if (touched) {
    GLuint names[4];
    glSelectBuffer(4, names);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    for (GEOMObject* o = find_first_geomobject(segment, mirrored); o != nullptr; o = o->next) o->draw_select();
    // A negative count is an overflow of the buffer: there were hits.
    touched = glRenderMode(GL_RENDER) != 0;
  }
  if (touched == inside) return;
  selection_infos[selection_infos_length++] =
      selection_info{segment, nullptr, {0, 0, 0}, 0, 0, 0, -1, -1, 0, nullptr, 0, mirrored};
}

void get_selected_segment_ids(unsigned long* out) {
  EntityList* entities = get_entity_list();
  for (unsigned long i = 0; i < selection_infos_length; ++i) {
    const bsegment* s = selection_infos[i].segment;
    const EntityInformation* e = s != nullptr && entities != nullptr ? entities->Get(int32_t(s->entity)) : nullptr;
    out[2 * i] = e != nullptr ? e->type : 0;
    out[2 * i + 1] = e != nullptr ? e->ident : 0;
  }
}
