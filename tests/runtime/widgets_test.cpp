// MENU items built into the widget of their kind, reused from display to
// display, and the widget callbacks that assign YARL variables and start
// the items' actions, invoked as the toolkit would on a press or a change.
#include "tests/runtime/window_fixture.h"

#include <cstring>
#include <functional>

#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "runtime/widget_callbacks.h"
#include "toolkit/ui_box.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_check_button.h"
#include "toolkit/ui_color_bar.h"
#include "toolkit/ui_color_editor.h"
#include "toolkit/ui_enter_button.h"
#include "toolkit/ui_frame.h"
#include "toolkit/ui_material_label.h"
#include "scene/materials.h"
#include "runtime/predefined.h"
#include "toolkit/ui_menu_button.h"
#include "toolkit/ui_option_pop_up.h"
#include "toolkit/ui_picture_button.h"
#include "toolkit/ui_radio_box.h"
#include "toolkit/ui_selection_list.h"
#include "toolkit/ui_separator.h"
#include "toolkit/ui_slider.h"
#include "toolkit/ui_tab_button.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_thumb_wheel.h"

namespace {

uint32_t float_bits(float f) {
  uint32_t u;
  memcpy(&u, &f, sizeof u);
  return u;
}

std::string text_of(const Image* image) {
  if (image == nullptr || image->kind == K_PICTURE) return "";
  return static_cast<const ImageText*>(image)->get_text();
}

class Widgets : public Windows {
 protected:
  // An item whose code pushes what `push` emits.
  menu_item item(uint8_t kind, uint8_t value_kind, const std::function<void(yarl::Code&)>& push,
                 uint32_t flags = 0) {
    menu_item it = make_item(kind);
    it.value_kind = value_kind;
    it.head8 = 9;
    it.flags = flags;
    it.code_offset = program.code().offset();
    push(program.code());
    program.code().release();
    return it;
  }
  // An action that sets global `hit` to 1.
  void give_action(menu_item& it) {
    it.flags |= ITEM_HAS_ACTION;
    it.action_offset = program.code().offset();
    program.code().push(1).assign(GLOBAL, hit).release();
  }
  uint16_t integer(const char* name) { return program.add(GLOBAL, make_ident(K_INTEGER), name); }
  void set_strings(uint16_t array, std::vector<const char*> texts) {
    ASSERT_TRUE(reset_array_size(global(1), global(array), uint32_t(texts.size())));
    for (size_t i = 0; i < texts.size(); ++i) global(array)->val.a[i].s = dup_chars(texts[i]);
    process_variable_change(global(1), global(array));
  }
  widget_element& element(uint16_t window, widget_kind kind, uint32_t position = 0) {
    return record_of(global(window))->widgets[kind].as<widget_element>()[position];
  }
  template <typename W>
  W* widget(uint16_t window, widget_kind kind, uint32_t position = 0) {
    return dynamic_cast<W*>(element(window, kind, position).widget);
  }
  void redisplay(uint16_t window) {
    queue_update(window);
    update_menu_windows();
  }

