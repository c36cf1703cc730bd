#include "tests/support/folder_entries.h"

#include <filesystem>

std::set<std::string> folder_entries(const std::string& path) {
  std::set<std::string> names;
  std::error_code failed;
  for (const auto& entry : std::filesystem::directory_iterator(path, failed))
    names.insert(entry.path().filename().string());
  return names;
}
