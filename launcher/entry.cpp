#include <windows.h>

#include "launcher/main_program.h"

// The process entry. The program is linked without the C runtime's start-up
// code, so nothing runs before this: no static constructors, no argument
// parsing. The main program ends the process itself.
extern "C" __attribute__((force_align_arg_pointer)) void EntryPoint() {
  launcher::MainProgram(GetModuleHandleA(nullptr));
}
