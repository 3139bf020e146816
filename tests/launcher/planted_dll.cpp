#include <windows.h>

// Stands in for a DLL of Windows (dinput.dll, hid.dll) that someone put into
// the game's folder. It has nothing of the real one; once loaded into a
// process it leaves the empty file "planted-dll-loaded" in that process's
// current directory.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE mark = CreateFileA("planted-dll-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  }
  return TRUE;
}
