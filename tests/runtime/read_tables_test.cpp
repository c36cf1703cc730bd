// The loader of the compiled YARL binary: the layout of every record, the
// tables it creates, and the halts on files it cannot use.
#include "runtime/read_tables.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/gui3d_items.h"
#include "runtime/tables.h"
#include "tests/support/contains_regex.h"
#include "tests/support/dump_files.h"
#include "tests/support/yarl_writer.h"

using namespace yarl;

namespace {

const char* const BAD_FILE = "qob terminated - bad or incompatible YARL binary file\\.\n";

std::string internal_error_regex(const char* module, int number) {
  return std::string("module name: ") + module + "\\.\n4\\) line number in that module: " +
         std::to_string(number) + "\\.\n";
}

// Loads a file image through a real file, as start-up does.
void read_file(const std::vector<uint8_t>& bytes) {
  char path[] = "/tmp/read_tables_test_XXXXXX";
  int fd = mkstemp(path);
  // Written through the descriptor: under Windows the file is open to no one else.
  if (fd < 0 || write(fd, bytes.data(), unsigned(bytes.size())) != ssize_t(bytes.size()) || lseek(fd, 0, SEEK_SET) != 0)
    abort();
  unlink(path);  // under Windows only once closed
  read_tables(fd);
  close(fd);
  unlink(path);
}

void decode(const std::vector<uint8_t>& bytes) { decode_tables(bytes.data(), bytes.size()); }

// The loaded tables are process-wide: every test ends without them.
class ReadTables : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  void TearDown() override { delete_tables(); }
};
using ReadTablesDeathTest = ReadTables;

void expect_ident_eq(const ident_info& want, const ident_info& got) {
  EXPECT_EQ(want.kind, got.kind);
  EXPECT_EQ(want.flags1, got.flags1);
  EXPECT_EQ(want.word2, got.word2);
  EXPECT_EQ(want.word4, got.word4);
  EXPECT_EQ(want.word6, got.word6);
  EXPECT_EQ(want.word8, got.word8);
  EXPECT_EQ(want.name_offset, got.name_offset);
  EXPECT_EQ(want.val.raw, got.val.raw);
  EXPECT_EQ(want.count, got.count);
  EXPECT_EQ(want.code_offset, got.code_offset);
  EXPECT_EQ(want.source_position, got.source_position);
  EXPECT_EQ(want.displays, got.displays);
  EXPECT_EQ(want.last_word, got.last_word);
}

void expect_item_eq(const menu_item& want, const menu_item& got) {
  EXPECT_EQ(want.kind, got.kind);
  EXPECT_EQ(want.head1, got.head1);
  EXPECT_EQ(want.head2, got.head2);
  EXPECT_EQ(want.head3, got.head3);
  EXPECT_EQ(want.head4, got.head4);
  EXPECT_EQ(want.head6, got.head6);
  EXPECT_EQ(want.value_kind, got.value_kind);
  EXPECT_EQ(want.head8, got.head8);
  EXPECT_EQ(want.margin, got.margin);
  EXPECT_EQ(want.head10, got.head10);
  EXPECT_EQ(want.head12, got.head12);
  EXPECT_EQ(want.source_file, got.source_file);
  EXPECT_EQ(want.line, got.line);
  EXPECT_EQ(want.x, got.x);
  EXPECT_EQ(want.y, got.y);
  EXPECT_EQ(want.width, got.width);
  EXPECT_EQ(want.height, got.height);
  EXPECT_EQ(want.flags, got.flags);
  EXPECT_EQ(want.code_offset, got.code_offset);
  EXPECT_EQ(want.action_offset, got.action_offset);
  EXPECT_EQ(want.widget, got.widget);
}

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// 529 identifiers in the shortest records (MENUs), identifier 1 a window:
// the smallest file the loader accepts.
YarlProgram compact_program(uint16_t n_idents = N_PREDEFINED) {
  YarlProgram p;
  for (uint16_t n = 0; n < n_idents; ++n) p.add(GLOBAL, make_ident(n == 1 ? K_SUB_WINDOW : K_MENU));
  return p;
}

// ---- The writer's encoding, byte by byte ----

