#pragma once
#include <windows.h>

#include <string>

namespace test_support {

// What Win32 reports of a window, of this process or another.
std::string TextOf(HWND window);
std::string ClassOf(HWND window);
// The message of a message box: the text of its first static control that
// has one (the icon's has none).
std::string MessageBoxText(HWND box);
// A visible top-level window of the class in the process (0: in any process
// but this one); nullptr when there is none now.
HWND FindVisibleWindow(DWORD processId, const char* className);

}  // namespace test_support
