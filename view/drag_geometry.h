// The per-drag state of the drag geometry beyond GUI3D's statics: the chosen
// axis, circle and sphere half, the saved start values and accumulated angle.
#pragma once

// Clears the state at a release and when the dragged manipulator disappears.
void reset_drag_geometry();
