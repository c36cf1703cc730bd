// Writes the seed corpus of a fuzz target into a directory:
//   write_seeds <target> <directory>
// Seeds are made by the YARL binary writer and the protocol encoder, so they
// follow the current layouts: valid programs and command streams, and small
// ones that reach every reader.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scene/image_io.h"
#include "setup_files/design_file.h"
#include "setup_files/light_file.h"
#include "setup_files/room_file.h"
#include "setup_files/setup_lexer.h"
#include "tests/support/protocol.h"
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

// A window with three REAL locals and a POINT over them, with every attribute flag.
static YarlProgram with_point() {
  YarlProgram p = YarlProgram::standard();
  Item3D item;
  item.window = add_window_with_locals(p, "w", {{K_REAL, "x"}, {K_REAL, "y"}, {K_REAL, "z"}});
  item.edit_vars = {ref16(WINDOW_LOCAL, 0), ref16(WINDOW_LOCAL, 1), ref16(WINDOW_LOCAL, 2)};
  item.flags = 0xEF68B;
  item.value_kind = K_STRING;
  item.image_font = 2;
  item.code_offset = p.code().offset();
  p.code().release();
  item.action_offset = item.code_offset;
  add_gui3d_item(p, item);
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

// ---------------------------------------------------------------- command streams

namespace stream {

using tek::command;
using tek::int_param;
using tek::real_param;
using tek::string_param;

std::string ints(std::initializer_list<long> values) {
  std::string out;
  for (long v : values) out += int_param(v);
  return out;
}
std::string reals(std::initializer_list<float> values) {
  std::string out;
  for (float v : values) out += real_param(v);
  return out;
}
// Each point as the difference to the one before.
std::string deltas(const std::vector<tek::Point>& points) {
  std::string out;
  tek::Point last;
  for (const tek::Point& p : points) {
    out += ints({p.x - last.x, p.y - last.y, p.z - last.z});
    last = p;
  }
  return out;
}

const std::vector<tek::Point> SQUARE = {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}};
const std::vector<tek::Point> UP = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
// One strip of the square's two triangles.
const std::string SQUARE_STRIP = int_param(6) + ints({1, 4, 0, 1, 3, 2});

std::string so(long n) { return command("SO") + int_param(n); }
std::string sc() { return command("SC"); }
std::string mode(long m) { return tek::set_coor_mode(m, 6); }

// A facet tree with normals and texture coordinates (UT).
std::string ut_textured() {
  return command("UT") + int_param(4) + deltas(SQUARE) + int_param(4) + deltas(UP) + int_param(4) +
         ints({0, 0, 1000000, 0, 0, 1000000, -1000000, 0}) + SQUARE_STRIP;
}
// A facet tree with normals only, and one with a colour palette (UC).
std::string ut_plain() { return command("UT") + int_param(4) + deltas(SQUARE) + int_param(4) + deltas(UP) + int_param(0) + SQUARE_STRIP; }
std::string uc() {
  return command("UC") + int_param(4) + deltas(SQUARE) + int_param(2) + ints({255, 0, 0, 0, 0, 255}) + int_param(4) +
         reals({0, 0.5f, 1, 0.25f}) + SQUARE_STRIP;
}
// A material (CM): grey, one texture file name.
std::string cm(long n, const std::string& name, const std::string& texture, float transparency) {
  std::string out = command("CM") + int_param(n) + ints({0, texture.empty() ? 0 : 1, 0, 0, 0, 1, 0}) + ints({1, 2, 1});
  out += reals({0.2f, 0.2f, 0.2f, 1, 0.5f, 0.5f, 0.5f, 1}) + real_param(10.0f);
  out += reals({1, 1, 1, 1, 0, 0, 0, 1}) + reals({0, 0, 0.5f, transparency, 1});
  return out + string_param(name) + string_param(texture) + int_param(0) + int_param(0);
}

struct Seed {
  const char* name;
  std::string bytes;
};

std::vector<Seed> seeds() {
  std::string geometry = mode(2) + so(1) + command("LT") + string_param("label") + ut_plain() + command("LF") + ints({0, 0, 0}) + command("LG") + ints({1000, 0, 0}) +
                         command("LG") + ints({1000, 2000, 0}) + command("UM") + int_param(2) + uc() +
                         command("BV") + ints({2, 0, 0, 0, 0, 0, 3, 10, 20}) + command("UD") + int_param(3) +
                         deltas({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}) + command("LC") + int_param(2) +
                         deltas({{0, 0, 0}, {500, 500, 500}}) + int_param(2) + reals({0, 1}) + sc() +
                         command("SE") + int_param(2) + command("LF") + ints({1, 2, 3}) + command("SE") + int_param(3) +
                         sc() + command("SV") + ints({2, 0}) + command("SV") + ints({-1, 1}) + command("SF") +
                         int_param(1) + command("SK") + int_param(3) + command("SK") + int_param(-1);
  std::string update = mode(2) + so(7) + ut_textured() + command("UF") + int_param(4) +
                       deltas({{0, 0, 100}, {1000, 0, 100}, {1000, 1000, 100}, {0, 1000, 100}}) + int_param(4) +
                       deltas({{0, 1, 1}, {0, 1, 1}, {0, 1, 1}, {0, 1, 1}}) + int_param(4) +
                       ints({0, 0, 500000, 0, 0, 500000, -500000, 0}) + int_param(6) + ints({1, 4, 1, 2, 0, 3}) + sc();
  std::string attributes = mode(1) + command("ST") + ints({1, 0, 1}) + command("CE") + ints({3, 17}) + command("CL") +
                           int_param(1) + string_param("level") + command("CF") + ints({7, 1, 0, 1, 0, 1, 0, 1}) +
                           command("UE") + ints({2, 0, 0, 0, 100, 100, 100}) + command("CP") + int_param(1) + so(4) +
                           command("ML") + int_param(4) + command("MI") + int_param(5) + command("MT") + int_param(6) +
                           command("MV") + int_param(3) + command("MW") + int_param(4) + command("MZ") + ints({1, 7, 2}) +
                           command("MM") + int_param(5) + command("MS") + int_param(12) + command("TS") + int_param(10) +
                           command("CG") + int_param(2) + command("EC") + ints({1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}) +
                           command("PO") + int_param(1) + command("FS") + real_param(0.5f) + command("FL") + int_param(1) +
                           command("UP") + ints({1, 0}) + reals({0.5f, 0, 2, 2, 45}) + command("LF") + ints({0, 0}) +
                           command("LG") + ints({300, 400}) + command("HS") + int_param(1) + reals({1, 0, 0}) + sc() +
                           command("HS") + int_param(0);
  std::string materials = mode(2) + cm(1, "grey", "", 0) + cm(2, "glass", "", 0.5f) + cm(3, "wood", "wood.tif", 0) +
                          so(1) + command("TO") + int_param(2) + ut_plain() + sc() + so(2) + command("TO") + int_param(3) +
                          ut_textured() + sc() + cm(2, "glass", "", 0.25f) + command("CD") + int_param(1) +
                          command("CD") + int_param(2);
  std::string graph = mode(2) + command("NP") + ints({1, 0, 7}) + command("NP") + ints({2, 1, 0}) + command("NP") +
                      ints({3, 1, 0}) + command("NO") + int_param(2) + so(10) + ut_plain() + sc() + command("NC") +
                      command("NV") + ints({3, 5}) + command("NO") + int_param(3) + so(11) + command("LF") +
                      ints({0, 0, 0}) + command("LG") + ints({1, 1, 1}) + sc() + command("NC") + command("NR") +
                      int_param(2) + command("SK") + int_param(11);
  std::string views = command("RC") + int_param(3) + command("RV") + tek::xy12(100, 200) + tek::xy12(1000, 2000) +
                      mode(2) + command("UV") + int_param(3) + ints({1000, 2000, 3000}) + ints({-1000, -2000, -1000}) +
                      ints({0, 1000, -2000}) + int_param(2) + ints({4000, 3000}) + ints({0, 0, 500000}) +
                      int_param(2) + int_param(3) + ints({0, 3000, 13000}) + command("RC") + int_param(1) + mode(1) +
                      command("RV") + ints({0, 0, 4095, 3276}) + command("DV") + int_param(3);
  std::string colour_map = command("TG") + ints({1, 8, 10, 120, 50, 100, 11, 240, 25, 75}) + command("TM") +
                           ints({1, 0, 0}) + command("TG") + ints({1, 4, 12, 100, 50, 0}) + command("TM") + ints({4, 0, 0}) +
                           command("TG") + ints({1, 4, 13, 255, 128, 0});
  // Runs in each coordinate mode; a segment takes one marker run.
  std::string runs = so(5) + tek::vector_run(0, {{10, 20}, {3000, 100}, {4095, 3276}}) +
                     tek::marker_run(0, {{400, 17}}) + sc() + mode(1) + so(6) +
                     tek::vector_run(1, {{10, 20}, {-3000, 100}}) + sc() + mode(2) + so(7) +
                     tek::vector_run(2, {{0, 0, 0}, {100, 200, 300}, {-5, -5, -5}}) +
                     tek::marker_run(2, {{1, 2, 3}}) + sc();
  std::string text = std::string("dialog text\r\n") + command("IA") + int_param(5) + command("JC") + string_param("a") +
                     string_param("bc") + string_param("d") + command("LZ") + tek::select_code(0) + "more text" +
                     std::string(1, char(12)) + tek::app_int(0x10005, 3);
  return {{"geometry", geometry}, {"facet_tree_update", update}, {"attributes", attributes},
          {"materials", materials}, {"scene_graph", graph},         {"views", views},
          {"colour_map", colour_map}, {"runs", runs},              {"text_and_unknown", text}};
}

}  // namespace stream

