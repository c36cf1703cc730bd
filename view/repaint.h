// The repaint of the graphics window: every enabled view with its camera and
// scene, the current view last, into the back buffer; selection through a
// view, the reflection and display-list requests, and the drawing benchmark.
#pragma once

// Draws all views; true when the abort callback stopped the drawing. When
// mark_all is set every view recomputes its depth range first. In stereo the
// current view is drawn into each back buffer. The caller swaps the buffers.
bool repaint_screen(bool mark_all, bool (*abort)());

// Draws every enabled view, the current one last; true when aborted.
bool repaint_views(bool right_eye, bool (*abort)());

// One drawing of the current view; jitter is null or the sub-pixel offset of
// an accumulation pass. True when aborted.
bool paint_current_view(bool right_eye, const float* jitter, bool effects, bool (*abort)());

// Frame and number label of view n over its GL viewport.
// Frees the logo images (with the graphics window).
void cleanup_logos();
void draw_view_frame(bool current, int n);

// True when no enabled view other than the current one exists.
bool allow_accum_anti_alias();
// Asks for a high-quality repaint when one would look better; true when asked.
bool set_high_quality_repaint();
bool get_perform_high_quality_repaint();
// Makes the next repaint a high-quality one, with accumulation anti-alias of
// the current view when `accumulate` (offscreen rendering and the benchmark).
void request_high_quality_repaint(bool accumulate);

// Requests of new reflection data and display lists.
void set_update_window();
void set_update_reflection();
void set_update_compute_reflection();
// Drops every texture and display list; they are rebuilt on next use.
void reset_lists();

// Converts hls (hue, lightness, saturation) to RGB in place; an index below
// 100 also becomes that colormap entry (true).
bool modify_color(int index, float hls[3]);

// Selection in the segment store through the view under a tek point or
// rectangle; the result is the selection list's length.
unsigned long compute_segment_selection(float tx, float ty, unsigned long mode);
unsigned long compute_segment_selection_by_region(float x1, float y1, float x2, float y2, unsigned long mode,
                                                  bool inside);
// Narrows the projection of the view being drawn to corners (nx1, ny1, nx2,
// ny2) in normalised view coordinates.
void set_selection_frustum(const float corners[4]);

// Draws for at least `seconds`; reports frames per second and the server's
// processor share, and dumps the last image to a TIFF file (none when file
// is null or does not open). The caller keeps the file name.
void test_performance(float seconds, const char* file, float* frames_per_second, float* cpu_percent);
