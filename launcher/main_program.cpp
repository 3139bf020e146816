#include "launcher/main_program.h"

#include <commctrl.h>

#include "assets/resources.h"
#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "foundation/keyboard.h"
#include "foundation/strings.h"
#include "launcher/character_actions.h"
#include "launcher/installation.h"
#include "launcher/main_window.h"
#include "launcher/outside_actions.h"
#include "launcher/roster.h"
#include "services/files.h"
#include "services/launch.h"
#include "toolkit/controls.h"
#include "toolkit/images.h"
#include "toolkit/window.h"

namespace launcher {

namespace {

constexpr foundation::ObjectNumber TITLE_PICTURE_IMAGE = 0;
constexpr foundation::ObjectNumber LOGO_PICTURE_IMAGE = 1;

// What the main program keeps for the whole run; all of it starts at zero.
struct ProgramVariables {
  HWND window;
  HANDLE titlePicture;
  HANDLE logoPicture;
  // The combo box selection read when Start was last pressed; saved at exit.
  int32_t startSelection;
  bool quit;
};

ProgramVariables program;

void Quit() { program.quit = true; }

// Start ends the run once it has started the game with a character. The
// selection is kept before anything that can wait (the error box, the
// launch), so that a session that ends meanwhile saves it.
void Start() {
  program.startSelection = static_cast<int32_t>(toolkit::ReadControlState(CONTROL_CHARACTERS));
  if (StartGame(program.startSelection)) program.quit = true;
}

struct ActionRow {
  foundation::ObjectNumber control;
  void (*action)();
};

// Control number to action, in the order the numbers are tested. Pictures,
// the combo box and the frame have no row: their events change nothing.
constexpr ActionRow ACTIONS[] = {
    {CONTROL_START, Start},
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
// at Quit, with no one left to answer a failure, and the launcher answers.
// Windows ends it then and takes everything down itself (the toolkit ends it
// should the system not); destroying windows here would only keep the
// session's end waiting (Wine then stalls it, and other programs never hear
// of it).
void EndWithSession() { SaveRosterUnattended(program.startSelection); }

void RunEventLoop() {
  while (!program.quit) {
    if (toolkit::WaitForEvent() == toolkit::EVENT_CONTROL) RunAction(toolkit::LastEventControl());
  }
}

}  // namespace

void MainProgram(HINSTANCE instance) {
  program = {};
  foundation::programInstance = instance;
  foundation::CreateMainHeap();
  InitRuntime();
  program.window = OpenMainWindow();
  foundation::OpenKeyboard();
  MakePictures();
  FixInstallationFolder();
  ReadBaseDirectory();
  if (RunShopModeWhenAsked()) EndProgram();
  ResetGameArguments();
  LoadRoster();
  toolkit::SetSessionEndAction(EndWithSession);
  CreateMainControls(program.window, program.titlePicture, program.logoPicture);
  RefillCharacterList();
  toolkit::WriteControlState(CONTROL_CHARACTERS, SavedSelection());
  WarnWhenRosterCannotBeSaved();
  RunEventLoop();
  SaveRoster(program.startSelection);
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
