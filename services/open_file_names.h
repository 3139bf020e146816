#pragma once
#include <windows.h>
// after windows.h, which it needs
#include <winternl.h>

namespace services {

// Moving and deleting a file through a handle that is open on it (opened with
// DELETE access), so that what goes is this very file, whatever has become
// of the name it was opened by. Both work on every Windows since XP.

// Gives the open file the name (relative to the current directory, or a full
// path on the same volume), replacing a file of that name. False, with the
// system's error code as the last error, when it keeps its name.
bool MoveOpenFile(HANDLE file, const char* name);
// Deletes the open file once its last handle is closed.
bool DeleteOpenFile(HANDLE file);

}  // namespace services
