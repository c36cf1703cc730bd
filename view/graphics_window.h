// The graphics window with its GL context, the visual table of the display
// modes, the XOR rubber band and the GL capability queries.
#pragma once

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <cstdint>

class XGLContext;

constexpr int NUMBER_OF_VISUAL_SLOTS = 18;

void preset_window();
void cleanup_window();
int x_error_handler(Display* display, XErrorEvent* event);

void get_visuals();
// The chosen visual of slot aa × 6 + colour × 2 + stereo, null when none.
XVisualInfo* get_visual_slot(int slot);
bool set_display_mode(uint32_t anti_alias, uint32_t color, uint32_t highlight, uint32_t stereo);
bool available_display_mode(uint32_t anti_alias, uint32_t color, uint32_t highlight, uint32_t stereo);
void create_graphics_window();
void make_graphics_context_active();
void swapbuffers();
void reset_gl_state();
void set_color_ramp(int index, const float rgb[3]);
void init_color_index_graphics();
void resize_graphics_child_windows(unsigned width, unsigned height);

Window get_graphics_window();
XGLContext* get_graphics_context();
uint32_t get_anti_alias_mode();
bool get_color_index_mode();
uint32_t get_highlight_mode();
int get_gl_max_texture_size();
bool get_stencil_buffer_present();

void begin_rubber_drawing(bool front);
void draw_rubber_line(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2);
void clear_rubber_line(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2);
void draw_rubber_box(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2);
void clear_rubber_box(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2);
void end_rubber_drawing();

bool get_glx_extension(Display* display, const char* name);
bool get_gl_extension(const char* name);
bool get_gl_version(unsigned char major, unsigned char minor);
bool get_glx_version(Display* display, int major, int minor);

// Whether a 512 × 512 offscreen drawable (pbuffer, else GLX pixmap) takes a direct context.
bool probe_offscreen_drawable();
