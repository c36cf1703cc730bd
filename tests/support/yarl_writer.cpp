#include "tests/support/yarl_writer.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace yarl {

// A wrong use of the writer is a fault of the test: stop at once.
[[noreturn]] static void misuse(const char* what) {
  fprintf(stderr, "yarl_writer: %s\n", what);
  abort();
}

// Big-endian output.
struct Out {
  std::vector<uint8_t>& b;
  void u8(uint32_t v) { b.push_back(uint8_t(v)); }
  void u16(uint32_t v) {
    u8(v >> 8);
    u8(v);
  }
  void u32(uint32_t v) {
    u16(v >> 16);
    u16(v);
  }
  // One byte per bit, bit 0 first.
  void flags(uint32_t bits, int count) {
    for (int i = 0; i < count; ++i) u8(bits >> i & 1);
  }
  void source_position(uint32_t pos) {
    u16(pos & 0xFFF);
    u16(pos >> 12 & 0x3FF);
    u16(pos >> 22 & 0x3FF);
  }
  void append(const std::vector<uint8_t>& more) { b.insert(b.end(), more.begin(), more.end()); }
};

ident_info make_ident(uint8_t kind) {
  ident_info id{};
  id.kind = kind;
  return id;
}

menu_item make_item(uint8_t kind) {
  menu_item it{};
  it.kind = kind;
  return it;
}

uint16_t add_shown_window(YarlProgram& p, const char* name, const menu_item& item, uint32_t init_code) {
  ident_info menu = make_ident(K_MENU);
  menu.word6 = 1;
  menu.count = p.add_item(item);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 1 << 12;  // one MENU, local 0 the main one
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  w.code_offset = init_code;
  return p.add(GLOBAL, w, name);
}

uint16_t add_window_with_locals(YarlProgram& p, const char* name,
                                const std::vector<std::pair<uint8_t, const char*>>& locals) {
  ident_info w = make_ident(K_MENU_WINDOW);
  w.word6 = uint16_t(locals.size() + 1);
  w.word2 = 1 << 12;  // one MENU, the last local
  w.word8 = uint32_t(locals.size());
  w.count = p.next_index(WINDOW_LOCAL);
  for (const auto& [kind, local_name] : locals) {
    ident_info v = make_ident(kind);
    if (kind >= K_ARRAY) v.word2 = 20000;  // the longest array
    p.add(WINDOW_LOCAL, v, local_name);
  }
  p.add(WINDOW_LOCAL, make_ident(K_MENU), "menu");
  return p.add(GLOBAL, w, name);
}

uint32_t add_gui3d_item(YarlProgram& p, const Item3D& item) {
  uint32_t number = 0;
  for (uint32_t i = 0; i < p.next_item(T_ITEMS_2); ++i)
    if (group_of_item_kind(p.item(i, T_ITEMS_2).kind) == GROUP_3D) ++number;
  menu_item it = make_item(item.kind);
  it.head1 = item.image_width;
  it.head2 = item.image_precision;
  it.head8 = item.image_font;
  it.head4 = item.window;
  it.margin = uint8_t(item.edit_vars.size());
  it.value_kind = item.value_kind;
  it.flags = item.flags;
  it.code_offset = item.code_offset;
  it.action_offset = item.action_offset;
  it.source_file = item.source_file;
  it.line = item.line;
  for (size_t j = 0; j < item.edit_vars.size(); ++j) {
    uint16_t ref = item.edit_vars[j];
    uint32_t first = p.add_edit_var(edit_var{0, ref, 0});
    if (j == 0) it.head10 = uint16_t(first);
    // Only identifiers that exist are marked: loader tests name missing ones.
    uint32_t index = ref & 0x1FFF;
    if (ref >> 14 == GLOBAL) {
      if (index < p.next_index(GLOBAL)) p.ident(GLOBAL, uint16_t(index)).flags1 |= IDENT_USED_BY_GUI3D;
    } else if (ref >> 14 == WINDOW_LOCAL && item.window < p.next_index(GLOBAL)) {
      uint32_t local = p.ident(GLOBAL, item.window).count + index;
      if (local < p.next_index(WINDOW_LOCAL)) p.ident(WINDOW_LOCAL, uint16_t(local)).flags1 |= IDENT_USED_BY_GUI3D;
    }
  }
  p.add_item(it, T_ITEMS_2);
  return number;
}

