// The layer's X bitmap parser against Xlib's XReadBitmapFileData on every file
// of Debian's xbitmaps and on fixtures; the GDI row conversion; the checks of
// Windows bitmap file headers.
#include "platform/win/bitmap_file.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None and Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "tests/support/runner.h"

namespace {

struct Parsed {
  int result = -1;
  int width = 0, height = 0, x_hot = 0, y_hot = 0;
  std::vector<uint8_t> data;
};

Parsed xlib_parse(const std::string& path) {
  Parsed p;
  unsigned w = 0, h = 0;
  unsigned char* data = nullptr;
  p.result = XReadBitmapFileData(path.c_str(), &w, &h, &data, &p.x_hot, &p.y_hot);
  if (p.result == BitmapSuccess) {
    p.width = static_cast<int>(w);
    p.height = static_cast<int>(h);
    p.data.assign(data, data + (w + 7) / 8 * h);
    XFree(data);
  }
  return p;
}

Parsed our_parse(const std::string& text) {
  Parsed p;
  Lx_XBitmap b;
  p.result = Lx_ParseXBitmap(text.data(), text.size(), &b);
  if (p.result == LX_BITMAP_SUCCESS) {
    p.width = b.width;
    p.height = b.height;
    p.x_hot = b.x_hot;
    p.y_hot = b.y_hot;
    p.data.assign(b.data, b.data + (b.width + 7) / 8 * b.height);
    CheckedFree(b.data);
  }
  return p;
}

void expect_same(const Parsed& ours, const Parsed& xlib) {
  ASSERT_EQ(ours.result, xlib.result);
  if (ours.result != 0) return;
  EXPECT_EQ(ours.width, xlib.width);
  EXPECT_EQ(ours.height, xlib.height);
  EXPECT_EQ(ours.x_hot, xlib.x_hot);
  EXPECT_EQ(ours.y_hot, xlib.y_hot);
  EXPECT_EQ(ours.data, xlib.data);
}

TEST(XBitmapParser, EveryXbitmapsFileReadsAsXlibReadsIt) {
  const std::string folder = "/usr/include/X11/bitmaps";
  DIR* dir = opendir(folder.c_str());
  ASSERT_NE(dir, nullptr) << "the xbitmaps package is missing";
  int files = 0;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const std::string path = folder + "/" + e->d_name;
    SCOPED_TRACE(path);
    const Parsed xlib = xlib_parse(path);
    const Parsed ours = our_parse(read_file(path));
    expect_same(ours, xlib);
    EXPECT_EQ(ours.result, 0);
    ++files;
  }
  closedir(dir);
  EXPECT_GE(files, 60);
}

// Fixtures that each show one rule; Xlib is the oracle for all of them.
const struct {
  const char* name;
  const char* text;
} kFixtures[] = {
    {"odd width 9 with hot spot",
     "#define a_width 9\n#define a_height 2\n#define a_x_hot 4\n#define a_y_hot 1\n"
     "static unsigned char a_bits[] = {\n   0x01, 0x01, 0xff, 0x00};\n"},
    {"width 17, numbers without 0x",
     "#define b_width 17\n#define b_height 1\nstatic char b_bits[] = {\n 1, ff, 1 };\n"},
    {"short form, width 16",
     "#define c_width 16\n#define c_height 2\nstatic short c_bits[] = {\n   0x1234, 0xfedc};\n"},
    {"short form, odd width 9",
     "#define d_width 9\n#define d_height 3\nstatic short d_bits[] = {\n   0x0101, 0x0203, 0xff80};\n"},
    {"short form, width 20",
     "#define e_width 20\n#define e_height 2\nstatic short e_bits[] = {\n 0x1111, 0x0022, 0x3333, 0x0044};\n"},
    {"data past width x height are ignored",
     "#define f_width 8\n#define f_height 1\nstatic char f_bits[] = {\n 0x81, 0x42, 0x24 };\n"},
    {"too few data", "#define g_width 8\n#define g_height 3\nstatic char g_bits[] = {\n 0x81, 0x42 };\n"},
    {"data before the sizes", "static char h_bits[] = {\n 0x81 };\n#define h_width 8\n#define h_height 1\n"},
    {"no data line", "#define i_width 8\n#define i_height 1\n"},
    {"carriage returns", "#define j_width 8\r\n#define j_height 2\r\nstatic char j_bits[] = {\r\n 0x81,\r\n 0x18 };\r\n"},
    {"name not ending in bits", "#define k_width 8\n#define k_height 1\nstatic char k_data[] = {\n 0x81 };\n"},
    {"prefixed names", "#define x_width 8\n#define x_height 1\n#define x_x_hot 3\nstatic char x_bits[] = {\n 0x5a };\n"},
    {"empty file", ""},
};

TEST(XBitmapParser, FixturesReadAsXlibReadsThem) {
  TempDir dir;
  for (const auto& f : kFixtures) {
    SCOPED_TRACE(f.name);
    const std::string path = dir.file("f.xbm");
    write_file(path, f.text);
    expect_same(our_parse(f.text), xlib_parse(path));
  }
}

