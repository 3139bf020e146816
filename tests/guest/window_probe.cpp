// The guest journeys' eyes: reads the running launcher's windows from another
// process and prints what it sees as "key=value" lines (UTF-8), so that a
// shell script can click at the controls' places with xdotool and check the
// outcome. It never sends input and never changes a window. It serves one
// request per line of its input ("CONDITION... [timeout=MS]" for a look),
// one Wine process for a whole run of journeys: starting a program under
// the guest's emulated CPU takes seconds.
//
// A look waits until every condition holds (or the time is up), then prints
// the launcher's window and process, its controls with their screen
// rectangles, the combo box's items and selection, the focused control, and
// any message box or text requester of the launcher, and ends with
// "result=ok" or "result=timeout" and a line "end". Every condition but
// no-launcher holds only once the launcher takes messages again: a window it
// has begun to make or a click it acts on is then complete. Conditions: launcher,
// no-launcher, dialog, no-dialog, other-dialog=HANDLE (a message box other
// than that one), requester, no-requester, items=N, selection=N, focus=N,
// not-focus=N. Where several launchers run, process=ID looks at the one of
// that process and not-process=ID,ID... at one of any other; items-at=I,J...
// reads only those items of a long list (another process reads each item
// with a message of its own).
//
// Besides looks it holds a file open for reading as another program would, without delete
// sharing ("hold PATH", "release"), and answers with "held=1" or "held=0",
// "result=..." and "end".
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "window_reading.h"

namespace {

constexpr char LAUNCHER_CLASS[] = "WindowClass_0";
constexpr int COMBO_BOX = 8;
constexpr int FRAME = 9;  // the last control made: once it is there, all are
constexpr int LAST_CONTROL = 10;

std::wstring Wide(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(size > 0 ? size : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return "";
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr);
  text.resize(size - 1);
  return text;
}

// Another process's texts: only the wide messages cross process boundaries
// unchanged under Wine (the launcher's own texts are Windows-1252).
std::string WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Utf8(text);
}

std::string Rectangle(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  char text[64];
  snprintf(text, sizeof(text), "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
  return text;
}

// Which launcher a look is about, and which of its items it reads.
struct Selector {
  DWORD process = 0;             // 0: any process not in `otherThan`
  std::vector<long> otherThan;
  std::vector<long> itemsAt;     // empty: every item
};

struct Look {
  HWND launcher = nullptr;
  DWORD process = 0;
  HWND dialog = nullptr;
  HWND requester = nullptr;
  // The launcher's thread took a message sent after the windows were found.
  bool idle = false;
  long itemCount = 0;
  std::vector<std::pair<long, std::string>> items;  // position, text
  long selection = -1;
  int focus = 0;  // 0 nothing of the launcher's, -1 a window that is not a control
};

// "1,2,3" as numbers.
std::vector<long> Numbers(const std::string& list) {
  std::vector<long> numbers;
  const char* c = list.c_str();
  while (*c) {
    char* end = nullptr;
    const long number = strtol(c, &end, 10);
    if (end == c) break;
    numbers.push_back(number);
    c = *end == ',' ? end + 1 : end;
  }
  return numbers;
}

bool Selects(const Selector& selector, DWORD process) {
  if (selector.process) return process == selector.process;
  for (long other : selector.otherThan) {
    if (static_cast<DWORD>(other) == process) return false;
  }
  return true;
}

// The selected launcher's window, once its last control is there.
HWND FindLauncher(const Selector& selector, DWORD* process) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, LAUNCHER_CLASS, nullptr))) {
    GetWindowThreadProcessId(window, process);
    if (Selects(selector, *process) && GetDlgItem(window, FRAME)) return window;
  }
  return nullptr;
}

std::string ItemText(HWND comboBox, long position) {
  const LRESULT length = SendMessageW(comboBox, CB_GETLBTEXTLEN, position, 0);
  std::wstring item(length > 0 ? length + 1 : 1, L'\0');
  SendMessageW(comboBox, CB_GETLBTEXT, position, reinterpret_cast<LPARAM>(item.data()));
  return Utf8(item.c_str());
}

