// Resource files on a real X server: reading each kind of line with its
// messages, saving the values that differ, comparing, restoring at each
// depth, the start-up files, and the YARL code of the resource state.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "runtime/compile_resources.h"
#include "runtime/save_resources.h"
#include "tests/runtime/resources_fixture.h"
#include "tests/support/contains_regex.h"

namespace {

using namespace resources_test;

// ---- Reading lines ----

struct LineCase {
  const char* what;
  std::string text;
  std::string messages;  // printed, with %s for the path and %l for the line's number
  std::function<void(Resources&)> check;
};

std::string expand(std::string m, const std::string& path) {
  for (size_t at; (at = m.find("%s")) != std::string::npos;) m.replace(at, 2, path);
  return m;
}

std::string bad_name(int line) {
  return "Error - bad resource name at line " + std::to_string(line) + " in resource file '%s'.\n";
}
std::string bad_value(const char* kind, int line = 1) {
  return std::string("Error - bad ") + kind + " resource value at line " + std::to_string(line) +
         " in resource file '%s'.\n";
}
std::string out_of_range(const char* attribute) {
  return std::string("Error - ") + attribute + " resource value out of range at line 1 in resource file '%s'.\n";
}

TEST_F(Resources, EachKindOfLineIsTakenOrReportedWithItsLineNumber) {
  load();
  const std::string long_name(300, 'i');
  std::string million_tabs = "ia:";
  for (int n = 0; n < 1000000; ++n) million_tabs += "\t1";
  const std::vector<LineCase> cases = {
      {"INTEGER", "i:\t42\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.i)->val.i, 42); }},
      {"REAL", "r:\t0.5\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.r)->val.r, 0.5f); }},
      {"ANGLE", "a:\t1o2\"3\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.a)->val.i, 3723); }},
      {"BOOLEAN", "b:\t1\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.b)->val.i, 1); }},
      {"CHARACTER", "c:\tx\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.c)->val.c, 'x'); }},
      {"STRING with blanks up to a CR", "s:\t two  words \r\n", "",
       [](Resources& t) { EXPECT_STREQ(t.global(t.s)->val.s, " two  words "); }},
      {"empty STRING", "s:\t\n", "", [](Resources& t) { EXPECT_STREQ(t.global(t.s)->val.s, ""); }},
      {"array", "ia:\t1\t-2\t3\n", "", [](Resources& t) { EXPECT_EQ(t.collect(t.global(t.ia)), (std::vector<int32_t>{1, -2, 3})); }},
      {"empty array", "ia:\t1\nia:\n", "", [](Resources& t) { EXPECT_EQ(t.global(t.ia)->word6, 0u); }},
      {"STRING array", "sa:\ta b\t\tc\n", "",
       [](Resources& t) { EXPECT_EQ(t.strings(t.sa), (std::vector<std::string>{"a b", "", "c"})); }},
      {"comments and empty lines count", "# c\n\n\r\ni:\t1\nzz:\t1\n", bad_name(5),
       [](Resources& t) { EXPECT_EQ(t.global(t.i)->val.i, 1); }},
      {"hidden variable", "hidden:\t1\n", bad_name(1), nullptr},
      {"not a resource variable, still assigned", "plain:\t5\n",
       "Error - plain is not a resource variable.  At line 1 in resource file '%s'.\n",
       [](Resources& t) { EXPECT_EQ(t.global(t.plain)->val.i, 5); }},
      {"too long an array stays", "ia:\t9\nia:\t1\t2\t3\t4\n",
       "Error - resource value size exceeds array size at line 2 in resource file '%s'.\n",
       [](Resources& t) { EXPECT_EQ(t.collect(t.global(t.ia)), std::vector<int32_t>{9}); }},
      {"a million TABs", million_tabs + "\n",
       "Error - resource value size exceeds array size at line 1 in resource file '%s'.\n", nullptr},
      {"bad INTEGER", "i:\t3\ni:\t12x\n", bad_value("INTEGER", 2), [](Resources& t) { EXPECT_EQ(t.global(t.i)->val.i, 3); }},
      {"overflowing INTEGER", "i:\t99999999999\n", bad_value("INTEGER"), nullptr},
      {"overflowing REAL", "\nr:\t1e999\n", bad_value("REAL", 2), nullptr},
      {"bad array element", "ia:\t1\tx\n", bad_value("INTEGER-array"), nullptr},
      {"no TAB", "i:1\n", bad_value("INTEGER"), nullptr},
      {"NUL in a number", std::string("i:\t1\0002\n", 7), bad_value("INTEGER"), nullptr},
      {"NUL in a STRING", std::string("s:\tkept\ns:\ta\0b\n", 15), bad_value("STRING", 2),
       [](Resources& t) { EXPECT_STREQ(t.global(t.s)->val.s, "kept"); }},
      {"no colon", "i\t1\n", bad_name(1), nullptr},
      {"long name", long_name + ":\t1\n", bad_name(1), nullptr},
      {"name of digits", "9:\t1\n", bad_name(1), nullptr},
      {"variable is no window", "i.x:\t1\n", bad_name(1), nullptr},
      {"unknown attribute", "dlg.WIDTH:\t1\n", bad_name(1), nullptr},
      {"unknown local", "dlg.nosuch:\t1\n", bad_name(1), nullptr},
      {"window local", "dlg.lv:\t3\n", "", [](Resources& t) { EXPECT_EQ(t.local(t.dlg)->val.i, 3); }},
      {"ORIGIN_X", "dlg.ORIGIN_X:\t4094\n", "", [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->x, 4094); }},
      {"ORIGIN_Y below range, still applied", "dlg.ORIGIN_Y:\t-5\n", out_of_range("ORIGIN_Y"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->y, -5); }},
      {"ORIGIN_X beyond 16 bits", "dlg.ORIGIN_X:\t99999\n", out_of_range("ORIGIN_X"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->x, 32767); }},
      {"SIZE_X 1 reported and applied", "dlg.SIZE_X:\t1\n", out_of_range("SIZE_X"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->width, 1); }},
      {"SIZE_X 2 and SIZE_Y 4095", "dlg.SIZE_X:\t2\ndlg.SIZE_Y:\t4095\n", "",
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->width, 2); EXPECT_EQ(t.ui(t.dlg)->height, 4095); }},
      {"SIZE_Y 0 gives 1", "dlg.SIZE_Y:\t0\n", out_of_range("SIZE_Y"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->height, 1); }},
      {"negative SIZE_X gives 1", "dlg.SIZE_X:\t-7\n", out_of_range("SIZE_X"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->width, 1); }},
      {"SIZE_Y beyond range", "dlg.SIZE_Y:\t40000\n", out_of_range("SIZE_Y"),
       [](Resources& t) { EXPECT_EQ(t.ui(t.dlg)->height, 32767); }},
      {"window without the attribute", "bare.ORIGIN_X:\t5\n",
       "Error - bare's ORIGIN_X is not a resource attribute.  At line 1 in resource file '%s'.\n",
       [](Resources& t) { EXPECT_EQ(t.ui(t.bare)->x, 5); }},
      {"bad geometry value", "dlg.SIZE_X:\tbig\n", bad_value("MENU_WINDOW"), nullptr},
      {"last line without LF", "i:\t8", "", [](Resources& t) { EXPECT_EQ(t.global(t.i)->val.i, 8); }},
  };
  for (size_t n = 0; n < cases.size(); ++n) {
    const LineCase& k = cases[n];
    SCOPED_TRACE(k.what);
    std::string path = file("case" + std::to_string(n), k.text), messages;
    EXPECT_EQ(read(path, &messages), !k.messages.empty());
    EXPECT_EQ(messages, expand(k.messages, path));
    if (k.check) k.check(*this);
  }
}

