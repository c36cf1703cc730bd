// Writes the seed corpus of a fuzz target into a directory:
//   write_seeds <target> <directory>
// Seeds are made by the YARL binary writer, so they follow the current
// layout: valid programs, and small ones that reach every record reader.
#include <cstdio>
#include <string>
#include <vector>

#include "scene/image_io.h"
#include "tests/support/yarl_writer.h"

using namespace yarl;

// Every kind of identifier in every identifier table, every item group in
// both item tables, and a record of each small table.
static YarlProgram every_record(YarlProgram p) {
  static const uint8_t item_kinds[] = {7,  23,  39,  41,  49,  63,  100,
                                       119, 133, 134, 154, 158, 122, 124};
  for (Scope s : {GLOBAL, PROC_LOCAL, WINDOW_LOCAL}) {
    for (uint8_t kind = 0; kind <= K_MENU_WINDOW; ++kind) {
      ident_info id = make_ident(kind);
      id.word2 = 0x1234;
      id.name_offset = p.add_name("n" + std::to_string(kind));
      id.val.u = 0x01020304;
      p.add(s, id);
    }
  }
  for (table_index t : {T_MENU_ITEMS, T_ITEMS_2})
    for (uint8_t kind : item_kinds) {
      menu_item it = make_item(kind);
      it.head4 = ref16(WINDOW_LOCAL, 3);
      it.flags = ITEM_FRAMED | ITEM_SIZE_X;
      p.add_item(it, t);
    }
  Label end = p.code().label();
  p.code().push(1).if_false(end).push_string("text").push(-5).context(GLOBAL, 1).bind(end).release();
  p.initial_code().push_var(GLOBAL, 2).jump(end);
  p.add_list({ref16(GLOBAL, 2), ref16(WINDOW_LOCAL, 40)});
  p.add_edit_var(edit_var{1, ref16(GLOBAL, 2), 0});
  return p;
}

static bool write_seed(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
  std::string path = dir + "/" + name;
  if (write_file(path, bytes)) return true;
  fprintf(stderr, "write_seeds: cannot write %s\n", path.c_str());
  return false;
}

// Small TIFF and JPEG files of every kind the writer makes: a pattern of
// 13 × 7 pixels, so that rows and strips are not square.
static bool write_image_seeds(const std::string& dir) {
  struct Seed {
    const char* name;
    uint8_t kind;
    GLenum format;
    uint8_t compression;
  } seeds[] = {{"rgb.tif", IMAGE_TIFF, GL_RGB, 0},     {"rgb_lzw.tif", IMAGE_TIFF, GL_RGB, 1},
               {"grey.tif", IMAGE_TIFF, GL_LUMINANCE, 0}, {"grey_lzw.tif", IMAGE_TIFF, GL_LUMINANCE, 1},
               {"rgb.jpg", 2, GL_RGB, 10},              {"grey.jpg", 2, GL_LUMINANCE, 50}};
  for (const Seed& s : seeds) {
    std::string path = dir + "/" + s.name;
    ImageIO image(s.kind, s.format, 13, 7, s.compression, path.c_str(), true, 72, 72);
    if (!image.ok) {
      fprintf(stderr, "write_seeds: cannot write %s\n", path.c_str());
      return false;
    }
    std::vector<uint8_t> row(13 * image.bytes_per_pixel);
    for (uint32_t y = 0; y < 7; ++y) {
      for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 19 + y * 40);
      if (image.write_scanline(y, row.data())) return false;
    }
    if (image.finish_write()) return false;
  }
  return true;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "Usage: %s target directory\n", argv[0]);
    return 2;
  }
  std::string target = argv[1], dir = argv[2];
  if (target == "image_io") return write_image_seeds(dir) ? 0 : 1;
  if (target != "read_tables") {
    printf("write_seeds: no seeds for target %s\n", target.c_str());
    return 0;
  }
  YarlProgram compact;
  for (uint16_t n = 0; n < N_PREDEFINED; ++n) compact.add(GLOBAL, make_ident(n == 1 ? K_SUB_WINDOW : K_MENU));
  bool ok = write_seed(dir, "standard", YarlProgram::standard().bytes(0)) &&
            write_seed(dir, "standard_every_record", every_record(YarlProgram::standard()).bytes(0)) &&
            write_seed(dir, "every_record", every_record(YarlProgram()).bytes(0)) &&
            write_seed(dir, "compact", compact.bytes(0)) && write_seed(dir, "empty", YarlProgram().bytes(0));
  return ok ? 0 : 1;
}