  uint16_t hit = program.add(GLOBAL, make_ident(K_INTEGER), "hit");
};

// ---- Each kind is built into its widget class with the item's values ----

struct KindCase {
  const char* name;
  uint8_t item_kind;
  uint8_t value_kind;
  std::function<void(yarl::Code&)> push;
  uint32_t flags;
  widget_kind table;
  std::function<bool(UIObject*)> check;  // the right class, showing the values
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class EachKind : public Widgets, public testing::WithParamInterface<KindCase> {};

TEST_P(EachKind, IsBuiltIntoItsWidgetClassAndReusedOnTheNextDisplay) {
  const KindCase& c = GetParam();
  menu_item it = item(c.item_kind, c.value_kind, c.push, c.flags);
  it.width = 30;
  it.height = 20;
  if (std::string(c.name) == "EnterButton") it.head12 = 13u << 16;  // the Return shortcut
  uint16_t w = add_window(program, {"kind", true, {it}, {}});
  load();
  update_menu_windows();
  ASSERT_EQ(record_of(global(w))->widgets[c.table].length, 1u);
  UIObject* made = element(w, c.table).widget;
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(c.check(made));
  EXPECT_EQ(tables[T_MENU_ITEMS].as<menu_item>()[element(w, c.table).item].widget, made);
  redisplay(w);
  EXPECT_EQ(element(w, c.table).widget, made);
  EXPECT_EQ(sp, sb - 1);
}

template <typename W>
bool is(UIObject* o) { return dynamic_cast<W*>(o) != nullptr; }

const std::vector<uint8_t> red_pixel = {255, 0, 0, 255};

INSTANTIATE_TEST_SUITE_P(
    Kinds, EachKind,
    testing::Values(
        KindCase{"Box", ITEM_BOX, K_INTEGER, [](yarl::Code&) {}, ITEM_SIZE_X | ITEM_SIZE_Y, WK_BOX,
                 [](UIObject* o) { return is<UIBox>(o) && o->width == 30 && o->height == 20; }},
        KindCase{"Frame", ITEM_FRAME, K_INTEGER, [](yarl::Code&) {}, ITEM_SIZE_X | ITEM_SIZE_Y,
                 WK_FRAME, [](UIObject* o) { return is<UIFrame>(o) && o->width == 30; }},
        KindCase{"Separator", ITEM_SEPARATOR, K_INTEGER, [](yarl::Code&) {},
                 ITEM_SIZE_X | ITEM_SIZE_Y, WK_SEPARATOR,
                 [](UIObject* o) { return is<UISeparator>(o) && o->height == 20; }},
        KindCase{"Button", ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("Go"); }, 0,
                 WK_BUTTON,
                 [](UIObject* o) {
                   return is<UIButton>(o) && !is<UIEnterButton>(o) &&
                          text_of(static_cast<UIButton*>(o)->image) == "Go";
                 }},
        KindCase{"EnterButton", ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("OK"); }, 0,
                 WK_ENTER_BUTTON,
                 [](UIObject* o) {
                   return is<UIEnterButton>(o) && text_of(static_cast<UIButton*>(o)->image) == "OK";
                 }},
        KindCase{"MenuButton", ITEM_MENU_BUTTON, K_INTEGER, [](yarl::Code& c) { c.push(12); }, 0,
                 WK_MENU_BUTTON,
                 [](UIObject* o) {
                   return is<UIMenuButton>(o) && text_of(static_cast<UIMenuButton*>(o)->image) == "12";
                 }},
        KindCase{"CheckButton", ITEM_CHECK_BUTTON, K_STRING,
                 [](yarl::Code& c) { c.push_string("Opt").push(1); }, 0, WK_CHECK_BUTTON,
                 [](UIObject* o) {
                   auto* b = dynamic_cast<UICheckButton*>(o);
                   return b != nullptr && b->checked && text_of(b->image) == "Opt";
                 }},
        KindCase{"TextField", ITEM_TEXT_FIELD, K_INTEGER, [](yarl::Code& c) { c.push(42); }, 0,
                 WK_TEXT_FIELD,
                 [](UIObject* o) {
                   auto* f = dynamic_cast<UITextField*>(o);
                   return f != nullptr && std::string(f->get_text()) == "42";
                 }},
        KindCase{"Slider", ITEM_SLIDER, K_INTEGER,
                 [](yarl::Code& c) { c.push(30).push(10).push(50); }, 0, WK_SLIDER,
                 [](UIObject* o) {
                   auto* s = dynamic_cast<UISlider*>(o);
                   return s != nullptr && s->minimum == 10 && s->maximum == 50 && s->width == 192 &&
                          std::abs(s->value() - 30) <= 1;
                 }},
        KindCase{"ThumbWheel", ITEM_THUMB_WHEEL, K_INTEGER, [](yarl::Code& c) { c.push(7); }, 0,
                 WK_THUMB_WHEEL,
                 [](UIObject* o) {
                   auto* t = dynamic_cast<UIThumbWheel*>(o);
                   return t != nullptr && t->value == 7 && t->width == 100;
                 }},
        KindCase{"ColorBar", ITEM_COLOR_BAR, K_INTEGER, [](yarl::Code& c) { c.push(40); },
                 ITEM_SIZE_X | ITEM_SIZE_Y, WK_COLOR_BAR,
                 [](UIObject* o) {
                   auto* b = dynamic_cast<UIColorBar*>(o);
                   return b != nullptr && b->level == 40;
                 }},
        KindCase{"ColorEditor", ITEM_COLOR_EDITOR, K_REAL,
                 [](yarl::Code& c) {
                   c.push(2).push_long(float_bits(0.25f)).push_long(float_bits(0.5f)).push_long(float_bits(0.75f));
                 },
                 ITEM_SIZE_X | ITEM_SIZE_Y, WK_COLOR_EDITOR,
                 [](UIObject* o) {
                   auto* e = dynamic_cast<UIColorEditor*>(o);
                   return e != nullptr && e->model == 2u;
                 }},
        KindCase{"MaterialLabel", ITEM_MATERIAL_LABEL, K_INTEGER, [](yarl::Code& c) { c.push(1); },
                 ITEM_SIZE_X | ITEM_SIZE_Y, WK_MATERIAL_LABEL,
                 [](UIObject* o) {
                   auto* l = dynamic_cast<UIMaterialLabel*>(o);
                   return l != nullptr && l->material == 1;
                 }},
        KindCase{"PictureButton", ITEM_PICTURE_BUTTON, K_PICTURE,
                 [](yarl::Code& c) {
                   for (int i = 0; i < 3; ++i) c.push_picture(1, 1, 1, red_pixel);
                 },
                 0, WK_PICTURE_BUTTON,
                 [](UIObject* o) {
                   auto* b = dynamic_cast<UIPictureButton*>(o);
                   return b != nullptr && b->pictures[0] != nullptr && b->pictures[1] != nullptr &&
                          b->pictures[2] != nullptr;
                 }}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

// The well of a material label shows the preview sphere of its material; index
// 1 without any material is accepted but has no sphere to show.
TEST_F(Widgets, AMaterialLabelTakesTheSphereOfItsMaterialAsItsSample) {
  menu_item it = item(ITEM_MATERIAL_LABEL, K_INTEGER, [](yarl::Code& c) { c.push(1); }, ITEM_SIZE_X | ITEM_SIZE_Y);
  it.width = it.height = 40;
  uint16_t w = add_window(program, {"sample", true, {it}, {}});
  load();
  init_material_list();
  update_menu_windows();
  UIMaterialLabel* label = widget<UIMaterialLabel>(w, WK_MATERIAL_LABEL);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->sample_cb, nullptr);
  material_attributes oak;
  set_material(1, &oak);
  ASSERT_EQ(get_predef(110), 1);
  redisplay(w);
  EXPECT_EQ(widget<UIMaterialLabel>(w, WK_MATERIAL_LABEL), label);
  EXPECT_EQ(label->sample_cb, &draw_sphere);
  EXPECT_EQ(label->material, 1);
  cleanup_material_list();
}

// ---- Choices and lists take their entries from the text variable ----

TEST_F(Widgets, ChoicesShowTheirEntriesAndTheSelectValueLessTheIndexOrigin) {
  ident_info texts = make_ident(K_ARRAY + K_STRING);
  texts.word2 = 8;
  uint16_t entries = program.add(GLOBAL, texts, "entries");
  uint16_t select = integer("select");
  uint16_t choice = integer("choice");
  auto choice_item = [&](uint8_t kind, uint16_t variable) {
    menu_item it = item(kind, K_INTEGER, [variable](yarl::Code& c) { c.push_var(GLOBAL, variable); });
    it.head1 = 1;  // the first entry selects 1
    it.head4 = yarl::ref16(GLOBAL, variable);
    it.head10 = yarl::ref16(GLOBAL, entries);
    return it;
  };
  menu_item list = item(ITEM_SELECTION_LIST, K_INTEGER, [](yarl::Code&) {});
  list.head10 = yarl::ref16(GLOBAL, entries);
  list.head12 = yarl::ref16(GLOBAL, select);
  uint16_t w = add_window(program, {"choices", true,
                                    {choice_item(ITEM_RADIO_BOX, choice), choice_item(ITEM_OPTION_POP_UP, choice), list},
                                    {yarl::ref16(GLOBAL, entries), yarl::ref16(GLOBAL, choice)}});
  load();
  set_strings(entries, {"red", "green", "blue"});
  change_variable(global(1), global(choice), integer_value(2), false);
  update_menu_windows();
  auto* radio = widget<UIRadioBox>(w, WK_RADIO_BOX);
  auto* pop_up = widget<UIOptionPopUp>(w, WK_OPTION_POP_UP);
  auto* selection = widget<UISelectionList>(w, WK_SELECTION_LIST);
  ASSERT_NE(radio, nullptr);
  ASSERT_NE(pop_up, nullptr);
  ASSERT_NE(selection, nullptr);
  EXPECT_EQ(radio->count, 3);
  EXPECT_EQ(radio->current_index, 1);
  EXPECT_EQ(pop_up->count, 3);
  EXPECT_EQ(pop_up->current_index, 1);
  EXPECT_EQ(selection->count, 3);
  EXPECT_TRUE(selection->single);  // an INTEGER selection variable
  EXPECT_EQ(text_of(element(w, WK_RADIO_BOX).images[2]), "blue");
  Image* entry = get_option_pop_up_image(pop_up->object_id, 0);
  EXPECT_EQ(text_of(entry), "red");
  delete entry;

  // New entries rebuild the image list; the widgets stay.
  set_strings(entries, {"one", "two"});
  update_menu_windows();
  EXPECT_EQ(widget<UIRadioBox>(w, WK_RADIO_BOX), radio);
  EXPECT_EQ(radio->count, 2);
  EXPECT_EQ(text_of(element(w, WK_RADIO_BOX).images[0]), "one");
  EXPECT_EQ(selection->count, 2);
}

TEST_F(Widgets, AChoiceChangeAssignsTheSelectVariableRunsTheActionAndReconfigures) {
  ident_info texts = make_ident(K_ARRAY + K_STRING);
  texts.word2 = 8;
  uint16_t entries = program.add(GLOBAL, texts, "entries");
  uint16_t choice = integer("choice");
  for (uint8_t kind : {ITEM_RADIO_BOX, ITEM_OPTION_POP_UP}) {
    menu_item it = item(kind, K_INTEGER, [choice](yarl::Code& c) { c.push_var(GLOBAL, choice); });
    it.head1 = 1;
    it.head4 = yarl::ref16(GLOBAL, choice);
    it.head10 = yarl::ref16(GLOBAL, entries);
    give_action(it);
    add_window(program, {kind == ITEM_RADIO_BOX ? "radio" : "pop_up", true, {it}, {yarl::ref16(GLOBAL, choice)}});
  }
  load();
  set_strings(entries, {"a", "b", "c"});
  change_variable(global(1), global(choice), integer_value(1), false);
  update_menu_windows();
  uint16_t radio_window = uint16_t(tables[T_GLOBALS].length - 2);
  uint16_t pop_up_window = uint16_t(tables[T_GLOBALS].length - 1);
  auto* radio = widget<UIRadioBox>(radio_window, WK_RADIO_BOX);
  auto* pop_up = widget<UIOptionPopUp>(pop_up_window, WK_OPTION_POP_UP);
  ASSERT_NE(radio, nullptr);
  ASSERT_NE(pop_up, nullptr);
  EXPECT_EQ(radio->current_index, 0);

  radio->change_cb(radio->object_id, 2);  // the third entry chosen
  EXPECT_EQ(global(choice)->val.i, 3);    // index 2 + origin 1
  EXPECT_EQ(global(hit)->val.i, 1);
  EXPECT_EQ(record_of(global(radio_window))->current_element, 3);  // index + 1
  update_menu_windows();
  EXPECT_EQ(radio->current_index, 2);
  EXPECT_EQ(pop_up->current_index, 2);  // the other window shows the variable too

  // Choosing the entry already selected changes nothing: no action.
  global(hit)->val.i = 0;
  pop_up->change_cb(pop_up->object_id, 2);
  EXPECT_EQ(global(hit)->val.i, 0);
  pop_up->change_cb(pop_up->object_id, 0);
  EXPECT_EQ(global(choice)->val.i, 1);
  EXPECT_EQ(global(hit)->val.i, 1);
}

TEST_F(Widgets, ASelectValueOutsideTheListIsAnErrorAndKeepsTheSelection) {
  ident_info texts = make_ident(K_ARRAY + K_STRING);
  texts.word2 = 8;
  uint16_t entries = program.add(GLOBAL, texts, "entries");
  uint16_t choice = integer("choice");
  menu_item it = item(ITEM_RADIO_BOX, K_INTEGER, [choice](yarl::Code& c) { c.push_var(GLOBAL, choice); });
  it.head4 = yarl::ref16(GLOBAL, choice);
  it.head10 = yarl::ref16(GLOBAL, entries);
  uint16_t w = add_window(program, {"radio", true, {it}, {yarl::ref16(GLOBAL, choice)}});
  load();
  set_strings(entries, {"a", "b"});
  change_variable(global(1), global(choice), integer_value(1), false);
  update_menu_windows();
  auto* radio = widget<UIRadioBox>(w, WK_RADIO_BOX);
  ASSERT_NE(radio, nullptr);
  in_interface_builder = true;  // the error ends the run but not the program
  change_variable(global(1), global(choice), integer_value(5), false);
  testing::internal::CaptureStderr();
  update_menu_windows();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("RADIO_BOX text variable: STRING-array 'entries', select variable: INTEGER 'choice'=5."),
            std::string::npos) << err;
  EXPECT_NE(err.find("RADIO_BOX select value out of range"), std::string::npos) << err;
  EXPECT_EQ(radio->current_index, 1);
}

