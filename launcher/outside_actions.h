#pragma once

#include <cstdint>

#include "foundation/strings.h"

namespace launcher {

// Start-up, once the installation folder is fixed: the base directory is
// that folder, with the game program, the game directory, the manual and
// the characters' folders under it. Every path the launcher acts on leads into the folder it
// was started in, whatever that folder's name: the ANSI code page cannot
// spell every name, and its look-alikes for the rest would lead into
// another folder.
void ReadBaseDirectory();
// Start-up: with "-BUY" (exactly) as the first parameter, opens the shop page
// and gives true: the program is to end at once (the shell has finished the
// launch by then). Any other first parameter, or none, gives false.
bool RunShopModeWhenAsked();
// The paths and the game's command line for this run; ReadBaseDirectory
// starts them anew.
struct OutsidePaths {
  // The installation folder, as the system gave it, and the paths built on
  // it (main heap); nullptr where none could be had: then the shell reports
  // the missing file, and Delete keeps the files.
  const wchar_t* baseDirectory;
  wchar_t* gameProgram;
  wchar_t* gameDirectory;
  wchar_t* manualDocument;
  wchar_t* characterFolders;  // ends in a backslash: a character's name follows
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

// Start with the selection read from the combo box: with a character
// selected, starts the game with it and gives true (the launcher is then to
// end, even when the start failed); with none (-1), shows the error and gives
// false.
bool StartGame(int32_t selection);
// The error box of Start and Delete when no character is selected.
void ShowNoSelectionError();

// Appends "-dir <name> -pl <name>" to the game arguments, the name unchanged
// and unquoted, and starts the game program in the game directory without
// waiting for it, once the shell has finished the launch. Nothing reports a
// failed start; the shell may show its own error box.
void StartGameAs(const char* name);

}  // namespace launcher
