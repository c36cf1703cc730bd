// The build machine's own tools (ImageMagick, libtiff's and libjpeg's tools,
// ghostscript, python3) run by a test to make its input files or read its
// output: natively through /bin/sh, under wine as a Unix program wine starts.
#pragma once

#include <string>

namespace host_tools {

// The path by which those tools reach a file the test program names.
std::string tool_path(const std::string& path);

// Runs `command` with /bin/sh; its standard output, and its exit status
// through `status` (-1 when it did not run or ended by a signal).
std::string shell(const std::string& command, int* status = nullptr);

// The exit status of `command`, its output let through to the test's own.
int run(const std::string& command);

}  // namespace host_tools
