#pragma once

#include <cstdint>

#include "foundation/strings.h"

namespace launcher {

// Start-up: the base directory is the current directory (1000 blanks that
// GetCurrentDirectoryA overwrites), with the game program, the game directory
// and the manual under it.
void ReadBaseDirectory();
// Start-up: with "-BUY" (exactly) as the first parameter, opens the shop page
// and gives true: the program is to end at once. Any other first parameter,
// or none, gives false.
bool RunShopModeWhenAsked();
// The paths and the game's command line for this run; ReadBaseDirectory
// starts them anew.
struct OutsidePaths {
  // The current directory at start, as the system gives it, and the paths
  // built on it.
  foundation::String baseDirectory;
  foundation::String gameProgram;
  foundation::String gameDirectory;
  foundation::String manualDocument;
  // The build's prefix until the game is started with a character.
  foundation::String gameArguments;
};
const OutsidePaths& Paths();
// Start-up: the game arguments begin as the build's argument prefix.
void ResetGameArguments();

// The buttons that open a document or web page; the launcher stays open.
void OpenManual();
void OpenWebsite();
void OpenShop();

// Start: reads the selection and gives it back as the start selection; with
// a character selected, starts the game with it (the launcher is then to end,
// even when the start failed); with none (-1), shows the error.
int32_t StartGame();
// The error box of Start and Delete when no character is selected.
void ShowNoSelectionError();

// Appends "-dir <name> -pl <name>" to the game arguments, the name unchanged
// and unquoted, and starts the game program in the game directory without
// waiting for it. Nothing reports a failed start; the shell may show its own
// error box.
void StartGameAs(const char* name);

}  // namespace launcher
