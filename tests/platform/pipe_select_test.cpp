#include <sys/socket.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tests/platform/posix_test_helpers.h"

namespace {

using std::chrono::steady_clock;

class PipeReads : public testing::Test {
 protected:
  void SetUp() override { preset_posix_services(); }
};

TEST_F(PipeReads, ReadNeverCopiesMoreThanSizeNorTheBegunRequest) {
  test_pipe p;
  std::string data(100, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
  ASSERT_EQ(write_all(p.write, data.data(), data.size()), 100);

  char buffer[64];
  auto read_into_guarded = [&](int size) {
    memset(buffer, '#', sizeof buffer);
    return read_pipe(p.read, buffer, size);
  };
  begin_read(p.read, 8193);
  ASSERT_EQ(read_into_guarded(10), 10);
  EXPECT_EQ(std::string(buffer, 10), data.substr(0, 10));
  EXPECT_EQ(buffer[10], '#');

  begin_read(p.read, 4);  // a smaller request bounds the next read
  ASSERT_EQ(read_into_guarded(50), 4);
  EXPECT_EQ(std::string(buffer, 4), data.substr(10, 4));
  EXPECT_EQ(buffer[4], '#');

  ASSERT_EQ(read_into_guarded(50), 50);  // the next read was begun with 50
  EXPECT_EQ(std::string(buffer, 50), data.substr(14, 50));
  EXPECT_EQ(buffer[50], '#');

  EXPECT_EQ(read_into_guarded(0), -1);
  EXPECT_EQ(buffer[0], '#');
}

TEST_F(PipeReads, EndOfFileSettlesTheSlotUntilBegunAgain) {
  test_pipe p;
  begin_read(p.read, 8193);
  EXPECT_FALSE(read_complete(p.read));
  p.close_write();
  EXPECT_TRUE(read_complete(p.read));
  char buffer[16];
  EXPECT_EQ(read_pipe(p.read, buffer, 16), 0);
  EXPECT_EQ(read_pipe(p.read, buffer, 16), 0);
  EXPECT_TRUE(read_complete(p.read));
}

TEST_F(PipeReads, DescriptorNeverBegunReadsAsEndOfFile) {
  test_pipe p;
  int fd = fcntl(p.read, F_DUPFD, 900);  // a number no other test begins
  ASSERT_GE(fd, 900);
  EXPECT_TRUE(read_complete(fd));
  char buffer[16];
  EXPECT_EQ(read_pipe(fd, buffer, 16), 0);
  int count = 0;
  EXPECT_TRUE(select_one(fd, 0, &count));
  EXPECT_EQ(count, 1);
  close(fd);
}

TEST_F(PipeReads, DescriptorsOutOfRangeAreCompleteAndReadAsErrors) {
  char buffer[16];
  for (int fd : {-1, FD_SETSIZE, 5000}) {
    SCOPED_TRACE(fd);
    begin_read(fd, 16);
    EXPECT_TRUE(read_complete(fd));
    EXPECT_EQ(read_pipe(fd, buffer, 16), -1);
  }
}

TEST(PipeReadsDeathTest, ReadWhileNothingIsWaitingEndsTheServer) {
  test_pipe p;
  begin_read(p.read, 8193);
  char buffer[16];
  EXPECT_EXIT(read_pipe(p.read, buffer, 16), testing::ExitedWithCode(1),
              "\nInternal error, read_pipe called before read was complete\\.\n");
}

// A stand-in X connection: a pipe whose 'e' bytes are events and whose other
// bytes are traffic that queues nothing, read by the pending callback as
// XPending reads the connection.
struct fake_display {
  test_pipe wire;
  int queued = 0;
  int asked = 0;

  fake_display() { fcntl(wire.read, F_SETFL, O_NONBLOCK); }
};

bool fake_pending(void* ctx) {
  auto* display = static_cast<fake_display*>(ctx);
  ++display->asked;
  char c;
  while (read(display->wire.read, &c, 1) == 1)
    if (c == 'e') ++display->queued;
  return display->queued > 0;
}

// Its queue check: events read before, without reading the wire.
bool fake_queued(void* ctx) { return static_cast<fake_display*>(ctx)->queued > 0; }

int partner_socket = -1;
int get_partner_socket() { return partner_socket; }

class Waits : public PipeReads {
 protected:
  void TearDown() override {
    for (int fd : registered_) unregister_display_connection(fd);
    set_socket_source(nullptr);
    partner_socket = -1;
  }
  void add_display(fake_display* display, bool queue_check = false) {
    ASSERT_TRUE(register_display_connection(display->wire.read, fake_pending, display,
                                            queue_check ? fake_queued : nullptr));
    registered_.push_back(display->wire.read);
  }
  std::vector<int> registered_;
};

TEST_F(Waits, ZeroTimeOutWithNothingReadyScansOnceAndReturnsNothing) {
  test_pipe idle_pipe;
  begin_read(idle_pipe.read, 8193);
  auto start = steady_clock::now();
  int count = -1;
  EXPECT_FALSE(select_one(idle_pipe.read, 0, &count));
  EXPECT_EQ(count, 0);
  EXPECT_LT(elapsed_ms(start), 50);
}

TEST_F(Waits, TimeOutIsWaitedOutWhenNothingComes) {
  test_pipe idle_pipe;
  begin_read(idle_pipe.read, 8193);
  auto start = steady_clock::now();
  EXPECT_FALSE(select_one(idle_pipe.read, 150));
  EXPECT_GE(elapsed_ms(start), 145);
  EXPECT_LT(elapsed_ms(start), 1000);
}

TEST_F(Waits, PipeBecomingReadyEndsALongWaitAtOnce) {
  test_pipe from_child;
  pid_t pid = forkexec("sh -c 'sleep 0.5; printf x'", -1, from_child.give_write());
  ASSERT_GT(pid, 0);
  begin_read(from_child.read, 8193);
  ASSERT_FALSE(select_one(from_child.read, 0));
  auto start = steady_clock::now();
  EXPECT_TRUE(select_one(from_child.read, 20000));
  EXPECT_LT(elapsed_ms(start), 3000);
  char buffer[16];
  EXPECT_EQ(read_pipe(from_child.read, buffer, 16), 1);
  EXPECT_TRUE(wait_gone(pid));
}

TEST_F(Waits, SettledPipeIsReadyButDoesNotEndTheWait) {
  test_pipe ended;
  begin_read(ended.read, 8193);
  ended.close_write();
  char buffer[16];
  ASSERT_TRUE(select_one(ended.read, 1000));  // end of file is news once
  ASSERT_EQ(read_pipe(ended.read, buffer, 16), 0);

  auto start = steady_clock::now();
  EXPECT_TRUE(select_one(ended.read, 0));
  EXPECT_LT(elapsed_ms(start), 50);
  start = steady_clock::now();
  EXPECT_TRUE(select_one(ended.read, 200));
  EXPECT_GE(elapsed_ms(start), 195) << "a pipe at end of file made the wait spin";

  test_pipe fresh;  // but news on another descriptor ends it at once
  begin_read(fresh.read, 8193);
  ASSERT_EQ(write_all(fresh.write, "y", 1), 1);
  fd_set set;
  FD_ZERO(&set);
  FD_SET(ended.read, &set);
  FD_SET(fresh.read, &set);
  timeval long_wait{20, 0};
  start = steady_clock::now();
  EXPECT_EQ(nt_select(FD_SETSIZE, &set, nullptr, nullptr, &long_wait), 2);
  EXPECT_LT(elapsed_ms(start), 1000);
  EXPECT_TRUE(FD_ISSET(ended.read, &set));
  EXPECT_TRUE(FD_ISSET(fresh.read, &set));
}

TEST_F(Waits, SetIsRewrittenToTheReadyDescriptorsOfEachKind) {
  fake_display display;
  add_display(&display);
  int sockets[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  partner_socket = sockets[0];
  set_socket_source(get_partner_socket);
  test_pipe with_data;
  test_pipe without_data;
  begin_read(with_data.read, 8193);
  begin_read(without_data.read, 8193);
  ASSERT_EQ(write_all(with_data.write, "z", 1), 1);

  fd_set set;
  FD_ZERO(&set);
  for (int fd : {display.wire.read, sockets[0], with_data.read, without_data.read}) FD_SET(fd, &set);
  timeval none{0, 0};
  EXPECT_EQ(nt_select(FD_SETSIZE, &set, nullptr, nullptr, &none), 1);
  EXPECT_TRUE(FD_ISSET(with_data.read, &set));
  EXPECT_FALSE(FD_ISSET(display.wire.read, &set));
  EXPECT_FALSE(FD_ISSET(sockets[0], &set));
  EXPECT_FALSE(FD_ISSET(without_data.read, &set));

  ASSERT_EQ(write(sockets[1], "m", 1), 1);
  ASSERT_EQ(write(display.wire.write, "e", 1), 1);
  FD_ZERO(&set);
  for (int fd : {display.wire.read, sockets[0], without_data.read}) FD_SET(fd, &set);
  EXPECT_EQ(nt_select(FD_SETSIZE, &set, nullptr, nullptr, &none), 2);
  EXPECT_TRUE(FD_ISSET(display.wire.read, &set));
  EXPECT_TRUE(FD_ISSET(sockets[0], &set));
  EXPECT_FALSE(FD_ISSET(without_data.read, &set));
  close(sockets[0]);
  close(sockets[1]);
}

TEST_F(Waits, DisplayInputEndsALongWait) {
  for (bool queue_check : {false, true}) {
    SCOPED_TRACE(queue_check ? "with a queue check" : "pending only");
    fake_display display;
    add_display(&display, queue_check);
    pid_t pid = forkexec("sh -c 'sleep 0.5; printf e'", -1, display.wire.give_write());
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(select_one(display.wire.read, 0));
    auto start = steady_clock::now();
    EXPECT_TRUE(select_one(display.wire.read, 20000));
    EXPECT_LT(elapsed_ms(start), 3000);
    EXPECT_TRUE(wait_gone(pid));
  }
}

TEST_F(Waits, DisplayTrafficWithoutEventsNeitherCountsNorSpins) {
  for (bool queue_check : {false, true}) {
    SCOPED_TRACE(queue_check ? "with a queue check" : "pending only");
    fake_display display;
    add_display(&display, queue_check);
    // The child sends traffic and leaves: its end of the wire hangs up.
    pid_t pid = forkexec("printf n", -1, display.wire.give_write());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(wait_gone(pid));
    auto start = steady_clock::now();
    EXPECT_FALSE(select_one(display.wire.read, 400));
    EXPECT_GE(elapsed_ms(start), 395);
    EXPECT_LE(display.asked, 60) << "asked at every wake of a hung-up connection";
    EXPECT_GE(display.asked, 1) << "hung-up connection never asked";
  }
}

// The cost that the queue check saves: a quiet connection is not asked while
// another descriptor is ready, yet events read earlier or waiting on the wire
// still count at once.
TEST_F(Waits, DisplayWithAQueueCheckIsAskedOnlyWhenReadableOrQueued) {
  fake_display display;
  add_display(&display, true);
  test_pipe with_data;
  begin_read(with_data.read, 8193);
  ASSERT_EQ(write_all(with_data.write, "z", 1), 1);
  struct step {
    const char* name;
    const char* on_wire;  // written before the scan
    int queued_before;    // events read before the scan
    bool ready;
    int asked;
  };
  const step steps[] = {
      {"quiet, nothing queued", "", 0, false, 0},
      {"an event on the wire", "e", 0, true, 1},
      {"the event still queued", "", 1, true, 2},
      {"traffic without events", "n", 0, false, 3},
      {"quiet again", "", 0, false, 3},
  };
  for (const step& s : steps) {
    SCOPED_TRACE(s.name);
    if (s.on_wire[0] != 0) {
      ASSERT_EQ(write(display.wire.write, s.on_wire, 1), 1);
    }
    display.queued = s.queued_before;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(display.wire.read, &set);
    FD_SET(with_data.read, &set);
    timeval none{0, 0};
    EXPECT_EQ(nt_select(FD_SETSIZE, &set, nullptr, nullptr, &none), s.ready ? 2 : 1);
    EXPECT_EQ(FD_ISSET(display.wire.read, &set) != 0, s.ready);
    EXPECT_TRUE(FD_ISSET(with_data.read, &set));
    EXPECT_EQ(display.asked, s.asked);
  }
}

TEST_F(Waits, AtMostTwoDisplaysAreRegistered) {
  fake_display first, second, third;
  add_display(&first);
  add_display(&second);
  EXPECT_FALSE(register_display_connection(third.wire.read, fake_pending, &third));
  EXPECT_TRUE(register_display_connection(first.wire.read, fake_pending, &first));
  unregister_display_connection(second.wire.read);
  add_display(&third);
}

TEST_F(Waits, EveryReadyDescriptorIsReported) {
  std::vector<std::unique_ptr<test_pipe>> pipes;
  fd_set set;
  FD_ZERO(&set);
  for (int i = 0; i < 70; ++i) {
    pipes.push_back(std::make_unique<test_pipe>());
    begin_read(pipes.back()->read, 8193);
    ASSERT_EQ(write_all(pipes.back()->write, "r", 1), 1);
    FD_SET(pipes.back()->read, &set);
  }
  timeval none{0, 0};
  EXPECT_EQ(nt_select(FD_SETSIZE, &set, nullptr, nullptr, &none), 70);
  for (const auto& p : pipes) EXPECT_TRUE(FD_ISSET(p->read, &set));
}

}  // namespace