TEST_F(Resources, NamesInAnyOrderFindTheFirstIdentifierOfTheirNameAndOwner) {
  uint16_t later_i = program.add(GLOBAL, variable(K_INTEGER), "i");
  load();
  // Backwards: no name is the identifier after the last one found.
  std::string path = file("r", "bare.lv:\t2\ndlg.lv:\t3\ns:\tx\ni:\t5\n"), messages;
  EXPECT_FALSE(read(path, &messages));
  EXPECT_EQ(messages, "");
  EXPECT_EQ(local(bare)->val.i, 2);
  EXPECT_EQ(local(dlg)->val.i, 3);
  EXPECT_STREQ(global(s)->val.s, "x");
  EXPECT_EQ(global(i)->val.i, 5);
  EXPECT_EQ(global(later_i)->val.i, 0);
  // The later "i" follows "bare" in the table, but the first one is taken.
  write_file(path, "bare.lv:\t4\ni:\t6\n");
  EXPECT_FALSE(read(path, &messages));
  EXPECT_EQ(global(i)->val.i, 6);
  EXPECT_EQ(global(later_i)->val.i, 0);
}

TEST_F(Resources, AWindowRestrictedReadTakesOnlyThatWindowsLinesOfTheSelectedKinds) {
  load();
  std::string path = file("r", "i:\t5\ndlg.lv:\t3\nbare.ORIGIN_X:\t1\nzz:\t1\ndlg.ORIGIN_X:\t50\n");
  std::string messages;
  EXPECT_FALSE(read(path, &messages, global(dlg), false, RESOURCE_VARIABLES));
  EXPECT_EQ(messages, "");
  EXPECT_EQ(global(i)->val.i, 7);
  EXPECT_EQ(local(dlg)->val.i, 3);
  EXPECT_EQ(ui(dlg)->x, 0);
  EXPECT_EQ(ui(bare)->x, 0);

  write_file(path, "dlg.lv:\t4\ndlg.ORIGIN_X:\t50\n");
  EXPECT_FALSE(read(path, &messages, global(dlg), false, RESOURCE_GEOMETRY));
  EXPECT_EQ(local(dlg)->val.i, 3);
  EXPECT_EQ(ui(dlg)->x, 50);
}

