// The repaint of the graphics window: every enabled view with its camera and
// scene, the current view last, into the back buffer.
#pragma once

// Draws all views; true when the abort callback stopped the drawing. When
// mark_all is set every view recomputes its depth range first. The caller
// swaps the buffers.
bool repaint_screen(bool mark_all, bool (*abort)());

// Draws every enabled view, the current one last; true when aborted.
bool repaint_views(bool right_eye, bool (*abort)());
