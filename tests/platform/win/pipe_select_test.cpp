// Pipe reads by reader threads and nt_select over Win32.
#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "tests/platform/win/win_test_helpers.h"

namespace {

using std::chrono::steady_clock;

class WinPipeReads : public testing::Test {
 protected:
  void SetUp() override { preset_posix_services(); }
};

// Waits for the reader of fd to finish; false when it does not within the time.
bool wait_complete(int fd, int timeout_ms = 5000) {
  auto start = steady_clock::now();
  while (!read_complete(fd))
    if (elapsed_ms(start) > timeout_ms) return false;
  return true;
}

TEST_F(WinPipeReads, ReadCopiesNeitherMoreThanSizeNorTheBegunSizeAndKeepsTheRest) {
  test_pipe p;
  std::string data(100, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char('a' + i % 26);
  ASSERT_EQ(write_all(p.write, data.data(), data.size()), 100);
  begin_read(p.read, 8193);
  ASSERT_TRUE(wait_complete(p.read));

  // Each read is begun again with the size of the one before.
  const struct {
    int size, expected;
  } reads[] = {{10, 10}, {4, 4}, {50, 4}, {50, 50}, {50, 32}};
  char buffer[128];
  std::string got;
  for (const auto& r : reads) {
    memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(select_one(p.read, 2000)) << r.size;
    ASSERT_EQ(read_pipe(p.read, buffer, r.size), r.expected) << r.size;
    EXPECT_EQ(buffer[r.expected], '#') << "wrote past the bytes it returned";
    got.append(buffer, size_t(r.expected));
  }
  EXPECT_EQ(got, data);
  EXPECT_FALSE(read_complete(p.read)) << "the next read waits for more";
}

// Bytes waiting in the pipe are read at once, a read that would wait goes
// to the reader thread: a stream written in uneven pieces, sometimes ahead
// of the reads and sometimes behind, arrives whole and in order.
TEST_F(WinPipeReads, AStreamAheadOfAndBehindTheReadsArrivesWholeInOrder) {
  test_pipe p;
  std::string data(300000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7 + i / 251);
  std::thread writer([&p, &data] {
    const size_t pieces[] = {1, 8193, 20000, 3, 65536, 100, 8192, 40000};
    size_t at = 0;
    for (int i = 0; at < data.size(); ++i) {
      const size_t n = std::min(pieces[i % 8], data.size() - at);
      write_all(p.write, data.data() + at, n);
      at += n;
      if (i % 3 == 0) Sleep(2);
    }
    p.close_write();
  });
  begin_read(p.read, 8193);
  const std::string got = read_to_end(p.read, 20000);
  writer.join();
  ASSERT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data) << "bytes lost, doubled or out of order";
}

TEST_F(WinPipeReads, BeginningAgainDropsStagedBytes) {
  test_pipe p;
  ASSERT_EQ(write_all(p.write, "0123456789", 10), 10);
  begin_read(p.read, 8193);
  ASSERT_TRUE(wait_complete(p.read));
  char buffer[16];
  ASSERT_EQ(read_pipe(p.read, buffer, 4), 4);
  begin_read(p.read, 8193);
  EXPECT_FALSE(read_complete(p.read));
  ASSERT_EQ(write_all(p.write, "new", 3), 3);
  ASSERT_TRUE(wait_complete(p.read));
  ASSERT_EQ(read_pipe(p.read, buffer, 16), 3);
  EXPECT_EQ(std::string(buffer, 3), "new");
}

TEST_F(WinPipeReads, EndOfFileRepeatsWithoutANewRead) {
  test_pipe p;
  begin_read(p.read, 8193);
  EXPECT_FALSE(read_complete(p.read));
  p.close_write();
  ASSERT_TRUE(wait_complete(p.read));
  char buffer[16];
  EXPECT_EQ(read_pipe(p.read, buffer, 16), 0);
  auto start = steady_clock::now();
  EXPECT_EQ(read_pipe(p.read, buffer, 16), 0);
  EXPECT_TRUE(read_complete(p.read));
  EXPECT_LT(elapsed_ms(start), 2000) << "waited as if for data";
}

TEST_F(WinPipeReads, DescriptorsNeverBegunOrOutOfRange) {
  test_pipe p;
  char buffer[8];
  EXPECT_TRUE(read_complete(p.read));
  EXPECT_EQ(read_pipe(p.read, buffer, 8), 0);
  for (int fd : {-1, 1024, 5000}) {
    EXPECT_TRUE(read_complete(fd)) << fd;
    EXPECT_EQ(read_pipe(fd, buffer, 8), -1) << fd;
  }
}

TEST_F(WinPipeReads, BeginningAgainCancelsTheBlockedReaderAndLosesNothing) {
  test_pipe p;
  begin_read(p.read, 8193);
  begin_read(p.read, 16);  // the first reader is blocked in its read
  EXPECT_FALSE(read_complete(p.read));
  ASSERT_EQ(write_all(p.write, "hello", 5), 5);
  ASSERT_TRUE(wait_complete(p.read));
  char buffer[32];
  ASSERT_EQ(read_pipe(p.read, buffer, 32), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
}

TEST_F(WinPipeReads, EndingTheReadLetsThePipeCloseAtOnce) {
  test_pipe p;
  begin_read(p.read, 8193);
  auto start = steady_clock::now();
  end_read(p.read);
  p.close_read();
  EXPECT_LT(elapsed_ms(start), 1000);
  EXPECT_TRUE(read_complete(p.read));
}

TEST(WinPipeReadsDeathTest, ReadWhileTheReaderRunsEndsTheServer) {
  EXPECT_EXIT(
      {
        test_pipe p;
        begin_read(p.read, 8193);
        char buffer[16];
        read_pipe(p.read, buffer, 16);
      },
      testing::ExitedWithCode(1), "\nInternal error, read_pipe called before read was complete.\n");
}

class WinWaits : public WinPipeReads {};

TEST_F(WinWaits, ZeroTimeOutWithNothingReadyReturnsAnEmptySet) {
  test_pipe p;
  begin_read(p.read, 8193);
  int count = -1;
  auto start = steady_clock::now();
  EXPECT_FALSE(select_one(p.read, 0, &count));
  EXPECT_EQ(count, 0);
  EXPECT_LT(elapsed_ms(start), 2000) << "a zero time-out waited";
}

TEST_F(WinWaits, PipeBecomingReadyEndsALongWaitAtOnce) {
  test_pipe p;
  begin_read(p.read, 8193);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    write_all(p.write, "x", 1);
  });
  auto start = steady_clock::now();
  bool ready = select_one(p.read, 5000);
  int64_t took = elapsed_ms(start);
  writer.join();
  EXPECT_TRUE(ready);
  EXPECT_GE(took, 80);
  EXPECT_LT(took, 2000);
}

