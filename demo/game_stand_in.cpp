// Stands in for the game in the demo installation: shows the command line and
// the working directory it was started with, which is all the launcher hands
// to the real game.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char directory[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof(directory), directory);
  const char* commandLine = GetCommandLineA();
  char text[4096];
  wsprintfA(text, "Command line:\n%.3000s\n\nWorking directory:\n%.260s", commandLine, directory);
  MessageBoxA(nullptr, text, "Velmora (game stand-in)", MB_OK | MB_ICONINFORMATION);
  return 0;
}
