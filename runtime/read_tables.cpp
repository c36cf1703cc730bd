#include "runtime/read_tables.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "runtime/gui3d_items.h"
#include "runtime/qob.h"
#include "runtime/tables.h"
#include "runtime/window_record.h"

static const char* const BAD_FILE = "bad or incompatible YARL binary file";
constexpr off_t MIN_FILE_SIZE = 20000;

// The read position over the file image. Every read is checked against the
// end: a count that runs past it halts instead of reading beyond the buffer.
static const uint8_t* binary_ptr;
static const uint8_t* binary_end;

static void need(size_t n) {
  if (size_t(binary_end - binary_ptr) < n) halt(BAD_FILE);
}

static uint8_t get_u8() {
  need(1);
  return *binary_ptr++;
}

static uint16_t get_u16() {
  need(2);
  uint16_t v = uint16_t(binary_ptr[0] << 8 | binary_ptr[1]);
  binary_ptr += 2;
  return v;
}

static uint32_t get_u32() {
  need(4);
  uint32_t v = uint32_t(binary_ptr[0]) << 24 | uint32_t(binary_ptr[1]) << 16 |
               uint32_t(binary_ptr[2]) << 8 | binary_ptr[3];
  binary_ptr += 4;
  return v;
}

// Reads `count` one-byte flags, keeping bit 0 of each, into consecutive bits.
static uint32_t get_flags(int count) {
  uint32_t bits = 0;
  for (int i = 0; i < count; ++i) bits |= uint32_t(get_u8() & 1) << i;
  return bits;
}

static uint32_t get_source_position() {
  uint32_t a = get_u16() & 0xFFF;
  uint32_t b = get_u16() & 0x3FF;
  uint32_t c = get_u16() & 0x3FF;
  return a | b << 12 | c << 22;
}

// Creates table `t` for a count read from the file. The smallest record of
// the table must fit in what is left, so a huge count halts before any
// allocation is made.
template <typename T>
static T* begin_table(table* t, size_t min_record_size) {
  uint32_t n = get_u32();
  need(size_t(n) * min_record_size);
  table_create(t, sizeof(T), n + 1);
  t->length = n;
  return t->as<T>();
}

static void read_ident_infos(table* t) {
  ident_info* idents = begin_table<ident_info>(t, 35);
  for (uint32_t i = 0; i < t->length; ++i) {
    ident_info& id = idents[i];
    id.kind = get_u8();
    if (is_variable_kind(id.kind)) {
      id.flags1 = uint8_t(get_flags(8));
      id.word2 = get_u16();
      id.word4 = get_u16();
      id.word6 = get_u16();
      id.word8 = get_flags(6);
      id.word8 |= (get_u32() & 0x3FFFFFF) << 6;
      id.name_offset = get_u32();
      id.count = get_u32();
      id.code_offset = get_u32();
      id.source_position = get_source_position();
      id.last_word = get_u32();
    } else if (id.kind == K_MENU) {
      uint32_t first = get_flags(3);
      first |= uint32_t(get_u8() & 3) << 3;
      get_u8();  // not kept
      first |= get_flags(1) << 5;
      uint32_t tab = get_u8() & 15;  // bits 14-17 of the record's first 32 bits
      id.flags1 = uint8_t(first | (tab & 3) << 6);
      id.word2 = uint16_t(tab >> 2 | uint32_t(get_u8()) << 4);
      id.word4 = get_u16();
      id.word6 = get_u16();
      id.name_offset = get_u32();
      id.val.u = get_u32();
      id.count = get_u32();
      id.code_offset = get_u32();
      id.source_position = get_source_position();
    } else if (id.kind == K_PROCEDURE) {
      id.flags1 = uint8_t(get_flags(5));
      id.word2 = uint16_t((get_u16() & 0xFFF) << 4);
      id.word6 = get_u16();
      id.word8 = get_u32();
      id.name_offset = get_u32();
      id.val.u = get_u32();
      id.count = get_u32();
      id.code_offset = get_u32();
      id.source_position = get_source_position();
    } else if (is_window_kind(id.kind)) {
      id.flags1 = uint8_t(get_flags(8));
      uint32_t word2 = get_flags(8);
      word2 |= get_flags(3) << 8;
      word2 |= uint32_t(get_u8() & 15) << 12;
      id.word2 = uint16_t(word2);
      id.word4 = get_u16();
      id.word6 = get_u16();
      id.word8 = get_u16();
      id.name_offset = get_u32();
      id.count = get_u32();
      id.code_offset = get_u32();
      id.source_position = get_source_position();
    } else {
      internal_error(92, "ident_info");
    }
  }
}

