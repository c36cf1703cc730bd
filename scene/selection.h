// Selection of the geometry under a screen position or inside a screen
// rectangle: a list of entries, at most one per segment, that the callers
// read back. Positions and rectangles of the callbacks are in normalised view
// coordinates of the view that the selection set up (view/repaint).
#pragma once

#include <cstdint>

#include "base/point_vector.h"

struct bsegment;
class GEOMObject;

struct selection_info {
  bsegment* segment;   // null for an entry of the bounding test
  GEOMObject* object;  // null for region and bounding entries
  float point[3];      // hit point, model coordinates
  float u, v;
  int32_t a, b, c;
  float distance;  // from the position, normalised units
  float* pointer;  // the hit point's coordinates inside the object
  uint32_t count;
  bool mirrored;  // found in the mirrored image
};

void set_selection_limit(unsigned long n);
void reset_selection();
// Frees the list (with the segment store).
void cleanup_selection();
unsigned long get_selection_length();
const selection_info* get_selection_infos();

// Type 1 and 2 take every segment, 3 to 5 those of that selection flag. The
// position and the rectangle are in tek units; the radius too. Each returns
// the number of entries.
uint16_t select_geometry_by_position(unsigned long type, const unsigned long* tek_xy, unsigned long radius);
uint16_t select_geometry_by_region(unsigned long type, const unsigned long* tek_rectangle, bool inside);
// The model point of the nearest hit, or the current view's translate point.
void select_closest_position(const unsigned long* tek_xy, float* out);
// The material of the nearest lit segment under the position; 0 when none.
unsigned short select_material_by_position(long x, long y);

// Callbacks of the view module's selection, once per image.
unsigned long select_segments(float* point, bool mirrored, unsigned long type);
unsigned long select_segments_by_region(const float* rectangle, bool mirrored, unsigned long type, bool inside);
void select_segment(bsegment* segment, const float* point, bool mirrored);
void select_segment_by_region(bsegment* segment, const float* rectangle, bool mirrored, bool inside);
// Whether a model box can touch the rectangle; with `record` an entry
// without segment is made for it.
bool test_bounding_selection(const float* rectangle, const vector_type* min, const vector_type* max, bool record,
                             unsigned char b, unsigned long c, bool mirrored);
// For each entry its entity's type and ident, as sent with CE; (0, 0) for an
// entry without segment.
void get_selected_segment_ids(unsigned long* out);
