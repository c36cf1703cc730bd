#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <GL/gl.h>

#include <string>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "tests/toolkit/toolkit_fixture.h"
#include "toolkit/fonts.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"

namespace {

// A picture whose pixel (col, row), rows counted from the bottom, is given.
ImagePicture* make_picture(uint16_t w, uint16_t h, unsigned long first, unsigned long second,
                           uint32_t (*rgba)(int col, int row)) {
  neutral_picture* p = new_neutral_picture(0, w, h);
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      uint32_t v = rgba(col, row);
      unsigned char* px = p->pixels() + (size_t(row) * w + col) * 4;
      px[0] = static_cast<unsigned char>(v >> 24);
      px[1] = static_cast<unsigned char>(v >> 16);
      px[2] = static_cast<unsigned char>(v >> 8);
      px[3] = static_cast<unsigned char>(v);
    }
  }
  return new ImagePicture(p, first, second);
}

TEST(ImagePicture, BlendsOverAGradientOfTwoColours) {
  // Column 0 transparent, column 1 opaque green, column 2 half-opaque white.
  ImagePicture* picture = make_picture(3, 3, 0xFF0000, 0x0000FF, [](int col, int) -> uint32_t {
    return col == 0 ? 0x00000000u : col == 1 ? 0x00FF00FFu : 0xFFFFFF80u;
  });
  EXPECT_EQ(picture->kind, 6);
  ShownWindow shown(8, 8, 0x000000);
  shown.window.begin_drawing();
  picture->draw(2, 5, 0);  // bottom row on window row 5, rows go up
  struct Expect { int x, y; uint32_t rgb; };
  const Expect cases[] = {
      {2, 5, 0xFF0000},  // bottom row: first colour
      {2, 4, 0x7F007F},  // middle: (255 x 0.5, 0, 255 x 0.5) truncated
      {2, 3, 0x0000FF},  // top row: second colour
      {3, 4, 0x00FF00},  // opaque pixels are copied
      {4, 5, 0xFF8080},  // (255 x 128 + 255 x 127) / 255, (255 x 128 + 0) / 255
      {4, 3, 0x8080FF},
      {1, 5, 0x000000},  // outside the picture
      {2, 6, 0x000000},
      {2, 2, 0x000000},
  };
  auto pixels = shown.read_pixels();
  for (const Expect& e : cases) {
    EXPECT_EQ(pixels[size_t(e.y) * 8 + e.x], e.rgb) << e.x << "," << e.y;
  }
  delete picture;
}

TEST(ImagePicture, BothTransparentBlendsWithTheWindow) {
  ImagePicture* picture = make_picture(2, 1, ImagePicture::transparent_word,
                                       ImagePicture::transparent_word,
                                       [](int col, int) -> uint32_t { return col == 0 ? 0xFF000000u : 0xFF0000FFu; });
  ShownWindow shown(4, 4, 0x0000FF);
  shown.window.redraw();
  picture->draw(1, 1, 0);
  EXPECT_EQ(shown.pixel(1, 1), 0x0000FFu);  // alpha 0 leaves the window
  EXPECT_EQ(shown.pixel(2, 1), 0xFF0000u);
  delete picture;
}

TEST(ImagePicture, MatchesTheLargestFontNotTallerThanIt) {
  struct Case { uint16_t height; unsigned char font; };
  // Line heights: 13 for 5 and 6, 15 for 7 and 12, 17 for 4, 8, 13, 15, 23 for 9 and 10.
  const Case cases[] = {{10, 0}, {13, 6}, {14, 2}, {16, 3}, {17, 15}, {22, 14}, {23, 10}, {100, 11}};
  for (const Case& c : cases) {
    ImagePicture* p = make_picture(1, c.height, 0, 0, [](int, int) -> uint32_t { return 0; });
    EXPECT_EQ(p->get_matching_font_index(), c.font) << c.height;
    delete p;
  }
}

struct TextCase {
  const char* name;
  const char* text;
  unsigned char font;
  uint32_t width;
  uint32_t height;
  size_t lines;
};

const TextCase text_cases[] = {
    {"empty", "", 0, 0, 0, 1},
    {"one_letter", "A", 0, 7, 14, 1},
    {"two_lines", "A\nBC", 0, 14, 28, 2},
    {"empty_last_line", "A\n", 0, 7, 28, 2},  // the empty last line counts its height
    {"line_feeds_only", "\n\n", 5, 0, 39, 3},
    {"characters_without_glyph", "A\x80\x81", 0, 7, 14, 1},  // they add nothing
    {"widest_line_in_the_middle", "ABC\nA\nAB", 0, 21, 42, 3},
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ImageTextExtent : public testing::TestWithParam<TextCase> {};

TEST_P(ImageTextExtent, IsTheWidestLineAndTheSumOfLineHeights) {
  const TextCase& c = GetParam();
  ImageText text(5, c.font, dup_chars(c.text));
  EXPECT_EQ(text.text_width(), c.width);
  EXPECT_EQ(text.text_height(), c.height);
  EXPECT_EQ(text.width, c.width);
  EXPECT_EQ(text.height, c.height);
  EXPECT_EQ(text.line_count(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(Texts, ImageTextExtent, testing::ValuesIn(text_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageText, SerialsComeFromOneCounter) {
  ImageText a(5, 0, dup_chars("a"));
  ImagePicture* b = make_picture(1, 1, 0, 0, [](int, int) -> uint32_t { return 0; });
  ImageText c(5, 0, dup_chars("c"));
  EXPECT_EQ(b->serial, a.serial + 1);
  EXPECT_EQ(c.serial, a.serial + 2);
  delete b;
}

TEST(ImageText, LongTextKeepsItsFullWidthAndClampsTheImageWidth) {
  std::string long_text(10000, 'M');  // about 230000 pixels in Helvetica Bold 24
  ImageText text(5, 11, dup_chars(long_text.c_str()));
  EXPECT_EQ(text.text_width(), 10000u * uint32_t(Fonts::fonts[11]->glyph('M')->advance));
  EXPECT_EQ(text.width, 0xFFFF);
}

TEST(ImageText, ReplacementPictureWidensAndRaisesItsLine) {
  ImageText::set_font_picture(0, 'x', make_picture(20, 30, 0, 0, [](int, int) -> uint32_t {
    return 0xFF0000FFu;
  }));
  ImageText text(5, 0, dup_chars("AxA\nA"));
  EXPECT_EQ(text.text_width(), 34u);
  EXPECT_EQ(text.text_height(), 44u);
  ImageText::delete_font_pictures();
  ImageText plain(5, 0, dup_chars("AxA\nA"));
  EXPECT_EQ(plain.text_width(), 21u);
}

// "A\nBC" draws BC at the position and A one line height higher.
TEST(ImageText, DrawsLinesUpwardsFromTheBottomLine) {
  ShownWindow two(40, 40);
  two.window.begin_drawing();
  XGLContext::current_context->set_gl_color(0, 0, 0);
  ImageText(5, 0, dup_chars("A\nBC")).draw(5, 35, 0);
  auto together = two.read_pixels();
  ShownWindow apart(40, 40);
  apart.window.begin_drawing();
  XGLContext::current_context->set_gl_color(0, 0, 0);
  ImageText(5, 0, dup_chars("BC")).draw(5, 35, 0);
  ImageText(5, 0, dup_chars("A")).draw(5, 21, 0);
  auto separate = apart.read_pixels();
  EXPECT_EQ(together, separate);
  int black = 0;
  for (uint32_t p : together) black += p == 0;
  EXPECT_GT(black, 20);
}

}  // namespace
