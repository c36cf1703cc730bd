// The YARL operation that exports the graphics window as image files.
#pragma once

#include "runtime/interpreter.h"

// Opcode 116: the file-name array (STRING elements, count) and twelve values
// below the top; pushes the result of the export.
const uint8_t* save_image_op(ident_info* context, const uint8_t* pc);

// Opcode 166: file name, colour, page width, page height, quality,
// landscape and EPS (top); the name is replaced by the result.
const uint8_t* save_postscript_op(ident_info* context, const uint8_t* pc);
// Opcode 77: file name, width and height (top); the name's slot receives the
// picture (the failure image when the file cannot be read).
const uint8_t* picture_op(ident_info* context, const uint8_t* pc);
// Opcode 111: two inline INTEGER variables; the file name on top, replaced
// by whether the image's size could be read.
const uint8_t* image_info_op(ident_info* context, const uint8_t* pc);
// Opcode 145: inline font index and character; pops the PICTURE that stands
// for the character from then on.
const uint8_t* font_pictures_op(ident_info* context, const uint8_t* pc);
// Opcode 139: palette index and an array of hue, lightness and saturation;
// pushes red, green and blue in place of the index.
const uint8_t* modify_color_op(ident_info* context, const uint8_t* pc);
// Opcodes 188 and 189: three inline variables; pop the three components.
const uint8_t* convert_hls_to_rgb_op(ident_info* context, const uint8_t* pc);
const uint8_t* convert_rgb_to_hls_op(ident_info* context, const uint8_t* pc);

// Reads an image file into a new picture of width × height (0 takes the
// image's size or keeps its aspect); true when the file could not be read
// and the failure image stands in.
bool load_picture(const char* name, uint32_t width, uint32_t height, uint8_t** picture);
