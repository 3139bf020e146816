#include "services/launch.h"

#include <windows.h>
// after windows.h, which they need
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

#include "foundation/system_library.h"

namespace services {
namespace {

// The derived directory holds at most 511 characters and its zero.
constexpr size_t DIRECTORY_BUFFER_SIZE = 512;

// COM comes from ole32, loaded from the system folder when the first launch
// needs it rather than at start: the launcher's start waits for none of it.
using CoInitializeExFunction = HRESULT(WINAPI*)(void* reserved, DWORD model);
using CoUninitializeFunction = void(WINAPI*)();

struct Shell {
  bool tried;
  HMODULE ole32;
  // COM was set up by SetUpShell and is to be taken down by ReleaseShell.
  bool comSetUp;
};

Shell shell;

// Copies the target's folder, up to and with its last backslash, into the
// buffer; a backslash in the very first place does not count. False when
// there is none, and when the folder does not fit: such a target then starts
// without a working directory of its own rather than in a cut-off path.
bool DeriveDirectory(const char* target, char (&directory)[DIRECTORY_BUFFER_SIZE]) {
  for (size_t i = strlen(target); i-- > 1;) {
    if (target[i] != '\\') continue;
    const size_t length = i + 1;
    if (length >= DIRECTORY_BUFFER_SIZE) return false;
    memcpy(directory, target, length);
    directory[length] = '\0';
    return true;
  }
  return false;
}

}  // namespace

void SetUpShell() {
  if (shell.tried) return;
  shell.tried = true;
  shell.ole32 = foundation::LoadSystemLibrary("ole32.dll");
  const auto initialize =
      foundation::LibraryFunction<CoInitializeExFunction>(shell.ole32, "CoInitializeEx");
  shell.comSetUp =
      initialize && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void ReleaseShell() {
  const auto uninitialize =
      foundation::LibraryFunction<CoUninitializeFunction>(shell.ole32, "CoUninitialize");
  if (shell.comSetUp && uninitialize) uninitialize();
  if (shell.ole32) FreeLibrary(shell.ole32);
  shell = {};
}

intptr_t LaunchItem(const char* target, const char* parameters, const char* directory,
                    int32_t flags) {
  if (!target) return 0;
  SetUpShell();
  char derived[DIRECTORY_BUFFER_SIZE];
  const char* chosen = DeriveDirectory(target, derived) ? derived : nullptr;
  if (directory && *directory) chosen = directory;

  // No SEE_MASK_FLAG_NO_UI: when the target cannot be opened, the shell tells
  // the user itself.
  SHELLEXECUTEINFOA request = {};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS;
  request.lpVerb = "Open";
  request.lpFile = target;
  request.lpParameters = parameters;
  request.lpDirectory = chosen;
  request.nShow = (flags & LAUNCH_HIDDEN) ? SW_HIDE : SW_SHOWNORMAL;
  if (!ShellExecuteExA(&request)) return 0;
  if (!request.hProcess) return 1;
  if (flags & LAUNCH_WAIT) WaitForSingleObject(request.hProcess, INFINITE);
  return reinterpret_cast<intptr_t>(request.hProcess);
}

intptr_t LaunchInDirectory(const char* target, const char* parameters, const char* directory) {
  return LaunchItem(target, parameters, directory, 0);
}

intptr_t LaunchDocument(const char* target) { return LaunchItem(target, "", "", 0); }

void CloseLaunchedProcess(intptr_t launched) {
  if (launched != 0 && launched != 1) CloseHandle(reinterpret_cast<HANDLE>(launched));
}

}  // namespace services
