#pragma once
#include <windows.h>

#include <string>

namespace test_support {

// Real input through the X server (xdotool), which Wine receives as hardware
// input, exactly as from a person at the machine. Screen coordinates of the
// Wine desktop are X root coordinates.

// Moves the pointer to a point of a window's client area.
void MovePointerTo(HWND window, int clientX, int clientY);
// Clicks a mouse button (1 left, 3 right) at a point of the client area.
void ClickAt(HWND window, int clientX, int clientY, int button = 1, int repeat = 1);
// Clicks the middle of a window, for instance a button.
void ClickCentre(HWND window, int button = 1, int repeat = 1);
// Presses keys by their X names ("Tab", "shift+Tab", "space", "Return").
void PressKeys(const std::string& keys);
void TypeText(const std::string& text);

}  // namespace test_support