TEST_F(Widgets, ASelectionListChangeRunsThePropagationAndTheAction) {
  ident_info texts = make_ident(K_ARRAY + K_STRING);
  texts.word2 = 8;
  uint16_t entries = program.add(GLOBAL, texts, "entries");
  ident_info flags = make_ident(K_ARRAY + K_BOOLEAN);
  flags.word2 = 8;
  uint16_t chosen = program.add(GLOBAL, flags, "chosen");
  menu_item list = item(ITEM_SELECTION_LIST, K_INTEGER, [](yarl::Code&) {});
  list.head10 = yarl::ref16(GLOBAL, entries);
  list.head12 = yarl::ref16(GLOBAL, chosen);
  give_action(list);
  uint16_t w = add_window(program, {"list", true, {list}, {yarl::ref16(GLOBAL, entries)}});
  load();
  set_strings(entries, {"x", "y", "z"});
  update_menu_windows();
  auto* l = widget<UISelectionList>(w, WK_SELECTION_LIST);
  ASSERT_NE(l, nullptr);
  EXPECT_FALSE(l->single);
  // The getter extends a short BOOLEAN array to the list's length.
  uintptr_t* words = get_selection_list_select_variable(l->object_id);
  EXPECT_EQ(global(chosen)->word6, 3);
  reinterpret_cast<value*>(*words)[1].i = 1;  // as the toolkit marks an entry
  uint32_t changes = global(chosen)->count;
  l->change_cb(l->object_id, 2, true, true);
  EXPECT_GT(global(chosen)->count, changes);
  EXPECT_EQ(global(hit)->val.i, 1);
  EXPECT_EQ(record_of(global(w))->current_element, 2);
  EXPECT_TRUE(record_of(global(w))->state & WR_ACTION_FLAG);  // selected
}

