#pragma once
#include <windows.h>

namespace foundation {

// Loads a DLL of Windows (e.g. "dinput.dll") from the system folder, never
// by its bare name: that would search the program's folder and the current
// directory (the game's) first, and a DLL of that name put there would run
// inside the launcher. The DLLs it imports are searched from the system
// folder on too. Null when the path does not fit or there is no such
// library.
HMODULE LoadSystemLibrary(const char* fileName);

// A function of a loaded library, as the type the caller gives; nullptr for
// none.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
}

}  // namespace foundation
