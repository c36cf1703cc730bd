// The 3D manipulators drawn over a view at the end of its repaint: symbols in
// two sweeps (through the scene at 0.7 transparency, then depth-tested), the
// drag drawing of the access point being dragged, and the handle squares.
#pragma once

#include <GL/gl.h>

// One GL light fixed to the viewer for the manipulators' lit symbols.
void set_lighting_parameter(GLenum light);
// Every manipulator into the current view with the current context.
void draw_gui3d_objects();
