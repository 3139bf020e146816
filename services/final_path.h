#pragma once
#include <windows.h>

#include "foundation/system_library.h"

namespace services {

// Where an open file or directory really is, links followed, as Windows
// gives it ("\\?\C:\games\velmora"); Wine gives the path of a Unix symbolic
// link's target. The call is newer than Windows XP and is looked up at run
// time; XP, which has no file links, reports FINAL_PATH_UNKNOWN.
constexpr DWORD FINAL_PATH_ROOM = 2 * MAX_PATH;
enum FinalPathResult { FINAL_PATH_FOUND, FINAL_PATH_UNKNOWN, FINAL_PATH_FAILED };
FinalPathResult FinalPathOf(HANDLE open, wchar_t* path, DWORD room);
inline FinalPathResult FinalPathOf(HANDLE open, wchar_t (&path)[FINAL_PATH_ROOM]) {
  return FinalPathOf(open, path, FINAL_PATH_ROOM);
}

// Room for any path Windows knows, in characters.
constexpr DWORD LONG_PATH_ROOM = 32768;

// The full path of a path (relative to the current directory, or full) in
// the literal form that Windows takes as it stands and at any length:
// "\\?\C:\games\velmora.cfg", "\\?\UNC\server\share\velmora.cfg". Its length
// in characters; 0 when it does not fit the room.
DWORD LiteralPathOf(const wchar_t* path, wchar_t* literal, DWORD room);

// A kernel32 call that Windows XP lacks, or nullptr where it is missing.
template <typename Function>
Function NewerKernelCall(const char* name) {
  return foundation::LibraryFunction<Function>(GetModuleHandleA("kernel32.dll"), name);
}

}  // namespace services
