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
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (process == nullptr) return;
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT)
      if (ending_) {
        TerminateProcess(process, 1);
        break;
      }
    CloseHandle(process);
  };
}

const RunResult& ServerOnOwnDisplay::finish() {
  if (display_ != nullptr) XCloseDisplay(display_);
  display_ = nullptr;
  ending_ = true;
  if (thread_.joinable()) thread_.join();
  return result_;
}
