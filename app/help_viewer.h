#pragma once
// The help viewer: the user guide in a window of its own beside the main window.

// The help file's name, looked up next to the executable, then in the installed data folder,
// then in the current folder.
constexpr const char* HELP_FILE_NAME = "Varnesk.hlp";

// Full path of the help file found, or an empty string when there is none. The buffer is
// filled and returned.
const char* help_find_file(const char* file_name, char* buffer, unsigned long capacity);

// Opens the help file at its contents, in a window kept above the owner (the X window id of
// the main window, as WID reads it; null for none). Returns 0, or 1 when the file is missing
// (the user has been told).
int help_open(const char* file_name, const char* owner_wid);

// Closes the viewer of this help file, if it is open.
void help_quit(const char* file_name);