TEST_F(ReadTables, WriterEncodesTinyProgramAsExpected) {
  YarlProgram p;
  ident_info n = make_ident(K_INTEGER);
  n.flags1 = IDENT_HIDDEN;
  n.word4 = 0x0102;
  n.word8 = IDENT_RESOURCE | 5 << 6;
  n.source_position = 7 | 8 << 12 | 9 << 22;
  n.last_word = 0x0A0B0C0D;
  uint16_t var = p.add(GLOBAL, n, "n");
  ident_info w = make_ident(K_SUB_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 0x1001;  // has sub-windows, one MENU
  w.word6 = 3;
  w.word8 = 2;
  w.count = 4;
  w.code_offset = 5;
  p.add(GLOBAL, w, "w");

  Code& c = p.code();
  Label skip = c.label();
  c.u8(CODE_GUARD).context(GLOBAL, 1).push_var(GLOBAL, var).if_false(skip);
  c.push(300).assign(WINDOW_LOCAL, 40).bind(skip).push(3).push_string("hi").release();
  p.initial_code().jump(skip);
  p.add_list({ref16(WINDOW_LOCAL, 40)});
  p.add_shortcut(g_shortcut{1, 2, 3, 4});
  p.add_edit_var(edit_var{5, ref16(GLOBAL, 6), 7});

  const std::vector<uint8_t> expected = {
      0x00, 0x01, 0xB3, 0xE3,  // revision 111587
      0x00, 0x00, 0x00, 0x01,  // one window
      0x00, 0x00, 0x00, 0x02,  // table 0: the variable "n" and the window "w"
      0x02,                    // INTEGER
      0, 0, 0, 1, 0, 0, 0, 0,  // flag byte 1: hidden
      0x00, 0x00, 0x01, 0x02, 0x00, 0x00,  // words 2, 4, 6
      0, 0, 1, 0, 0, 0,                    // word 8 bits 0-5: resource
      0x00, 0x00, 0x00, 0x05,              // word 8 bits 6-31
      0x00, 0x00, 0x00, 0x00,              // name offset
      0x00, 0x00, 0x00, 0x00,              // count
      0x00, 0x00, 0x00, 0x00,              // code offset
      0x00, 0x07, 0x00, 0x08, 0x00, 0x09,  // source position
      0x0A, 0x0B, 0x0C, 0x0D,              // last word
      0x12,                                // SUB_WINDOW
      0, 0, 0, 0, 0, 1, 0, 0,              // flag byte 1: visible
      1, 0, 0, 0, 0, 0, 0, 0,              // byte 2: has sub-windows
      0, 0, 0,                             // byte 3
      0x01,                                // one MENU
      0x00, 0x00, 0x00, 0x03, 0x00, 0x02,  // parent, locals, main MENU
      0x00, 0x00, 0x00, 0x02,              // name offset
      0x00, 0x00, 0x00, 0x04,              // first local
      0x00, 0x00, 0x00, 0x05,              // initial code
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // source position
      0x00, 0x00, 0x00, 0x00,              // table 1
      0x00, 0x00, 0x00, 0x00,              // table 2
      0x00, 0x00, 0x00, 0x16,              // table 3: 22 bytes of code
      0x6B,                                // guard
      0x9E, 0x21,                          // context: global 1, one-byte reference
      0x5E, 0x20,                          // push_var global 0
      0x02, 0x00, 0x00, 0x00, 0x10,        // if false, to offset 16
      0x64, 0x01, 0x2C,                    // push_short 300
      0x16, 0x80, 0x28,                    // assign window local 40, two-byte reference
      0xE1,                                // constant 3
      0x58, 0x02, 'h', 'i',                // push_8_string
      0x6B,                                // release
      0x00, 0x00, 0x00, 0x05,              // table 4: a jump into table 3
      0x14, 0x00, 0x00, 0x00, 0x10,        //
      0x00, 0x00, 0x00, 0x00,              // table 5
      0x00, 0x00, 0x00, 0x00,              // table 6
      0x00, 0x00, 0x00, 0x01,              // table 7: the window
      0x00, 0x00, 0x00, 0x01,              //
      0x00, 0x00, 0x00, 0x00,              // table 8
      0x00, 0x00, 0x00, 0x04,              // table 9: the names
      0x01, 'n', 0x01, 'w',                //
      0x00, 0x00, 0x00, 0x02,              // table 10: a list of one reference
      0x00, 0x01, 0x80, 0x28,              //
      0x00, 0x00, 0x00, 0x01,              // table 11: one shortcut
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04,
      0x00, 0x00, 0x00, 0x00,              // table 12
      0x00, 0x00, 0x00, 0x01,              // table 13: one edit variable
      0x00, 0x00, 0x00, 0x05, 0x00, 0x06, 0x07,
  };
  EXPECT_EQ(expected, p.bytes(0));

  std::vector<uint8_t> padded = p.bytes();
  EXPECT_EQ(MIN_FILE_SIZE, padded.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), padded.begin()));
}

TEST_F(ReadTables, WriterChoosesShortestPushForms) {
  Code c(true);
  c.push(0).push(33).push(34).push(255).push(256).push(65535).push(65536).push(-1);
  c.push_string("").ref(3, 31).ref(0, 32).push_picture(0x01020304, 1, 1, {9, 8, 7, 6});
  const std::vector<uint8_t> expected = {
      222, 255, 72, 34, 72, 255, 100, 1, 0, 100, 255, 255,
      73, 0, 1, 0, 0, 73, 255, 255, 255, 255,
      74, 0xFF, 0x00, 0x20,
      129, 1, 2, 3, 4, 0, 1, 0, 1, 9, 8, 7, 6,
  };
  EXPECT_EQ(expected, c.raw_bytes());
  Code long_string(true);
  long_string.push_string(std::string(256, 'x'));
  EXPECT_EQ((std::vector<uint8_t>{87, 1, 0, 'x'}),
            std::vector<uint8_t>(long_string.raw_bytes().begin(), long_string.raw_bytes().begin() + 4));
}

// ---- The standard fixture through the loader ----

