#pragma once
#include <windows.h>

namespace foundation {

// The module handle of the running program, taken once at entry. Window
// classes, dialogs and DirectInput are registered against it.
inline HINSTANCE programInstance = nullptr;

}  // namespace foundation
