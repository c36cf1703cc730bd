// Edit values of the manipulator kinds: reading points and vectors from the
// YARL values, writing them back, and the refusal of non-finite numbers.
#pragma once

#include "base/point_vector.h"
#include "runtime/tables.h"

// The first n values are finite REALs.
bool finite_values(const value* values, int n);
// "<kind> 3D GUI: Edit value is not a finite number." for a refusal that keeps every value.
const char* non_finite_message(const char* kind);

Vector vector_value(const value* values);
// Takes three coordinates, each compared on its own; true when any differed.
bool take_point(const value* values, Point* p);
// True when any component of `given` differs exactly from `v`.
bool differs(const Vector& given, const Vector& v);

void put_point(value* values, const Point& p);
void put_vector(value* values, const Vector& v);

// Takes `z` as a manipulator's z axis with x and y rebuilt about it. A vector
// that is not of unit length is refused with `refusal` before anything is
// stored, so the previous axes stay. True when the axes changed.
bool take_z_axis(const Vector& z, Vector* x, Vector* y, Vector* axis_z, const char* refusal, const char** message,
                 bool* refused);