TEST_F(Resources, AMissingFileOrADirectoryIsOnlyAWarning) {
  load();
  std::string messages;
  EXPECT_FALSE(read(dir.path(), &messages));
  EXPECT_EQ(messages, "Warning - Unable to open resource file " + dir.path() + " - Is a directory.\n");
  EXPECT_FALSE(read(dir.file("none"), &messages));
  EXPECT_EQ(messages, "Warning - Unable to open resource file " + dir.file("none") + " - No such file or directory.\n");
  // A device is not read: /dev/zero would never end.
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/zero";
#endif
  EXPECT_FALSE(read(device, &messages));
  EXPECT_EQ(messages, "Warning - Unable to open resource file " + device + " - not a regular file.\n");
}

// ---- Start-up ----

TEST_F(Resources, StartUpReadsSitePrivateAndLocalInOrder) {
  std::string site = file("site", "i:\t1\ns:\tsite\ndlg.ORIGIN_X:\t10\n");
  std::string private_ = file("private", "i:\t2\ndlg.ORIGIN_X:\t20\n");
  std::string local_ = file("local", "i:\t3\n");
  load(site.c_str(), private_.c_str(), local_.c_str());
  EXPECT_EQ(global(i)->val.i, 3);
  EXPECT_STREQ(global(s)->val.s, "site");
  EXPECT_EQ(ui(dlg)->x, 20);
}

TEST_F(Resources, AnErrorInThePrivateOrLocalFileDoesNotStopTheStart) {
  std::string bad = file("bad", "zz:\t1\ni:\t4\n");
  testing::internal::CaptureStderr();
  load(nullptr, bad.c_str(), bad.c_str());
  std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(global(i)->val.i, 4);
  EXPECT_NE(messages.find("Error - bad resource name at line 1 in resource file '" + bad + "'.\n"), std::string::npos);
}

TEST_F(Resources, AnErrorInTheSiteFileHalts) {
  std::string bad = file("bad", "i:\t1\nzz:\t1\n");
  // The dying start may run in a process of its own, with a folder of its own.
  EXPECT_EXIT(load(bad.c_str()), testing::ExitedWithCode(1),
              contains_regex("Error - bad resource name at line 2 in resource file '[^']*/bad'.\n.*"
                             "qob terminated - Resource file error\\(s\\), see messages above."));
}

