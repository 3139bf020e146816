#pragma once
#include <windows.h>

#include "foundation/object_table.h"

namespace launcher {

// The launcher's control numbers; events name a control only by its number.
enum ControlNumber : foundation::ObjectNumber {
  CONTROL_TITLE_PICTURE = 0,
  CONTROL_LOGO_PICTURE = 1,
  CONTROL_START = 2,
  CONTROL_MANUAL = 3,
  CONTROL_WEBSITE = 4,
  CONTROL_QUIT = 5,
  CONTROL_NEW_CHARACTER = 6,
  CONTROL_DELETE_CHARACTER = 7,
  CONTROL_CHARACTERS = 8,
  CONTROL_CHARACTER_FRAME = 9,
  CONTROL_BUY = 10,
};

constexpr foundation::ObjectNumber MAIN_WINDOW = 0;

// Opens window 0 at its fixed place with the build's client size.
HWND OpenMainWindow();
// Creates the eleven controls in window 0, in the order of the layout.
void CreateMainControls(HWND window, HANDLE titlePicture, HANDLE logoPicture);

}  // namespace launcher
