#include "launcher/outside_actions.h"

#include <windows.h>

#include "foundation/strings.h"
#include "launcher/build_profile.h"
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

OutsidePaths outside;

void AssignBasePath(foundation::String* variable, const char* relative) {
  char* mark = foundation::ScratchMark();
  AppendToScratch(outside.baseDirectory);
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
  outside = {};
  char* mark = foundation::ScratchMark();
  foundation::SpacesToScratch(BASE_DIRECTORY_LENGTH);
  foundation::AssignFromScratch(&outside.baseDirectory, mark);
  if (outside.baseDirectory) {
    GetCurrentDirectoryA(BASE_DIRECTORY_LENGTH, outside.baseDirectory);
  }
  AssignBasePath(&outside.gameProgram, GAME_PROGRAM_PATH);
  AssignBasePath(&outside.gameDirectory, GAME_DIRECTORY_PATH);
  AssignBasePath(&outside.manualDocument, MANUAL_PATH);
}

bool RunShopModeWhenAsked() {
  char* first = foundation::ScratchMark();
  services::NextCommandLineArgument();
  const bool shopMode = foundation::TextEquals(first, SHOP_MODE_PARAMETER);
  foundation::RewindScratch(first);
  if (shopMode) OpenDocument(SHOP_ADDRESS);
  return shopMode;
}

const OutsidePaths& Paths() { return outside; }

void ResetGameArguments() {
  foundation::AssignText(&outside.gameArguments, buildProfile.gameArgumentPrefix);
}

void OpenManual() { OpenDocument(outside.manualDocument); }

void OpenWebsite() { OpenDocument(WEBSITE_ADDRESS); }

void OpenShop() { OpenDocument(SHOP_ADDRESS); }

int32_t StartGame() {
  const auto selection = static_cast<int32_t>(toolkit::ReadControlState(CONTROL_CHARACTERS));
  if (selection == -1) {
    ShowNoSelectionError();
    return selection;
  }
  SelectRosterEntry(selection);
  StartGameAs(CurrentCharacterName());
  return selection;
}

void ShowNoSelectionError() {
  toolkit::ShowMessageBox(buildProfile.errorTitle, buildProfile.noSelectionText, MB_OK);
}

void StartGameAs(const char* name) {
  char* mark = foundation::ScratchMark();
  AppendToScratch(outside.gameArguments);
  AppendToScratch(CHARACTER_DIRECTORY_SWITCH);
  AppendToScratch(name);
  AppendToScratch(CHARACTER_PLAYER_SWITCH);
  AppendToScratch(name);
  foundation::AssignFromScratch(&outside.gameArguments, mark);
  services::CloseLaunchedProcess(services::LaunchInDirectory(
      outside.gameProgram, outside.gameArguments, outside.gameDirectory));
}

}  // namespace launcher
