#include "toolkit/window.h"

#include <commctrl.h>

#include "foundation/heaps.h"
#include "foundation/instance.h"

namespace toolkit {
namespace {

using foundation::ObjectTable;

struct WindowEntry {
  HWND handle;
  intptr_t shortcutCount;
  ACCEL* shortcutEntries;
  HACCEL shortcutTable;
};

constexpr ObjectNumber WINDOW_TABLE_BOUND = 10;
constexpr ObjectNumber WINDOW_TABLE_STEP = 30;
constexpr char TEMPLATE_CLASS_NAME[] = "TemplateClass";
constexpr char CLASS_NAME_PREFIX[] = "WindowClass_";

constexpr ACCEL WINDOW_SHORTCUTS[] = {
    {FVIRTKEY | FNOINVERT, VK_TAB, CMD_NEXT_CONTROL},
    {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, CMD_PREVIOUS_CONTROL},
};
constexpr int SHORTCUT_COUNT = sizeof(WINDOW_SHORTCUTS) / sizeof(WINDOW_SHORTCUTS[0]);
// The timer a window whose session has ended sets, to end the process when
// the system has not; any message loop (the event wait's or a requester's)
// delivers it.
constexpr UINT_PTR SESSION_END_TIMER = 12503;
constexpr UINT SESSION_END_GRACE_MS = 5000;

// The window toolkit's state; InitWindowToolkit starts it anew.
struct WindowToolkit {
  ObjectTable table;
  // The class every numbered window registers, under the name in className.
  WNDCLASSA windowClass;
  // "WindowClass_" and a 64-bit number in decimal fit with room to spare.
  char className[48];
  int32_t currentEvent;
  int32_t pendingEvent;
  intptr_t eventControl;
  void (*sessionEndAction)();
};

WindowToolkit windows;

// Writes "WindowClass_<number>" into the class-name buffer, the number in
// decimal as printf's %ld gives it.
void FormatClassName(ObjectNumber number) {
  char digits[24];
  int count = 0;
  uintptr_t magnitude = number < 0 ? 0 - static_cast<uintptr_t>(number) : number;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  char* out = windows.className;
  for (const char* p = CLASS_NAME_PREFIX; *p;) *out++ = *p++;
  if (number < 0) *out++ = '-';
  while (count) *out++ = digits[--count];
  *out = '\0';
}

bool ClassNameStartsWith(HWND window, const char* prefix) {
  char name[50];
  if (!GetClassNameA(window, name, sizeof(name))) return false;
  for (int i = 0; prefix[i]; ++i) {
    if (name[i] != prefix[i]) return false;
  }
  return true;
}

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

DWORD StyleFromFlags(DWORD flags) {
  DWORD style = flags & ~(WINDOW_CENTRE_ON_SCREEN | WINDOW_CENTRE_ON_ACTIVE);
  const bool hidden = style & WINDOW_HIDDEN;
  style &= ~WINDOW_HIDDEN;
  if (style == 0) style = WS_CAPTION;
  if (!hidden) style |= WS_VISIBLE;
  return style;
}

// Places the outer rectangle: as passed, centred on the screen, or centred on
// the active window (the latter wins).
POINT OuterPosition(int x, int y, int outerWidth, int outerHeight, DWORD flags) {
  POINT position = {x, y};
  if (flags & WINDOW_CENTRE_ON_ACTIVE) {
    RECT active;
    HWND activeWindow = GetActiveWindow();
    if (activeWindow && GetWindowRect(activeWindow, &active)) {
      position.x = active.left - outerWidth / 2 + (active.right - active.left) / 2;
      position.y = active.top - outerHeight / 2 + (active.bottom - active.top) / 2;
      if (position.x < 0) position.x = 0;
      if (position.y < 0) position.y = 0;
      return position;
    }
    flags |= WINDOW_CENTRE_ON_SCREEN;
  }
  if (flags & WINDOW_CENTRE_ON_SCREEN) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int width = outerWidth < screenWidth ? outerWidth : screenWidth;
    const int height = outerHeight < screenHeight ? outerHeight : screenHeight;
    position.x = (screenWidth >> 1) - (width >> 1);
    position.y = (screenHeight >> 1) - (height >> 1);
  }
  return position;
}

void MakeShortcuts(WindowEntry* entry) {
  entry->shortcutEntries =
      static_cast<ACCEL*>(foundation::MainHeapAllocate(sizeof(WINDOW_SHORTCUTS)));
  if (!entry->shortcutEntries) return;
  for (int i = 0; i < SHORTCUT_COUNT; ++i) entry->shortcutEntries[i] = WINDOW_SHORTCUTS[i];
  entry->shortcutCount = SHORTCUT_COUNT;
  entry->shortcutTable = CreateAcceleratorTableA(entry->shortcutEntries, SHORTCUT_COUNT);
}

// The shortcut table of a toolkit window, nullptr for other windows. Plain Tab
// is left to a focused rich-edit control, which takes it as text.
HACCEL ShortcutTableOf(HWND window) {
  if (!window) return nullptr;
  if (IsKeyDown(VK_TAB) && !IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_SHIFT) &&
      !IsKeyDown(VK_MENU)) {
    HWND focus = GetFocus();
    if (focus && ClassNameStartsWith(focus, "Rich")) return nullptr;
  }
  auto* entry =
      static_cast<WindowEntry*>(foundation::FindEntryByHandle(&windows.table, window));
  return entry ? entry->shortcutTable : nullptr;
}

