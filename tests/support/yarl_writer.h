// Writer of compiled YARL binaries for tests, with a small assembler.
//
// A YarlProgram holds the 14 tables as records in memory form (the structs of
// runtime/tables.h) and encodes them as the loader reads them: big-endian,
// unaligned, each table a u32 count followed by its records. Raw records,
// counts, revision and window count can be forced for loader tests.
//
// A window whose initial code sets a global, and whose MENU shows one label:
//   YarlProgram p = YarlProgram::standard();
//   uint16_t n = p.add(GLOBAL, make_ident(K_INTEGER), "n");
//   Code& init = p.window_initial_code();
//   uint32_t init_at = init.offset();
//   init.push(5).assign(GLOBAL, n).release();
//   Code& code = p.code();
//   menu_item label = make_item(ITEM_LABEL);
//   label.value_kind = K_INTEGER;
//   label.code_offset = code.offset();
//   code.push_var(GLOBAL, n).release();
//   ident_info menu = make_ident(K_MENU);
//   menu.word6 = 1;                        // one item,
//   menu.count = p.add_item(label);        // the first in table 8
//   ident_info w = make_ident(K_MENU_WINDOW);
//   w.flags1 = WINDOW_VISIBLE;
//   w.word2 = 1 << 12;                     // one MENU, local 0 the main one
//   w.word6 = 1;
//   w.count = p.add(WINDOW_LOCAL, menu, "m");
//   w.code_offset = init_at;
//   p.add(GLOBAL, w, "main");              // also listed in table 7
//   p.write(path);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/tables.h"

namespace yarl {

// The opcodes used by name here; every other one is emitted with Code::op(n).
namespace op {
constexpr uint8_t IF = 2;  // pops a BOOLEAN; false jumps to the u32 offset that follows
constexpr uint8_t JUMP = 20;
constexpr uint8_t EXIT = 21;           // pops the exit code
constexpr uint8_t ASSIGN_SCALAR = 22;  // ident reference; pops the value
constexpr uint8_t RETURN = 59;
constexpr uint8_t PUSH_BYTE = 72;
constexpr uint8_t PUSH_LONG = 73;
constexpr uint8_t PUSH_0_STRING = 74;
constexpr uint8_t PUSH_16_STRING = 87;
constexpr uint8_t PUSH_8_STRING = 88;
constexpr uint8_t PUSH_VAR = 94;  // ident reference
constexpr uint8_t PUSH_SHORT = 100;
constexpr uint8_t RELEASE = 107;  // ends the run
constexpr uint8_t PUSH_PICTURE = 129;
constexpr uint8_t CONTEXT = 158;     // ident reference: the context of what follows
constexpr uint8_t CONSTANT_0 = 222;  // 222 + n pushes n, for n = 0 to 33
}  // namespace op

constexpr size_t MIN_FILE_SIZE = 20000;
// Byte 0 of the statement code: offset 0 means "no code", so nothing starts there.
constexpr uint8_t CODE_GUARD = op::RELEASE;

// The identifier tables; also the selectors of identifier references.
enum Scope : uint8_t { GLOBAL = 0, PROC_LOCAL = 1, WINDOW_LOCAL = 2 };

// The 16-bit reference of items, table 10, table 13 and two-byte code
// operands: selector in bits 14-15, index in bits 0-12.
constexpr uint16_t ref16(uint8_t selector, uint16_t index) {
  return uint16_t((selector & 3) << 14 | (index & 0x1FFF));
}
// The 32-bit reference of table 7: table in bits 30-31, index below.
constexpr uint32_t ref32(uint8_t table, uint32_t index) {
  return uint32_t(table & 3) << 30 | (index & 0x3FFFFFFF);
}

// Zeroed records of one kind; set the other fields directly.
ident_info make_ident(uint8_t kind);
menu_item make_item(uint8_t kind);

// The kind that start-up expects of predefined identifier n (1 is a window).
uint8_t predefined_kind(uint16_t n);

struct Label {
  uint32_t id;
};

// One code table. Jump targets are offsets into the statement code (table 3)
// from whichever table jumps, so labels are bound in the statement code only.
class Code {
 public:
  explicit Code(bool statement_code) : statement_(statement_code) {}

