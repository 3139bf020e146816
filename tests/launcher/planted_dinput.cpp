#include <windows.h>

// Stands in for a dinput.dll that someone put into the game's folder. It has
// nothing of DirectInput; once loaded into a process it leaves the empty file
// "planted-dinput-loaded" in that process's current directory.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE mark = CreateFileA("planted-dinput-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  }
  return TRUE;
}
