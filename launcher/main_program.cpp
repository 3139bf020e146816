#include "launcher/main_program.h"

#include <commctrl.h>

#include "assets/resources.h"
#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "foundation/keyboard.h"
#include "foundation/strings.h"
#include "launcher/character_actions.h"
#include "launcher/main_window.h"
#include "launcher/outside_actions.h"
#include "launcher/roster.h"
#include "services/files.h"
#include "services/launch.h"
#include "toolkit/controls.h"
#include "toolkit/images.h"
#include "toolkit/window.h"

namespace launcher {

ProgramVariables program;

namespace {

constexpr foundation::ObjectNumber TITLE_PICTURE_IMAGE = 0;
constexpr foundation::ObjectNumber LOGO_PICTURE_IMAGE = 1;

void Quit() { program.quit = true; }

struct ActionRow {
  foundation::ObjectNumber control;
  void (*action)();
};

// Control number to action, in the order the numbers are tested. Pictures,
// the combo box and the frame have no row: their events change nothing.
constexpr ActionRow ACTIONS[] = {
    {CONTROL_START, StartGame},
    {CONTROL_MANUAL, OpenManual},
    {CONTROL_WEBSITE, OpenWebsite},
    {CONTROL_QUIT, Quit},
    {CONTROL_NEW_CHARACTER, NewCharacter},
    {CONTROL_BUY, OpenShop},
    {CONTROL_DELETE_CHARACTER, DeleteCharacter},
};

void RunAction(intptr_t control) {
  for (const ActionRow& row : ACTIONS) {
    if (row.control == control) {
      row.action();
      return;
    }
  }
}

void InitRuntime() {
  foundation::CreateNodeHeap();
  services::FileTableInit();
  toolkit::InitWindowToolkit();
  toolkit::InitControlToolkit();
  toolkit::SetUpImageLibrary();
  InitCommonControls();
  foundation::InitScratchArea();
}

// Images 0 and 1 from the pictures embedded in the program. A picture that
// cannot be made leaves its control without one (handle 0).
void MakePictures() {
  size_t length = 0;
  const void* title = toolkit::EmbeddedPicture(TITLE_PICTURE_RESOURCE, &length);
  toolkit::MakeImageFromMemory(TITLE_PICTURE_IMAGE, title, length);
  program.titlePicture = toolkit::ImageHandleOf(TITLE_PICTURE_IMAGE);
  const void* logo = toolkit::EmbeddedPicture(LOGO_PICTURE_RESOURCE, &length);
  toolkit::MakeImageFromMemory(LOGO_PICTURE_IMAGE, logo, length);
  program.logoPicture = toolkit::ImageHandleOf(LOGO_PICTURE_IMAGE);
}

// The session ends under the launcher: what the player changed is saved as
// at Quit, with no one left to answer a failure, and the program ends.
void EndWithSession() {
  SaveRosterUnattended();
  EndProgram();
}

void RunEventLoop() {
  while (!program.quit) {
    program.lastEvent = toolkit::WaitForEvent();
    if (program.lastEvent != toolkit::EVENT_CONTROL) continue;
    program.lastControl = toolkit::LastEventControl();
    RunAction(program.lastControl);
  }
}

}  // namespace

void MainProgram(HINSTANCE instance) {
  program = {};
  program.instance = instance;
  foundation::programInstance = instance;
  foundation::CreateMainHeap();
  InitRuntime();
  services::SetUpShell();
  program.window = OpenMainWindow();
  foundation::OpenKeyboard();
  MakePictures();
  ReadBaseDirectory();
  RunShopModeWhenAsked();
  ResetGameArguments();
  LoadRoster();
  toolkit::SetSessionEndAction(EndWithSession);
  CreateMainControls(program.window, program.titlePicture, program.logoPicture);
  RefillCharacterList();
  toolkit::WriteControlState(CONTROL_CHARACTERS, program.savedSelection);
  WarnWhenRosterCannotBeSaved();
  RunEventLoop();
  SaveRoster();
  EndProgram();
}

void EndProgram() {
  foundation::CloseKeyboard();
  toolkit::ReleaseAllImages();
  toolkit::CloseAllWindows();
  services::FileCloseAll();
  services::ReleaseShell();
  foundation::DestroyHeaps();
  ExitProcess(0);
}

}  // namespace launcher
