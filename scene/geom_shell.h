// A facet tree: triangle strips over shared points, with optional normals,
// per-point colours and texture coordinates.
#pragma once

#include "scene/geom_object.h"

class GEOMPolygonList;

// Index list: element 0 is the number of strips; each strip is its vertex
// count followed by that many point indices.
class GEOMShell : public GEOMObject {
 public:
  // Takes ownership of every array; normals, colours and texture
  // coordinates may be null. `box`, when given, is the points' box, kept by
  // their reader.
  GEOMShell(unsigned long n_points, vector_type* points, float* normals, float* colours, unsigned long n_indices,
            uint32_t* indices, float* texture_coordinates, const PointBox* box = nullptr);
  ~GEOMShell() override;

  void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  void draw_select() const override;
  void draw_transparent(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  uint32_t get_number_triangles() const override { return number_of_triangles; }
  bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) override;
  // Record 1: with normals and texture coordinates, or with colours.
  void write_ldf(write_df* out, const DrawAttributes* attributes, unsigned char lod, float facet_size) const override;

  // After the arrays were overwritten in place: bounding box and triangle count anew.
  void arrays_changed(const PointBox* box = nullptr);
  void set_texture_parameters(const int* wrap, const float* translate, const float* scale, float rotate);
  // Depth of the box centre in view coordinates of the current view.
  float get_depth(bool mirrored) const;

  vector_type* get_points() const { return points; }
  float* get_normals() const { return normals; }
  float* get_colours() const { return colours; }
  float* get_texture_coordinates() const { return texture_coordinates; }
  uint32_t* get_indices() const { return indices; }
  uint32_t get_number_of_points() const { return number_of_points; }
  uint32_t get_number_of_indices() const { return number_of_indices; }
  const int* get_wrap() const { return wrap; }

  static GEOMPolygonList* polygon_list;

 private:
  void draw_strips() const;
  void draw_colored(const RepaintAttributes* repaint);
  void draw_highlighted(const RepaintAttributes* repaint);
  void draw_lit(const DrawAttributes* attributes, const RepaintAttributes* repaint);
  // The texture matrix, wrap and coordinate array of a textured material.
  void begin_texture_pass();
  void end_texture_pass();
  // One shading pass: 0 plain, 1 reflection mapped on the processor, 2 cube
  // map, 3 sphere map, 4 texture.
  void draw_pass(int mode, const DrawAttributes* attributes, const RepaintAttributes* repaint);
  void draw_processor_reflection(const RepaintAttributes* repaint) const;
  void draw_override(const DrawAttributes* attributes, const RepaintAttributes* repaint);
  // Each strip in immediate mode with a flat normal before every vertex from the third.
  void draw_flat_shaded() const;

  vector_type* points;
  float* normals;
  float* colours;
  uint32_t* indices;
  float* texture_coordinates;
  uint32_t number_of_points;
  uint32_t number_of_indices;
  uint32_t number_of_triangles;
  int wrap[2];
  float rotation = 0;
  float scale[2] = {1, 1};
  float translation[2] = {0, 0};
};

// The normal of the strip triangle (previous-but-one, previous, current);
// `odd` alternates along the strip, false at its first triangle.
void compute_flat_normal(const vector_type& before_previous, const vector_type& previous,
                         const vector_type& current, bool odd, float out[3]);

// The checks of a facet tree's index list against n points (the application
// stream's and the display file's): null when it is good, else the message
// of the first fault.
const char* check_index_array(const uint32_t* list, unsigned long length, unsigned long n_points);

// The same checks made while the list is read, fed in order a piece at a
// time, so the list is checked while it is in the cache. `used` is a zeroed
// bitmap of n_points / 64 + 1 words that the caller owns.
class IndexArrayCheck {
 public:
  IndexArrayCheck(unsigned long length, unsigned long n_points, uint64_t* used)
      : length_(length), n_points_(n_points), used_(used) {}
  void feed(const uint32_t* part, unsigned long count);
  // After the whole list: null when it is good, else the first fault's message.
  const char* finish() const;

 private:
  void mark(uint32_t c) { used_[c / 64] |= uint64_t(1) << (c % 64); }
  // Takes up to `count` indices of the current strip; false at a fault.
  bool take_strip_indices(const uint32_t* s, unsigned long count);

  unsigned long length_, n_points_;
  uint64_t* used_;
  const char* fault_ = nullptr;
  unsigned long at_ = 0;          // position in the list of the next element fed
  unsigned long next_strip_ = 1;  // position of the next strip's length
  uint32_t strips_left_ = 0;
  uint32_t strip_left_ = 0;  // indices of the current strip still to come
  uint32_t strip_seen_ = 0;  // indices of it taken
  uint32_t a_ = 0, b_ = 0;   // the two indices before the next one
  bool equal_ = false, done_ = false;
};
