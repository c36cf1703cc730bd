// Loader of the compiled YARL binary into the 14 global tables.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the whole file from the open descriptor; halts on a bad file.
// The caller closes the descriptor.
void read_tables(int fd);

// Decodes a file image already in memory (the loader's second half; used by
// the partner handshake and by tests).
void decode_tables(const uint8_t* bytes, size_t size);
