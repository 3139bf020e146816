#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test_support {

// The text in double quotes, as one command-line parameter.
inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Wine maps the Unix root to drive Z:.
std::string WindowsPathOf(const std::string& unixPath);
// The Windows path of a file of this build, e.g. BuildPath("starter-en.exe").
std::string BuildPath(const std::string& relative);

struct ChildProcess;
// Ends a process that is still running and releases its handle.
void EndProcess(ChildProcess* child);

// A process the test started or opened. It is ended, if it still runs, and
// released when it goes, so that a failed test leaves nothing running.
// Moved, never copied.
struct ChildProcess {
  HANDLE process = nullptr;
  DWORD id = 0;

  ChildProcess() = default;
  ChildProcess(HANDLE process, DWORD id) : process(process), id(id) {}
  ChildProcess(ChildProcess&& other) : process(other.process), id(other.id) {
    other.process = nullptr;
    other.id = 0;
  }
  ChildProcess& operator=(ChildProcess&& other) {
    if (this != &other) {
      EndProcess(this);
      process = other.process;
      id = other.id;
      other.process = nullptr;
      other.id = 0;
    }
    return *this;
  }
  ~ChildProcess() { EndProcess(this); }
};

// Starts a program with a raw command line in a working directory (empty: the
// test's own). The program is the command line's first word, or the given
// application, which leaves the whole command line free to test. Fails the
// test when the start fails.
ChildProcess StartProcess(const std::string& commandLine, const std::string& directory = "",
                          const std::string& application = "");
// The same in a working directory of any name, which the ANSI code page may
// not spell.
ChildProcess StartProcess(const std::string& commandLine, const std::wstring& directory);
// The same, with the process made but held before its first instruction
// until ResumeProcess.
ChildProcess StartProcessHeld(const std::string& commandLine, const std::string& directory);
// Holds every thread of a process, and lets them go on.
void SuspendProcess(HANDLE process);
void ResumeProcess(HANDLE process);
// Waits for the end of a process; false when it still runs after the time.
bool WaitForExit(const ChildProcess& child, DWORD timeoutMs, DWORD* exitCode = nullptr);

// Runs a Unix shell command (Wine starts ELF programs too) and waits for its
// end; returns its exit code, or -1 when it did not end in time. The command
// must not contain double quotes.
int RunUnixCommand(const std::string& commandLine, DWORD timeoutMs = 10000);
// Starts a Unix shell command and does not wait for it.
void StartUnixCommand(const std::string& commandLine);
enum class UnixLink { SYMBOLIC, HARD };
// Makes a Unix link at `link` to `target` (Unix paths, blanks allowed);
// false when ln failed.
bool MakeUnixLink(const std::string& target, const std::string& link,
                  UnixLink kind = UnixLink::SYMBOLIC);

// Wine takes its own settings, such as WINEDLLOVERRIDES, from the Unix
// environment that a Wine process starts with; the Windows environment given
// to CreateProcess does not reach them. This is the Unix command that starts
// a Windows program (Unix path) in a new Wine process with `settings`
// ("NAME=value", no quotes in them) added to the test's own, from a Unix
// working directory. The value of a setting named here replaces the test's.
std::string WineCommand(const std::string& program, const std::string& arguments,
                        const std::string& directory, const std::vector<std::string>& settings);
// The WINEDLLOVERRIDES setting that adds `override` (e.g. "dinput=d") to
// the test's own overrides.
std::string DllOverrideSetting(const std::string& override);
// The Unix path of a Windows path on drive Z:.
std::string UnixPathOf(const std::string& windowsPath);

// Dispatches this thread's messages until the condition holds or the time is
// up; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Polls without dispatching messages.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The visible top-level window of the given class that belongs to the process.
HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs);
// Waits until the thread of a window of another process takes messages
// again. A thread takes a message sent from another thread only while it
// waits for messages (in its message loop or a modal box's), never in the
// middle of making a window or acting on a click: so the window and what its
// thread was doing are complete. False when the window went or the time is up.
bool WaitForWindowIdle(HWND window, DWORD timeoutMs = 20000);
// The visible top-level window of the given class that belongs to another
// process than this one; with the process opened, for a program that was not
// started by CreateProcess.
HWND WaitForOtherProcessWindow(const char* className, DWORD timeoutMs, ChildProcess* owner);

}  // namespace test_support