// ---- Buttons, check buttons, sliders ----

TEST_F(Widgets, AButtonPressRunsTheActionAndReleasesTheButton) {
  menu_item b = item(ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("Press"); });
  give_action(b);
  menu_item inactive = item(ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("Off").push(1); },
                            ITEM_INACTIVE | ITEM_X_RELATIVE);
  uint16_t w = add_window(program, {"buttons", true, {b, inactive}, {}});
  load();
  show(w);
  auto* button = widget<UIButton>(w, WK_BUTTON);
  ASSERT_NE(button, nullptr);
  ASSERT_NE(button->activate_cb, nullptr);
  EXPECT_EQ(widget<UIButton>(w, WK_BUTTON, 1)->activate_cb, nullptr);  // inactive
  button->activate_cb(button->object_id);
  EXPECT_EQ(global(hit)->val.i, 1);
  EXPECT_FALSE(button->in);
  EXPECT_EQ(record_of(global(w))->current_item, 1);
}

TEST_F(Widgets, AButtonWhoseActionWaitsStaysPressedUntilTheWindowsCodeEnds) {
  constexpr uint8_t READ_APPLICATION_VALUE = 203;
  uint16_t answer = integer("answer");
  menu_item b = item(ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("Ask"); });
  b.flags |= ITEM_HAS_ACTION;
  b.action_offset = program.code().offset();
  program.code().op(READ_APPLICATION_VALUE).u8(1).ref(GLOBAL, answer);
  program.code().push(1).assign(GLOBAL, hit).release();
  uint16_t w = add_window(program, {"ask", true, {b}, {}});
  load();
  update_menu_windows();
  auto* button = widget<UIButton>(w, WK_BUTTON);
  ASSERT_NE(button, nullptr);
  button->activate_cb(button->object_id);
  EXPECT_NE(record_of(global(w))->resume_offset, 0u);
  EXPECT_TRUE(button->in);
  update_menu_windows();  // redisplayed as the suspended item: still pressed
  EXPECT_EQ(widget<UIButton>(w, WK_BUTTON), button);
  EXPECT_TRUE(button->in);
  clear_queues(global(w));  // the request is dropped
  update_menu_windows();
  EXPECT_FALSE(button->in);
  EXPECT_EQ(global(hit)->val.i, 0);
}

