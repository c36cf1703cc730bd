// Planar reflections: a mirror side of the environment box shows the model
// and the other sides mirrored in its plane, inside the side's stencil mask.
#pragma once

// Draws the mirror image of `side`; true when aborted. Clip plane 5, the
// winding and the lights are restored in every case.
bool draw_reflections(int side, bool (*abort)());
// Multiplies the current matrix by the reflection in the side's plane, sends
// the lights again and stores the viewing matrix.
void compute_reflection_projection(int side);
// With `on`, keeps only what lies beyond the side's plane (GL_CLIP_PLANE5).
void set_clipplane(int side, bool on);
