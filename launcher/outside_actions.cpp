#include "launcher/outside_actions.h"

#include <windows.h>

#include "foundation/strings.h"
#include "launcher/build_profile.h"
#include "launcher/installation.h"
#include "launcher/main_window.h"
#include "launcher/roster.h"
#include "services/command_line.h"
#include "services/code_page.h"
#include "services/launch.h"
#include "services/path_forms.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"

namespace launcher {
namespace {

using foundation::AppendToScratch;

OutsidePaths outside;

wchar_t* BasePath(const char* relative) {
  return outside.baseDirectory ? services::JoinedPathInHeap(outside.baseDirectory, relative)
                               : nullptr;
}

// Opens a document or web page; the launcher neither waits for nor looks at
// the process the shell may have started for it.
void OpenDocument(const char* target) {
  services::CloseLaunchedProcess(services::LaunchDocument(target));
}

// A path that could not be made is passed as the empty text: the shell
// reports that nothing is there.
const wchar_t* OrEmpty(const wchar_t* path) { return path ? path : L""; }

}  // namespace

void ReadBaseDirectory() {
  outside = {};
  outside.baseDirectory = InstallationFolder();
  outside.gameProgram = BasePath(GAME_PROGRAM_PATH);
  outside.gameDirectory = BasePath(GAME_DIRECTORY_PATH);
  outside.manualDocument = BasePath(MANUAL_PATH);
  outside.characterFolders = BasePath(CHARACTER_DIRECTORY_PREFIX);
}

bool RunShopModeWhenAsked() {
  char* first = foundation::ScratchMark();
  services::NextCommandLineArgument();
  const bool shopMode = foundation::TextEquals(first, SHOP_MODE_PARAMETER);
  foundation::RewindScratch(first);
  if (shopMode) {
    services::CloseLaunchedProcess(
        services::LaunchItem(SHOP_ADDRESS, "", "", services::LAUNCH_BEFORE_EXIT));
  }
  return shopMode;
}

const OutsidePaths& Paths() { return outside; }

void ResetGameArguments() {
  foundation::AssignText(&outside.gameArguments, buildProfile.gameArgumentPrefix);
}

void OpenManual() {
  services::CloseLaunchedProcess(services::LaunchDocument(OrEmpty(outside.manualDocument)));
}

void OpenWebsite() { OpenDocument(WEBSITE_ADDRESS); }

void OpenShop() { OpenDocument(SHOP_ADDRESS); }

bool StartGame(int32_t selection) {
  if (selection == -1) {
    ShowNoSelectionError();
    return false;
  }
  SelectRosterEntry(selection);
  StartGameAs(CurrentCharacterName());
  return true;
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
  services::CloseLaunchedProcess(
      services::LaunchItem(OrEmpty(outside.gameProgram), outside.gameArguments,
                           OrEmpty(outside.gameDirectory), services::LAUNCH_BEFORE_EXIT));
}

}  // namespace launcher
