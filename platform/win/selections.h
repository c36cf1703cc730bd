// The GDI half of the text selection: the system clipboard's text, read
// within its block and written with its terminator. Only the Windows build
// has it; the selection calls and their events go through it.
#pragma once

#include <windows.h>

#include <cstddef>

// The clipboard's text as a new copy (from CheckedMalloc, with a terminator)
// and its length; false, with null and 0, when it holds none. The text ends
// at its terminator or at the end of its block, whichever comes first. The
// clipboard is opened for `owner` and closed again; while another program
// holds it open, both calls try again for about 200 ms.
bool Lx_GetClipboardText(HWND owner, char** text, size_t* length);
// Empties the clipboard for `owner` and puts `length` bytes of text on it
// with a terminator; false when the clipboard or memory can't be had.
bool Lx_SetClipboardText(HWND owner, const char* text, size_t length);
