#pragma once
// The toolkit's predefined modal dialogs: file selection, message box and list selection.
// Their texts are Portuguese, or English when the environment variable TUK_INGLES is set.

#include "tuk.h"

// What the file dialog is for: choosing a file to read, or naming one to write (the chooser then
// accepts a name that does not exist yet and asks nothing about one that does: the caller does).
enum TukFileMode { TUK_FILE_OPEN = 0, TUK_FILE_SAVE = 1 };

// File dialog. On entry path holds the filter pattern ("*.ref"); on return the chosen
// full path. The buffer must hold at least 256 bytes. The dialog starts in the folder of the
// file chosen last; the process's current folder is left as it was.
// Returns 0 for an existing file, 1 for a typed name of a file that does not exist, -1 when
// cancelled (the buffer is then left as it was given).
int TukGetFile(char* path, int mode = TUK_FILE_OPEN);

// Help viewer: shows an HTML file (its full path) at its top in a window of its own with this
// title, kept above the owner (the WID of a dialog; null for none), reusing the window while it
// exists (it keeps its first title). Returns 1, or 0 when the driver in use has no viewer
// (nothing is shown then).
int TukHelpShow(const char* path, const char* title, const char* owner_wid);
// Closes the viewer's window, if there is one.
void TukHelpClose(void);

// The icon of a message box: information, or an error the user must act on.
enum TukMessageKind { TUK_MESSAGE_INFO = 0, TUK_MESSAGE_ERROR = 1 };

// Modal message box with one OK button, placed beside its owner window rather than over it.
// With the environment variable TUK_MESSAGE_LOG naming a file, each message is also appended
// to it as "title<TAB>text" (for scripts that drive the program from outside).
void TukMessage(const char* title, const char* text, int kind = TUK_MESSAGE_INFO);

// List selection. type 1: single choice; op is the 1-based item shown selected (outside
// 1..size it is 1); returns the chosen 0-based index, or -1 after Cancel, Esc or the close
// box. type 2: multiple choice; marks[i] (size entries) give and receive the selection;
// returns 0, or -1 when cancelled (marks then keep what they were). max_col and max_lin size
// the list in characters and lines. A double click, or Enter, accepts; Esc cancels.
int TukListDialog(int type, const char* title, int size, const char** list, int op, int max_col,
                  int max_lin, int* marks);

// Two selections of the same entry closer than this many seconds are a double click.
constexpr double TUK_LIST_DOUBLE_CLICK_SECONDS = 0.5;