static void read_bytes(table* t) {
  uint8_t* bytes = begin_table<uint8_t>(t, 1);
  memcpy(bytes, binary_ptr, t->length);
  binary_ptr += t->length;
}

static void read_uint32s(table* t) {
  uint32_t* words = begin_table<uint32_t>(t, 4);
  for (uint32_t i = 0; i < t->length; ++i) words[i] = get_u32();
}

static void read_uint16s(table* t) {
  uint16_t* words = begin_table<uint16_t>(t, 2);
  for (uint32_t i = 0; i < t->length; ++i) words[i] = get_u16();
}

// The head fields of the label group, shared by buttons.
static void read_label_head(menu_item& item) {
  item.head1 = get_u8();
  item.head2 = get_u8();
  item.head4 = get_u16();
  item.head6 = get_u8();
  item.value_kind = get_u8();
  item.head8 = get_u8();
  item.margin = get_u8();
}

// The head fields of the text-field group, shared by check buttons.
static void read_text_field_head(menu_item& item) {
  item.head1 = get_u8();
  item.head2 = get_u8();
  item.head3 = get_u8();
  item.head4 = get_u16();
  item.head6 = get_u8();
  item.value_kind = get_u8();
  item.head8 = get_u8();
  item.margin = get_u8();
  item.head10 = get_u16();
}

static void read_widget_tail(menu_item& item, bool with_action) {
  item.source_file = get_u16();
  item.line = get_u16();
  item.x = int16_t(get_u16());
  item.y = int16_t(get_u16());
  item.width = int16_t(get_u16());
  item.height = int16_t(get_u16());
  item.flags = get_u32();
  item.code_offset = get_u32();
  if (with_action) item.action_offset = get_u32();
}

static void read_3d_tail(menu_item& item) {
  item.source_file = get_u16();
  item.line = get_u16();
  uint32_t word = get_u32();
  item.width = int16_t(word >> 16);
  item.height = int16_t(word & 0xFFFF);
  item.flags = get_u32();
  item.code_offset = get_u32();
  item.action_offset = get_u32();
}

static void read_menu_item(menu_item& item) {
  item.kind = get_u8();
  switch (group_of_item_kind(item.kind)) {
    case GROUP_PLAIN_BOX:
      item.head4 = get_u16();
      item.head6 = get_u8();
      item.value_kind = get_u8();
      item.margin = get_u8();
      read_widget_tail(item, false);
      break;
    case GROUP_3D:
      item.head1 = get_u8();
      item.head2 = get_u8();
      item.head4 = get_u16();
      item.value_kind = get_u8();
      item.head8 = get_u8();
      item.margin = uint8_t(get_u16());
      item.head10 = get_u16();
      read_3d_tail(item);
      break;
    case GROUP_FRAME:
      read_widget_tail(item, false);
      break;
    case GROUP_LABEL:
      read_label_head(item);
      read_widget_tail(item, false);
      break;
    case GROUP_BUTTON:
      read_label_head(item);
      item.head12 = uint32_t(get_u8()) << 16;  // the shortcut: second byte
      read_widget_tail(item, true);
      break;
    case GROUP_RANGE:
      item.head3 = get_u8();
      item.head4 = get_u16();
      item.head6 = get_u8();
      item.value_kind = get_u8();
      item.margin = get_u8();
      item.head10 = get_u16();
      read_widget_tail(item, true);
      break;
    case GROUP_CHOICE:
      item.head1 = uint8_t(get_u16());
      item.head3 = get_u8();
      item.head4 = get_u16();
      item.value_kind = get_u8();
      item.head8 = get_u8();
      item.margin = get_u8();
      item.head10 = get_u16();
      item.head12 = get_u32();
      read_widget_tail(item, true);
      break;
    case GROUP_TEXT_FIELD:
      read_text_field_head(item);
      read_widget_tail(item, true);
      break;
    case GROUP_CHECK_BUTTON:
      read_text_field_head(item);
      item.head12 = get_u32();
      read_widget_tail(item, true);
      break;
    case GROUP_COLOR_EDITOR:
      item.head4 = get_u16();
      item.value_kind = get_u8();
      item.margin = get_u8();
      item.head12 = uint32_t(get_u16()) << 16;  // first half
      read_widget_tail(item, true);
      break;
    case GROUP_PICTURE_BUTTON:
      item.head4 = get_u16();
      item.head6 = get_u8();
      item.value_kind = get_u8();
      item.margin = get_u8();
      read_widget_tail(item, true);
      break;
    case GROUP_SELECTION_LIST:
      item.value_kind = get_u8();
      item.head8 = get_u8();
      item.margin = get_u8();
      item.head10 = get_u16();
      item.head12 = get_u16();  // second half
      read_widget_tail(item, true);
      break;
    case GROUP_NONE:
      internal_error(332, "menu_item");
  }
}

