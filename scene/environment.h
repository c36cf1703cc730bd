// The environment box: six textured sides (floor, four walls, ceiling) drawn
// around the model in a frame of its own, which receive the model's shadows,
// act as mirrors, and give reflective materials their reflection images.
#pragma once

#include <cstdint>
#include <vector>

struct view_type;
class LoadedTexture;

constexpr int ENVIRONMENT_SIDES = 6;  // 0 floor, 1 +Y, 2 +X, 3 -Y, 4 -X, 5 ceiling

// An RGBA image, rows bottom to top.
struct environment_image {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// The settings of the box in the order of `set_environment`.
struct environment_settings {
  bool visible_surfaces[ENVIRONMENT_SIDES];
  bool lit[ENVIRONMENT_SIDES];
  float repeat[2 * ENVIRONMENT_SIDES];
  bool receives_shadows[ENVIRONMENT_SIDES];
  float reflection[ENVIRONMENT_SIDES];
  float position[3];  // model coordinates of the floor's centre
  float size[3];      // along the box's X, Y and Z
  bool visible;
  bool cull_back_faces;
};

// The box's own frame: unit axes and the rotation angles (arc-seconds) about x, y, z.
struct reflection_frame {
  float x[3], y[3], z[3];
  int32_t angles[3];
};

void init_environment();
void cleanup_environment();

// Returns true when something visible changed (the caller repaints); file
// names are copied, null or "" for none.
bool set_environment(bool visible, const bool visible_surfaces[6], const float position[3], const float size[3],
                     const float reflection[6], const bool lit[6], const bool receives_shadows[6],
                     const float repeat[12], const char* const file_names[6], bool cull_back_faces);
// The same values; each file name a new heap copy (CheckedMalloc), "" for a
// hidden side or one without a file.
void get_environment(bool* visible, bool visible_surfaces[6], float position[3], float size[3], float reflection[6],
                     bool lit[6], bool receives_shadows[6], float repeat[12], char* file_names[6],
                     bool* cull_back_faces);
// The visible flag and at least one visible side.
bool get_environment_visible();
// True once after the box's visibility or geometry changed.
bool get_environment_resized();

// Angles in arc-seconds; true when the frame changed.
bool set_rotate_reflection(int32_t ax, int32_t ay, int32_t az);
bool change_rotate_reflection(int32_t dx, int32_t dy, int32_t dz);
void get_rotate_reflection(int32_t* ax, int32_t* ay, int32_t* az);

void compute_environment_vertices();
// Model coordinates of corner 0..3 of a side, as last computed.
const float* get_environment_vertex(int side, int corner);
// The inward normal of a side in model coordinates.
void get_environment_side_normal(int side, float* x, float* y, float* z);
// The plane axis of a side (Z for 0 and 5, Y for 1 and 3, X for 2 and 4).
const float* get_environment_side_axis(int side);
const environment_settings* get_environment_data();
const reflection_frame* get_reflection_data();
// The cube-map image of each side (made by `compute_reflection_image`).
environment_image* get_environment_side_image(int side);
// The side's texture with its pixels loaded (for export); null without a file.
const LoadedTexture* get_environment_side_texture(int side);
// The panorama, or the image of `set_reflection_image`.
environment_image* get_reflection_image();
const char* get_reflection_image_file();

// The view-space depth range of the visible sides and the mirrored rooms
// behind the mirror sides; false (nothing written) while the box is hidden.
bool get_environment_min_max(const view_type* view, float* near_z, float* far_z);

// The environment pass of the current view; true when aborted.
bool draw_environment_shadows_and_reflections(bool (*abort)());
void draw_environment_side(int side);
// Masks the side's pixels in the stencil buffer; stencil test stays on (equal 1).
void stencil_environment_side(int side);
// Whether a side faces the eye of the view being drawn.
bool environment_side_faces_eye(int side);

// The reflection images: the panorama, or with cube maps the six face images.
void compute_reflection_image();
void compute_cube_map_images();
void set_reflection_image(const char* file);
// Drops the GL textures of the sides; their pixels stay.
void delete_environment_textures();

class write_df;
// The display-file record of the box, its reflection frame and the
// reflection image's name; none while the box is off and the reflection
// type is 1. A side counts as present only while the box is on.
void save_environment(write_df* out);

// Whether GL offers cube-map textures (probed once per run).
bool cube_maps_available();
// Test seam: forces the probe's answer (-1 probes GL again).
void set_cube_maps_available_for_test(int available);
