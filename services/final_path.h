#pragma once
#include <windows.h>

namespace services {

// Where an open file or directory really is, links followed, as Windows
// gives it ("\\?\C:\games\velmora"); Wine gives the path of a Unix symbolic
// link's target. The call is newer than Windows XP and is looked up at run
// time; XP, which has no file links, reports FINAL_PATH_UNKNOWN.
constexpr DWORD FINAL_PATH_ROOM = 2 * MAX_PATH;
enum FinalPathResult { FINAL_PATH_FOUND, FINAL_PATH_UNKNOWN, FINAL_PATH_FAILED };
FinalPathResult FinalPathOf(HANDLE open, wchar_t (&path)[FINAL_PATH_ROOM]);

// A kernel32 call that Windows XP lacks, or nullptr where it is missing.
template <typename Function>
Function NewerKernelCall(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace services
