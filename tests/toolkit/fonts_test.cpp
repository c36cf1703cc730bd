#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <GL/gl.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "tests/toolkit/toolkit_fixture.h"
#include "toolkit/draw_characters.h"
#include "toolkit/fonts.h"
#include "toolkit/image_text.h"
#include "toolkit/stroke_font.h"

namespace {

struct FontCase {
  int index;
  const char* name;
  int line_height;
  int count;
  int last_without_glyph;  // characters 127 to this one have no glyph
  const char* folder;      // the X11 font the table was made from
  const char* file;
};

const FontCase font_cases[] = {
    {0, "Courier 12", 14, 224, 159, "75dpi", "courR12-ISO8859-1.pcf.gz"},
    {1, "Courier 14", 15, 224, 159, "100dpi", "courR10-ISO8859-1.pcf.gz"},
    {2, "Courier Bold 12", 14, 224, 160, "75dpi", "courB12-ISO8859-1.pcf.gz"},
    {3, "Courier Bold 14", 16, 224, 159, "75dpi", "courB14-ISO8859-1.pcf.gz"},
    {4, "Courier Bold 17", 17, 224, 159, "100dpi", "courB12-ISO8859-1.pcf.gz"},
    {5, "Helvetica 10", 13, 224, 159, "75dpi", "helvR10-ISO8859-1.pcf.gz"},
    {6, "Helvetica Bold 10", 13, 224, 159, "75dpi", "helvB10-ISO8859-1.pcf.gz"},
    {7, "Helvetica Bold 12", 15, 224, 159, "75dpi", "helvB12-ISO8859-1.pcf.gz"},
    {8, "Helvetica Bold 14", 17, 224, 159, "75dpi", "helvB14-ISO8859-1.pcf.gz"},
    {9, "Helvetica Bold 18", 23, 224, 159, "75dpi", "helvB18-ISO8859-1.pcf.gz"},
    {10, "Helvetica Bold 20", 23, 224, 159, "100dpi", "helvB14-ISO8859-1.pcf.gz"},
    {11, "Helvetica Bold 24", 29, 224, 159, "75dpi", "helvB24-ISO8859-1.pcf.gz"},
    {12, "Helvetica Bold Italic 12", 15, 224, 159, "75dpi", "helvBO12-ISO8859-1.pcf.gz"},
    {13, "Helvetica Bold Italic 14", 17, 224, 159, "75dpi", "helvBO14-ISO8859-1.pcf.gz"},
    {14, "Helvetica Bold Italic 18", 21, 224, 160, "75dpi", "helvBO18-ISO8859-1.pcf.gz"},
    {15, "Helvetica Italic 14", 17, 224, 159, "75dpi", "helvO14-ISO8859-1.pcf.gz"},
    {16, "Symbol 14", 15, 223, 160, "100dpi", "symb10.pcf.gz"},
    {17, "Symbol 17", 17, 223, 160, "100dpi", "symb12.pcf.gz"},
};

void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

// "Helvetica Bold 12" as Helvetica_Bold_12.
std::string font_test_name(const testing::TestParamInfo<FontCase>& info) {
  std::string name = info.param.name;
  for (char& ch : name)
    if (ch == ' ') ch = '_';
  return name;
}

class FontTable : public testing::TestWithParam<FontCase> {};

TEST_P(FontTable, HasTheLineHeightRangeAndGlyphlessCharacters) {
  const FontCase& c = GetParam();
  const BitmapFontRec* font = Fonts::fonts[c.index];
  EXPECT_STREQ(Fonts::font_names[c.index], c.name);
  EXPECT_EQ(font->line_height, c.line_height);
  EXPECT_EQ(font->num_chars, c.count);
  EXPECT_EQ(font->first_char, 32);
  bool symbol = c.index >= 16;
  for (int code = 32; code < 32 + c.count; ++code) {
    bool without = (code >= 127 && code <= c.last_without_glyph) || (symbol && code == 240);
    EXPECT_EQ(font->chars[code - 32] == nullptr, without) << "character " << code;
  }
  const BitmapCharRec* space = font->glyph(' ');
  ASSERT_NE(space, nullptr);
  EXPECT_EQ(space->bitmap, nullptr);
  EXPECT_GT(space->advance, 0);
  EXPECT_EQ(font->glyph(32 + c.count), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllFonts, FontTable, testing::ValuesIn(font_cases),
                         font_test_name);

TEST(FontTable, CourierHasOneAdvance) {
  const BitmapFontRec* font = Fonts::fonts[0];
  for (int i = 0; i < font->num_chars; ++i) {
    if (font->chars[i] != nullptr) {
      EXPECT_EQ(font->chars[i]->advance, 7.0f) << i + 32;
    }
  }
}

// The XLFD name of a font file, from the folder's fonts.dir.
std::string xlfd_of(const std::string& folder, const std::string& file) {
  std::ifstream dir(folder + "/fonts.dir");
  std::string line;
  while (std::getline(dir, line)) {
    if (line.compare(0, file.size() + 1, file + " ") == 0) return line.substr(file.size() + 1);
  }
  return "";
}

// Puts the bitmap font folders on the server's font path once.
bool add_font_path() {
  Display* d = AppContext->ui_display;
  int n = 0;
  char** old = XGetFontPath(d, &n);
  std::vector<char*> path(old, old + n);
  std::string dirs[2] = {"/usr/share/fonts/X11/75dpi", "/usr/share/fonts/X11/100dpi"};
  for (auto& dir : dirs) {
    bool present = false;
    for (int i = 0; i < n; ++i) present |= dir == old[i] || dir + "/" == old[i];
    if (!present) path.push_back(dir.data());
  }
  XSetFontPath(d, path.data(), int(path.size()));
  XFreeFontPath(old);
  return synced_x_error_count() == 0;
}

class FontRendering : public testing::TestWithParam<FontCase> {};

// The same text through the table (GL bitmaps) and through the X server's own
// rendering of the font file must give the same pixels.
TEST_P(FontRendering, MatchesTheServersRenderingOfTheFontFile) {
  const FontCase& c = GetParam();
  ASSERT_TRUE(add_font_path());
  std::string folder = std::string("/usr/share/fonts/X11/") + c.folder;
  std::string name = xlfd_of(folder, c.file);
  ASSERT_FALSE(name.empty());
  Display* d = AppContext->ui_display;
  XFontStruct* xfont = XLoadQueryFont(d, name.c_str());
  ASSERT_NE(xfont, nullptr) << name;
  const char* text = c.index >= 16 ? "abgdp ABG 0123 +=<>" : "Hello, World! gjpqy \xc4\xd6\xfc\xe7\xdf 0123";
  const int lh = Fonts::fonts[c.index]->line_height;
  ShownWindow shown(400, static_cast<unsigned short>(2 * lh + 8));
  // X draws on a baseline in the top cell, GL in the bottom cell lh + 4 rows lower.
  int baseline = 2 + xfont->ascent;
  shown.window.begin_drawing();
  XGLContext::current_context->set_gl_color(0, 0, 0);
  ImageText image(5, static_cast<unsigned char>(c.index), dup_chars(text));
  // The raster position is the bottom row of the cell, descent below the baseline.
  image.draw(3, float(baseline + lh + 4 + xfont->descent - 1), 0);
  finish_gl();  // GL writes its whole front buffer: X draws after it
  GC gc = XCreateGC(d, shown.window.x_window, 0, nullptr);
  XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
  XSetFont(d, gc, xfont->fid);
  XDrawString(d, shown.window.x_window, gc, 3, baseline, text, int(strlen(text)));
  XFreeGC(d, gc);
  XSync(d, False);
  auto pixels = shown.read_pixels();
  int mismatches = 0;
  for (int y = baseline - xfont->ascent; y < baseline + xfont->descent; ++y) {
    for (int x = 0; x < 400; ++x) {
      uint32_t top = pixels[size_t(y) * 400 + x];
      uint32_t bottom = pixels[size_t(y + lh + 4) * 400 + x];
      mismatches += top != bottom;
    }
  }
  EXPECT_EQ(mismatches, 0);
  if (mismatches != 0) {
    for (int y = 0; y < shown.window.height; ++y) {
      std::string row;
      for (int x = 0; x < 120; ++x) row += pixels[size_t(y) * 400 + x] == 0 ? '#' : '.';
      fprintf(stderr, "%s\n", row.c_str());
    }
  }
  int black = 0;
  for (uint32_t p : pixels) black += p == 0;
  EXPECT_GT(black, 50);  // something was drawn
  XFreeFont(d, xfont);
}

INSTANTIATE_TEST_SUITE_P(AllFonts, FontRendering, testing::ValuesIn(font_cases),
                         font_test_name);

TEST(StrokeFont, LetterAIsTheSystemsOwnGlyph) {
  const unsigned char a[] = {0x02, 0x05, 0x00, 0x00, 0x00, 0x30, 0x28, 0x10, 0x14, 0x00,
                             0x28, 0xF0, 0x00, 0xD0, 0x01, 0x00, 0x18, 0x64, 0x00};
  EXPECT_EQ(memcmp(font_data + font_ctl['A' - 32], a, sizeof a), 0);
  EXPECT_EQ(font_data[font_ctl[0]], 0);  // the space has no strokes
}

// Every glyph's strokes lie inside the data and inside the cell's rows.
TEST(StrokeFont, GlyphsStayInsideTheirData) {
  for (int c = 0; c < 96; ++c) {
    unsigned pos = font_ctl[c];
    ASSERT_LT(pos, font_data_size);
    int strokes = static_cast<signed char>(font_data[pos++]);
    for (int s = 0; s < strokes; ++s) {
      int steps = static_cast<signed char>(font_data[pos]);
      int x = static_cast<signed char>(font_data[pos + 1]);
      int y = static_cast<signed char>(font_data[pos + 2]);
      pos += 3;
      for (int k = 0; k < steps; ++k) {
        x += static_cast<signed char>(font_data[pos]);
        y += static_cast<signed char>(font_data[pos + 1]);
        pos += 2;
      }
      EXPECT_TRUE(x >= 0 && x <= font_width) << c + 32;
      EXPECT_TRUE(y >= -32 && y <= font_height) << c + 32;
    }
    EXPECT_LE(pos, font_data_size);
    if (c < 95) {
      EXPECT_EQ(pos, font_ctl[c + 1]) << c + 32;
    }
  }
}

// Vertices of draw_characters captured through GL feedback.
std::vector<float> feedback_x(const char* text, float w, float spacing,
                              text_justify_horizontal h, text_justify_vertical v,
                              std::vector<float>* ys = nullptr) {
  ShownWindow shown(200, 200);
  shown.window.begin_drawing();
  XGLContext::current_context->set_matrix_mode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1000, 1000, -1000, 1000, -1, 1);
  std::vector<GLfloat> buffer(100000);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw_characters(text, w, 1, spacing, 0, 0, 0, h, v);
  GLint n = glRenderMode(GL_RENDER);
  std::vector<float> xs;
  for (GLint i = 0; i < n;) {
    GLfloat token = buffer[size_t(i)];
    if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      for (int k = 0; k < 2; ++k) {
        xs.push_back((buffer[size_t(i) + 1 + 2 * k] - 100) * 10);  // back to model units
        if (ys) ys->push_back((buffer[size_t(i) + 2 + 2 * k] - 100) * 10);
      }
      i += 5;
    } else {
      ++i;
    }
  }
  XGLContext::current_context->set_matrix_mode(GL_PROJECTION);
  shown.window.begin_drawing();
  return xs;
}

TEST(DrawCharacters, JustifiesAndSkipsControlCharacters) {
  EXPECT_TRUE(feedback_x("\x01\x02", 1, 2, justify_h_centre, justify_bottom).empty());
  // A and B right-justified with width 1 and spacing 2 start at x - 22.
  auto xs = feedback_x("AB", 1, 2, justify_right, justify_bottom);
  ASSERT_FALSE(xs.empty());
  EXPECT_NEAR(*std::min_element(xs.begin(), xs.end()), -22.0f, 0.2f);
  // A space only advances: " A" starts the A at 10 x width + spacing.
  xs = feedback_x(" A", 1, 2, justify_left, justify_bottom);
  EXPECT_NEAR(*std::min_element(xs.begin(), xs.end()), 12.0f, 0.2f);
  std::vector<float> ys;
  feedback_x("A", 1, 0, justify_left, justify_top, &ys);
  EXPECT_NEAR(*std::max_element(ys.begin(), ys.end()), 64.0f / 6 - 64.0f / 6, 0.2f);
}

}  // namespace
