// The user interface of the loaded YARL program: its preset and clean-up.
// Window display, busy state and shortcuts are in window_record.h.
#pragma once

// Builds a window record and a toolkit window for every YARL window (toolkit
// windows only when the application context exists), runs the initial code,
// reads the resource files (a site-file error halts) and queues the visible
// windows.
void preset_user_interface(const char* yarl_error_e_mail, bool quiet, bool trace,
                           const char* site_resource, const char* private_resource,
                           const char* local_resource);
void cleanup_user_interface();
// Binds the toolkit window of identifier 1 ("Graphics") to the graphics
// window, after start-up and whenever that window is made anew.
void reset_graphics_window();

// The resource-file paths kept by the preset (null = none).
const char* site_resource_path();
const char* private_resource_path();
const char* local_resource_path();