TEST_F(Widgets, ShortcutKeysPressTheButtonWithThatShortcut) {
  menu_item b = item(ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("Quit"); }, ITEM_SHORTCUT);
  b.head12 = uint32_t('q') << 16;
  give_action(b);
  menu_item enter = item(ITEM_BUTTON, K_STRING, [](yarl::Code& c) { c.push_string("OK"); },
                         ITEM_SHORTCUT | ITEM_X_RELATIVE);
  enter.head12 = 13u << 16;
  uint16_t w = add_window(program, {"keys", true, {b, enter}, {}});
  load();
  update_menu_windows();
  EXPECT_FALSE(handle_shortcut(w, 'x'));
  EXPECT_EQ(global(hit)->val.i, 0);
  EXPECT_TRUE(handle_shortcut(w, 'q'));
  EXPECT_EQ(global(hit)->val.i, 1);
  EXPECT_TRUE(handle_shortcut(w, 13));  // the enter button
  EXPECT_FALSE(handle_shortcut(1, 'q'));  // not for the graphics window
}

TEST_F(Widgets, ACheckButtonToggleAssignsItsVariableAndRunsTheAction) {
  uint16_t on = integer("on");
  menu_item it = item(ITEM_CHECK_BUTTON, K_STRING, [on](yarl::Code& c) { c.push_string("On").push_var(GLOBAL, on); });
  it.head4 = yarl::ref16(GLOBAL, on);
  give_action(it);
  uint16_t w = add_window(program, {"check", true, {it}, {yarl::ref16(GLOBAL, on)}});
  load();
  update_menu_windows();
  auto* b = widget<UICheckButton>(w, WK_CHECK_BUTTON);
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->checked);
  b->toggle_cb(b->object_id, true);
  EXPECT_EQ(global(on)->val.i, 1);
  EXPECT_EQ(global(hit)->val.i, 1);
  update_menu_windows();
  EXPECT_TRUE(b->checked);
}

