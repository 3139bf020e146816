#include "launcher/main_program.h"

#include <commctrl.h>

#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "foundation/strings.h"
#include "launcher/main_window.h"
#include "launcher/roster.h"
#include "services/files.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"

namespace launcher {

ProgramVariables program;

namespace {

void Quit() { program.quit = true; }

struct ActionRow {
  foundation::ObjectNumber control;
  void (*action)();
};

// Control number to action, in the order the numbers are tested. Pictures,
// the combo box and the frame have no row: their events change nothing.
constexpr ActionRow ACTIONS[] = {
    {CONTROL_QUIT, Quit},
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
  InitCommonControls();
  foundation::InitScratchArea();
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
  program.window = OpenMainWindow();
  LoadRoster();
  CreateMainControls(program.window, program.titlePicture, program.logoPicture);
  RefillCharacterList();
  toolkit::WriteControlState(CONTROL_CHARACTERS, program.savedSelection);
  RunEventLoop();
  SaveRoster();
  EndProgram();
}

void EndProgram() {
  toolkit::CloseAllWindows();
  services::FileCloseAll();
  foundation::DestroyHeaps();
  ExitProcess(0);
}

}  // namespace launcher