  uint32_t offset() const { return uint32_t(bytes_.size()); }
  const std::vector<uint8_t>& raw_bytes() const { return bytes_; }

  Code& op(uint8_t opcode) { return u8(opcode); }
  Code& u8(uint8_t b);
  Code& u16(uint16_t w);
  Code& u32(uint32_t w);
  Code& raw(const std::vector<uint8_t>& b);

  // Pushes.
  Code& constant(int n);  // opcode 222 + n, 0 <= n <= 33
  Code& push_byte(uint8_t b);
  Code& push_short(uint16_t w);
  Code& push_long(uint32_t w);
  Code& push(int32_t v);  // the shortest of the four forms above
  Code& push_string(std::string_view s);    // empty, 8-bit or 16-bit length, shortest
  Code& push_string16(std::string_view s);  // always the 16-bit length form
  Code& push_picture(uint32_t header, uint16_t width, uint16_t height,
                     const std::vector<uint8_t>& rgba);

  // Identifier references: one byte for index 0-31, else two bytes.
  Code& ref(uint8_t selector, uint16_t index);
  Code& ref_long(uint8_t selector, uint16_t index);  // always two bytes
  Code& context(uint8_t selector, uint16_t index);   // opcode 158 and the reference
  Code& push_var(uint8_t selector, uint16_t index);
  Code& assign(uint8_t selector, uint16_t index);

  // Control.
  Label label();             // a new unbound label (statement code only)
  Code& bind(Label l);       // binds it here (statement code only)
  Code& jump(Label l);       // opcode 20 and the label's offset
  Code& if_false(Label l);   // opcode 2 and the label's offset
  Code& target(Label l);     // the label's offset alone, as an operand
  Code& release() { return op(op::RELEASE); }
  Code& exit_program(int32_t status) { return push(status).op(op::EXIT); }

  // The bytes with every label operand filled from the statement code's labels.
  std::vector<uint8_t> resolved(const Code& statement_code) const;

 private:
  bool statement_;
  std::vector<uint8_t> bytes_;
  std::vector<std::optional<uint32_t>> labels_;  // statement code: bound offsets
  std::vector<std::pair<uint32_t, uint32_t>> fixups_;  // (operand offset, label id)
};

class YarlProgram {
 public:
  // Every table empty and no identifiers: raw material for loader tests.
  YarlProgram();
  // The smallest program that start-up accepts: the 529 predefined
  // identifiers in the kinds start-up assigns, identifier 1 the visible
  // MENU_WINDOW "Graphics" (in table 7, window count 1), the code guard at
  // offset 0 of table 3, an empty initial code (RELEASE) at offset 0 of
  // tables 5 and 6, the empty list at index 0 of table 10, 256 empty global
  // shortcuts; the global initial code (table 4) gets its closing RELEASE
  // when written.
  static YarlProgram standard();

  // Identifiers: appended to table 0, 1 or 2; the result is the index. With
  // a name, the name goes into table 9 and its offset into name_offset.
  // Windows and PROCEDUREs are appended to the initialisation order too.
  uint16_t add(Scope table, const ident_info& id, std::optional<std::string_view> name = {});
  ident_info& ident(Scope table, uint16_t index);
  uint16_t next_index(Scope table) const;

  // Menu items, in table 8 or 12; the result is the index.
  uint32_t add_item(const menu_item& it, table_index t = T_MENU_ITEMS);
  menu_item& item(uint32_t index, table_index t = T_MENU_ITEMS);
  uint32_t next_item(table_index t = T_MENU_ITEMS) const;

  // A record of table 0-2, 8 or 12 written exactly as given.
  void add_raw_record(table_index t, std::vector<uint8_t> bytes);

