// The command that starts feed_app (a program of tests/support) with these
// words: files it sends, "-w NAME" to wait for a file, "-o FILE" to keep its
// input. A test program using it is given FEED_APP by its CMakeLists.txt.
#pragma once

#include <initializer_list>
#include <string>

inline std::string feed_command(std::initializer_list<std::string> words) {
  std::string command = FEED_APP;
  for (const std::string& w : words) command += " " + w;
  return command;
}
