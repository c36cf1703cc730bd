#include <windows.h>

#include <cctype>

#include "tests/support/test_lock.h"

// A file of the temporary folder opened for no one else and deleted at its
// close: the wineserver of every program under wine closes it when the
// process ends, so a crashed test leaves no lock behind.
intptr_t take_test_lock(const std::string& name) {
  char folder[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) return -1;
  std::string path = folder;
  for (char c : name) path += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  path += ".lock";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  return reinterpret_cast<intptr_t>(file);
}

void release_test_lock(intptr_t lock) {
  if (lock != -1) CloseHandle(reinterpret_cast<HANDLE>(lock));
}
