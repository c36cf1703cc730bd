// The names a folder holds, "." and ".." left out: what a case finds left
// behind, such as temporary files of a failed write.
#pragma once

#include <set>
#include <string>

std::set<std::string> folder_entries(const std::string& path);