// Kinds of the predefined identifiers other than INTEGER.
struct PredefinedKinds {
  uint16_t first, last;
  uint8_t kind;
};
static const PredefinedKinds predefined_kinds[] = {
    {1, 1, K_MENU_WINDOW},              // the graphics window
    {14, 39, K_STRING},                 // options -A to -Z
    {60, 61, K_ARRAY + K_INTEGER},      // breakpoint source indices and lines
    {65, 66, K_ARRAY + K_STRING},       // source file names, last traceback
    {88, 88, K_CHARACTER},              // degree mark
    {91, 91, K_STRING},                 // user message
    {105, 105, K_STRING},               // texture not found
    {112, 510, K_BOOLEAN},              // input codes: keys, pointer, button box, space ball
};

uint8_t predefined_kind(uint16_t n) {
  for (const PredefinedKinds& k : predefined_kinds)
    if (n >= k.first && n <= k.last) return k.kind;
  return K_INTEGER;
}

// ---- Code ----

Code& Code::u8(uint8_t b) {
  bytes_.push_back(b);
  return *this;
}

Code& Code::u16(uint16_t w) { return u8(uint8_t(w >> 8)).u8(uint8_t(w)); }

Code& Code::u32(uint32_t w) { return u16(uint16_t(w >> 16)).u16(uint16_t(w)); }

Code& Code::raw(const std::vector<uint8_t>& b) {
  bytes_.insert(bytes_.end(), b.begin(), b.end());
  return *this;
}

Code& Code::constant(int n) {
  if (n < 0 || n > 33) misuse("constant outside 0..33");
  return op(uint8_t(op::CONSTANT_0 + n));
}

Code& Code::push_byte(uint8_t b) { return op(op::PUSH_BYTE).u8(b); }
Code& Code::push_short(uint16_t w) { return op(op::PUSH_SHORT).u16(w); }
Code& Code::push_long(uint32_t w) { return op(op::PUSH_LONG).u32(w); }

Code& Code::push(int32_t v) {
  if (v >= 0 && v <= 33) return constant(v);
  if (v >= 0 && v <= 0xFF) return push_byte(uint8_t(v));
  if (v >= 0 && v <= 0xFFFF) return push_short(uint16_t(v));
  return push_long(uint32_t(v));
}

Code& Code::push_string(std::string_view s) {
  if (s.empty()) return op(op::PUSH_0_STRING);
  if (s.size() > 0xFF) return push_string16(s);
  op(op::PUSH_8_STRING).u8(uint8_t(s.size()));
  return raw(std::vector<uint8_t>(s.begin(), s.end()));
}

Code& Code::push_string16(std::string_view s) {
  if (s.size() > 0xFFFF) misuse("string longer than 65535");
  op(op::PUSH_16_STRING).u16(uint16_t(s.size()));
  return raw(std::vector<uint8_t>(s.begin(), s.end()));
}

Code& Code::push_picture(uint32_t header, uint16_t width, uint16_t height,
                         const std::vector<uint8_t>& rgba) {
  if (rgba.size() != size_t(4) * width * height) misuse("picture pixels do not match its size");
  return op(op::PUSH_PICTURE).u32(header).u16(width).u16(height).raw(rgba);
}

Code& Code::ref(uint8_t selector, uint16_t index) {
  if (index < 32) return u8(uint8_t((selector & 3) << 6 | 0x20 | index));
  return ref_long(selector, index);
}

Code& Code::ref_long(uint8_t selector, uint16_t index) {
  if (index > 0x1FFF) misuse("identifier index above 8191");
  return u16(ref16(selector, index));
}

Code& Code::context(uint8_t selector, uint16_t index) {
  return op(op::CONTEXT).ref(selector, index);
}

Code& Code::push_var(uint8_t selector, uint16_t index) {
  return op(op::PUSH_VAR).ref(selector, index);
}

Code& Code::assign(uint8_t selector, uint16_t index) {
  return op(op::ASSIGN_SCALAR).ref(selector, index);
}

Label Code::label() {
  if (!statement_) misuse("labels belong to the statement code (table 3)");
  labels_.emplace_back();
  return Label{uint32_t(labels_.size() - 1)};
}

Code& Code::bind(Label l) {
  if (!statement_) misuse("labels belong to the statement code (table 3)");
  if (l.id >= labels_.size() || labels_[l.id]) misuse("label unknown or bound twice");
  labels_[l.id] = offset();
  return *this;
}

Code& Code::target(Label l) {
  fixups_.emplace_back(offset(), l.id);
  return u32(0);
}

Code& Code::jump(Label l) { return op(op::JUMP).target(l); }
Code& Code::if_false(Label l) { return op(op::IF).target(l); }

