// The tests' recording program: stands in for the game and for the shell's
// handlers of web addresses and HTML files. It appends what it was started
// with to the record file and ends, after lingering for the milliseconds in
// RECORDER_LINGER_VARIABLE when that is set.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "record_writer.h"
#include "wide_texts.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static char directory[32768];
  GetCurrentDirectoryA(sizeof(directory), directory);
  STARTUPINFOA startup = {};
  GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  static wchar_t wideDirectory[32768];
  GetCurrentDirectoryW(32768, wideDirectory);
  test_support::AppendRecord("process=" + std::to_string(GetCurrentProcessId()) +
                             "\ncommand line=" + GetCommandLineA() + "\ndirectory=" + directory +
                             "\nshow=" + std::to_string(show) +
                             "\nwide command line=" + test_support::Utf8(GetCommandLineW()) +
                             "\nwide directory=" + test_support::Utf8(wideDirectory) + "\n");
  char linger[16];
  if (GetEnvironmentVariableA(test_support::RECORDER_LINGER_VARIABLE, linger, sizeof(linger))) {
    Sleep(static_cast<DWORD>(atoi(linger)));
  }
  return 0;
}
