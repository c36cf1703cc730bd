// The Windows half of the own X server: the whole program runs on an Xvfb
// that tests/support/on_own_xvfb.sh started, since wine opens its X
// connection as the process starts. Each case's server shares that display.
#include <windows.h>  // before the X headers, whose masks are names in it

#include "tests/support/own_x_server.h"

#include <cstdlib>

OwnXServer::OwnXServer() { start(); }

void OwnXServer::start() {
  const char* display = getenv("DISPLAY");
  if (getenv("QOB_OWN_SERVER") != nullptr && display != nullptr) name_ = display;
}

void OwnXServer::start_locked() {}
void OwnXServer::stop() {}
void OwnXServer::use() const {}  // DISPLAY names it already

void OwnDisplayEnvironment::SetUp() {
  x_ = new OwnXServer();
  ASSERT_FALSE(x_->name().empty()) << "not on an X server of its own: run by tests/support/on_own_xvfb.sh";
}

void OwnDisplayEnvironment::TearDown() {
  delete x_;
  x_ = nullptr;
}

// Ends the server when finish() asks, or returns when the server has ended.
void ServerOnOwnDisplay::watch(RunOptions& options) {
  ending_ = false;
  options.while_running = [this](long pid) {
    pid_ = pid;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (process == nullptr) return;
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT)
      if (ending_) {
        TerminateProcess(process, 1);
        break;
      }
    CloseHandle(process);
    pid_ = 0;
  };
}

namespace {

struct LargestWindow {
  DWORD process;
  long area = 0;
  POINT corner{};
};

BOOL CALLBACK consider_window(HWND window, LPARAM argument) {
  LargestWindow& found = *reinterpret_cast<LargestWindow*>(argument);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  RECT client;
  if (process != found.process || !IsWindowVisible(window) || !GetClientRect(window, &client)) return TRUE;
  long area = long(client.right - client.left) * (client.bottom - client.top);
  POINT corner{0, 0};
  if (area > found.area && ClientToScreen(window, &corner)) {
    found.area = area;
    found.corner = corner;
  }
  return TRUE;
}

}  // namespace

bool ServerOnOwnDisplay::graphics_origin(int* x, int* row) const {
  LargestWindow found{DWORD(pid_.load())};
  if (found.process == 0) return false;
  EnumWindows(consider_window, reinterpret_cast<LPARAM>(&found));
  if (found.area == 0) return false;
  *x = found.corner.x;
  *row = found.corner.y;
  return true;
}

const RunResult& ServerOnOwnDisplay::finish() {
  if (display_ != nullptr) XCloseDisplay(display_);
  display_ = nullptr;
  ending_ = true;
  if (thread_.joinable()) thread_.join();
  return result_;
}