TEST_F(ReadTables, StandardProgramLoadsWithWhatStartUpNeeds) {
  YarlProgram p = YarlProgram::standard();
  uint16_t extra = p.add(GLOBAL, make_ident(K_ARRAY + K_REAL), "extra");
  EXPECT_EQ(N_PREDEFINED, extra);
  std::vector<uint8_t> bytes = p.bytes();
  EXPECT_GE(bytes.size(), MIN_FILE_SIZE);
  read_file(bytes);

  EXPECT_EQ(1u, n_windows);
  ASSERT_EQ(N_PREDEFINED + 1, tables[T_GLOBALS].length);
  EXPECT_EQ(N_PREDEFINED + 2, tables[T_GLOBALS].capacity);
  const ident_info* g = globals();
  struct {
    uint16_t first, last;
    int kind;
  } kinds[] = {
      {0, 0, K_INTEGER},     {1, 1, K_MENU_WINDOW},       {2, 13, K_INTEGER},
      {14, 39, K_STRING},    {40, 59, K_INTEGER},         {60, 61, K_ARRAY + K_INTEGER},
      {62, 64, K_INTEGER},   {65, 66, K_ARRAY + K_STRING}, {67, 87, K_INTEGER},
      {88, 88, K_CHARACTER}, {89, 90, K_INTEGER},         {91, 91, K_STRING},
      {92, 104, K_INTEGER},  {105, 105, K_STRING},        {106, 111, K_INTEGER},
      {112, 510, K_BOOLEAN}, {511, 528, K_INTEGER},       {529, 529, K_ARRAY + K_REAL},
  };
  for (const auto& k : kinds)
    for (int n = k.first; n <= k.last; ++n) EXPECT_EQ(k.kind, g[n].kind) << "identifier " << n;
  for (int n : {60, 61, 65, 66}) EXPECT_GT(g[n].word2, 0) << "maximum length of " << n;
  EXPECT_EQ(WINDOW_VISIBLE, g[1].flags1);

  const uint8_t* name = ident_name(g[1]);
  ASSERT_NE(nullptr, name);
  EXPECT_EQ("Graphics", std::string(reinterpret_cast<const char*>(name + 1), name[0]));
  name = ident_name(g[N_PREDEFINED]);
  ASSERT_NE(nullptr, name);
  EXPECT_EQ("extra", std::string(reinterpret_cast<const char*>(name + 1), name[0]));

  ASSERT_EQ(1u, tables[T_INIT_ORDER].length);
  EXPECT_EQ(1u, tables[T_INIT_ORDER].as<uint32_t>()[0]);
  ASSERT_EQ(256u, tables[T_G_SHORTCUTS].length);
  for (uint32_t key = 0; key < 256; ++key)
    EXPECT_EQ(0u, tables[T_G_SHORTCUTS].as<g_shortcut>()[key].action_offset);
  ASSERT_EQ(1u, tables[T_CODE].length);
  EXPECT_EQ(CODE_GUARD, tables[T_CODE].as<uint8_t>()[0]);
  for (table_index t : {T_INITIAL_CODE, T_PROC_INITIAL_CODE, T_WINDOW_INITIAL_CODE}) {
    ASSERT_EQ(1u, tables[t].length) << "table " << t;
    EXPECT_EQ(op::RELEASE, tables[t].as<uint8_t>()[0]) << "table " << t;
  }
  ASSERT_EQ(1u, tables[T_U16_LISTS].length);
  EXPECT_EQ(0, tables[T_U16_LISTS].as<uint16_t>()[0]);
}

TEST_F(ReadTables, WindowCountFollowsInitialisationOrder) {
  YarlProgram p = YarlProgram::standard();
  uint16_t proc = p.add(GLOBAL, make_ident(K_PROCEDURE), "p");
  uint16_t win = p.add(GLOBAL, make_ident(K_SUB_WINDOW), "w");
  uint16_t local_proc = p.add(WINDOW_LOCAL, make_ident(K_PROCEDURE), "q");
  p.set_compiler_warnings(true);
  decode(p.bytes());

  EXPECT_EQ(0x80000000u | 2, n_windows);
  ASSERT_EQ(4u, tables[T_INIT_ORDER].length);
  const uint32_t* order = tables[T_INIT_ORDER].as<uint32_t>();
  EXPECT_EQ(ref32(GLOBAL, 1), order[0]);
  EXPECT_EQ(ref32(GLOBAL, proc), order[1]);
  EXPECT_EQ(ref32(GLOBAL, win), order[2]);
  EXPECT_EQ(0x80000000u | local_proc, order[3]);
}

// Tables with count 0 still get one zeroed element.
TEST_F(ReadTables, EmptyTableHasOneZeroedElement) {
  decode(YarlProgram::standard().bytes());
  for (table_index t : {T_PROC_LOCALS, T_WINDOW_LOCALS, T_MENU_ITEMS, T_ITEMS_2, T_EDIT_VARS}) {
    SCOPED_TRACE(testing::Message() << "table " << t);
    EXPECT_EQ(0u, tables[t].length);
    EXPECT_EQ(1u, tables[t].capacity);
    ASSERT_NE(nullptr, tables[t].items);
    const uint8_t* element = tables[t].as<uint8_t>();
    std::vector<uint8_t> zero(tables[t].element_size, 0);
    EXPECT_EQ(0, memcmp(zero.data(), element, zero.size()));
  }
}

// ---- Identifier records: every field from a distinct byte pattern ----