// ---- Saving, comparing ----

TEST_F(Resources, SaveWritesWhatDiffersFromTheLayersBelowTheSelectedFile) {
  std::string site = file("site", "i:\t1\nr:\t0.5\n");
  std::string private_ = file("private", "i:\t2\ns:\tmine\n");
  std::string local_ = dir.file("local");
  load(site.c_str(), private_.c_str(), local_.c_str());
  // The state now: i 2 and s "mine" from the private file; then changes.
  change_variable(global(1), global(a), integer_value(-3723), false);
  change_variable(global(1), global(c), integer_value('q'), false);
  change_variable(global(1), local(dlg), integer_value(12), false);
  reset_array_size(global(1), global(sa), 2);
  global(sa)->val.a[0].s = dup_chars("one two");
  global(sa)->val.a[1].s = dup_chars("");
  ui(dlg)->set_origin(40, 0);

  struct SaveCase {
    int selector;
    const char* path;
    std::string expected;
  };
  const SaveCase cases[] = {
      {0, site.c_str(),
       "i:\t2\nr:\t0.5\na:\t-1o2\"3\nc:\tq\ns:\tmine\nsa:\tone two\t\ndlg.ORIGIN_X:\t40\ndlg.lv:\t12\n"},
      {1, private_.c_str(), "i:\t2\na:\t-1o2\"3\nc:\tq\ns:\tmine\nsa:\tone two\t\ndlg.ORIGIN_X:\t40\ndlg.lv:\t12\n"},
      {2, local_.c_str(), "a:\t-1o2\"3\nc:\tq\nsa:\tone two\t\ndlg.ORIGIN_X:\t40\ndlg.lv:\t12\n"},
  };
  // The site file is read back for selectors 1 and 2: write it last.
  for (int n : {2, 1, 0}) {
    SCOPED_TRACE(n);
    run(save_code(cases[n].selector));
    EXPECT_FALSE(rterror);
    EXPECT_EQ(read_file(cases[n].path), cases[n].expected);
  }
  EXPECT_EQ(files(), (std::set<std::string>{"site", "private", "local"}));  // no temporary left
}

TEST_F(Resources, AFileJustWrittenReadInCompareModeClearsEveryDiffersFlag) {
  std::string site = dir.file("site");
  load(site.c_str());
  change_variable(global(1), global(i), integer_value(99), false);
  change_variable(global(1), global(r), integer_value(0x3F000000), false);
  value text{};
  text.s = dup_chars(" spaced ");
  change_variable(global(1), global(s), text, false);
  reset_array_size(global(1), global(ia), 2);
  global(ia)->val.a[1].i = -4;
  change_variable(global(1), local(dlg), integer_value(5), false);
  ui(dlg)->set_origin(33, 44);
  run(save_code(0));
  ASSERT_FALSE(rterror);
  const std::vector<ident_info*> named = {global(i), global(r), global(s), global(ia), local(dlg)};
  for (ident_info* v : named) EXPECT_TRUE(v->word8 & IDENT_CHANGED) << name_of(v);
  std::string messages;
  EXPECT_FALSE(read(site, &messages, nullptr, true));
  EXPECT_EQ(messages, "");
  for (ident_info* v : named) EXPECT_FALSE(v->word8 & IDENT_CHANGED) << name_of(v);
  EXPECT_EQ(record_of(global(dlg))->call_flags & 0x1E, 0);

  // A value that differs from the file sets the flag again.
  change_variable(global(1), global(i), integer_value(98), false);
  EXPECT_FALSE(read(site, &messages, nullptr, true));
  EXPECT_TRUE(global(i)->word8 & IDENT_CHANGED);
  ui(dlg)->set_origin(34, 44);
  EXPECT_FALSE(read(site, &messages, nullptr, true));
  EXPECT_EQ(record_of(global(dlg))->call_flags & 0x1E, geometry_differs_flag(RA_ORIGIN_X));
}