void RecordCommandFromControl(WPARAM wParam, HWND control) {
  windows.currentEvent = EVENT_CONTROL;
  windows.eventControl = GetWindowLongPtrA(control, GWLP_ID);
  if (windows.eventControl == COMMAND_CONTROL_ID) {
    windows.currentEvent = EVENT_COMMAND;
    windows.eventControl = LOWORD(wParam);
  }
  // A list box reports only selection changes and double clicks as use.
  const WORD code = HIWORD(wParam);
  if (ClassNameStartsWith(control, "List") && code != LBN_SELCHANGE && code != LBN_DBLCLK) {
    windows.currentEvent = 0;
  }
}

void RecordCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam) {
    RecordCommandFromControl(wParam, reinterpret_cast<HWND>(lParam));
  } else if (HIWORD(wParam) == 0) {
    windows.currentEvent = EVENT_COMMAND;
    windows.eventControl = static_cast<intptr_t>(wParam);
  } else if (LOWORD(wParam) == CMD_NEXT_CONTROL) {
    FocusNextControl();
  } else if (LOWORD(wParam) == CMD_PREVIOUS_CONTROL) {
    FocusPreviousControl();
  } else {
    windows.currentEvent = EVENT_COMMAND;
    windows.eventControl = LOWORD(wParam);
  }
}

// Common-control notifications that count as use of the control.
bool IsUseNotification(const NMHDR* header) {
  const UINT code = header->code;
  if (code == UDN_DELTAPOS) return true;
  if (ClassNameStartsWith(header->hwndFrom, "SysT") || ClassNameStartsWith(header->hwndFrom, "SysL")) {
    return code == NM_CLICK || code == NM_DBLCLK || code == NM_RCLICK || code == NM_RDBLCLK ||
           code == LVN_ITEMACTIVATE || code == TVN_SELCHANGEDA || code == LVN_ITEMCHANGED;
  }
  if (ClassNameStartsWith(header->hwndFrom, "SysD")) return code == DTN_DATETIMECHANGE;
  if (ClassNameStartsWith(header->hwndFrom, "SysM")) return code == MCN_SELCHANGE;
  return false;
}

void RecordTrayMessage(WPARAM wParam, LPARAM lParam) {
  windows.currentEvent = 0;
  windows.eventControl = static_cast<intptr_t>(wParam);
  if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP || lParam == WM_LBUTTONDBLCLK ||
      lParam == WM_RBUTTONDBLCLK) {
    windows.currentEvent = EVENT_TRAY;
  }
}

