// The message boxes of the Windows programs: through a hook that tests can
// replace; the default shows the system's message box.
#pragma once

#include <windows.h>

typedef int (*Lx_MessageBoxHook)(const char* text, const char* title, UINT type);
// Returns the previous hook; null puts the system's box back.
Lx_MessageBoxHook Lx_SetMessageBoxHook(Lx_MessageBoxHook hook);
int Lx_MessageBox(const char* text, const char* title, UINT type);