static void read_menu_items(table* t) {
  menu_item* items = begin_table<menu_item>(t, 21);
  for (uint32_t i = 0; i < t->length; ++i) read_menu_item(items[i]);
}

static void read_g_shortcuts(table* t) {
  g_shortcut* shortcuts = begin_table<g_shortcut>(t, 12);
  for (uint32_t i = 0; i < t->length; ++i) {
    shortcuts[i].action_offset = get_u32();
    shortcuts[i].argument = get_u32();
    shortcuts[i].item = get_u16();
    shortcuts[i].window = get_u16();
  }
}

static void read_edit_vars(table* t) {
  edit_var* vars = begin_table<edit_var>(t, 7);
  for (uint32_t i = 0; i < t->length; ++i) {
    vars[i].index_code_offset = get_u32();
    vars[i].reference = get_u16();
    vars[i].code_length = get_u8();
  }
}

// A SUB_WINDOW marked as having a cancel action names its cancel MENU: the
// first MENU local whose cancel item number (word 4) is set. Its local index
// goes into the high half of word 8, beside the main MENU.
static void find_cancel_menus() {
  const table& locals = tables[T_WINDOW_LOCALS];
  for (uint32_t i = 0; i < tables[T_GLOBALS].length; ++i) {
    ident_info& window = globals()[i];
    if (window.kind != K_SUB_WINDOW || !(window.word2 & WINDOW_HAS_CANCEL)) continue;
    if (uint64_t(window.count) + window.word6 > locals.length) halt(BAD_FILE);
    const ident_info* first = locals.as<ident_info>() + window.count;
    uint16_t menu = 0;
    while (menu < window.word6 && (first[menu].kind != K_MENU || first[menu].word4 == 0)) ++menu;
    if (menu == window.word6) halt(BAD_FILE);
    window.word8 = uint32_t(menu) << 16 | (window.word8 & 0xFFFF);
  }
}

void decode_tables(const uint8_t* bytes, size_t size) {
  delete_tables();
  binary_ptr = bytes;
  binary_end = bytes + size;
  uint32_t revision = get_u32();
  if (revision != YARL_REVISION) {
    fprintf(stderr, "YARL binary revision %u from file is incompatible with program revision %u.\n",
            revision, YARL_REVISION);
    halt(BAD_FILE);
  }
  n_windows = get_u32();

  using reader = void (*)(table*);
  static const reader readers[N_TABLES] = {
      read_ident_infos, read_ident_infos, read_ident_infos, read_bytes,     read_bytes,
      read_bytes,       read_bytes,       read_uint32s,     read_menu_items, read_bytes,
      read_uint16s,     read_g_shortcuts, read_menu_items,  read_edit_vars,
  };
  for (int i = 0; i < N_TABLES; ++i) readers[i](&tables[i]);

  // The server addresses the predefined variables and the graphics window by
  // number: a binary without them cannot be run.
  if (tables[T_GLOBALS].length < N_PREDEFINED || !is_window_kind(globals()[1].kind)) halt(BAD_FILE);
  find_cancel_menus();
  prepare_gui3d_items();
}

void read_tables(int fd) {
  struct stat status;
  if (fstat(fd, &status) != 0) halt("Failed to get status of YARL binary file");
  if (status.st_size == 0) halt("YARL binary file empty");
  if (status.st_size < MIN_FILE_SIZE) halt("YARL binary file too short");

  size_t size = size_t(status.st_size);
  uint8_t* buffer = static_cast<uint8_t*>(CheckedMalloc(size));
  size_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, buffer + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) halt("Failed to read YARL binary file");
    done += size_t(got);
  }
  decode_tables(buffer, size);
  CheckedFree(buffer);
}