LRESULT CALLBACK ToolkitWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      RecordCommand(wParam, lParam);
      return 0;
    case MSG_CONTROL_CLICK:
      windows.currentEvent = EVENT_CONTROL;
      windows.eventControl = static_cast<intptr_t>(wParam);
      return lParam;
    case WM_HSCROLL:
    case WM_VSCROLL:
      windows.currentEvent = EVENT_CONTROL;
      windows.eventControl = GetWindowLongPtrA(reinterpret_cast<HWND>(lParam), GWLP_ID);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (IsUseNotification(header)) {
        windows.currentEvent = EVENT_CONTROL;
        windows.eventControl = static_cast<intptr_t>(header->idFrom);
      }
      return 0;
    }
    case WM_CLOSE:
      windows.currentEvent = EVENT_CLOSE_REQUEST;
      return 0;
    case WM_MOVE:
      windows.currentEvent = EVENT_MOVED;
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) windows.pendingEvent = EVENT_RESIZED;
      break;
    case WM_ACTIVATE:
      // Skipping the default processing keeps activation from moving the
      // keyboard focus into the window.
      if (LOWORD(wParam) != WA_INACTIVE) windows.pendingEvent = EVENT_ACTIVATED;
      return 1;
    case MSG_TRAY_CALLBACK:
      PostMessageA(window, MSG_TRAY_REPOSTED, wParam, lParam);
      return 0;
    case MSG_TRAY_REPOSTED:
      RecordTrayMessage(wParam, lParam);
      return 0;
    case WM_ENDSESSION:
      // The session really ends: the program's one chance to keep its work.
      if (wParam && windows.sessionEndAction) {
        void (*action)() = windows.sessionEndAction;
        windows.sessionEndAction = nullptr;
        action();
        // The system ends the process once every window has answered. A
        // process that ends itself first, inside the message or right after
        // its answer, leaves Wine's session end deaf to the next program's
        // answers: it stalls, or ends that program unsaved. Should the system
        // leave the process running, it ends itself a little later.
        SetTimer(window, SESSION_END_TIMER, SESSION_END_GRACE_MS, nullptr);
      }
      return 0;
    case WM_TIMER:
      if (wParam != SESSION_END_TIMER) break;
      ExitProcess(0);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool IsTabStop(HWND window) {
  return IsWindowEnabled(window) && IsWindowVisible(window) &&
         (GetWindowLongPtrA(window, GWL_STYLE) & WS_TABSTOP);
}

// The focused window when it lies inside the active window, else nullptr.
HWND FocusStart(HWND active) {
  HWND focus = GetFocus();
  return focus && IsChild(active, focus) ? focus : nullptr;
}

struct FocusWalk {
  HWND start;
  HWND first;
  HWND lastSeen;
  HWND target;
  bool startVisited;
};

BOOL CALLBACK VisitForNext(HWND child, LPARAM context) {
  auto* walk = reinterpret_cast<FocusWalk*>(context);
  if (!IsTabStop(child)) return TRUE;
  if (!walk->first) walk->first = child;
  if (walk->startVisited) {
    walk->target = child;
    return FALSE;
  }
  if (child == walk->start) walk->startVisited = true;
  return TRUE;
}

BOOL CALLBACK VisitForPrevious(HWND child, LPARAM context) {
  auto* walk = reinterpret_cast<FocusWalk*>(context);
  if (!IsTabStop(child)) return TRUE;
  if (child == walk->start && walk->lastSeen) {
    walk->target = walk->lastSeen;
    return FALSE;
  }
  walk->lastSeen = child;
  return TRUE;
}

}  // namespace

void InitWindowToolkit() {
  windows = {};
  foundation::ObjectTableInit(&windows.table, sizeof(WindowEntry), WINDOW_TABLE_BOUND,
                              WINDOW_TABLE_STEP);
  windows.windowClass.style = CS_DBLCLKS;
  windows.windowClass.lpfnWndProc = ToolkitWindowProcedure;
  windows.windowClass.hInstance = foundation::programInstance;
  windows.windowClass.hIcon = LoadIconA(foundation::programInstance, MAKEINTRESOURCEA(1));
  windows.windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windows.windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windows.windowClass.lpszClassName = TEMPLATE_CLASS_NAME;
  RegisterClassA(&windows.windowClass);
  windows.windowClass.lpszClassName = windows.className;
}