int ControlNumberOf(HWND launcher, HWND window) {
  if (!window) return 0;
  for (HWND w = window; w; w = GetParent(w)) {
    if (GetParent(w) == launcher) return GetDlgCtrlID(w);
    if (w == launcher) return -1;
  }
  return -1;
}

Look TakeLook(const Selector& selector) {
  Look look;
  DWORD process = 0;
  HWND launcher = FindLauncher(selector, &process);
  if (!launcher) return look;
  look.launcher = launcher;
  look.process = process;
  const DWORD thread = GetWindowThreadProcessId(launcher, nullptr);
  look.dialog = test_support::FindVisibleWindow(process, "#32770");
  look.requester = test_support::FindVisibleWindow(process, "InputRequester");
  // A thread takes a message sent from another only where it waits for
  // messages: in its event loop or a box's, not while it makes a window.
  DWORD_PTR ignored = 0;
  look.idle = SendMessageTimeoutW(launcher, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
  HWND comboBox = GetDlgItem(launcher, COMBO_BOX);
  look.itemCount = static_cast<long>(SendMessageW(comboBox, CB_GETCOUNT, 0, 0));
  if (selector.itemsAt.empty()) {
    for (long i = 0; i < look.itemCount; ++i) look.items.emplace_back(i, ItemText(comboBox, i));
  } else {
    for (long i : selector.itemsAt) {
      if (i >= 0 && i < look.itemCount) look.items.emplace_back(i, ItemText(comboBox, i));
    }
  }
  look.selection = static_cast<long>(SendMessageW(comboBox, CB_GETCURSEL, 0, 0));
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (GetGUIThreadInfo(thread, &info)) look.focus = ControlNumberOf(launcher, info.hwndFocus);
  return look;
}

bool Holds(const Look& look, const std::string& condition) {
  const size_t equals = condition.find('=');
  const std::string name = condition.substr(0, equals);
  const long value = equals == std::string::npos ? 0 : atol(condition.c_str() + equals + 1);
  if (name == "no-launcher") return look.launcher == nullptr;
  if (!look.idle) return false;
  if (name == "launcher") return look.launcher != nullptr;
  if (name == "dialog") return look.dialog != nullptr;
  if (name == "no-dialog") return look.dialog == nullptr;
  if (name == "other-dialog") {
    return look.dialog && reinterpret_cast<uintptr_t>(look.dialog) != static_cast<uintptr_t>(value);
  }
  if (name == "requester") return look.requester != nullptr;
  if (name == "no-requester") return look.requester == nullptr;
  if (name == "items") return look.itemCount == value;
  if (name == "selection") return look.selection == value;
  if (name == "focus") return look.focus == value;
  if (name == "not-focus") return look.focus != value;
  return false;
}

// The message of a message box: its first static control with a text (the
// icon's has none), read wide like every text here.
std::string MessageText(HWND box) {
  HWND child = nullptr;
  while ((child = FindWindowExW(box, child, L"Static", nullptr))) {
    const std::string text = WindowText(child);
    if (!text.empty()) return text;
  }
  return "";
}

BOOL CALLBACK PrintChild(HWND child, LPARAM prefix) {
  const char* name = reinterpret_cast<const char*>(prefix);
  printf("%s.child=%d %s %s \"%s\"\n", name, GetDlgCtrlID(child),
         test_support::ClassOf(child).c_str(), Rectangle(child).c_str(),
         WindowText(child).c_str());
  return TRUE;
}

void Print(const Look& look, bool held) {
  printf("launcher=%d\n", look.launcher ? 1 : 0);
  if (look.launcher) {
    printf("window=%s\n", Rectangle(look.launcher).c_str());
    printf("process=%lu\n", look.process);
    printf("title=%s\n", WindowText(look.launcher).c_str());
    printf("enabled=%d\n", IsWindowEnabled(look.launcher) ? 1 : 0);
    for (int number = 0; number <= LAST_CONTROL; ++number) {
      HWND control = GetDlgItem(look.launcher, number);
      if (!control) continue;
      printf("control.%d=%s\n", number, Rectangle(control).c_str());
      printf("text.%d=%s\n", number, WindowText(control).c_str());
    }
    printf("items=%ld\n", look.itemCount);
    for (const auto& [position, text] : look.items) printf("item.%ld=%s\n", position, text.c_str());
    printf("selection=%ld\n", look.selection);
    printf("focus=%d\n", look.focus);
  }
  printf("dialog=%d\n", look.dialog ? 1 : 0);
  if (look.dialog) {
    printf("dialog.handle=%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(look.dialog)));
    printf("dialog.window=%s\n", Rectangle(look.dialog).c_str());
    printf("dialog.title=%s\n", WindowText(look.dialog).c_str());
    printf("dialog.text=%s\n", MessageText(look.dialog).c_str());
    for (int button : {IDOK, IDCANCEL, IDRETRY, IDYES, IDNO}) {
      HWND control = GetDlgItem(look.dialog, button);
      if (control) printf("dialog.button.%d=%s\n", button, Rectangle(control).c_str());
    }
  }
  printf("requester=%d\n", look.requester ? 1 : 0);
  if (look.requester) {
    printf("requester.window=%s\n", Rectangle(look.requester).c_str());
    printf("requester.title=%s\n", WindowText(look.requester).c_str());
    EnumChildWindows(look.requester, PrintChild, reinterpret_cast<LPARAM>("requester"));
  }
  printf("result=%s\nend\n", held ? "ok" : "timeout");
  fflush(stdout);
}

bool StartsWith(const std::string& word, const char* prefix) {
  return word.rfind(prefix, 0) == 0;
}

// Waits until every condition holds, then prints a look.
void LookWhen(const std::vector<std::string>& words) {
  DWORD timeout = 0;
  Selector selector;
  std::vector<std::string> conditions;
  for (const std::string& word : words) {
    const std::string value = word.substr(word.find('=') + 1);
    if (StartsWith(word, "timeout=")) {
      timeout = static_cast<DWORD>(atol(value.c_str()));
    } else if (StartsWith(word, "process=")) {
      selector.process = static_cast<DWORD>(atol(value.c_str()));
    } else if (StartsWith(word, "not-process=")) {
      selector.otherThan = Numbers(value);
    } else if (StartsWith(word, "items-at=")) {
      selector.itemsAt = Numbers(value);
    } else {
      conditions.push_back(word);
    }
  }
  const DWORD start = GetTickCount();
  for (;;) {
    const Look look = TakeLook(selector);
    bool held = true;
    for (const std::string& condition : conditions) held = held && Holds(look, condition);
    if (held || GetTickCount() - start >= timeout) {
      Print(look, held);
      return;
    }
    Sleep(200);
  }
}

std::vector<std::string> Words(const char* line) {
  std::vector<std::string> words;
  std::string word;
  for (const char* c = line; *c; ++c) {
    if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += *c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// A file held open as a reader would hold it: sharing reading and writing
// but not deletion, so that nothing can replace it meanwhile.
struct HeldFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

void Release(HeldFile* held) {
  if (held->handle != INVALID_HANDLE_VALUE) CloseHandle(held->handle);
  held->handle = INVALID_HANDLE_VALUE;
}

// PATH is a full Windows path, which may be longer than MAX_PATH.
void Hold(HeldFile* held, const std::string& path) {
  Release(held);
  const std::wstring name = L"\\\\?\\" + Wide(path);
  held->handle = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  const bool ok = held->handle != INVALID_HANDLE_VALUE;
  printf("held=%d\n", ok ? 1 : 0);
  if (!ok) printf("error=%lu\n", GetLastError());
  printf("result=%s\nend\n", ok ? "ok" : "failed");
  fflush(stdout);
}

}  // namespace

int main() {
  // Lines end in LF alone, as the shell that reads them expects.
  _setmode(_fileno(stdout), _O_BINARY);
  static char line[1024];
  HeldFile held;
  while (fgets(line, sizeof(line), stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    const std::vector<std::string> words = Words(line);
    if (!words.empty() && words[0] == "quit") break;
    if (!words.empty() && words[0] == "hold") {
      Hold(&held, line + strspn(line, " \t") + 5);
    } else if (!words.empty() && words[0] == "release") {
      Release(&held);
      printf("result=ok\nend\n");
      fflush(stdout);
    } else {
      LookWhen(words);
    }
  }
  Release(&held);
  return 0;
}