// Found by the fuzz target: the elements read before a bad one were freed
// in compare mode too, where none is kept.
TEST_F(Resources, ABadArrayElementInCompareModeIsOnlyReported) {
  load();
  std::string path = file("r", std::string("w.ORIGIN_X:\t11\nsa:\tp\tq)\0\nsa:\tx\n", 31));
  std::string messages;
  EXPECT_TRUE(read(path, &messages, nullptr, true));
  EXPECT_EQ(messages, "Error - bad resource name at line 1 in resource file '" + path +
                          "'.\nError - bad STRING-array resource value at line 2 in resource file '" + path + "'.\n");
  EXPECT_TRUE(global(sa)->word8 & IDENT_CHANGED);
  EXPECT_EQ(global(sa)->word6, 0u);
}

#ifdef _WIN32
// Under Windows a file that is open for reading cannot be replaced: the
// save fails at its last step.
TEST_F(Resources, ASaveOverAFileHeldOpenKeepsItAndLeavesNoTemporary) {
  std::string local_ = file("local", "i:\t1\n");
  load(nullptr, nullptr, local_.c_str());
  change_variable(global(1), global(i), integer_value(99), false);
  auto save_while_held = [&] {
    FILE* held = fopen(local_.c_str(), "rb");
    ASSERT_NE(held, nullptr);
    run(save_code(2));
    fclose(held);
  };
  // The dying save may run in a process of its own, with a folder of its own.
  EXPECT_EXIT(save_while_held(), testing::ExitedWithCode(1),
              contains_regex("SAVE_DEFAULTS - Unable to write resource file '[^']*/local' - Permission denied"));
  EXPECT_EQ(read_file(local_), "i:\t1\n");
  EXPECT_EQ(files(), std::set<std::string>{"local"});
}
#endif

TEST_F(Resources, SaveAndRestoreRefuseWhatTheCommandLineDidNotGiveAndBadOperands) {
  load(dir.file("site").c_str());
  EXPECT_EXIT(run(save_code(1)), testing::ExitedWithCode(1),
              "SAVE_DEFAULTS - requested defaults file not specified on qob command line");
  EXPECT_EXIT(run({yarl::op::PUSH_BYTE, 3, op::SAVE_DEFAULTS}), testing::ExitedWithCode(1),
              "SAVE_DEFAULTS - defaults file selector 3 not 0, 1 or 2");
  EXPECT_EXIT(run({yarl::op::PUSH_LONG, 0xFF, 0xFF, 0xFF, 0xFF, op::SAVE_DEFAULTS}), testing::ExitedWithCode(1),
              "SAVE_DEFAULTS - defaults file selector -1 not 0, 1 or 2");
  EXPECT_EXIT(run(restore_code(3, 3, 1)), testing::ExitedWithCode(1), "RESTORE_DEFAULTS - depth 3 not 0, 1 or 2");
  write_file(dir.file("site"), "zz:\t1\n");
  EXPECT_EXIT(run(restore_code(0, 3, 1)), testing::ExitedWithCode(1),
              contains_regex("bad resource name at line 1.*Resource file error\\(s\\)"));
}

// ---- Restoring ----