std::vector<uint8_t> Code::resolved(const Code& statement_code) const {
  std::vector<uint8_t> out = bytes_;
  for (auto [at, id] : fixups_) {
    if (id >= statement_code.labels_.size() || !statement_code.labels_[id])
      misuse("jump to a label that is never bound");
    uint32_t target = *statement_code.labels_[id];
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(target >> (24 - 8 * i));
  }
  return out;
}

// ---- Records on file ----

static void write_ident(Out& o, const ident_info& id) {
  o.u8(id.kind);
  if (is_variable_kind(id.kind)) {
    o.flags(id.flags1, 8);
    o.u16(id.word2);
    o.u16(id.word4);
    o.u16(id.word6);
    o.flags(id.word8, 6);
    o.u32(id.word8 >> 6);
    o.u32(id.name_offset);
    o.u32(id.count);
    o.u32(id.code_offset);
    o.source_position(id.source_position);
    o.u32(id.last_word);
  } else if (id.kind == K_MENU) {
    o.flags(id.flags1, 3);
    o.u8(id.flags1 >> 3 & 3);
    o.u8(0);  // not kept
    o.flags(id.flags1 >> 5, 1);
    o.u8(uint32_t(menu_tab_number(id)));
    o.u8(id.word2 >> 4);
    o.u16(id.word4);
    o.u16(id.word6);
    o.u32(id.name_offset);
    o.u32(id.val.u);
    o.u32(id.count);
    o.u32(id.code_offset);
    o.source_position(id.source_position);
  } else if (id.kind == K_PROCEDURE) {
    o.flags(id.flags1, 5);
    o.u16(id.word2 >> 4);
    o.u16(id.word6);
    o.u32(id.word8);
    o.u32(id.name_offset);
    o.u32(id.val.u);
    o.u32(id.count);
    o.u32(id.code_offset);
    o.source_position(id.source_position);
  } else if (is_window_kind(id.kind)) {
    o.flags(id.flags1, 8);
    o.flags(id.word2, 8);
    o.flags(id.word2 >> 8, 3);
    o.u8(id.word2 >> 12);
    o.u16(id.word4);
    o.u16(id.word6);
    o.u16(id.word8);
    o.u32(id.name_offset);
    o.u32(id.count);
    o.u32(id.code_offset);
    o.source_position(id.source_position);
  }
  // Other kinds: the kind byte alone.
}

static void write_widget_tail(Out& o, const menu_item& it, bool with_action) {
  o.u16(it.source_file);
  o.u16(it.line);
  o.u16(uint16_t(it.x));
  o.u16(uint16_t(it.y));
  o.u16(uint16_t(it.width));
  o.u16(uint16_t(it.height));
  o.u32(it.flags);
  o.u32(it.code_offset);
  if (with_action) o.u32(it.action_offset);
}

static void write_label_head(Out& o, const menu_item& it) {
  o.u8(it.head1);
  o.u8(it.head2);
  o.u16(it.head4);
  o.u8(it.head6);
  o.u8(it.value_kind);
  o.u8(it.head8);
  o.u8(it.margin);
}

static void write_text_field_head(Out& o, const menu_item& it) {
  o.u8(it.head1);
  o.u8(it.head2);
  o.u8(it.head3);
  o.u16(it.head4);
  o.u8(it.head6);
  o.u8(it.value_kind);
  o.u8(it.head8);
  o.u8(it.margin);
  o.u16(it.head10);
}