// On file: a flag byte keeps bit 0 only; narrow fields keep their low bits.
const std::vector<uint8_t> FLAGS8 = {0x01, 0x00, 0xFF, 0x02, 0x03, 0xFE, 0x81, 0x00};  // 0x55
const std::vector<uint8_t> SOURCE = {0xF1, 0x23, 0xFD, 0x45, 0xFE, 0x67};
constexpr uint32_t SOURCE_KEPT = 0x123 | 0x145 << 12 | 0x267u << 22;
const std::vector<uint8_t> NAME = {0x21, 0x22, 0x23, 0x24};
const std::vector<uint8_t> VALUE = {0x41, 0x42, 0x43, 0x44};
const std::vector<uint8_t> COUNT = {0x25, 0x26, 0x27, 0x28};
const std::vector<uint8_t> CODE = {0x29, 0x2A, 0x2B, 0x2C};

struct IdentCase {
  std::vector<uint8_t> record;
  ident_info want;
};

IdentCase variable_case(uint8_t kind) {
  IdentCase c{cat({{kind},
                   FLAGS8,
                   {0x11, 0x12, 0x13, 0x14, 0x15, 0x16},
                   {0x00, 0x01, 0x02, 0x03, 0xFF, 0x10},  // word 8 bits 0-5: 0x1A
                   {0xFC, 0x12, 0x34, 0x56},              // low 26 bits to bits 6-31
                   NAME, COUNT, CODE, SOURCE,
                   {0x31, 0x32, 0x33, 0x34}}),
              make_ident(kind)};
  ident_info& w = c.want;
  w.flags1 = 0x55;
  w.word2 = 0x1112;
  w.word4 = 0x1314;
  w.word6 = 0x1516;
  w.word8 = 0x0123456u << 6 | 0x1A;
  w.name_offset = 0x21222324;
  w.count = 0x25262728;
  w.code_offset = 0x292A2B2C;
  w.source_position = SOURCE_KEPT;
  w.last_word = 0x31323334;
  return c;
}

IdentCase menu_case() {
  IdentCase c{cat({{K_MENU},
                   {0x01, 0xFE, 0x03},  // bits 0-2: 0b101
                   {0xFE},              // bits 3-4: 2
                   {0xFF},              // not kept
                   {0x01},              // bit 5
                   {0xF9},              // tab 9: flag byte 1 bits 6-7 = 1, word 2 bits 0-1 = 2
                   {0xA7},              // word 2 bits 4-11
                   {0x13, 0x14, 0x15, 0x16},
                   NAME, VALUE, COUNT, CODE, SOURCE}),
              make_ident(K_MENU)};
  ident_info& w = c.want;
  w.flags1 = 0x75;
  w.word2 = 0xA72;
  w.word4 = 0x1314;
  w.word6 = 0x1516;
  w.name_offset = 0x21222324;
  w.val.u = 0x41424344;
  w.count = 0x25262728;
  w.code_offset = 0x292A2B2C;
  w.source_position = SOURCE_KEPT;
  return c;
}

IdentCase procedure_case() {
  IdentCase c{cat({{K_PROCEDURE},
                   {0x01, 0x02, 0xFF, 0x00, 0x81},  // bits 0-4: 0x15
                   {0xFA, 0xBC},                    // low 12 bits to word 2 bits 4-15
                   {0x15, 0x16},
                   {0x51, 0x52, 0x53, 0x54},
                   NAME, VALUE, COUNT, CODE, SOURCE}),
              make_ident(K_PROCEDURE)};
  ident_info& w = c.want;
  w.flags1 = 0x15;
  w.word2 = 0xABC0;
  w.word6 = 0x1516;
  w.word8 = 0x51525354;
  w.name_offset = 0x21222324;
  w.val.u = 0x41424344;
  w.count = 0x25262728;
  w.code_offset = 0x292A2B2C;
  w.source_position = SOURCE_KEPT;
  return c;
}

IdentCase window_case(uint8_t kind) {
  IdentCase c{cat({{kind},
                   FLAGS8,
                   {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07},  // byte 2: 0xAA
                   {0x11, 0x10, 0x01},                                // byte 3 bits 0-2: 0b101
                   {0x5C},                                            // 12 MENUs
                   {0x13, 0x14, 0x15, 0x16, 0x17, 0x18},
                   NAME, COUNT, CODE, SOURCE}),
              make_ident(kind)};
  ident_info& w = c.want;
  w.flags1 = 0x55;
  w.word2 = 0xC5AA;
  w.word4 = 0x1314;
  w.word6 = 0x1516;
  w.word8 = 0x1718;
  w.name_offset = 0x21222324;
  w.count = 0x25262728;
  w.code_offset = 0x292A2B2C;
  w.source_position = SOURCE_KEPT;
  return c;
}

TEST_F(ReadTables, IdentifierRecordOfEveryKind) {
  std::vector<IdentCase> cases;
  for (uint8_t kind = 0; kind <= 15; ++kind) cases.push_back(variable_case(kind));
  cases.push_back(menu_case());
  cases.push_back(procedure_case());
  cases.push_back(window_case(K_SUB_WINDOW));
  cases.push_back(window_case(K_MENU_WINDOW));

  for (const IdentCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.want.kind));
    const size_t sizes[] = {47, 35, 36, 45, 45};
    size_t size = sizes[is_variable_kind(c.want.kind) ? 0 : c.want.kind - 15];
    EXPECT_EQ(size, c.record.size());

    // The record as a compiler writes it, between two others in table 2.
    YarlProgram raw = YarlProgram::standard();
    raw.add(WINDOW_LOCAL, make_ident(K_INTEGER));
    raw.add_raw_record(T_WINDOW_LOCALS, c.record);
    raw.add(WINDOW_LOCAL, make_ident(K_STRING));
    decode(raw.bytes());
    ASSERT_EQ(3u, tables[T_WINDOW_LOCALS].length);
    expect_ident_eq(c.want, tables[T_WINDOW_LOCALS].as<ident_info>()[1]);
    EXPECT_EQ(K_STRING, tables[T_WINDOW_LOCALS].as<ident_info>()[2].kind);
    delete_tables();

    // The same fields through the writer.
    YarlProgram written = YarlProgram::standard();
    written.add(PROC_LOCAL, c.want);
    decode(written.bytes());
    ASSERT_EQ(1u, tables[T_PROC_LOCALS].length);
    expect_ident_eq(c.want, tables[T_PROC_LOCALS].as<ident_info>()[0]);
    delete_tables();
  }
}

