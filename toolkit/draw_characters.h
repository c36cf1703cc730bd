// Text in model space, drawn with the stroke font as GL line strips.
#pragma once

enum text_justify_horizontal { justify_left = 0, justify_h_centre = 1, justify_right = 2 };
enum text_justify_vertical { justify_bottom = 0, justify_v_centre = 1, justify_top = 2 };

// Draws in the current colour and transformation; characters outside 32..127
// are skipped and do not advance.
void draw_characters(const char* text, float char_width, float char_height, float spacing,
                     float x, float y, float z, text_justify_horizontal h,
                     text_justify_vertical v);