intptr_t OpenNumberedWindow(ObjectNumber requested, int x, int y, int width, int height,
                            DWORD flags, const char* title, HWND owner) {
  auto* entry = static_cast<WindowEntry*>(foundation::ClaimSlot(&windows.table, requested));
  if (!entry) return 0;
  ObjectNumber number = requested;
  if (number == foundation::AUTOMATIC_NUMBER) {
    number = foundation::AutomaticNumberOf(entry);
  } else {
    CloseNumberedWindow(number);
  }
  FormatClassName(number);
  RegisterClassA(&windows.windowClass);

  const DWORD style = StyleFromFlags(flags);
  RECT outer = {x, y, x + width, y + height};
  AdjustWindowRect(&outer, style, FALSE);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const POINT position = OuterPosition(x, y, outerWidth, outerHeight, flags);

  entry->handle = CreateWindowExA(0, windows.className, title, style, position.x, position.y,
                                  outerWidth, outerHeight, owner, nullptr,
                                  foundation::programInstance, nullptr);
  if (!entry->handle) {
    foundation::ClearSlot(&windows.table, number);
    return 0;
  }
  if ((style & WS_MAXIMIZE) && (style & WS_VISIBLE)) ShowWindow(entry->handle, SW_MAXIMIZE);
  MakeShortcuts(entry);
  return foundation::CreationResult(requested, entry);
}

void CloseNumberedWindow(ObjectNumber number) {
  auto* entry = static_cast<WindowEntry*>(foundation::LookUpSlot(&windows.table, number));
  if (!entry) return;
  if (HWND owner = GetWindow(entry->handle, GW_OWNER)) SetActiveWindow(owner);
  DestroyWindow(entry->handle);
  FormatClassName(number);
  UnregisterClassA(windows.className, foundation::programInstance);
  if (entry->shortcutCount) {
    foundation::MainHeapFree(entry->shortcutEntries);
    DestroyAcceleratorTable(entry->shortcutTable);
    entry->shortcutCount = 0;
  }
  foundation::ClearSlot(&windows.table, number);
}

void CloseAllWindows() {
  foundation::ForEachNumber(&windows.table, foundation::SlotOrder::DESCENDING,
                            CloseNumberedWindow);
}

int32_t WaitForEvent() {
  if (windows.pendingEvent) {
    const int32_t event = windows.pendingEvent;
    windows.pendingEvent = 0;
    windows.currentEvent = 0;
    return event;
  }
  MSG message = {};
  GetMessageA(&message, nullptr, 0, 0);
  HWND active = GetActiveWindow();
  HACCEL shortcuts = ShortcutTableOf(active);
  if (!shortcuts || !TranslateAcceleratorA(active, shortcuts, &message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  const int32_t event =
      windows.currentEvent ? windows.currentEvent : static_cast<int32_t>(message.message);
  windows.currentEvent = 0;
  return event;
}

intptr_t LastEventControl() { return windows.eventControl; }

void FocusNextControl() {
  HWND active = GetActiveWindow();
  FocusWalk walk = {};
  walk.start = FocusStart(active);
  if (walk.start && !IsTabStop(walk.start)) return;
  EnumChildWindows(active, VisitForNext, reinterpret_cast<LPARAM>(&walk));
  HWND target = walk.target ? walk.target : walk.first;
  if (target) SetFocus(target);
}

void FocusPreviousControl() {
  HWND active = GetActiveWindow();
  FocusWalk walk = {};
  walk.start = FocusStart(active);
  EnumChildWindows(active, VisitForPrevious, reinterpret_cast<LPARAM>(&walk));
  HWND target = walk.target ? walk.target : walk.lastSeen;
  if (target) SetFocus(target);
}

void SetSessionEndAction(void (*action)()) { windows.sessionEndAction = action; }

ObjectNumber WindowTableBound() { return windows.table.bound; }

}  // namespace toolkit