TEST_F(ReadTables, MenuTabNumberSpansFlagByteAndWord) {
  IdentCase c = menu_case();
  EXPECT_EQ(9, menu_tab_number(c.want));
  EXPECT_EQ(12, window_menu_count(window_case(K_MENU_WINDOW).want));
}

// ---- Menu item records: one case per group, for every kind of the group ----

const std::vector<uint8_t> TAIL = {0x61, 0x62, 0x63, 0x64,              // source file, line
                                   0x81, 0x82, 0x83, 0x84,              // x, y
                                   0x85, 0x86, 0x87, 0x88,              // width, height
                                   0x91, 0x92, 0x93, 0x94,              // flags
                                   0xA1, 0xA2, 0xA3, 0xA4};             // code offset
const std::vector<uint8_t> ACTION = {0xB1, 0xB2, 0xB3, 0xB4};
const std::vector<uint8_t> TAIL_3D = {0x61, 0x62, 0x63, 0x64,  // source file, line
                                      0x85, 0x86, 0x87, 0x88,  // 3D-item word
                                      0x91, 0x92, 0x93, 0x94, 0xA1, 0xA2, 0xA3, 0xA4,
                                      0xB1, 0xB2, 0xB3, 0xB4};

menu_item tail_fields(bool with_action) {
  menu_item it{};
  it.source_file = 0x6162;
  it.line = 0x6364;
  it.x = int16_t(0x8182);
  it.y = int16_t(0x8384);
  it.width = int16_t(0x8586);
  it.height = int16_t(0x8788);
  it.flags = 0x91929394;
  it.code_offset = 0xA1A2A3A4;
  if (with_action) it.action_offset = 0xB1B2B3B4;
  return it;
}

struct ItemCase {
  item_group group;
  std::vector<uint8_t> kinds;
  std::vector<uint8_t> head;  // after the kind byte
  bool with_action;
  menu_item want;             // head fields; the tail is added
  size_t size;
};

std::vector<ItemCase> item_cases() {
  std::vector<ItemCase> cases;
  menu_item w{};

  w = {};
  w.head4 = 0x1415; w.head6 = 0x16; w.value_kind = 0x17; w.margin = 0x19;
  cases.push_back({GROUP_PLAIN_BOX, {7, 96, 152}, {0x14, 0x15, 0x16, 0x17, 0x19}, false, w, 26});

  w = {};
  w.head1 = 0x11; w.head2 = 0x12; w.head4 = 0x1415; w.value_kind = 0x17; w.head8 = 0x18;
  w.margin = 0x19; w.head10 = 0x1A1B;
  cases.push_back({GROUP_3D,
                   {23, 42, 65, 79, 80, 97, 101, 107, 108, 117, 121, 122, 126},
                   {0x11, 0x12, 0x14, 0x15, 0x17, 0x18, 0xEE, 0x19, 0x1A, 0x1B},
                   true, w, 31});

  w = {};
  cases.push_back({GROUP_FRAME, {39, 102}, {}, false, w, 21});

  w = {};
  w.head1 = 0x11; w.head2 = 0x12; w.head4 = 0x1415; w.head6 = 0x16; w.value_kind = 0x17;
  w.head8 = 0x18; w.margin = 0x19;
  cases.push_back({GROUP_LABEL, {41}, {0x11, 0x12, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19}, false, w, 29});

  w.head12 = 0x1D << 16;  // the shortcut
  cases.push_back({GROUP_BUTTON, {49, 124}, {0x11, 0x12, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1D},
                   true, w, 34});

  w = {};
  w.head3 = 0x13; w.head4 = 0x1415; w.head6 = 0x16; w.value_kind = 0x17; w.margin = 0x19;
  w.head10 = 0x1A1B;
  cases.push_back({GROUP_RANGE, {63, 129}, {0x13, 0x14, 0x15, 0x16, 0x17, 0x19, 0x1A, 0x1B}, true,
                   w, 33});

  w = {};
  w.head1 = 0x02; w.head3 = 0x13; w.head4 = 0x1415; w.value_kind = 0x17; w.head8 = 0x18;
  w.margin = 0x19; w.head10 = 0x1A1B; w.head12 = 0x1C1D1E1F;
  cases.push_back({GROUP_CHOICE,
                   {100, 147},
                   {0x01, 0x02, 0x13, 0x14, 0x15, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F},
                   true, w, 39});

  w = {};
  w.head1 = 0x11; w.head2 = 0x12; w.head3 = 0x13; w.head4 = 0x1415; w.head6 = 0x16;
  w.value_kind = 0x17; w.head8 = 0x18; w.margin = 0x19; w.head10 = 0x1A1B;
  const std::vector<uint8_t> text_head = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
                                          0x17, 0x18, 0x19, 0x1A, 0x1B};
  cases.push_back({GROUP_TEXT_FIELD, {119}, text_head, true, w, 36});

  w.head12 = 0x1C1D1E1F;
  cases.push_back({GROUP_CHECK_BUTTON, {133}, cat({text_head, {0x1C, 0x1D, 0x1E, 0x1F}}), true, w, 40});

  w = {};
  w.head4 = 0x1415; w.value_kind = 0x17; w.margin = 0x19; w.head12 = 0x1C1D0000;  // first half
  cases.push_back({GROUP_COLOR_EDITOR, {134}, {0x14, 0x15, 0x17, 0x19, 0x1C, 0x1D}, true, w, 31});

  w = {};
  w.head4 = 0x1415; w.head6 = 0x16; w.value_kind = 0x17; w.margin = 0x19;
  cases.push_back({GROUP_PICTURE_BUTTON, {154}, {0x14, 0x15, 0x16, 0x17, 0x19}, true, w, 30});

  w = {};
  w.value_kind = 0x17; w.head8 = 0x18; w.margin = 0x19; w.head10 = 0x1A1B;
  w.head12 = 0x1E1F;  // second half
  cases.push_back({GROUP_SELECTION_LIST, {158}, {0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1E, 0x1F}, true, w, 32});
  return cases;
}

