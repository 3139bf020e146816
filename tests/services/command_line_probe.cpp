// Started by the command-line tests with a raw command line of their choice:
// calls NextCommandLineArgument five times and records each result
// ("argument") and how far it moved the scratch position ("advance"). With
// PROBE_SCRATCH_ROOM set, only that many bytes of the scratch area are left
// free for the results.
#include "command_line_probe.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "foundation/strings.h"
#include "record_writer.h"
#include "runtime_heaps.h"
#include "services/command_line.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const test_support::RuntimeHeaps heaps;
  char room[16];
  if (GetEnvironmentVariableA(PROBE_SCRATCH_ROOM_VARIABLE, room, sizeof(room))) {
    foundation::SpacesToScratch(foundation::ScratchRoom() - 1 - atoi(room));
    foundation::StepPastScratchText();
  }
  std::string lines;
  for (int call = 0; call < PROBE_CALLS; ++call) {
    char* mark = foundation::ScratchMark();
    const char* argument = services::NextCommandLineArgument();
    const bool atMark = argument == mark;
    lines += "argument=" + std::string(atMark ? argument : "(not at the mark)") + "\n";
    lines += "advance=" + std::to_string(foundation::ScratchMark() - mark) + "\n";
    foundation::RewindScratch(mark);
  }
  test_support::AppendRecord(lines);
  return 0;
}