TEST(XBitmapParser, ShortFormKeepsLowByteFirstAndDropsTheRowPadding) {
  const Parsed p = our_parse(kFixtures[3].text);
  ASSERT_EQ(p.result, 0);
  EXPECT_EQ(p.data, (std::vector<uint8_t>{0x01, 0x01, 0x03, 0x02, 0x80, 0xff}));
}

// Hostile files are refused (2) without a crash and without taking memory for
// rows that the text cannot hold.
TEST(XBitmapParser, HostileFilesAreRefused) {
  const std::string long_line(300, 'x');
  const char* head = "#define a_width 8\n#define a_height 1\n";
  const std::string cases[] = {
      "#define a_width 0\n#define a_height 1\nstatic char a_bits[] = {\n 0x00 };\n",
      "#define a_width 32768\n#define a_height 1\nstatic char a_bits[] = {\n 0x00 };\n",
      "#define a_width 8\n#define a_height 32768\nstatic char a_bits[] = {\n 0x00 };\n",
      "#define a_width -8\n#define a_height 1\nstatic char a_bits[] = {\n 0x00 };\n",
      "#define a_width 99999999999999999999\n#define a_height 1\nstatic char a_bits[] = {\n 0 };\n",
      "#define a_width 32767\n#define a_height 32767\nstatic char a_bits[] = {\n 0x00 };\n",
      std::string(head) + "static char a_bits[] = {\n 0x100 };\n",
      "#define a_width 16\n#define a_height 1\nstatic short a_bits[] = {\n 0x10000 };\n",
      std::string(head) + "static char a_bits[] = {\n 0xzz };\n",
      std::string(head) + "static char a_bits[] = {\n 0x };\n",
      std::string(head) + "static char a_bits[] =\n 0x01 };\n",
      std::string(head) + "static char a_bits[] = {\n",
      "#define a_width 8\n#define a_height 1\nstatic char " + long_line + "_bits[] = {\n 0x01 };\n",
  };
  const int32_t balance = GetMallocBalance();
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 80));
    EXPECT_EQ(our_parse(text).result, LX_BITMAP_FILE_INVALID);
  }
  EXPECT_EQ(GetMallocBalance(), balance);
  // A long line elsewhere is only read in pieces.
  EXPECT_EQ(our_parse("/* " + long_line + " */\n" + head + "static char a_bits[] = {\n 0x01 };\n").result, 0);
}

TEST(GdiBitmapRows, SwapInvertsAndReversesEachByte) {
  const struct {
    uint8_t x, gdi;
  } cases[] = {{0x01, 0x7F}, {0x80, 0xFE}, {0x00, 0xFF}, {0xFF, 0x00}, {0x0F, 0x0F}, {0x35, 0x53}};
  for (const auto& c : cases) EXPECT_EQ(Lx_SwapBits(c.x), c.gdi) << int{c.x};
}

TEST(GdiBitmapRows, RowsArePaddedToAnEvenByteCountWithZero) {
  const struct {
    int width, bytes;
  } cases[] = {{1, 2}, {8, 2}, {9, 2}, {16, 2}, {17, 4}, {24, 4}, {25, 4}, {32, 4}, {33, 6}};
  for (const auto& c : cases) EXPECT_EQ(Lx_GdiRowBytes(c.width), c.bytes) << c.width;

  const uint8_t x_rows[] = {0x01, 0x80, 0x01, 0xFF, 0x00, 0x0F};  // 17 pixels: 3 bytes a row
  uint8_t gdi[8];
  memset(gdi, 0xEE, sizeof gdi);
  Lx_XBitmapToGdi(x_rows, 17, 2, gdi);
  EXPECT_EQ(std::vector<uint8_t>(gdi, gdi + 8), (std::vector<uint8_t>{0x7F, 0xFE, 0x7F, 0, 0x00, 0xFF, 0x0F, 0}));
}

// A small "BM" file: the headers, a palette of 2 and the rows of a 1-bit image.
std::vector<uint8_t> bmp_file(int width, int height, int bits) {
  const uint32_t row = static_cast<uint32_t>((width * bits + 31) / 32 * 4);
  const uint32_t palette = bits <= 8 ? (1u << bits) * 4 : 0;
  const uint32_t offset = 14 + 40 + palette;
  const uint32_t size = offset + row * static_cast<uint32_t>(height < 0 ? -height : height);
  std::vector<uint8_t> f(size, 0);
  auto put16 = [&](size_t at, uint32_t v) { f[at] = v & 0xFF; f[at + 1] = (v >> 8) & 0xFF; };
  auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, size);
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);
  put16(28, static_cast<uint32_t>(bits));
  return f;
}

