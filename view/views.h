// The 33 views of the graphics window: their cameras, viewports and the
// settings of the current view.
#pragma once

#include <cstdint>

#include "base/point_vector.h"

constexpr int NUMBER_OF_VIEWS = 33;

struct view_type {
  bool enabled;
  float reference_point[3];
  float direction[3];  // unit vector toward the eye
  float up[3];         // as last set
  float u[3];          // screen right
  float v[3];          // screen up
  float window_width, window_height, window_depth;
  float aspect;
  float eye[3];
  float frustum[6];  // left, right, bottom, top, near, far
  bool perspective;
  float viewport[4];  // x, width, y, height in tek units
  uint32_t dependent_count;
  uint32_t mirror_mode;
  bool needs_update;
  float scale;
  float direction_dot_reference;
};

// The manipulators' copy of a view, with the drawing state it was taken in.
struct ViewType : view_type {
  float gl_viewport[4];  // x, y, width, height in pixels
  const double* viewing_matrix;
  uint8_t offscreen_alias;
  float offscreen_scale;

  void initialize(const float reference[3], const float dir[3], const float u_axis[3], const float v_axis[3],
                  const float window[3], float aspect_, const float eye_[3], const float frustum_[6],
                  bool perspective_, float vx, float vy, float vw, float vh, uint32_t mirror,
                  float gx, float gy, float gw, float gh, const double* matrix, uint8_t alias, float scale_);
};

// Set-up and lifecycle.
void init_views();
void cleanup_vl();
bool update_current_viewport();
int get_current_view_number();
int get_view_number();  // the view being drawn
view_type* get_view_pointer();
// The record of view n (1..33), null outside that range.
view_type* get_view_record(int n);
// Makes view n (1..33) the one being drawn; other numbers are ignored.
void set_view_being_drawn(int n);
void set_geometry_update();

// Camera.
void compute_view_vectors(view_type* view);
void compute_view_camera(int n, bool stereo, bool right_eye, const float* jitter);
void compute_frustum(view_type* view, float shift);
void change_hardware_viewport(int n);
void get_screen_viewport(int n, float* x0, float* x1, float* y0, float* y1);
float get_eye_distance(const view_type* view);
void update_view(bool move_eye);
void store_viewing_matrix();
void get_model_matrix(double out[16]);
const double* get_viewing_matrix();
void get_viewport(float out[4]);
float get_view_scale(float x, float y, float z);
void get_mm_per_pixel(float* x, float* y);

// Settings of the current view: true when something changed.
bool set_translate(float x, float y, float z);
void get_translate(float* x, float* y, float* z);
bool set_vpn(float x, float y, float z);
void get_vpn(float* x, float* y, float* z);
bool set_vup(float x, float y, float z);
void get_vup(float* x, float* y, float* z);
bool set_eye_position(float x, float y, float z);
void get_eye_position(float* x, float* y, float* z);
bool set_focus(float f);
float get_focus();
bool set_projection(bool perspective);
bool get_projection();
bool set_mirror_display(uint32_t mode);
uint32_t get_mirror_display();
bool set_viewport_origin_x(int32_t x);
int32_t get_viewport_origin_x();
bool set_viewport_origin_y(int32_t y);
int32_t get_viewport_origin_y();
bool set_viewport_size_x(int32_t w);
int32_t get_viewport_size_x();
bool set_viewport_size_y(int32_t h);
int32_t get_viewport_size_y();
void change_viewport(int32_t x1, int32_t x2, int32_t y1, int32_t y2);
// Null on success, else the reason why the data was refused (nothing changed).
const char* change_view_data(vector_type vrp, vector_type vpn, vector_type vup, const float* window,
                             vector_type prp, float front, float back, bool perspective);
float get_zoom();
float get_zoom_x();
float get_zoom_y();
bool set_screen_resolution(float mm_x, float mm_y);
void get_screen_resolution(float* mm_x, float* mm_y);
bool set_depth_of_field(bool enable, float aperture, float focus);
void get_depth_of_field(bool* enable, float* aperture, float* focus);
void set_stereo(bool on);
bool get_stereo();
// Stores the application's stereo switch and eye settings; a new distance puts
// the current view's eye at that distance. True on a change while the display is stereo.
bool set_stereo_attributes(bool on, float separation, float distance, float offset);
void get_stereo_attributes(bool* on, float* separation, float* distance, float* offset);
bool get_enable_magic_module();
bool get_enable_realtime_renderer();
const char* get_view_number_label(int n);
