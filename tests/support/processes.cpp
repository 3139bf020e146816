#include "processes.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_paths.h"
#include "wide_texts.h"
#include "window_reading.h"

namespace test_support {

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string BuildPath(const std::string& relative) {
  return WindowsPathOf(std::string(BUILD_DIRECTORY) + "/" + relative);
}

namespace {

ChildProcess Start(const std::string& commandLine, const std::wstring& directory,
                   const std::string& application, DWORD creationFlags) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring line = Widened(commandLine);
  const std::wstring program = Widened(application);
  // On a loaded machine Wine now and then fails a start with
  // ERROR_INTERNAL_ERROR before the new process ran: it is tried again.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0 && GetLastError() != ERROR_INTERNAL_ERROR) break;
    if (attempt > 0) Sleep(500);
    started = CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr,
                             nullptr, FALSE, creationFlags, nullptr,
                             directory.empty() ? nullptr : directory.c_str(), &startup, &info);
  }
  EXPECT_TRUE(started) << "cannot start: " << commandLine.substr(0, 300) << " (error "
                       << GetLastError() << ")";
  if (!started) return {};
  CloseHandle(info.hThread);
  return {info.hProcess, info.dwProcessId};
}

}  // namespace

ChildProcess StartProcess(const std::string& commandLine, const std::string& directory,
                          const std::string& application) {
  return Start(commandLine, Widened(directory), application, 0);
}

ChildProcess StartProcess(const std::string& commandLine, const std::wstring& directory) {
  return Start(commandLine, directory, "", 0);
}

ChildProcess StartProcessHeld(const std::string& commandLine, const std::string& directory) {
  return Start(commandLine, Widened(directory), "", CREATE_SUSPENDED);
}

namespace {

void CallProcessFunction(const char* name, HANDLE process) {
  using ProcessFunction = LONG(WINAPI*)(HANDLE);
  const auto call = reinterpret_cast<ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
  EXPECT_EQ(call(process), 0) << name << " failed";
}

}  // namespace

void SuspendProcess(HANDLE process) { CallProcessFunction("NtSuspendProcess", process); }

void ResumeProcess(HANDLE process) { CallProcessFunction("NtResumeProcess", process); }

bool WaitForExit(const ChildProcess& child, DWORD timeoutMs, DWORD* exitCode) {
  if (!child.process) return false;
  if (WaitForSingleObject(child.process, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(child.process, exitCode);
  return true;
}

void EndProcess(ChildProcess* child) {
  if (!child->process) return;
  if (WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0) {
    TerminateProcess(child->process, 99);
    WaitForSingleObject(child->process, 5000);
  }
  CloseHandle(child->process);
  child->process = nullptr;
  child->id = 0;
}

std::string UnixPathOf(const std::string& windowsPath) {
  std::string path = windowsPath.size() > 2 && windowsPath[1] == ':' ? windowsPath.substr(2)
                                                                      : windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string DllOverrideSetting(const std::string& override) {
  char own[512] = {};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", own, sizeof(own));
  return std::string("WINEDLLOVERRIDES=") + own + (own[0] ? ";" : "") + override;
}

std::string WineCommand(const std::string& program, const std::string& arguments,
                        const std::string& directory, const std::vector<std::string>& settings) {
  std::string command = "cd '" + directory + "' && ";
  for (const std::string& setting : settings) {
    const size_t equals = setting.find('=');
    command += setting.substr(0, equals) + "='" + setting.substr(equals + 1) + "' ";
  }
  return command + "/usr/lib/wine/wine64 '" + program + "' " + arguments;
}

// A Unix shell runs the command. Wine creates no Windows process for a Unix
// program and does not fill in the process information for it: what is left
// there can be the value of a handle this test holds (seen as the launcher's
// process handle, depending on what the checkout path left on the stack), so
// nothing in it is used or closed.
void StartUnixCommand(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION ignored = {};
  const std::string shell = "/bin/sh -c \"" + commandLine + "\"";
  std::vector<char> line(shell.begin(), shell.end());
  line.push_back('\0');
  EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &ignored))
      << "cannot start: " << shell.substr(0, 300) << " (error " << GetLastError() << ")";
}

bool MakeUnixLink(const std::string& target, const std::string& link, UnixLink kind) {
  // Each path one word of the shell's, whatever blanks it holds.
  const auto word = [](const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  };
  return RunUnixCommand(std::string(kind == UnixLink::SYMBOLIC ? "/bin/ln -s " : "/bin/ln ") +
                        word(target) + " " + word(link)) == 0;
}

int RunUnixCommand(const std::string& commandLine, DWORD timeoutMs) {
  // Wine starts Unix programs but hands back no handle that can be waited on,
  // so the shell leaves the exit code in a file once the command has ended.
  static int serial = 0;
  const std::string marker = std::string(BUILD_DIRECTORY) + "/unix-command-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  const std::string windowsMarker = WindowsPathOf(marker);
  // Process ids come round again: a marker left by a command that outlived
  // its time limit must not be taken for this command's.
  DeleteFileA(windowsMarker.c_str());
  StartUnixCommand(commandLine + "; echo $? > " + marker + ".part; mv " + marker + ".part " +
                   marker);
  int exitCode = -1;
  WaitUntil([&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; },
            timeoutMs);
  HANDLE file = CreateFileA(windowsMarker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char text[16] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    DeleteFileA(windowsMarker.c_str());
    exitCode = atoi(text);
  }
  return exitCode;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return condition();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return condition();
    Sleep(20);
  }
  return true;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindVisibleWindow(processId, className)) != nullptr; },
            timeoutMs);
  return found;
}

bool WaitForWindowIdle(HWND window, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

HWND WaitForOtherProcessWindow(const char* className, DWORD timeoutMs, ChildProcess* owner) {
  EndProcess(owner);
  HWND window = WaitForProcessWindow(0, className, timeoutMs);
  if (!window) return nullptr;
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  *owner = ChildProcess(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id), id);
  return window;
}

}  // namespace test_support
