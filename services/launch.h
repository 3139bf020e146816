#pragma once
#include <cstdint>

namespace services {

// Launch flags; all other bits are ignored.
constexpr int32_t LAUNCH_WAIT = 1;    // wait for the end of the started process
constexpr int32_t LAUNCH_HIDDEN = 2;  // start it hidden instead of shown normally
// The caller ends right after the launch: the shell finishes all of it
// (a conversation with a browser, work on a thread of its own) before it
// returns, so that nothing is cut off when the caller's process ends.
constexpr int32_t LAUNCH_BEFORE_EXIT = 4;

// Loads the shell and sets up COM on the calling thread, apartment-threaded
// and without OLE1 DDE, as the shell needs it for the verb handlers and
// browsers it talks to: once, before the first launch, which calls it
// itself. When COM cannot be set up, launches go on without it; when the
// shell cannot be had, every launch fails (gives 0).
void SetUpShell();
// Takes down what SetUpShell set up; at the end of the program.
void ReleaseShell();

// Opens a program, document or web address through the shell with the verb
// "Open", passing the parameters (none or empty for none). The working
// directory is `directory` when that is given and not empty, otherwise the
// target's folder up to and with its last backslash, otherwise none: a web
// address or a bare file name gets none, and so does a target whose folder
// would be longer than 511 characters. The shell shows its own error box when
// it cannot open the target.
//
// Returns 0 on failure (and for no target), the handle of the started process
// (the caller's to close; with LAUNCH_WAIT the process has ended and the
// handle still tells its exit code), or 1 when the shell started no new
// process.
//
// The target and the directory are paths, which the shell gets in their wide
// form, so that a folder whose name the ANSI code page cannot spell is
// reached as it is; the parameters are a text of the ANSI code page.
intptr_t LaunchItem(const wchar_t* target, const char* parameters, const wchar_t* directory,
                    int32_t flags);
// The same with a target and a directory of the ANSI code page.
intptr_t LaunchItem(const char* target, const char* parameters, const char* directory,
                    int32_t flags);
// Starts without waiting and shown normally.
intptr_t LaunchInDirectory(const char* target, const char* parameters, const char* directory);
// Opens a document or web address without parameters in the derived directory.
intptr_t LaunchDocument(const char* target);
intptr_t LaunchDocument(const wchar_t* target);
// Closes the process handle in a launch result; 0 and 1 hold none.
void CloseLaunchedProcess(intptr_t launched);

}  // namespace services