TEST_F(Resources, RestoreGivesEachTargetItsDefaultsAndTheFilesUpToTheDepth) {
  std::string site = file("site", "i:\t1\ndlg.lv:\t1\ndlg.ORIGIN_X:\t10\n");
  std::string private_ = file("private", "i:\t2\ndlg.lv:\t2\ndlg.ORIGIN_X:\t20\n");
  std::string local_ = file("local", "i:\t3\ndlg.lv:\t3\ndlg.ORIGIN_X:\t30\n");
  load(site.c_str(), private_.c_str(), local_.c_str());
  ASSERT_EQ(global(i)->val.i, 3);
  ASSERT_EQ(ui(dlg)->x, 30);
  struct RestoreCase {
    const char* what;
    uint16_t reference;  // 0 the context's window, 1 every window, else that window
    uint16_t context;
    int depth, flags;
    int32_t i, lv, x;  // afterwards, from 9, 9 and 99
  };
  const RestoreCase cases[] = {
      {"every window, site", 1, 1, 0, 3, 1, 1, 10},
      {"every window, private", 1, 1, 1, 3, 2, 2, 20},
      {"every window, local", 1, 1, 2, 3, 3, 3, 30},
      {"every window, variables only", 1, 1, 0, 1, 1, 1, 99},
      {"one window, private", dlg, 1, 1, 3, 9, 2, 20},
      {"one window, geometry only", dlg, 1, 0, 2, 9, 9, 10},
      {"the context's window, variables", 0, dlg, 2, 1, 9, 3, 99},
      {"every window, no files read", 1, 1, 0, 0, 9, 9, 99},
  };
  for (const RestoreCase& k : cases) {
    SCOPED_TRACE(k.what);
    change_variable(global(1), global(i), integer_value(9), false);
    change_variable(global(1), local(dlg), integer_value(9), false);
    ui(dlg)->set_origin(99, 0);
    std::vector<uint8_t> code = restore_code(k.depth, k.flags, uint8_t(k.reference & 0x1F));
    if (k.reference > 31) {  // a two-byte reference
      code.pop_back();
      code.push_back(uint8_t(k.reference >> 8));
      code.push_back(uint8_t(k.reference));
    }
    run(code, k.context);
    EXPECT_FALSE(rterror);
    EXPECT_EQ(global(i)->val.i, k.i);
    EXPECT_EQ(local(dlg)->val.i, k.lv);
    EXPECT_EQ(ui(dlg)->x, k.x);
  }
}

TEST_F(Resources, RestoreWithoutFilesGivesTheValuesAfterTheInitialCode) {
  load();
  change_variable(global(1), global(i), integer_value(1), false);
  value text{};
  text.s = dup_chars("other");
  change_variable(global(1), global(s), text, false);
  reset_array_size(global(1), global(ia), 3);
  ui(dlg)->set_origin(5, 6);
  set_window_geometry(global(dlg), RA_SIZE_X, 70);
  ASSERT_FALSE(record_of(global(dlg))->state & WR_AUTO_WIDTH);
  run(restore_code(0, 3, 1));
  EXPECT_EQ(global(i)->val.i, 7);
  EXPECT_STREQ(global(s)->val.s, "init");
  EXPECT_EQ(global(ia)->word6, 0u);
  EXPECT_EQ(ui(dlg)->x, 0);
  EXPECT_EQ(ui(dlg)->y, 0);
  // The window sized itself at the start: it does so again.
  EXPECT_TRUE(record_of(global(dlg))->state & WR_AUTO_WIDTH);
}

// A window that sizes itself to its content keeps the size from a file.
TEST_F(Resources, ASizeFromAFileHoldsOverTheAutomaticSize) {
  uint16_t shown = add_window(program, {"shown", true,
                                        {label(program, K_STRING, [](yarl::Code& code) { code.push_string("Hello"); })},
                                        {}});
  program.ident(GLOBAL, shown).word2 |= ALL_ATTRIBUTES;
  std::string site = file("site", "shown.SIZE_X:\t300\nshown.ORIGIN_X:\t" + std::to_string(slot_x(screen_slot)) +
                                      "\nshown.ORIGIN_Y:\t" + std::to_string(slot_y(screen_slot)) + "\n");
  load(site.c_str());
  update_menu_windows();
  XSync(display(), False);
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  ASSERT_NE(ui(shown)->x_window, 0u);
  XGetGeometry(display(), ui(shown)->x_window, &root, &x, &y, &width, &height, &border, &depth);
  EXPECT_EQ(width, 300u);
  EXPECT_GT(height, 1u);  // the other side still follows the content
  EXPECT_LT(height, 100u);
}

// ---- Code of the resource state ----

