#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace test_support {

// Wine maps the Unix root to drive Z:.
std::string WindowsPathOf(const std::string& unixPath);
// The Windows path of a file of this build, e.g. BuildPath("starter-en.exe").
std::string BuildPath(const std::string& relative);

struct ChildProcess {
  HANDLE process = nullptr;
  DWORD id = 0;
};

// Starts a program with a raw command line in a working directory (empty: the
// test's own). The program is the command line's first word, or the given
// application, which leaves the whole command line free to test. Fails the
// test when the start fails.
ChildProcess StartProcess(const std::string& commandLine, const std::string& directory = "",
                          const std::string& application = "");
// Waits for the end of a process; false when it still runs after the time.
bool WaitForExit(const ChildProcess& child, DWORD timeoutMs, DWORD* exitCode = nullptr);
// Ends a process that is still running and releases its handle.
void EndProcess(ChildProcess* child);

// Runs a Unix shell command (Wine starts ELF programs too) and waits for its
// end; returns its exit code, or -1 when it did not end in time. The command
// must not contain double quotes.
int RunUnixCommand(const std::string& commandLine, DWORD timeoutMs = 10000);

// Dispatches this thread's messages until the condition holds or the time is
// up; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Polls without dispatching messages.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The visible top-level window of the given class that belongs to the process.
HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs);

}  // namespace test_support
