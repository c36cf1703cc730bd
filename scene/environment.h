// The environment box around the model: for now the rotation of its frame,
// which also turns the reflections.
#pragma once

#include <cstdint>

// Angles about x, then y, then z in arc-seconds; true when they changed. A
// change turns the box's frame and marks the shadow maps stale.
bool set_rotate_reflection(int32_t ax, int32_t ay, int32_t az);
bool change_rotate_reflection(int32_t dx, int32_t dy, int32_t dz);
void get_rotate_reflection(int32_t* ax, int32_t* ay, int32_t* az);
