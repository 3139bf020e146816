#pragma once
#include <windows.h>

#include <cstdint>

#include "foundation/lists.h"
#include "foundation/strings.h"

namespace launcher {

// The variables the main program keeps for the whole run; all start at zero.
struct ProgramVariables {
  HINSTANCE instance;
  HWND window;
  HANDLE titlePicture;
  HANDLE logoPicture;
  foundation::List roster;  // the characters; see launcher/roster.h
  // The selection read from the settings file at start.
  int32_t savedSelection;
  // The current directory at start, as the system gives it, and the paths
  // built on it.
  foundation::String baseDirectory;
  foundation::String gameProgram;
  foundation::String gameDirectory;
  foundation::String manualDocument;
  foundation::String firstParameter;
  // The build's prefix until the game is started with a character.
  foundation::String gameArguments;
  // The combo box selection read when Start was last pressed; saved at exit.
  int32_t startSelection;
  int32_t lastEvent;
  intptr_t lastControl;
  bool quit;
};

extern ProgramVariables program;

// Runs the launcher from start-up to the end of the process.
[[noreturn]] void MainProgram(HINSTANCE instance);

// The one way out: releases the keyboard, images, windows and files, destroys
// both heaps and ends the process with exit code 0.
[[noreturn]] void EndProgram();

}  // namespace launcher