TEST_F(Resources, TheResourceStateCompilesToOneByteSequence) {
  load();
  ui(dlg)->set_origin(40, 0);
  ui(dlg)->set_size(300, 1);
  change_variable(global(1), global(i), integer_value(70000), false);
  change_variable(global(1), local(dlg), integer_value(200), false);
  reset_array_size(global(1), global(ia), 2);
  global(ia)->val.a[0].i = 33;
  global(ia)->val.a[1].i = 34;
  table code;
  table_create(&code, 1, 512);
  compile_resources(global(0), global(0) + tables[T_GLOBALS].length, 0, &code);
  std::vector<uint8_t> bytes(code.as<uint8_t>(), code.as<uint8_t>() + code.length);
  table_delete(&code);
  auto ref = [](uint16_t n) { return std::vector<uint8_t>{uint8_t(n >> 8), uint8_t(n)}; };
  std::vector<uint8_t> expected;
  auto add = [&](std::vector<uint8_t> b) { expected.insert(expected.end(), b.begin(), b.end()); };
  add({73, 0, 1, 0x11, 0x70, 22});  // i := 70000
  add(ref(i));
  add({222, 22});  // r := 0
  add(ref(r));
  add({222, 22});
  add(ref(a));
  add({222, 22});
  add(ref(b));
  add({222, 22});
  add(ref(c));
  add({88, 4, 'i', 'n', 'i', 't', 22});
  add(ref(s));
  add({255, 72, 34, 9});  // ia := (33, 34)
  add(ref(ia));
  add({9});  // sa := ()
  add(ref(sa));
  add({222, 22});  // hidden
  add(ref(hidden));
  add({72, 40, 196});  // dlg.ORIGIN_X, then SIZE_X; y 0 and height 1 are left out
  add(ref(dlg));
  add({89, 100, 1, 44, 196});
  add(ref(dlg));
  add({61, 158});
  add(ref(dlg));
  add({72, 200, 22, 0x80 | 0x20 | 1});  // dlg.lv, local 1
  add({158});
  add(ref(bare));
  add({222, 22, 0x80 | 0x20 | 1});
  add({107});
  EXPECT_EQ(bytes, expected);
}

TEST_F(Resources, RunningTheCompiledCodeAfterARestoreGivesTheStateBack) {
  load();
  // A state away from the defaults, a STRING longer than one push among it.
  std::string long_text(70000, 'y');
  long_text[65535] = 'z';
  value text{};
  text.s = dup_chars(long_text.c_str());
  change_variable(global(1), global(s), text, false);
  change_variable(global(1), global(i), integer_value(-5), false);
  change_variable(global(1), global(r), integer_value(0x40490FDB), false);
  change_variable(global(1), global(a), integer_value(1295999), false);
  change_variable(global(1), global(b), integer_value(1), false);
  change_variable(global(1), global(c), integer_value('\t'), false);
  change_variable(global(1), local(dlg), integer_value(123456), false);
  reset_array_size(global(1), global(sa), 3);
  for (int e = 0; e < 3; ++e) global(sa)->val.a[e].s = dup_chars(std::string(size_t(e) * 300, 'k').c_str());
  reset_array_size(global(1), global(ia), 1);
  global(ia)->val.a[0].i = INT32_MIN;
  // Geometry goes through the window operations; this state keeps them out.
  global(dlg)->word2 &= uint16_t(~ALL_ATTRIBUTES);

  table code;
  table_create(&code, 1, 512);
  compile_resources(global(0), global(0) + tables[T_GLOBALS].length, 0, &code);
  run(restore_code(0, 3, 1));
  ASSERT_EQ(global(i)->val.i, 7);
  ASSERT_STREQ(global(s)->val.s, "init");
  interpret_code(global(1), code.as<uint8_t>(), false);
  table_delete(&code);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(std::string(global(s)->val.s), long_text);
  EXPECT_EQ(global(i)->val.i, -5);
  EXPECT_EQ(global(r)->val.u, 0x40490FDBu);
  EXPECT_EQ(global(a)->val.i, 1295999);
  EXPECT_EQ(global(b)->val.i, 1);
  EXPECT_EQ(global(c)->val.i, '\t');
  EXPECT_EQ(local(dlg)->val.i, 123456);
  EXPECT_EQ(strings(sa), (std::vector<std::string>{"", std::string(300, 'k'), std::string(600, 'k')}));
  EXPECT_EQ(collect(global(ia)), std::vector<int32_t>{INT32_MIN});
}

}  // namespace
