// The setup files' writes that fail through the system, in a child whose
// files may not grow past 100 bytes, and the FIFOs that no reader opens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "setup_files/design_file.h"
#include "tests/setup_files/light_file_fixture.h"
#include "tests/setup_files/room_file_fixture.h"

namespace {

using namespace setup_test;

// Runs `body` in a child whose files may not grow past 100 bytes; its exit
// status. The child ends without freeing what it made.
int with_small_file_limit(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SetupFiles, ADesignExportPastTheLimitKeepsTheOldFile) {
  put("old", "old");
  EXPECT_EQ(with_small_file_limit(
                [&] { return TrqDsnExport(path("old").c_str(), std::string(200, 'l').c_str(), "", "", ""); }),
            1);
  EXPECT_EQ(contents("old"), "old");
  EXPECT_EQ(entries(), std::set<std::string>{"old"});
}

TEST_F(LightFile, AWritePastTheLimitKeepsTheOldFile) {
  std::string old(60, 'o');
  put("l", old);
  EXPECT_EQ(with_small_file_limit([&] { return TrqDlgWrite(path("l").c_str(), spot()); }), 1);
  EXPECT_EQ(contents("l"), old);
  EXPECT_EQ(entries(), std::set<std::string>{"l"});
}

TEST_F(RoomFile, RoomAndTiffWritesPastTheLimitKeepTheOldFiles) {
  put("old", "old");
  EXPECT_EQ(with_small_file_limit([&] { return TrqDrmWrite(path("old").c_str(), room()); }), 1);
  const uint32_t width = 3, height = 2;
  std::vector<uint8_t> rgba(width * height * 4, 99);
  put("old.tif", "old");
  EXPECT_EQ(with_small_file_limit([&] { return write_tiff(path("old.tif").c_str(), width, height, rgba.data()); }), 1);
  EXPECT_EQ(contents("old"), "old");
  EXPECT_EQ(contents("old.tif"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"old", "old.tif"}));
}

// An image that can't be written: result 1, no room file, no partial TIFF.
TEST_F(RoomBox, AnExportPastTheLimitLeavesNoRoomFileAndNoPartialTiff) {
  BoxState b{};
  b.visible = true;
  b.shown[0] = b.shown[5] = true;
  for (float& r : b.repeat) r = 1;
  b.size[0] = b.size[1] = b.size[2] = 100;
  b.names[0] = b.names[5] = tiff("f.tif", 255, 0, 0);
  b.set();
  EXPECT_EQ(with_small_file_limit([&] { return TrqDrmExport(path("y.room").c_str(), true); }), 1);
  EXPECT_EQ(entries(), std::set<std::string>{"f.tif"});
}

TEST_F(SetupFiles, AFifoIsNeitherReadNorTakenForATiff) {
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(trq_open_input(path("fifo").c_str()), nullptr);
  EXPECT_FALSE(FileIsTiff(path("fifo").c_str()));
}

}  // namespace
