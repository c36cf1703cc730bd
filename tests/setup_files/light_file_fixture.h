// The light-file tests' fixture: a list of one spot light, and the round
// trip of a list through a file.
#pragma once

#include <string>

#include "setup_files/light_file.h"
#include "tests/setup_files/setup_files_fixture.h"

namespace setup_test {

class LightFile : public SetupFiles {
 protected:
  // A list of one spot light with a few fields changed.
  static TrqDlg* spot() {
    TrqDlg* list;
    TrqDlgAlloc(&list, 2);
    list->version = 1.0;
    list->count = 1;
    TrqDlgInit(list);
    TrqLight& l = list->lights[0];
    TrqComInitS(&l.type, "spot_light");
    TrqComInitS(&l.name, "Spot one");
    TrqComInitArrF(l.ambient, {0.1, 0.2, 0.3, 1});
    TrqComInitArrF(l.aim_at, {1.5, -2, 0});
    l.casts_shadows = 1;
    l.spot_cutoff = 45;
    return list;
  }
  // Writes, reads and writes again; the second file must equal the first.
  void round_trip(const TrqDlg* list, const std::string& name) {
    ASSERT_EQ(TrqDlgWrite(path(name).c_str(), list), 0) << name;
    TrqDlg* back;
    ASSERT_EQ(TrqDlgRead(path(name).c_str(), &back), 0) << name;
    ASSERT_EQ(TrqDlgWrite(path(name + "2").c_str(), back), 0) << name;
    EXPECT_EQ(contents(name + "2"), contents(name)) << name;
    uint32_t typed = 0;
    for (uint32_t i = 0; i < list->count; ++i) typed += list->lights[i].type != nullptr;
    EXPECT_EQ(back->count, typed) << name;
    TrqDlgFree(back);
  }
};

}  // namespace setup_test