TEST(BmpHeaders, SoundFilesPassWithTheirSizesAndOffset) {
  for (int bits : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bits);
    const std::vector<uint8_t> f = bmp_file(17, -3, bits);
    Lx_BmpInfo info{};
    ASSERT_EQ(Lx_CheckBmpFile(f.data(), f.size(), &info), LX_BITMAP_SUCCESS);
    EXPECT_EQ(info.width, 17);
    EXPECT_EQ(info.height, -3);
    EXPECT_EQ(info.bit_count, bits);
    EXPECT_EQ(info.row_bytes, static_cast<uint32_t>((17 * bits + 31) / 32 * 4));
    EXPECT_EQ(info.pixel_offset + info.row_bytes * 3, f.size());
  }
}

// The file with `bytes` bytes at `at` replaced by v, least significant first.
std::vector<uint8_t> patch(std::vector<uint8_t> f, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) f.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
  return f;
}

TEST(BmpHeaders, HeadersThatReachPastTheFileAreRefused) {
  const std::vector<uint8_t> good = bmp_file(9, 4, 1);
  auto patched = [&](size_t at, uint32_t v) { return patch(good, at, v, 4); };
  auto with16 = [&](size_t at, uint16_t v) { return patch(good, at, v, 2); };
  std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
  const struct {
    const char* what;
    std::vector<uint8_t> file;
  } cases[] = {
      {"pixels one byte short", truncated},
      {"offset past the end", patched(10, 0xFFFFFFF0u)},
      {"offset inside the palette", patched(10, 14 + 40 + 4)},
      {"header size past the end", patched(14, 0x7FFFFFFF)},
      {"header size 20", patched(14, 20)},
      {"width 0", patched(18, 0)},
      {"width above 32767", patched(18, 32768)},
      {"height above 32767", patched(22, 40000)},
      {"height most negative", patched(22, 0x80000000u)},
      {"huge width and height overflow their product", patch(patched(18, 32767), 22, 32767, 4)},
      {"two planes", with16(26, 2)},
      {"bit count 3", with16(28, 3)},
      {"run-length compression", patched(30, 1)},
      {"more colours than bits allow", patched(46, 3)},
      {"only the file header", std::vector<uint8_t>(good.begin(), good.begin() + 14)},
      {"not BM", patched(0, 0x00004142)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Lx_BmpInfo info{};
    EXPECT_EQ(Lx_CheckBmpFile(c.file.data(), c.file.size(), &info), LX_BITMAP_FILE_INVALID);
  }
}

// Runs a shell pipeline and returns its standard output.
std::vector<uint8_t> command_output(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  for (int c; (c = getc(pipe)) != EOF;) out.push_back(static_cast<uint8_t>(c));
  pclose(pipe);
  return out;
}

// Whether pixel (x, y) of a checked 1- or 24-bit file is black.
bool bmp_black(const std::vector<uint8_t>& f, const Lx_BmpInfo& info, int x, int y) {
  const int rows = info.height < 0 ? -info.height : info.height;
  const int row = info.height < 0 ? y : rows - 1 - y;  // positive heights count from the bottom
  const uint8_t* p = f.data() + info.pixel_offset + static_cast<size_t>(row) * info.row_bytes;
  if (info.bit_count == 24) return p[x * 3] == 0 && p[x * 3 + 1] == 0 && p[x * 3 + 2] == 0;
  const int index = (p[x / 8] >> (7 - x % 8)) & 1;
  const uint8_t* entry = f.data() + 14 + info.header_size + index * 4;
  return entry[0] == 0 && entry[1] == 0 && entry[2] == 0;
}

// Windows bitmap files that netpbm makes of the xbitmaps files pass the
// checks, with the X bitmap's sizes and pixels.
TEST(BmpHeaders, NetpbmFilesOfTheXbitmapsPassWithTheirPixels) {
  if (system("command -v xbmtopbm >/dev/null && command -v ppmtobmp >/dev/null") != 0)
    GTEST_SKIP() << "netpbm is missing";
  for (const char* name : {"woman", "xlogo11", "weird_size", "star", "1x1", "escherknot"}) {
    const std::string path = std::string("/usr/include/X11/bitmaps/") + name;
    const Parsed x = our_parse(read_file(path));
    ASSERT_EQ(x.result, 0) << name;
    for (int bits : {1, 24}) {
      SCOPED_TRACE(testing::Message() << name << " " << bits << " bits");
      const std::vector<uint8_t> f =
          command_output("xbmtopbm " + path + " | ppmtobmp -bpp " + std::to_string(bits) + " 2>/dev/null");
      Lx_BmpInfo info{};
      ASSERT_EQ(Lx_CheckBmpFile(f.data(), f.size(), &info), LX_BITMAP_SUCCESS);
      ASSERT_EQ(info.width, x.width);
      ASSERT_EQ(info.height < 0 ? -info.height : info.height, x.height);
      EXPECT_EQ(info.bit_count, bits);
      int differing = 0;
      for (int py = 0; py < x.height; ++py)
        for (int px = 0; px < x.width; ++px) {
          const bool set = (x.data[static_cast<size_t>(py * ((x.width + 7) / 8) + px / 8)] >> (px % 8)) & 1;
          differing += set != bmp_black(f, info, px, py);
        }
      EXPECT_EQ(differing, 0);
    }
  }
}

}  // namespace