TEST_F(Widgets, ASliderDragAssignsOnEveryMoveButActsThereOnlyWhenAskedTo) {
  uint16_t level = integer("level");
  for (uint32_t on_change : {0u, ITEM_ACTION_ON_CHANGE}) {
    menu_item it = item(ITEM_SLIDER, K_INTEGER, [level](yarl::Code& c) { c.push_var(GLOBAL, level).push(0).push(100); },
                        on_change);
    it.head4 = yarl::ref16(GLOBAL, level);
    give_action(it);
    add_window(program, {on_change ? "acting" : "quiet", true, {it}, {}});
  }
  load();
  update_menu_windows();
  for (uint16_t w : {uint16_t(tables[T_GLOBALS].length - 2), uint16_t(tables[T_GLOBALS].length - 1)}) {
    bool acting = w == tables[T_GLOBALS].length - 1;
    auto* s = widget<UISlider>(w, WK_SLIDER);
    ASSERT_NE(s, nullptr);
    global(hit)->val.i = 0;
    s->set_slider_pos(short(s->width / 2));
    s->change_cb(s->object_id);
    EXPECT_EQ(global(level)->val.i, s->value());
    EXPECT_GT(global(level)->val.i, 0);
    EXPECT_EQ(global(hit)->val.i, acting ? 1 : 0);
    s->activate_cb(s->object_id);  // the release
    EXPECT_EQ(global(hit)->val.i, 1);
    change_variable(global(1), global(level), integer_value(0), false);
  }
}

// ---- Text fields ----

TEST_F(Widgets, ATextFieldDecodesItsTextIntoTheVariableKind) {
  uint16_t n = integer("n");
  ident_info r = make_ident(K_REAL);
  uint16_t x = program.add(GLOBAL, r, "x");
  menu_item ni = item(ITEM_TEXT_FIELD, K_INTEGER, [n](yarl::Code& c) { c.push_var(GLOBAL, n); },
                      ITEM_HAS_ACTION | ITEM_ACTION_ON_CHANGE);
  ni.head4 = yarl::ref16(GLOBAL, n);
  give_action(ni);
  menu_item xi = item(ITEM_TEXT_FIELD, K_REAL, [x](yarl::Code& c) { c.push_var(GLOBAL, x); }, ITEM_X_RELATIVE);
  xi.head4 = yarl::ref16(GLOBAL, x);
  uint16_t w = add_window(program, {"fields", true, {ni, xi}, {yarl::ref16(GLOBAL, n), yarl::ref16(GLOBAL, x)}});
  load();
  update_menu_windows();
  auto* nf = widget<UITextField>(w, WK_TEXT_FIELD, 0);
  auto* xf = widget<UITextField>(w, WK_TEXT_FIELD, 1);
  ASSERT_NE(nf, nullptr);
  ASSERT_NE(xf, nullptr);
  EXPECT_EQ(nf->activate_cb, nullptr);  // its action runs on every change instead

  nf->set_text("123");  // the toolkit verifies every change of the text
  EXPECT_EQ(global(n)->val.i, 123);
  EXPECT_EQ(global(hit)->val.i, 1);
  global(hit)->val.i = 0;
  EXPECT_TRUE(nf->verify_cb(nf->object_id));  // the variable holds it already: no action
  EXPECT_EQ(global(hit)->val.i, 0);
  change_variable(global(1), global(n), integer_value(5), false);
  EXPECT_FALSE(nf->verify_cb(nf->object_id));  // the action was started
  EXPECT_EQ(global(n)->val.i, 123);
  EXPECT_EQ(global(hit)->val.i, 1);
  nf->set_text("12x");
  EXPECT_TRUE(nf->verify_cb(nf->object_id));
  EXPECT_EQ(global(n)->val.i, 123);

  xf->set_text("2.5");
  EXPECT_TRUE(xf->verify_cb(xf->object_id));  // no action on change
  EXPECT_FLOAT_EQ(global(x)->val.r, 2.5f);
  update_menu_windows();
  EXPECT_STREQ(xf->get_text(), "2.5");  // the text that shows the value stays
}

