#pragma once

namespace launcher {

// Start-up: the base directory is the current directory (1000 blanks that
// GetCurrentDirectoryA overwrites), with the game program, the game directory
// and the manual under it.
void ReadBaseDirectory();
// Start-up: with "-BUY" (exactly) as the first parameter, opens the shop page
// and ends the program at once. Any other first parameter, or none, returns.
void RunShopModeWhenAsked();
// Start-up: the game arguments begin as the build's argument prefix.
void ResetGameArguments();

// The buttons that open a document or web page; the launcher stays open.
void OpenManual();
void OpenWebsite();
void OpenShop();

// Start: reads the selection into the start selection; with a character
// selected, starts the game with it and ends the launcher (even when the start
// failed); with none, shows the error and the launcher goes on.
void StartGame();
// The error box of Start and Delete when no character is selected.
void ShowNoSelectionError();

// Appends "-dir <name> -pl <name>" to the game arguments, the name unchanged
// and unquoted, and starts the game program in the game directory without
// waiting for it. Nothing reports a failed start; the shell may show its own
// error box.
void StartGameAs(const char* name);

}  // namespace launcher
