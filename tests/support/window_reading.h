#pragma once
#include <windows.h>

#include <string>

namespace test_support {

// What Win32 reports of a window, of this process or another.
std::string TextOf(HWND window);
std::string ClassOf(HWND window);

}  // namespace test_support