menu_item expected_item(const ItemCase& c, uint8_t kind) {
  menu_item want = tail_fields(c.with_action);
  const menu_item& h = c.want;
  want.kind = kind;
  want.head1 = h.head1; want.head2 = h.head2; want.head3 = h.head3; want.head4 = h.head4;
  want.head6 = h.head6; want.value_kind = h.value_kind; want.head8 = h.head8;
  want.margin = h.margin; want.head10 = h.head10; want.head12 = h.head12;
  if (c.group == GROUP_3D) want.x = want.y = 0;  // 3D items have no position
  return want;
}

TEST_F(ReadTables, ItemRecordOfEveryGroup) {
  for (const ItemCase& c : item_cases()) {
    for (uint8_t kind : c.kinds) {
      SCOPED_TRACE(testing::Message() << "group " << int(c.group) << ", kind " << int(kind));
      EXPECT_EQ(c.group, group_of_item_kind(kind));
      std::vector<uint8_t> record = cat({{kind}, c.head, c.group == GROUP_3D ? TAIL_3D : TAIL});
      if (c.with_action && c.group != GROUP_3D) record = cat({record, ACTION});
      EXPECT_EQ(c.size, record.size());
      menu_item want = expected_item(c, kind);

      // Raw records between two others, in both item tables; table 12's 3D
      // records are checked as the 3D items (ThreeDItemRecordsAreChecked).
      YarlProgram raw = YarlProgram::standard();
      std::vector<table_index> in = {T_MENU_ITEMS};
      if (c.group != GROUP_3D) in.push_back(T_ITEMS_2);
      for (table_index t : in) {
        raw.add_item(make_item(ITEM_FRAME), t);
        raw.add_raw_record(t, record);
        raw.add_item(make_item(ITEM_SEPARATOR), t);
      }
      decode(raw.bytes());
      for (table_index t : in) {
        ASSERT_EQ(3u, tables[t].length);
        expect_item_eq(want, tables[t].as<menu_item>()[1]);
        EXPECT_EQ(ITEM_SEPARATOR, tables[t].as<menu_item>()[2].kind);
      }
      delete_tables();

      YarlProgram written = YarlProgram::standard();
      written.add_item(want);
      decode(written.bytes());
      ASSERT_EQ(1u, tables[T_MENU_ITEMS].length);
      expect_item_eq(want, tables[T_MENU_ITEMS].as<menu_item>()[0]);
      delete_tables();
    }
  }
}

// A window "w" with REAL locals x, y, z and an array local a, and a POINT over x, y, z.
YarlProgram with_point(yarl::Item3D* item) {
  YarlProgram p = YarlProgram::standard();
  item->window = add_window_with_locals(p, "w", {{K_REAL, "x"}, {K_REAL, "y"}, {K_REAL, "z"}, {K_ARRAY + K_REAL, "a"}});
  item->edit_vars = {ref16(WINDOW_LOCAL, 0), ref16(WINDOW_LOCAL, 1), ref16(WINDOW_LOCAL, 2)};
  item->code_offset = p.code().offset();
  p.code().release();
  return p;
}

TEST_F(ReadTables, ThreeDItemRecordsKeepTheirFields) {
  yarl::Item3D item;
  YarlProgram p = with_point(&item);
  item.flags = ITEM3D_IMAGE | ITEM3D_ACTION;
  item.value_kind = K_STRING;
  item.image_width = 7, item.image_precision = 2, item.image_font = 8;
  p.add_item(make_item(ITEM_FRAME), T_ITEMS_2);
  EXPECT_EQ(0u, yarl::add_gui3d_item(p, item));
  EXPECT_EQ(1u, yarl::add_gui3d_item(p, item)) << "numbered among the 3D records only";
  decode(p.bytes());
  ASSERT_EQ(2u, gui3d_item_count());
  item3d_fields f = gui3d_fields_of(gui3d_item(1));
  EXPECT_EQ(f.window, item.window);
  EXPECT_EQ(f.edit_var_count, 3);
  EXPECT_EQ(f.first_edit_var, 3);
  EXPECT_EQ(f.image_width, 7);
  EXPECT_EQ(f.image_precision, 2);
  EXPECT_EQ(f.image_font, 8);
  EXPECT_TRUE(tables[T_WINDOW_LOCALS].as<ident_info>()[1].flags1 & IDENT_USED_BY_GUI3D);
  delete_tables();
  EXPECT_EQ(0u, gui3d_item_count());
}

