// The builder tests' calls of the operating system, one half per system.
#pragma once

#include <functional>
#include <string>

void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);
// Runs `write` with files limited to `bytes` (writes beyond it fail, even as
// root). POSIX only: under Windows it fails the test.
void with_file_size_limit(long bytes, const std::function<void()>& write);
