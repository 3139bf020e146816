#pragma once
#include <windows.h>

namespace services {

// A lock named after a file, which one process of this machine holds at a
// time: the file's path is its key, as the system finds it (links and drive
// letters of the same folder give the same lock). The process that holds
// it keeps it until ReleaseFileLock or its end, whatever it does with the
// file meanwhile; a file that must stay in one process's hand while it is
// closed and replaced is guarded so.

// Takes the lock of the file at the path (best full and literal, as the
// file opens take it); its handle, or nullptr when another process holds it
// or it cannot be made (a caller then must not count on having the file to
// itself).
HANDLE TakeFileLock(const wchar_t* path);
// Lets the lock go; nullptr does nothing.
void ReleaseFileLock(HANDLE lock);

}  // namespace services