TEST_F(ReadTablesDeathTest, ThreeDItemRecordsAreChecked) {
  struct Case {
    const char* name;
    void (*spoil)(yarl::Item3D& item, YarlProgram& p);
  } cases[] = {
      {"owner not a window", [](yarl::Item3D& i, YarlProgram&) { i.window = 2; }},
      {"owner past table 0", [](yarl::Item3D& i, YarlProgram&) { i.window = 0x7FFF; }},
      {"no edit variables", [](yarl::Item3D& i, YarlProgram&) { i.edit_vars.clear(); }},
      {"edit variable past the window's locals", [](yarl::Item3D& i, YarlProgram&) { i.edit_vars[1] = ref16(WINDOW_LOCAL, 5); }},
      {"edit variable global past table 0", [](yarl::Item3D& i, YarlProgram&) { i.edit_vars[0] = ref16(GLOBAL, 0x1FFF); }},
      {"procedure-local edit variable", [](yarl::Item3D& i, YarlProgram&) { i.edit_vars[0] = ref16(PROC_LOCAL, 0); }},
      {"array item over scalars", [](yarl::Item3D& i, YarlProgram&) { i.value_kind = K_ARRAY + K_REAL; }},
      {"array item over a global", [](yarl::Item3D& i, YarlProgram&) {
         i.value_kind = K_ARRAY + K_REAL;
         i.edit_vars = {ref16(GLOBAL, 60)};
       }},
      {"code past table 3", [](yarl::Item3D& i, YarlProgram&) { i.code_offset = 1 << 20; }},
      {"action past table 3", [](yarl::Item3D& i, YarlProgram&) {
         i.flags = ITEM3D_ACTION;
         i.action_offset = 1 << 20;
       }},
      {"image font", [](yarl::Item3D& i, YarlProgram&) {
         i.flags = ITEM3D_IMAGE;
         i.value_kind = K_STRING;
         i.image_font = 18;
       }},
      {"image of kind UNDECLARED", [](yarl::Item3D& i, YarlProgram&) {
         i.flags = ITEM3D_IMAGE;
         i.value_kind = 7;
       }},
  };
  for (const Case& c : cases) {
    yarl::Item3D item;
    YarlProgram p = with_point(&item);
    c.spoil(item, p);
    yarl::add_gui3d_item(p, item);
    EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), BAD_FILE) << c.name;
  }
  yarl::Item3D item;
  YarlProgram p = with_point(&item);
  yarl::add_gui3d_item(p, item);
  p.set_count(T_EDIT_VARS, 2);
  EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), BAD_FILE) << "table-13 range";
}

TEST_F(ReadTables, ItemKindsOutsideTheGroupsHaveNoGroup) {
  std::vector<bool> known(256, false);
  for (const ItemCase& c : item_cases())
    for (uint8_t kind : c.kinds) known[kind] = true;
  for (int kind = 0; kind < 256; ++kind) {
    if (known[kind]) continue;
    EXPECT_EQ(GROUP_NONE, group_of_item_kind(kind)) << "kind " << kind;
  }
}

TEST_F(ReadTables, SmallRecordsAndRawTables) {
  YarlProgram p = YarlProgram::standard();
  uint32_t list = p.add_list({ref16(GLOBAL, 5), ref16(PROC_LOCAL, 0x1FFF), ref16(WINDOW_LOCAL, 0)});
  p.shortcut(13) = g_shortcut{0xF1F2F3F4, 0xE1E2E3E4, 0xD1D2, 0xC1C2};
  p.add_edit_var(edit_var{0xA1A2A3A4, 0xB1B2, 0xC1});
  p.add_edit_var(edit_var{1, 2, 3});
  uint32_t name = p.add_name("a name");
  decode(p.bytes());

  const uint16_t* lists = tables[T_U16_LISTS].as<uint16_t>();
  ASSERT_EQ(list + 4, tables[T_U16_LISTS].length);
  EXPECT_EQ(3, lists[list]);
  EXPECT_EQ(0x0005, lists[list + 1]);
  EXPECT_EQ(0x5FFF, lists[list + 2]);
  EXPECT_EQ(0x8000, lists[list + 3]);

  const g_shortcut& s = tables[T_G_SHORTCUTS].as<g_shortcut>()[13];
  EXPECT_EQ(0xF1F2F3F4, s.action_offset);
  EXPECT_EQ(0xE1E2E3E4, s.argument);
  EXPECT_EQ(0xD1D2, s.item);
  EXPECT_EQ(0xC1C2, s.window);

  ASSERT_EQ(2u, tables[T_EDIT_VARS].length);
  const edit_var& v = tables[T_EDIT_VARS].as<edit_var>()[0];
  EXPECT_EQ(0xA1A2A3A4, v.index_code_offset);
  EXPECT_EQ(0xB1B2, v.reference);
  EXPECT_EQ(0xC1, v.code_length);
  EXPECT_EQ(3, tables[T_EDIT_VARS].as<edit_var>()[1].code_length);

  const uint8_t* names = tables[T_NAMES].as<uint8_t>();
  EXPECT_EQ(6, names[name]);
  EXPECT_EQ(0, memcmp("a name", names + name + 1, 6));
}

