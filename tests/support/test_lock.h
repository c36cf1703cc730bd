// A lock that test programs running at once take by name, held until released
// or the process ends: an abstract socket on Linux, a lock file under Windows.
#pragma once

#include <cstdint>
#include <string>

// The lock's handle, or -1 while another process holds `name`.
intptr_t take_test_lock(const std::string& name);
void release_test_lock(intptr_t lock);
