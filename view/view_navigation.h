// Rotation, translation and zoom of the current view about the rotation
// origin, and the links between views.
#pragma once

#include <cstdint>

#include "base/point_vector.h"

// One arc-second in radians.
constexpr double ARC_SECOND = 4.84813681109536e-6;

bool set_rotate(int32_t ax, int32_t ay, int32_t az);
void get_rotate(int32_t* ax, int32_t* ay, int32_t* az);
bool change_rotate(int32_t dx, int32_t dy, int32_t dz);
bool change_translate(float dx, float dy, float dz);
bool change_zoom(float f);
bool change_zoom_x(float f);
bool change_zoom_y(float f);
bool set_zoom(float z);
bool set_zoom_x(float z);
bool set_zoom_y(float z);
void set_view_angles(int32_t ax, int32_t ay, int32_t az, Vector* direction, Vector* up);
void get_view_angles(const Vector& u, const Vector& v, const Vector& direction, int32_t* ax, int32_t* ay,
                     int32_t* az);

// Links view n (1..33) with the current view and every view already linked
// with it, so that they move with the current view as one set of cameras.
void create_view_dependency(uint32_t n);
// Dissolves the links of view n and of every view linked with it.
void delete_view_dependency(uint32_t n);
// Moves the views linked with the current view after it moved.
void update_dependent_views(bool move_eye);