// ---- Files the loader refuses ----

TEST_F(ReadTables, FileOfExactlyMinimumSizeLoads) {
  std::vector<uint8_t> bytes = compact_program().bytes(MIN_FILE_SIZE);
  ASSERT_EQ(MIN_FILE_SIZE, bytes.size());
  read_file(bytes);
  EXPECT_EQ(N_PREDEFINED, tables[T_GLOBALS].length);
  EXPECT_EQ(K_SUB_WINDOW, globals()[1].kind);
}

TEST_F(ReadTablesDeathTest, FileSizeAndStatusFaultsHalt) {
  EXPECT_EXIT(read_file({}), testing::ExitedWithCode(1),
              "qob terminated - YARL binary file empty\\.\n");
  EXPECT_EXIT(read_file(compact_program().bytes(MIN_FILE_SIZE - 1)), testing::ExitedWithCode(1),
              "qob terminated - YARL binary file too short\\.\n");
  EXPECT_EXIT(read_file({0x00}), testing::ExitedWithCode(1),
              "qob terminated - YARL binary file too short\\.\n");
  EXPECT_EXIT(read_tables(-1), testing::ExitedWithCode(1),
              "qob terminated - Failed to get status of YARL binary file\\.\n");
}

TEST_F(ReadTablesDeathTest, WrongRevisionPrintsBothAndHalts) {
  for (uint32_t revision : {111588u, 4294967295u, 0u}) {
    YarlProgram p = YarlProgram::standard();
    p.set_revision(revision);
    std::string message = "YARL binary revision " + std::to_string(revision) +
                          " from file is incompatible with program revision 111587\\.\n.*" + BAD_FILE;
    EXPECT_EXIT(read_file(p.bytes()), testing::ExitedWithCode(1), contains_regex(message));
  }
}

TEST_F(ReadTablesDeathTest, TruncatedFileHalts) {
  YarlProgram p = YarlProgram::standard();
  p.add_edit_var(edit_var{1, 2, 3});
  std::vector<uint8_t> whole = p.bytes(0);
  ASSERT_GT(whole.size(), MIN_FILE_SIZE + 100);
  for (size_t size : {size_t(0), size_t(3), size_t(7), size_t(10), size_t(100), whole.size() / 2,
                      whole.size() - 8, whole.size() - 1}) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(size));
    EXPECT_EXIT(decode(cut), testing::ExitedWithCode(1), BAD_FILE) << "cut to " << size;
  }
  std::vector<uint8_t> cut(whole.begin(), whole.end() - 1);
  EXPECT_EXIT(read_file(cut), testing::ExitedWithCode(1), BAD_FILE) << "file cut by one byte";
}

TEST_F(ReadTablesDeathTest, CountPastTheEndHalts) {
  for (int t = 0; t < N_TABLES; ++t) {
    YarlProgram p = YarlProgram::standard();
    p.set_count(table_index(t), 0xFFFFFFFF);
    EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), BAD_FILE) << "table " << t;
  }
  YarlProgram p = YarlProgram::standard();
  p.add_edit_var(edit_var{1, 2, 3});
  p.set_count(T_EDIT_VARS, 2);
  EXPECT_EXIT(decode(p.bytes(0)), testing::ExitedWithCode(1), BAD_FILE) << "one record missing";
}

TEST_F(ReadTablesDeathTest, ProgramWithoutPredefinedIdentifiersHalts) {
  EXPECT_EXIT(decode(compact_program(N_PREDEFINED - 1).bytes()), testing::ExitedWithCode(1), BAD_FILE);
  EXPECT_EXIT(decode(YarlProgram().bytes()), testing::ExitedWithCode(1), BAD_FILE);
}

TEST_F(ReadTablesDeathTest, IdentifierOneMustBeWindow) {
  YarlProgram p = YarlProgram::standard();
  p.ident(GLOBAL, 1) = make_ident(K_INTEGER);
  EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), BAD_FILE);

  p.ident(GLOBAL, 1) = make_ident(K_SUB_WINDOW);
  decode(p.bytes());
  EXPECT_EQ(K_SUB_WINDOW, globals()[1].kind);
}

TEST_F(ReadTablesDeathTest, UnknownIdentifierKindIsInternalError) {
  for (uint8_t kind : {20, 255}) {
    YarlProgram p = YarlProgram::standard();
    p.add_raw_record(T_WINDOW_LOCALS, cat({{kind}, std::vector<uint8_t>(46, 0)}));
    EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), removing_dump(internal_error_regex("ident_info", 92)))
        << "kind " << int(kind);
  }
}

TEST_F(ReadTablesDeathTest, UnknownItemKindIsInternalError) {
  for (uint8_t kind : {0, 159}) {
    YarlProgram p = YarlProgram::standard();
    p.add_raw_record(T_ITEMS_2, cat({{kind}, std::vector<uint8_t>(40, 0)}));
    EXPECT_EXIT(decode(p.bytes()), testing::ExitedWithCode(1), removing_dump(internal_error_regex("menu_item", 332)))
        << "kind " << int(kind);
  }
}

}  // namespace