// The halves and bytes of head word 12 are placed as the loader keeps them.
static void write_item(Out& o, const menu_item& it) {
  o.u8(it.kind);
  switch (group_of_item_kind(it.kind)) {
    case GROUP_PLAIN_BOX:
      o.u16(it.head4);
      o.u8(it.head6);
      o.u8(it.value_kind);
      o.u8(it.margin);
      write_widget_tail(o, it, false);
      break;
    case GROUP_3D:
      o.u8(it.head1);
      o.u8(it.head2);
      o.u16(it.head4);
      o.u8(it.value_kind);
      o.u8(it.head8);
      o.u16(it.margin);
      o.u16(it.head10);
      o.u16(it.source_file);
      o.u16(it.line);
      o.u32(it.item3d_word());
      o.u32(it.flags);
      o.u32(it.code_offset);
      o.u32(it.action_offset);
      break;
    case GROUP_FRAME:
      write_widget_tail(o, it, false);
      break;
    case GROUP_LABEL:
      write_label_head(o, it);
      write_widget_tail(o, it, false);
      break;
    case GROUP_BUTTON:
      write_label_head(o, it);
      o.u8(it.head12 >> 16);  // the shortcut
      write_widget_tail(o, it, true);
      break;
    case GROUP_RANGE:
      o.u8(it.head3);
      o.u16(it.head4);
      o.u8(it.head6);
      o.u8(it.value_kind);
      o.u8(it.margin);
      o.u16(it.head10);
      write_widget_tail(o, it, true);
      break;
    case GROUP_CHOICE:
      o.u16(it.head1);
      o.u8(it.head3);
      o.u16(it.head4);
      o.u8(it.value_kind);
      o.u8(it.head8);
      o.u8(it.margin);
      o.u16(it.head10);
      o.u32(it.head12);
      write_widget_tail(o, it, true);
      break;
    case GROUP_TEXT_FIELD:
      write_text_field_head(o, it);
      write_widget_tail(o, it, true);
      break;
    case GROUP_CHECK_BUTTON:
      write_text_field_head(o, it);
      o.u32(it.head12);
      write_widget_tail(o, it, true);
      break;
    case GROUP_COLOR_EDITOR:
      o.u16(it.head4);
      o.u8(it.value_kind);
      o.u8(it.margin);
      o.u16(it.head12 >> 16);
      write_widget_tail(o, it, true);
      break;
    case GROUP_PICTURE_BUTTON:
      o.u16(it.head4);
      o.u8(it.head6);
      o.u8(it.value_kind);
      o.u8(it.margin);
      write_widget_tail(o, it, true);
      break;
    case GROUP_SELECTION_LIST:
      o.u8(it.value_kind);
      o.u8(it.head8);
      o.u8(it.margin);
      o.u16(it.head10);
      o.u16(it.head12 & 0xFFFF);
      write_widget_tail(o, it, true);
      break;
    case GROUP_NONE:
      break;  // the kind byte alone
  }
}

// ---- YarlProgram ----

YarlProgram::YarlProgram() = default;

YarlProgram YarlProgram::standard() {
  YarlProgram p;
  p.code().u8(CODE_GUARD);
  p.procedure_initial_code().release();
  p.window_initial_code().release();
  p.add_list({});
  for (uint16_t n = 0; n < N_PREDEFINED; ++n) {
    ident_info id = make_ident(predefined_kind(n));
    if (n == 1) {
      id.flags1 = WINDOW_VISIBLE;
      p.add(GLOBAL, id, "Graphics");
    } else {
      if (is_array_kind(id.kind)) id.word2 = 0xFFFF;
      p.add(GLOBAL, id, "predefined_" + std::to_string(n));
    }
  }
  for (int key = 0; key < 256; ++key) p.add_shortcut(g_shortcut{});
  p.close_initial_code_ = true;
  return p;
}

std::vector<YarlProgram::Record>& YarlProgram::records(table_index t) {
  switch (t) {
    case T_GLOBALS:
    case T_PROC_LOCALS:
    case T_WINDOW_LOCALS:
      return idents_[t];
    case T_MENU_ITEMS:
      return items_[0];
    case T_ITEMS_2:
      return items_[1];
    default:
      misuse("table without records");
  }
}

const std::vector<YarlProgram::Record>& YarlProgram::records(table_index t) const {
  return const_cast<YarlProgram*>(this)->records(t);
}

uint16_t YarlProgram::add(Scope table, const ident_info& id, std::optional<std::string_view> name) {
  std::vector<Record>& r = records(table_index(table));
  if (r.size() > 0xFFFF) misuse("identifier table full");
  Record rec{false, id, {}, {}};
  if (name) rec.id.name_offset = add_name(*name);
  r.push_back(rec);
  uint16_t index = uint16_t(r.size() - 1);
  if (is_window_kind(id.kind) || id.kind == K_PROCEDURE) add_init_order(ref32(table, index));
  return index;
}

ident_info& YarlProgram::ident(Scope table, uint16_t index) {
  std::vector<Record>& r = records(table_index(table));
  if (index >= r.size() || r[index].raw) misuse("no such identifier record");
  return r[index].id;
}

uint16_t YarlProgram::next_index(Scope table) const {
  return uint16_t(records(table_index(table)).size());
}

uint32_t YarlProgram::add_item(const menu_item& it, table_index t) {
  if (t != T_MENU_ITEMS && t != T_ITEMS_2) misuse("items go into table 8 or 12");
  std::vector<Record>& r = records(t);
  r.push_back(Record{false, {}, it, {}});
  return uint32_t(r.size() - 1);
}

menu_item& YarlProgram::item(uint32_t index, table_index t) {
  if (t != T_MENU_ITEMS && t != T_ITEMS_2) misuse("items are in table 8 or 12");
  std::vector<Record>& r = records(t);
  if (index >= r.size() || r[index].raw) misuse("no such item record");
  return r[index].it;
}

