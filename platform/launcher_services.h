// The launcher's calls of its platform: message boxes, the file-open dialog,
// files and folders, and the start of the server. One implementation per
// platform; the launcher's logic (launcher/viewer.cpp) uses nothing else of it.
#pragma once

#include <string>
#include <vector>

// Shows `text` in a box titled "Vorq Viewer" with an OK button and waits for
// it to be closed; the icon says whether it is an error. Over Xlib the text
// also goes to standard error, and without a display only there.
void show_message(const std::string& text, bool error);

enum class dialog_result { chosen, cancelled, failed };

// The file-open dialog "Open Vorq Viewer File": filters "*.vf" and "*.*", a
// name field, the file and its folder must exist. On `chosen`, `path` holds
// the file's path; `failed` means no dialog could be shown.
dialog_result open_file_dialog(std::string* path);

// True when `path` names something that can be opened for reading and is no
// folder.
bool file_exists(const std::string& path);

// The server program's file name: found beside the launcher, else through the
// system's program search.
extern const char* const server_program_name;

// The folder part of the launcher's own path as started, without trailing
// separators; "./" when it has none.
std::string launcher_directory(const char* argument0);

// The temporary folder: `folder` with one trailing "/" for the server, and
// `log_prefix`, the system's path as it gives it, which the log file's name
// follows directly. False when there is none.
bool temporary_directory(std::string* folder, std::string* log_prefix);

// Starts the server from `argv` and `command_line` (the same words: over
// POSIX argv[0] is found through PATH unless it holds a "/"; Windows takes the
// line whole) detached from the launcher, with no input and its output and
// errors in the log file, and does not wait for it. Returns 0 when it runs,
// -98 when the log file cannot be created, -2 when the server cannot be
// started (the system's reason then goes to standard error with
// `command_line`).
int start_server(const std::vector<std::string>& argv, const std::string& command_line,
                 const std::string& log_file);
