// Image export: the views of the graphics window rendered again offscreen at
// a chosen size and written as TIFF or JPEG files, one per tile, each tile
// optionally oversampled and filtered down.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Results of save_image.
constexpr int SAVE_IMAGE_OK = 0;
constexpr int SAVE_IMAGE_BAD_PARAMETER = -1;  // a size, count or factor out of range; nothing written
constexpr int SAVE_IMAGE_WRITE_FAILED = -2;   // a file could not be opened or written
constexpr int SAVE_IMAGE_NO_DRAWABLE = -3;    // no drawable or context, or too many colours
constexpr int SAVE_IMAGE_NO_VISUAL = -4;

// Largest tile side and image side (tiles × tile side) in pixels.
constexpr uint32_t SAVE_IMAGE_MAX_TILE = 16384;
constexpr uint32_t SAVE_IMAGE_MAX_IMAGE = 1u << 20;

// Writes tiles_across × tiles_down files: the tile in column c and row r
// (row 0 at the top) goes to files[r × tiles_across + c]. kind 1 is TIFF,
// otherwise JPEG; colour false writes grey images with `background` as the
// offscreen background (-1 the normal one). Oversampling is 1, 2 or 3. With
// use_window the drawing goes through a window over the graphics window,
// otherwise through a GLX pixmap.
int save_image(Display* display, Window window, int colour_count, int background, uint8_t kind, const char** files,
               bool colour, uint32_t tile_width, uint32_t tile_height, uint32_t tiles_across, uint32_t tiles_down,
               bool resolution_in_inches, uint32_t x_resolution, uint32_t y_resolution, uint8_t oversampling,
               uint8_t compression, bool use_window);

// Colour-index pixels to RGB bytes (the high byte of each channel) or, with
// colour false, to grey bytes weighted 0.299, 0.587, 0.114.
void map_i_rgb(const XColor* colours, const uint16_t* indices, uint8_t* output, uint32_t count, bool colour);
