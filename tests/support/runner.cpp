// The parts of the runner that both builds share: temporary folders and files.
#include "tests/support/runner.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"

TempDir::TempDir() {
  std::error_code failed;
  std::string folder = std::filesystem::temp_directory_path(failed).generic_string();
  if (failed || folder.empty()) folder = "/tmp";
  if (folder.back() == '/') folder.pop_back();
  std::string pattern = folder + "/qob_test_XXXXXX";
  made_ = make_temporary_folder(pattern.data());
  path_ = made_ ? pattern : folder;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (made_) std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void write_file(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}
