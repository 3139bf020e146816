#include "launcher/outside_actions.h"

#include <windows.h>

#include "foundation/strings.h"
#include "launcher/build_profile.h"
#include "launcher/main_program.h"
#include "launcher/main_window.h"
#include "launcher/roster.h"
#include "services/command_line.h"
#include "services/launch.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"

namespace launcher {
namespace {

using foundation::AppendToScratch;

// GetCurrentDirectoryA's buffer length; the base directory's block holds one
// byte more for the zero.
constexpr intptr_t BASE_DIRECTORY_LENGTH = 1000;

void AssignBasePath(foundation::String* variable, const char* relative) {
  char* mark = foundation::ScratchMark();
  AppendToScratch(program.baseDirectory);
  AppendToScratch(relative);
  foundation::AssignFromScratch(variable, mark);
}

// Opens a document or web page; the launcher neither waits for nor looks at
// the process the shell may have started for it.
void OpenDocument(const char* target) {
  services::CloseLaunchedProcess(services::LaunchDocument(target));
}

}  // namespace

void ReadBaseDirectory() {
  char* mark = foundation::ScratchMark();
  foundation::SpacesToScratch(BASE_DIRECTORY_LENGTH);
  foundation::AssignFromScratch(&program.baseDirectory, mark);
  if (program.baseDirectory) {
    GetCurrentDirectoryA(BASE_DIRECTORY_LENGTH, program.baseDirectory);
  }
  AssignBasePath(&program.gameProgram, GAME_PROGRAM_PATH);
  AssignBasePath(&program.gameDirectory, GAME_DIRECTORY_PATH);
  AssignBasePath(&program.manualDocument, MANUAL_PATH);
}

void RunShopModeWhenAsked() {
  char* mark = foundation::ScratchMark();
  services::NextCommandLineArgument();
  foundation::AssignFromScratch(&program.firstParameter, mark);
  if (!foundation::TextEquals(program.firstParameter, SHOP_MODE_PARAMETER)) return;
  OpenDocument(SHOP_ADDRESS);
  EndProgram();
}

void ResetGameArguments() {
  foundation::AssignText(&program.gameArguments, buildProfile.gameArgumentPrefix);
}

void OpenManual() { OpenDocument(program.manualDocument); }

void OpenWebsite() { OpenDocument(WEBSITE_ADDRESS); }

void OpenShop() { OpenDocument(SHOP_ADDRESS); }

void StartGame() {
  program.startSelection = static_cast<int32_t>(toolkit::ReadControlState(CONTROL_CHARACTERS));
  if (program.startSelection == -1) {
    ShowNoSelectionError();
    return;
  }
  SelectRosterEntry(program.startSelection);
  StartGameAs(CurrentCharacterName());
  program.quit = true;
}

void ShowNoSelectionError() {
  toolkit::ShowMessageBox(buildProfile.errorTitle, buildProfile.noSelectionText, MB_OK);
}

void StartGameAs(const char* name) {
  char* mark = foundation::ScratchMark();
  AppendToScratch(program.gameArguments);
  AppendToScratch(CHARACTER_DIRECTORY_SWITCH);
  AppendToScratch(name);
  AppendToScratch(CHARACTER_PLAYER_SWITCH);
  AppendToScratch(name);
  foundation::AssignFromScratch(&program.gameArguments, mark);
  services::CloseLaunchedProcess(services::LaunchInDirectory(
      program.gameProgram, program.gameArguments, program.gameDirectory));
}

}  // namespace launcher