TEST_F(WinWaits, TimeOutIsWaitedOutWhenNothingComes) {
  test_pipe p;
  begin_read(p.read, 8193);
  auto start = steady_clock::now();
  EXPECT_FALSE(select_one(p.read, 200));
  EXPECT_GE(elapsed_ms(start), 150);
}

TEST_F(WinWaits, SettledPipeIsReadyButDoesNotEndTheWait) {
  test_pipe settled, pending;
  begin_read(settled.read, 8193);
  settled.close_write();
  ASSERT_TRUE(wait_complete(settled.read));
  char buffer[8];
  ASSERT_EQ(read_pipe(settled.read, buffer, 8), 0);
  begin_read(pending.read, 8193);
  fd_set set;
  FD_ZERO(&set);
  FD_SET(settled.read, &set);
  FD_SET(pending.read, &set);
  timeval tv{0, 200 * 1000};
  auto start = steady_clock::now();
  int n = nt_select(1024, &set, nullptr, nullptr, &tv);
  EXPECT_GE(elapsed_ms(start), 150);
  EXPECT_EQ(n, 1);
  EXPECT_TRUE(FD_ISSET(settled.read, &set));
  EXPECT_FALSE(FD_ISSET(pending.read, &set));
}

bool display_pending = false;
bool pending_display(void*) { return display_pending; }

TEST_F(WinWaits, SetIsRewrittenToTheReadyDescriptorsOfEachKindAndCountsWhatItLists) {
  test_pipe ready, waiting, beyond;
  begin_read(ready.read, 8193);
  begin_read(waiting.read, 8193);
  ASSERT_EQ(write_all(ready.write, "x", 1), 1);
  ASSERT_TRUE(wait_complete(ready.read));
  ASSERT_TRUE(register_display_connection(0, pending_display, nullptr));
  display_pending = true;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(0, &set);
  FD_SET(ready.read, &set);
  FD_SET(waiting.read, &set);
  FD_SET(beyond.read, &set);  // not below n: never tested
  timeval tv{1, 0};
  int n = nt_select(beyond.read, &set, nullptr, nullptr, &tv);
  display_pending = false;
  unregister_display_connection(0);
  ASSERT_LT(ready.read, beyond.read);
  ASSERT_LT(waiting.read, beyond.read);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(int(set.fd_count), n);
  EXPECT_TRUE(FD_ISSET(0, &set));
  EXPECT_TRUE(FD_ISSET(ready.read, &set));
  EXPECT_FALSE(FD_ISSET(waiting.read, &set));
  EXPECT_FALSE(FD_ISSET(beyond.read, &set));
}

// The partner socket as nt_select sees it through get_socket.
int partner_socket = -1;
int get_partner_socket() { return partner_socket; }

TEST_F(WinWaits, PartnerSocketIsReadyWhenItHasBytes) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(listener, INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);
  partner_socket = int(server);
  set_socket_source(get_partner_socket);

  bool before = select_one(partner_socket, 0);
  ASSERT_EQ(send(client, "p", 1, 0), 1);
  bool after = select_one(partner_socket, 2000);
  set_socket_source(nullptr);
  closesocket(client);
  closesocket(server);
  closesocket(listener);
  EXPECT_FALSE(before);
  EXPECT_TRUE(after);
}

// Pumps this thread's messages; true when input came.
bool input_arrived = false;
bool pump_input(void*) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message >= WM_KEYFIRST && message.message <= WM_MOUSELAST) input_arrived = true;
    DispatchMessageA(&message);
  }
  return input_arrived;
}

TEST_F(WinWaits, InputForTheMainThreadEndsTheWait) {
  HWND window = CreateWindowExA(0, "STATIC", "input", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  SetFocus(window);
  input_arrived = false;
  pump_input(nullptr);
  input_arrived = false;
  ASSERT_TRUE(register_display_connection(0, pump_input, nullptr));
  std::thread sender([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    INPUT key[2] = {};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = 'A';
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, key, sizeof(INPUT));
  });
  auto start = steady_clock::now();
  int count = 0;
  bool ready = select_one(0, 5000, &count);
  int64_t took = elapsed_ms(start);
  sender.join();
  unregister_display_connection(0);
  DestroyWindow(window);
  EXPECT_TRUE(ready);
  EXPECT_EQ(count, 1);
  EXPECT_LT(took, 4000);
}

}  // namespace
