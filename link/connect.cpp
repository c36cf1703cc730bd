#include "link/connect.h"

// No partner can connect yet: the connection itself is not offered.
bool connected() { return false; }