// Render-setup files from their writers: lights of every type, a design
// with every option, a room with every surface; the lexer takes them all.
static bool write_setup_seeds(const std::string& target, const std::string& dir) {
  bool all = target == "setup_lexer";
  bool ok = true;
  if (all || target == "light_file") {
    uint32_t type[5] = {1, 2, 3, 4, 7};
    bool enable[5] = {true, false, true, true, true}, view[5] = {true, false, false, false, false};
    float c[5] = {0.5f, 1, 0, 0.25f, 1}, xyz[5] = {0, 1, -2, 3.5f, 100}, angle[5] = {10, 20, 90, 0, 45};
    float focus[5] = {0, 50, 128, 10, 1};
    uint32_t shadow[5] = {1, 2, 3, 1, 2};
    ok &= TrqDlgExport((dir + "/lights").c_str(), 5, type, enable, c, c, c, view, xyz, xyz, xyz, xyz, xyz, xyz,
                       angle, focus, shadow, c) == 0;
  }
  if (all || target == "design_file") {
    ok &= TrqDsnExport((dir + "/names").c_str(), "a.light", "m.mat", "C:\\models\\x.df", "r.room") == 0;
    TrqDsn* d = checked_new_array<TrqDsn>(1);
    TrqDsnInit(d);
    d->version = 2.5;
    d->render_options_list = 1;
    for (int i = 0; i < DESIGN_OPTIONS; ++i) {
      if (i < 4 || i == 14 || i == 15)
        TrqComInitS(&d->options[i].text, i == 0 ? "raytrace_renderer" : "high");
      else
        d->options[i].number = i % 2;
    }
    d->options[4].number = 480;
    ok &= TrqDsnWrite((dir + "/options").c_str(), d) == 0;
    TrqDsnFree(d);
  }
  if (all || target == "room_file") {
    TrqDrm* r;
    TrqDrmAlloc(&r, ROOM_SURFACES);
    r->count = ROOM_SURFACES;
    TrqDrmInit(r);
    r->version = 1.0;
    const char* const images[ROOM_SURFACES] = {"ceiling.tif", "floor.tif", "w1.tif", "w2.tif", "w3.tif", "w4.tif"};
    for (int i = 0; i < ROOM_SURFACES; ++i) {
      TrqComInitS(&r->surfaces[i].image, images[i]);
      r->surfaces[i].copies = i % 2;
      TrqComInitArrF(r->surfaces[i].scale, {2, 3});
      r->surfaces[i].rotation = 90.0 * i;
    }
    TrqComInitArrF(r->rotation, {0, 0, 45});
    ok &= TrqDrmWrite((dir + "/room").c_str(), r) == 0;
    TrqDrmFree(r);
  }
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "Usage: %s target directory\n", argv[0]);
    return 2;
  }
  std::string target = argv[1], dir = argv[2];
  if (target == "image_io") return write_image_seeds(dir) ? 0 : 1;
  if (target == "setup_lexer" || target == "light_file" || target == "design_file" || target == "room_file")
    return write_setup_seeds(target, dir) ? 0 : 1;
  if (target == "tek_parser") {
    for (const stream::Seed& seed : stream::seeds())
      if (!write_seed(dir, seed.name, std::vector<uint8_t>(seed.bytes.begin(), seed.bytes.end()))) return 1;
    return 0;
  }
  if (target == "read_resources") {
    // Lines of every kind, named as in the target's fixture.
    const char* const seeds[][2] = {
        {"scalars", "# site\n\ni:\t42\nr:\t1.5e-3\na:\t-12o30\"15\nb:\t1\nc:\tx\ns:\t two words \r\n"},
        {"arrays", "ia:\t1\t2\t3\nsa:\ta\t\tc\nra:\nlong:\tx\ty\nnone:\n"},
        {"windows", "w.ORIGIN_X:\t10\nw.ORIGIN_Y:\t4094\nw.SIZE_X:\t1\nw.SIZE_Y:\t300\nw.li:\t7\nw.lsa:\tp\tq\n"},
        {"errors", "hidden:\t1\nplain:\t2\nv.ORIGIN_X:\t3\nsub.SIZE_Y:\t-1\nw.WIDTH:\t1\ni:\t2147483647\nzz\n"},
    };
    for (const auto& seed : seeds) {
      std::string text = seed[1];
      for (uint8_t mode : {0, 1, 6, 7, 14}) {
        std::vector<uint8_t> bytes{mode};
        bytes.insert(bytes.end(), text.begin(), text.end());
        std::string name = std::string(seed[0]) + "_" + std::to_string(mode);
        if (!write_seed(dir, name.c_str(), bytes)) return 1;
      }
    }
    return 0;
  }
  if (target == "ib_prefs") {
    // Two bytes choose the screen size; then the file's lines.
    const char* const seeds[][2] = {
        {"every_keyword",
         "Position grid\t10 12\nGrid offset\t3 4\nSize grid\t1 5 6\nalignment\t2 4\nText editor\tvi %s\n"
         "Main window position\t 100 200\nObject inspector position\t 5 6\nWindow inspector position\t 7 8\n"},
        {"errors", "Position grid\t0 1\nSize grid 2 1 1\nalignment\t5 1\nbogus\nGrid offset\t99999999999 1\n"},
    };
    for (const auto& seed : seeds) {
      std::vector<uint8_t> bytes{160, 128};
      bytes.insert(bytes.end(), seed[1], seed[1] + strlen(seed[1]));
      if (!write_seed(dir, seed[0], bytes)) return 1;
    }
    return 0;
  }
  if (target == "trace_file") {
    const char* const seeds[][2] = {
        {"header", "# Vorq QOBS trace file, created by QOBS version 11.1596 2003/08/06.\nScreenGeometry 300 1280 240 1024\n"},
        {"keys", "main KeyPress 0 1 0 RootUI 0 10 5 5 71 71 0 12345678 1\nBreak\nPanel FocusIn 0 1 0 1 2\n"},
        {"atoms", "Panel PropertyNotify 1 2 0 5 ATOMS 7 0\nPanel ClientMessage 0 3 1 4 AXES 10 1 fffe 3 4 5 6 7 8 9 a\n"},
        {"damage", "Info Expose 0 1 0 1 2 3 4 5\nPanel Expose 0 1 0 1 2 3 4\nNowhere FocusOut 0 1 0 1 2\n"},
    };
    for (const auto& seed : seeds)
      if (!write_seed(dir, seed[0], std::vector<uint8_t>(seed[1], seed[1] + strlen(seed[1])))) return 1;
    return 0;
  }
  if (target == "partner") {
    // A key message, a FocusIn message, and configuration code of a string resource.
    const std::vector<uint8_t> seeds[] = {
        {1, 51, 0, 0, 0, 2, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0,
         0x71, 0, 0, 0, 0x71, 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 1},
        {1, 19, 0, 0, 0, 2, 9, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 2},
        {0, 88, 2, 'o', 'k', 22, 0x02, 0x11, 107},
    };
    int n = 0;
    for (const std::vector<uint8_t>& seed : seeds)
      if (!write_seed(dir, ("seed_" + std::to_string(n++)).c_str(), seed)) return 1;
    return 0;
  }
  if (target != "read_tables") {
    printf("write_seeds: no seeds for target %s\n", target.c_str());
    return 0;
  }
  YarlProgram compact;
  for (uint16_t n = 0; n < N_PREDEFINED; ++n) compact.add(GLOBAL, make_ident(n == 1 ? K_SUB_WINDOW : K_MENU));
  bool ok = write_seed(dir, "standard", YarlProgram::standard().bytes(0)) &&
            write_seed(dir, "standard_every_record", every_record(YarlProgram::standard()).bytes(0)) &&
            write_seed(dir, "every_record", every_record(YarlProgram()).bytes(0)) &&
            write_seed(dir, "compact", compact.bytes(0)) && write_seed(dir, "point_item", with_point().bytes(0)) && write_seed(dir, "empty", YarlProgram().bytes(0));
  return ok ? 0 : 1;
}