TEST_F(Widgets, ActivatingAnIntegerFieldOutOfItsRangeRingsAndStartsNothing) {
  uint16_t n = integer("n");
  menu_item it = item(ITEM_TEXT_FIELD, K_INTEGER, [n](yarl::Code& c) { c.push_var(GLOBAL, n).push(1).push(10); },
                      ITEM_RANGE);
  it.head4 = yarl::ref16(GLOBAL, n);
  give_action(it);
  uint16_t w = add_window(program, {"range", true, {it}, {}});
  load();
  update_menu_windows();
  widget_element& e = element(w, WK_TEXT_FIELD);
  EXPECT_STREQ(e.help_text, "1 <= INTEGER <= 10");
  auto* f = widget<UITextField>(w, WK_TEXT_FIELD);
  ASSERT_NE(f->activate_cb, nullptr);
  f->set_text("11");
  f->activate_cb(f->object_id);
  EXPECT_EQ(global(hit)->val.i, 0);
  EXPECT_STREQ(global(91)->val.s, "1 <= INTEGER <= 10");
  f->set_text("1o");
  f->activate_cb(f->object_id);
  EXPECT_STREQ(global(91)->val.s, "INTEGER syntax.");
  f->set_text("7");
  f->activate_cb(f->object_id);
  EXPECT_EQ(global(hit)->val.i, 1);
}

struct StringRangeCase {
  const char* text;
  bool passes;
  const char* message;
};

