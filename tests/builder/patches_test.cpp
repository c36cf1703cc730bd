// The patch lines of changed items, and the editor command's formatting.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "builder/item_fields.h"
#include "builder/patches.h"
#include "tests/support/runner.h"

namespace {

menu_item label_item() {
  menu_item m{};
  m.kind = ITEM_LABEL;
  m.value_kind = K_INTEGER;
  m.head2 = 1;  // format 0,1
  m.head6 = 1;  // layout 0,1
  m.line = 12;
  m.x = 10;
  m.y = 20;
  m.flags = ITEM_ORIGIN;
  return m;
}

std::string patch(const menu_item& old, const menu_item& item) {
  TempDir dir;
  FILE* f = fopen(dir.file("patch").c_str(), "wb");
  if (f == nullptr) return "";
  write_patch(f, "w.yrW", &old, &item);
  fclose(f);
  return read_file(dir.file("patch"));
}

struct PatchCase {
  const char* name;
  uint8_t kind;
  std::function<void(menu_item*)> change;
  const char* lines;
};

const PatchCase patch_cases[] = {
    {"unchanged", ITEM_LABEL, [](menu_item*) {}, ""},
    {"absolute_origin", ITEM_LABEL, [](menu_item* m) { m->x = 30; }, "w.yrW\t12\tLABEL\t=\t@\t30,20\n"},
    {"relative_x", ITEM_LABEL,
     [](menu_item* m) {
       m->x = 5;
       m->flags |= ITEM_X_RELATIVE;
     },
     "w.yrW\t12\tLABEL\t=\t@\t+5,20\n"},
    {"x_absent_y_given", ITEM_LABEL, [](menu_item* m) { m->flags |= ITEM_X_ABSENT; }, "w.yrW\t12\tLABEL\t=\t@\t,20\n"},
    {"both_absent", ITEM_LABEL, [](menu_item* m) { m->flags |= ITEM_X_ABSENT | ITEM_Y_ABSENT; },
     "w.yrW\t12\tLABEL\t-\t@\n"},
    {"size_given", ITEM_LABEL,
     [](menu_item* m) {
       m->width = 80;
       m->flags |= ITEM_SIZE_X;
     },
     "w.yrW\t12\tLABEL\t=\tSIZE_X\t80\n"},
    {"size_given_as_zero", ITEM_LABEL, [](menu_item* m) { m->flags |= ITEM_SIZE_Y; }, "w.yrW\t12\tLABEL\t-\tSIZE_Y\n"},
    {"layout", ITEM_LABEL,
     [](menu_item* m) {
       m->head4 = 200;
       m->head6 = 3;
       m->flags |= ITEM_LAYOUT;
     },
     "w.yrW\t12\tLABEL\t=\tLAYOUT\t200,3\n"},
    {"layout_cleared", ITEM_LABEL, [](menu_item* m) { m->head4 = 7; }, "w.yrW\t12\tLABEL\t-\tLAYOUT\n"},
    {"font", ITEM_LABEL,
     [](menu_item* m) {
       m->head8 = 2;
       m->flags |= ITEM_FONT;
     },
     "w.yrW\t12\tLABEL\t=\tFONT\tCourier Bold 12\n"},
    {"format", ITEM_LABEL,
     [](menu_item* m) {
       m->head1 = 8;
       m->head2 = 2;
       m->flags |= ITEM_FORMAT;
     },
     "w.yrW\t12\tLABEL\t=\tFORMAT\t8,2\n"},
    {"shortcut", ITEM_BUTTON,
     [](menu_item* m) {
       m->head12 = 13u << 16;
       m->flags |= ITEM_SHORTCUT;
     },
     "w.yrW\t12\tBUTTON\t=\tSHORTCUT\tCHARACTER(13)\n"},
    // A radio box keeps its select variable in word 4: never a layout.
    {"no_layout_in_choice_group", ITEM_RADIO_BOX, [](menu_item* m) { m->head4 = 99; }, ""},
    {"several_in_order", ITEM_LABEL,
     [](menu_item* m) {
       m->y = 40;
       m->height = 30;
       m->flags |= ITEM_SIZE_Y | ITEM_FORMAT;
       m->head1 = 4;
     },
     "w.yrW\t12\tLABEL\t=\t@\t10,40\nw.yrW\t12\tLABEL\t=\tSIZE_Y\t30\nw.yrW\t12\tLABEL\t=\tFORMAT\t4,1\n"},
};

class PatchLines : public testing::TestWithParam<PatchCase> {};

TEST_P(PatchLines, WriteTheChangedAttributes) {
  const PatchCase& c = GetParam();
  menu_item old = label_item();
  old.kind = c.kind;
  menu_item item = old;
  c.change(&item);
  EXPECT_EQ(patch(old, item), c.lines);
  EXPECT_EQ(patch(item, item), "") << "a second write adds nothing";
}

INSTANTIATE_TEST_SUITE_P(Builder, PatchLines, testing::ValuesIn(patch_cases),
                         [](const testing::TestParamInfo<PatchCase>& i) { return std::string(i.param.name); });

TEST(ItemFields, AGroupWithoutAFieldNeverWritesIt) {
  menu_item choice{};
  choice.kind = ITEM_RADIO_BOX;
  choice.head4 = 0x4005;  // the select variable's reference
  set_layout(&choice, {100, 2});
  EXPECT_EQ(choice.head4, 0x4005);
  set_format(&choice, {5, 2});
  EXPECT_EQ(choice.head1, 0);
  set_font(&choice, 3);
  EXPECT_EQ(choice.head8, 3);
  menu_item button{};
  button.kind = ITEM_BUTTON;
  button.head12 = 'q' << 16;
  EXPECT_EQ(shortcut_code(button), 'q');
  EXPECT_STREQ(item_keyword(ITEM_CHECK_BUTTON), "CHECK_BUTTON");
}

struct EditorCase {
  const char* format;
  const char* file;
  const char* command;  // null: refused
};

// The name reaches the system's shell as one word: sh's single quotes, cmd's
// double quotes with percent signs outside them.
const EditorCase editor_cases[] = {
#ifdef _WIN32
    {"notepad %s", "w.yrW", "notepad \"w.yrW\""},
    {"copy %s copied.txt", "my file.yrW", "copy \"my file.yrW\" copied.txt"},
    {"edit %s & rem 100%%", "it's & 50%PATH%.yrW", "edit \"it's & 50\"^%\"PATH\"^%\".yrW\" & rem 100%"},
    {"edit %s", "a\" & del b & \"c", "edit \"a & del b & c\""},
#else
    {"nedit %s&", "w.yrW", "nedit 'w.yrW'&"},
    {"cp %s copied.txt", "my file.yrW", "cp 'my file.yrW' copied.txt"},
    {"vi %s # 100%%", "it's.yrW", "vi 'it'\\''s.yrW' # 100%"},
#endif
    {"true", "w.yrW", "true"},
    {"%s %s", "w.yrW", nullptr},
    {"%s %n", "w.yrW", nullptr},
    {"%d", "w.yrW", nullptr},
    {"edit %", "w.yrW", nullptr},
};

class EditorCommand : public testing::TestWithParam<EditorCase> {};

TEST_P(EditorCommand, QuotesTheNameAndRefusesOtherConversions) {
  const EditorCase& c = GetParam();
  char out[1024] = "untouched";
  bool made = format_editor_command(c.format, c.file, out, sizeof out);
  if (c.command == nullptr) {
    EXPECT_FALSE(made);
    EXPECT_STREQ(out, "untouched");
  } else {
    EXPECT_TRUE(made);
    EXPECT_STREQ(out, c.command);
  }
}

INSTANTIATE_TEST_SUITE_P(Builder, EditorCommand, testing::ValuesIn(editor_cases));

TEST(EditorCommand, RefusesMoreThanTheBufferHolds) {
  std::string file(1015, 'a');
  char out[1024];
  EXPECT_TRUE(format_editor_command("%s", file.c_str(), out, sizeof out));  // 1017 characters
  EXPECT_FALSE(format_editor_command("vi -R -- %s", file.c_str(), out, sizeof out));
}

}  // namespace
