#include "services/launch.h"

#include <windows.h>
// after windows.h, which they need
#include <objbase.h>
#include <shellapi.h>

#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/system_library.h"
#include "services/code_page.h"
#include "services/path_forms.h"

namespace services {
namespace {

// The derived directory holds at most 511 characters and its zero.
constexpr size_t DIRECTORY_BUFFER_SIZE = 512;
// A command line holds at most 32767 characters.
constexpr DWORD PARAMETERS_ROOM = 32768;

// The shell (shell32) and COM (ole32) are loaded from the system folder when
// the first launch needs them rather than at start: the launcher's start
// waits for none of it, and most runs never launch anything.
using CoInitializeExFunction = HRESULT(WINAPI*)(void* reserved, DWORD model);
using CoUninitializeFunction = void(WINAPI*)();
using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW* request);

struct Shell {
  bool tried;
  HMODULE ole32;
  // COM was set up by SetUpShell and is to be taken down by ReleaseShell.
  bool comSetUp;
  // nullptr when the shell could not be had: every launch then fails. The
  // shell stays loaded to the process's end: it may still be finishing a
  // launch on a thread of its own.
  ShellExecuteExFunction execute;
};

Shell shell;

// Copies the target's folder, up to and with its last backslash, into the
// buffer; a backslash in the very first place does not count. False when
// there is none, and when the folder does not fit: such a target then starts
// without a working directory of its own rather than in a cut-off path.
bool DeriveDirectory(const wchar_t* target, wchar_t (&directory)[DIRECTORY_BUFFER_SIZE]) {
  for (size_t i = wcslen(target); i-- > 1;) {
    if (target[i] != L'\\') continue;
    const size_t length = i + 1;
    if (length >= DIRECTORY_BUFFER_SIZE) return false;
    wmemcpy(directory, target, length);
    directory[length] = L'\0';
    return true;
  }
  return false;
}

struct Parameters {
  wchar_t text[PARAMETERS_ROOM];
};

// The texts of an ANSI launch in their wide form.
struct AnsiLaunch {
  wchar_t target[LONG_PATH_ROOM];
  wchar_t directory[LONG_PATH_ROOM];
};

}  // namespace

void SetUpShell() {
  if (shell.tried) return;
  shell.tried = true;
  shell.ole32 = foundation::LoadSystemLibrary("ole32.dll");
  const auto initialize =
      foundation::LibraryFunction<CoInitializeExFunction>(shell.ole32, "CoInitializeEx");
  shell.comSetUp =
      initialize && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  shell.execute = foundation::LibraryFunction<ShellExecuteExFunction>(
      foundation::LoadSystemLibrary("shell32.dll"), "ShellExecuteExW");
}

void ReleaseShell() {
  const auto uninitialize =
      foundation::LibraryFunction<CoUninitializeFunction>(shell.ole32, "CoUninitialize");
  if (shell.comSetUp && uninitialize) uninitialize();
  if (shell.ole32) FreeLibrary(shell.ole32);
  shell = {};
}

intptr_t LaunchItem(const wchar_t* target, const char* parameters, const wchar_t* directory,
                    int32_t flags) {
  if (!target) return 0;
  SetUpShell();
  if (!shell.execute) return 0;
  wchar_t derived[DIRECTORY_BUFFER_SIZE];
  const wchar_t* chosen = DeriveDirectory(target, derived) ? derived : nullptr;
  if (directory && *directory) chosen = directory;
  const foundation::MainHeapBlock<Parameters> wideParameters;
  // Longer parameters than a command line holds cannot be passed.
  if (!wideParameters ||
      (parameters && *parameters &&
       !WideTextAsWindowsReadsIt(parameters, wideParameters->text, PARAMETERS_ROOM))) {
    return 0;
  }

  // No SEE_MASK_FLAG_NO_UI: when the target cannot be opened, the shell tells
  // the user itself.
  SHELLEXECUTEINFOW request = {};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS | ((flags & LAUNCH_BEFORE_EXIT) ? SEE_MASK_NOASYNC : 0);
  request.lpVerb = L"Open";
  request.lpFile = target;
  request.lpParameters = wideParameters->text;
  request.lpDirectory = chosen;
  request.nShow = (flags & LAUNCH_HIDDEN) ? SW_HIDE : SW_SHOWNORMAL;
  if (!shell.execute(&request)) return 0;
  if (!request.hProcess) return 1;
  if (flags & LAUNCH_WAIT) WaitForSingleObject(request.hProcess, INFINITE);
  return reinterpret_cast<intptr_t>(request.hProcess);
}

intptr_t LaunchItem(const char* target, const char* parameters, const char* directory,
                    int32_t flags) {
  if (!target) return 0;
  const foundation::MainHeapBlock<AnsiLaunch> wide;
  if (!wide || (*target && !WideTextOf(target, wide->target, LONG_PATH_ROOM)) ||
      (directory && *directory && !WideTextOf(directory, wide->directory, LONG_PATH_ROOM))) {
    return 0;
  }
  return LaunchItem(wide->target, parameters, wide->directory, flags);
}

intptr_t LaunchInDirectory(const char* target, const char* parameters, const char* directory) {
  return LaunchItem(target, parameters, directory, 0);
}

intptr_t LaunchDocument(const char* target) { return LaunchItem(target, "", "", 0); }

intptr_t LaunchDocument(const wchar_t* target) { return LaunchItem(target, "", L"", 0); }

void CloseLaunchedProcess(intptr_t launched) {
  if (launched != 0 && launched != 1) CloseHandle(reinterpret_cast<HANDLE>(launched));
}

}  // namespace services