void PrintTo(const StringRangeCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class StringRange : public Widgets, public testing::WithParamInterface<StringRangeCase> {};

TEST_P(StringRange, ChecksLengthThenOrderAtTheLimits) {
  uint16_t s = program.add(GLOBAL, make_ident(K_STRING), "s");
  menu_item it = item(ITEM_TEXT_FIELD, K_STRING, [s](yarl::Code& c) {
    c.push_var(GLOBAL, s).push_string("b").push_string("d");
  }, ITEM_RANGE);
  it.head4 = yarl::ref16(GLOBAL, s);
  uint16_t w = add_window(program, {"string", true, {it}, {}});
  load();
  global(s)->val.s = dup_chars("");
  update_menu_windows();
  widget_element& e = element(w, WK_TEXT_FIELD);
  static_cast<UITextField*>(e.widget)->set_text(GetParam().text);  // verified as typed
  EXPECT_EQ(check_text_field(&e), !GetParam().passes);
  if (GetParam().passes) {
    EXPECT_STREQ(global(s)->val.s, GetParam().text);
  } else {
    EXPECT_STREQ(global(91)->val.s, GetParam().message);
    EXPECT_STREQ(global(s)->val.s, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringRange,
    testing::Values(StringRangeCase{"c", true, ""}, StringRangeCase{"b", true, ""},
                    StringRangeCase{"a", false, "string out of range."},
                    StringRangeCase{"e", false, "string out of range."},
                    StringRangeCase{"cc", false, "string length is 2, must be 1."},
                    StringRangeCase{"", false, "string length is 0, must be 1."}),
    [](const testing::TestParamInfo<StringRangeCase>& info) {
      return *info.param.text != '\0' ? "text_" + std::string(info.param.text) : std::string("empty");
    });

TEST_F(Widgets, CyclingStepsToTheNextActiveFieldAndWraps) {
  std::vector<menu_item> fields;
  for (int i = 0; i < 3; ++i) {
    uint16_t v = integer(i == 0 ? "f0" : i == 1 ? "f1" : "f2");
    menu_item it = item(ITEM_TEXT_FIELD, K_INTEGER, [v, i](yarl::Code& c) {
      c.push_var(GLOBAL, v);
      if (i == 1) c.push(1);  // the middle field is inactive
    }, i == 1 ? ITEM_INACTIVE : 0u);
    it.head4 = yarl::ref16(GLOBAL, v);
    fields.push_back(it);
  }
  uint16_t w = add_window(program, {"cycle", true, fields, {}});
  load();
  show(w);
  auto* first = widget<UITextField>(w, WK_TEXT_FIELD, 0);
  auto* third = widget<UITextField>(w, WK_TEXT_FIELD, 2);
  ASSERT_NE(third, nullptr);
  first->cycle_cb(first->object_id, cycle_tab);  // skips the inactive one
  EXPECT_EQ(ui(w)->focused_text_field, third);
  third->cycle_cb(third->object_id, cycle_down);  // wraps around
  EXPECT_EQ(ui(w)->focused_text_field, first);
  first->cycle_cb(first->object_id, cycle_up);
  EXPECT_EQ(ui(w)->focused_text_field, third);
}

// ---- Tab buttons and the information window ----

TEST_F(Widgets, TabButtonsSwitchPagesAndRunTheNewPageAction) {
  auto page = [&](const char* text, int tab) {
    ident_info menu = make_ident(K_MENU);
    menu.word6 = 1;
    menu.count = program.add_item(item(ITEM_LABEL, K_STRING, [text](yarl::Code& c) { c.push_string(text); }));
    menu.flags1 = uint8_t((tab & 3) << 6);
    menu.word2 = uint16_t(tab >> 2);
    menu.val.u = program.code().offset();
    program.code().push(tab).assign(GLOBAL, hit).release();
    return menu;
  };
  ident_info main_menu = make_ident(K_MENU);
  main_menu.word6 = 1;
  main_menu.count = program.add_item(item(ITEM_LABEL, K_STRING, [](yarl::Code& c) {
    c.push_string("a long main page text for the width");
  }));
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 3 << 12;
  w.word6 = 3;
  w.word8 = 2;
  w.count = program.add(WINDOW_LOCAL, page("first page", 1), "first");
  program.add(WINDOW_LOCAL, page("second page", 2), "second");
  program.add(WINDOW_LOCAL, main_menu, "main");
  uint16_t window = program.add(GLOBAL, w, "tabs");
  load();
  update_menu_windows();
  window_record* r = record_of(global(window));
  UITabButton* first = r->tab_buttons[0];
  UITabButton* second = r->tab_buttons[1];
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(r->tab_buttons[2], nullptr);
  EXPECT_EQ(first->activate_cb, nullptr);  // the page shown
  EXPECT_EQ(second->x, first->width);
  EXPECT_EQ(second->x + second->width, ui(window)->width);  // reaches the right edge

  second->activate_cb(second->object_id);
  EXPECT_EQ(r->current_tab, 2);
  EXPECT_EQ(global(hit)->val.i, 2);
  EXPECT_EQ(second->activate_cb, nullptr);
  EXPECT_NE(first->activate_cb, nullptr);
  EXPECT_EQ(text_of(static_cast<UILabel*>(element(window, WK_LABEL, 1).widget)->image), "second page");
}

TEST_F(Widgets, AcknowledgedHidesTheInformationWindow) {
  load();
  display_internal_info("note", true);
  Window info = UIWindow::get_window(2L);
  ASSERT_NE(info, 0u);
  UIWindow* w = UIWindow::find_window(info);
  w->set_origin(short(slot_x(screen_slot)), short(slot_y(screen_slot)));
  update_menu_windows();
  pump();
  UIButton* acknowledged = nullptr;
  for (UITopObject* o = w->first_top; o != nullptr; o = o->next)
    if (auto* b = dynamic_cast<UIButton*>(o)) acknowledged = b;
  ASSERT_NE(acknowledged, nullptr);
  EXPECT_EQ(text_of(acknowledged->image), "Acknowledged");
  EXPECT_GE(acknowledged->y, 1);  // below the label
  acknowledged->set_in(true);
  acknowledged->activate_cb(acknowledged->object_id);
  EXPECT_FALSE(acknowledged->in);
  EXPECT_FALSE(update_menu_windows());  // no longer shown
  XSync(display(), False);
  XWindowAttributes a;
  XGetWindowAttributes(display(), info, &a);
  EXPECT_NE(a.map_state, IsViewable);
}

}  // namespace