  // Code tables 3 to 6.
  Code& code() { return code_[0]; }
  Code& initial_code() { return code_[1]; }
  Code& procedure_initial_code() { return code_[2]; }
  Code& window_initial_code() { return code_[3]; }

  uint32_t add_name(std::string_view name);  // offset of its length byte in table 9
  void add_raw_names(const std::vector<uint8_t>& bytes);
  uint32_t add_list(const std::vector<uint16_t>& refs);  // index of the count in table 10
  void add_init_order(uint32_t ref);
  void set_init_order(std::vector<uint32_t> refs);
  uint32_t add_shortcut(const g_shortcut& s);
  g_shortcut& shortcut(uint8_t key);
  uint32_t add_edit_var(const edit_var& v);

  // Raw control.
  void set_revision(uint32_t revision) { revision_ = revision; }
  void set_window_count(uint32_t count) { window_count_ = count; }  // replaces the computed one
  void set_compiler_warnings(bool on) { compiler_warnings_ = on; }
  void set_count(table_index t, uint32_t count) { counts_[t] = count; }

  // The window count written: the windows listed in table 7, unless set.
  uint32_t window_count() const;

  // The file image, padded with zeros up to pad_to bytes (never cut).
  std::vector<uint8_t> bytes(size_t pad_to = MIN_FILE_SIZE) const;
  bool write(const std::string& path, size_t pad_to = MIN_FILE_SIZE) const;

 private:
  struct Record {
    bool raw;
    ident_info id;
    menu_item it;
    std::vector<uint8_t> bytes;
  };
  std::vector<Record>& records(table_index t);
  const std::vector<Record>& records(table_index t) const;

  uint32_t revision_ = YARL_REVISION;
  std::optional<uint32_t> window_count_;
  bool compiler_warnings_ = false;
  bool close_initial_code_ = false;
  std::optional<uint32_t> counts_[N_TABLES];
  std::vector<Record> idents_[3];
  std::vector<Record> items_[2];  // tables 8 and 12
  Code code_[4]{Code(true), Code(false), Code(false), Code(false)};
  std::vector<uint32_t> init_order_;
  std::vector<uint8_t> names_;
  std::vector<uint16_t> lists_;
  std::vector<g_shortcut> shortcuts_;
  std::vector<edit_var> edit_vars_;
};

// Adds a visible MENU_WINDOW `name` whose one MENU holds `item` (its code
// already written), with initial code at `init_code` (0: none); returns the
// window's global index.
uint16_t add_shown_window(YarlProgram& p, const char* name, const menu_item& item, uint32_t init_code = 0);

// A 3D GUI item of table 12 as the server reads it: the owning window in head
// word 4, the edit-variable count in the margin, the first table-13 record in
// head word 10, the image's format width, precision and font in head bytes
// 1, 2 and 8 (its kind is the value kind, less 8 for an array item).
struct Item3D {
  uint8_t kind = ITEM_POINT;
  uint16_t window = 0;               // global index of a window added before
  std::vector<uint16_t> edit_vars;   // 16-bit references (ref16)
  uint8_t value_kind = K_REAL;       // K_ARRAY and above: an array item
  uint32_t flags = 0;
  uint32_t code_offset = 0;          // attribute code in table 3
  uint32_t action_offset = 0;
  uint8_t image_width = 0, image_precision = 0, image_font = 0;
  uint16_t source_file = 0, line = 0;
};
// A MENU_WINDOW `name` whose window locals are `locals` (kind and name, in
// order) and then one empty MENU, its main one; the window's global index.
uint16_t add_window_with_locals(YarlProgram& p, const char* name,
                                const std::vector<std::pair<uint8_t, const char*>>& locals);

// Appends the item and its edit variables and marks each variable as used by
// a 3D item; the result is the item's number among the 3D items.
uint32_t add_gui3d_item(YarlProgram& p, const Item3D& item);

// Writes raw bytes to a file; false on failure.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace yarl
