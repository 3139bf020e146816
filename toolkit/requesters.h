#pragma once
#include <windows.h>

#include <cstdint>

namespace toolkit {

// The two modal questions. While one runs, this thread's other windows take
// no input (they still repaint), and it is owned by the foreground window
// when that belongs to this process.

// Shows MessageBoxA with the style as its type (0: OK, 4: Yes and No).
// Returns MessageBoxA's answer: IDOK (1), IDYES (6), IDNO (7), or 0 when the
// box could not be shown.
int32_t ShowMessageBox(const char* title, const char* message, int32_t style);

// Asks for one line of text in the "InputRequester" dialog: a prompt, an
// input field holding the default text (none: left untouched) and an "Ok"
// button. "Ok" and Enter take the text, at most 9999 characters; Escape and a
// close request give the empty text, and so does a dialog that cannot be
// made. Not re-entrant: one AskText at a time, on one thread.
//
// The answer is a string result: written at the scratch position (cut at what
// fits) with the position left on its terminating zero. Returns where it
// begins, the caller's mark.
char* AskText(const char* title, const char* prompt, const char* defaultText);

// Disables every visible, enabled top-level window of the calling thread
// except the foreground window, and remembers each for EnableThreadWindows.
// Windows that were already disabled or hidden are left as they are.
void DisableThreadWindows();
// Enables again what DisableThreadWindows disabled on the calling thread.
void EnableThreadWindows();

// Forgets every disabled-window record and the text requester's state, for
// a runtime whose heaps were made anew.
void ResetRequesters();

// The foreground window when it belongs to this process, else nullptr.
HWND ProcessForegroundWindow();

}  // namespace toolkit