uint32_t YarlProgram::next_item(table_index t) const { return uint32_t(records(t).size()); }

void YarlProgram::add_raw_record(table_index t, std::vector<uint8_t> bytes) {
  records(t).push_back(Record{true, {}, {}, std::move(bytes)});
}

uint32_t YarlProgram::add_name(std::string_view name) {
  if (name.size() > 0xFF) misuse("name longer than 255");
  uint32_t at = uint32_t(names_.size());
  names_.push_back(uint8_t(name.size()));
  names_.insert(names_.end(), name.begin(), name.end());
  return at;
}

void YarlProgram::add_raw_names(const std::vector<uint8_t>& bytes) {
  names_.insert(names_.end(), bytes.begin(), bytes.end());
}

uint32_t YarlProgram::add_list(const std::vector<uint16_t>& refs) {
  if (refs.size() > 0xFFFF) misuse("list longer than 65535");
  uint32_t at = uint32_t(lists_.size());
  lists_.push_back(uint16_t(refs.size()));
  lists_.insert(lists_.end(), refs.begin(), refs.end());
  return at;
}

void YarlProgram::add_init_order(uint32_t ref) { init_order_.push_back(ref); }
void YarlProgram::set_init_order(std::vector<uint32_t> refs) { init_order_ = std::move(refs); }

uint32_t YarlProgram::add_shortcut(const g_shortcut& s) {
  shortcuts_.push_back(s);
  return uint32_t(shortcuts_.size() - 1);
}

g_shortcut& YarlProgram::shortcut(uint8_t key) {
  if (key >= shortcuts_.size()) misuse("no shortcut record for this key");
  return shortcuts_[key];
}

uint32_t YarlProgram::add_edit_var(const edit_var& v) {
  edit_vars_.push_back(v);
  return uint32_t(edit_vars_.size() - 1);
}

uint32_t YarlProgram::window_count() const {
  if (window_count_) return *window_count_;
  uint32_t n = 0;
  for (uint32_t ref : init_order_) {
    uint32_t table = ref >> 30, index = ref & 0x3FFFFFFF;
    if (table > 2) continue;
    const std::vector<Record>& r = idents_[table];
    if (index < r.size() && !r[index].raw && is_window_kind(r[index].id.kind)) ++n;
  }
  return n;
}

std::vector<uint8_t> YarlProgram::bytes(size_t pad_to) const {
  std::vector<uint8_t> b;
  Out o{b};
  o.u32(revision_);
  o.u32(window_count() | (compiler_warnings_ ? 0x80000000u : 0));

  auto count = [&](table_index t, size_t n) { o.u32(counts_[t] ? *counts_[t] : uint32_t(n)); };
  auto records_of = [&](table_index t) {
    const std::vector<Record>& r = records(t);
    count(t, r.size());
    for (const Record& rec : r) {
      if (rec.raw)
        o.append(rec.bytes);
      else if (t == T_MENU_ITEMS || t == T_ITEMS_2)
        write_item(o, rec.it);
      else
        write_ident(o, rec.id);
    }
  };
  auto raw_table = [&](table_index t, const std::vector<uint8_t>& bytes) {
    count(t, bytes.size());
    o.append(bytes);
  };

  for (table_index t : {T_GLOBALS, T_PROC_LOCALS, T_WINDOW_LOCALS}) records_of(t);
  for (int i = 0; i < 4; ++i) {
    std::vector<uint8_t> code = code_[i].resolved(code_[0]);
    if (i == 1 && close_initial_code_) code.push_back(op::RELEASE);
    raw_table(table_index(T_CODE + i), code);
  }
  count(T_INIT_ORDER, init_order_.size());
  for (uint32_t ref : init_order_) o.u32(ref);
  records_of(T_MENU_ITEMS);
  raw_table(T_NAMES, names_);
  count(T_U16_LISTS, lists_.size());
  for (uint16_t w : lists_) o.u16(w);
  count(T_G_SHORTCUTS, shortcuts_.size());
  for (const g_shortcut& s : shortcuts_) {
    o.u32(s.action_offset);
    o.u32(s.argument);
    o.u16(s.item);
    o.u16(s.window);
  }
  records_of(T_ITEMS_2);
  count(T_EDIT_VARS, edit_vars_.size());
  for (const edit_var& v : edit_vars_) {
    o.u32(v.index_code_offset);
    o.u16(v.reference);
    o.u8(v.code_length);
  }

  if (b.size() < pad_to) b.resize(pad_to, 0);
  return b;
}

bool YarlProgram::write(const std::string& path, size_t pad_to) const {
  return write_file(path, bytes(pad_to));
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

}  // namespace yarl
