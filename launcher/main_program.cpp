#include "launcher/main_program.h"

#include <commctrl.h>

#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "foundation/strings.h"
#include "launcher/main_window.h"
#include "launcher/outside_actions.h"
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
    {CONTROL_MANUAL, OpenManual},
    {CONTROL_WEBSITE, OpenWebsite},
    {CONTROL_QUIT, Quit},
    {CONTROL_BUY, OpenShop},
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
  ReadBaseDirectory();
  RunShopModeWhenAsked();
  ResetGameArguments();
  CreateMainControls(program.window, program.titlePicture, program.logoPicture);
  RunEventLoop();
  EndProgram();
}

void EndProgram() {
  toolkit::CloseAllWindows();
  foundation::DestroyHeaps();
  ExitProcess(0);
}

}  // namespace launcher
