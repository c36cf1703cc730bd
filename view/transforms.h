// Conversions between tek addresses, window pixels, the model, a view's own
// axes and GL's normalised device coordinates, and the line and plane geometry
// of the manipulators.
#pragma once

#include <cstdint>

#include "base/point_vector.h"
#include "view/views.h"

// A screen address in tek units: x 0..4095, y 0..3276, origin bottom left.
struct TekPoint {
  uint16_t x, y;
};

// Graphics area in window pixels.
void set_graphics_viewport(int16_t x, int16_t width, int16_t y, int16_t height);
void change_vl_system_viewport(float x, float width, float y, float height);
void get_graphics_viewport(int32_t* x, int32_t* width, int32_t* y, int32_t* height);
const float* get_vl_system_viewport();  // x, width, y, height
void update_scaling();

// Tek and pixels.
bool screen_input_to_tek(uint16_t px, uint16_t py, uint16_t* tx, uint16_t* ty);
uint32_t window_to_tek(int x, int y);  // packed y << 16 | x
int get_view_number(float tx, float ty);
void tek_to_view(float tx, float ty, float* nx, float* ny);

// Model and view.
void map_model_view(const view_type* view, const Point& p, bool perspective, Vector* out);
Vector model_to_view(const view_type* view, const Point& p, bool perspective);
void map_view_model(const view_type* view, const Vector& v, Point* out);
Point view_to_model(const view_type* view, const Vector& v);
// These three work in the view being drawn; the overloads in the view given.
bool model_to_tek(const Point& p, TekPoint& t);
Point tek_to_model(const TekPoint& t, float z);
bool define_pick_ray(const TekPoint& t, Point* origin, Vector* direction);
bool model_to_tek(const view_type* view, const Point& p, TekPoint& t);
Point tek_to_model(const view_type* view, const TekPoint& t, float z);
bool define_pick_ray(const view_type* view, const TekPoint& t, Point* origin, Vector* direction);
void get_3d_line_screen_pos(int16_t tx, int16_t ty, vector_type* point, vector_type* second);

// Screen.
void map_model_screen_2d(const Point& p, bool negate_y, float out[2]);
void map_model_screen_3d(const Point& p, bool negate_y, float out[3]);
void model_to_screen_2d(const Point& p, bool negate_y, bool perspective, const double matrix[16], float out[2]);
void model_to_screen_3d(const Point& p, bool negate_y, bool perspective, const double matrix[16], float out[3]);

// Rotation frame: columns u, v and the direction (row-major 3 × 3).
void compute_rot_matrix(const Vector& direction, const Vector& up, float m[3][3]);

// Line and plane geometry.
Point project_point_to_line(const Point& p, const Point& a, const Vector& d);
// The foot of p on the plane through a with normal n (n not zero).
Point project_point_to_plane(const Point& p, const Point& a, const Vector& n);
bool distance_line_line(const Point& p1, const Vector& d1, const Point& p2, const Vector& d2, float* dist,
                        Point* q1, Point* q2);
bool intersect_line_plane(const Point& a, const Vector& normal, const Point& b, const Vector& direction, Point* x,
                          float* t);
