#include "toolkit/requesters.h"

#include "foundation/instance.h"
#include "foundation/registry_chain.h"
#include "foundation/strings.h"

namespace toolkit {
namespace {

// A window disabled on behalf of a requester; the record lives exactly as
// long as the window stays disabled for it.
struct DisabledWindow {
  DWORD thread;
  HWND window;
};

constexpr char REQUESTER_CLASS[] = "InputRequester";
constexpr int REQUESTER_WIDTH = 300;
constexpr int REQUESTER_HEIGHT = 130;
constexpr DWORD REQUESTER_STYLE = WS_VISIBLE | WS_CAPTION;  // no system menu, no close box

constexpr WORD CMD_TAKE_TEXT = 1000;  // "Ok" and Enter
constexpr WORD CMD_CANCEL = 1001;     // Escape
constexpr int PROMPT_ID = 0;
constexpr int INPUT_FIELD_ID = 10;

// GetWindowTextA's buffer for the answer: at most 9999 characters and the zero.
constexpr int ANSWER_BUFFER_SIZE = 10000;

struct TextRequester {
  HWND owner;
  bool ownerDisabled;  // AskText disabled the owner itself
  HWND field;
  bool finished;
  HFONT font;  // the stock GUI font, never deleted
};

// Plain process-wide state: the launcher runs its requesters on one thread.
// The thread in each disabled-window record keeps a thread from enabling
// another's windows.
struct RequesterState {
  foundation::ChainHead disabledWindows;
  TextRequester text;
};

RequesterState requesters;

BOOL CALLBACK DisableIfThreadWindow(HWND window, LPARAM) {
  const DWORD thread = GetCurrentThreadId();
  // The foreground window becomes the requester's owner; AskText disables
  // it in a step of its own, MessageBoxA by itself.
  if (GetWindowThreadProcessId(window, nullptr) != thread || !IsWindowVisible(window) ||
      !IsWindowEnabled(window) || window == GetForegroundWindow()) {
    return TRUE;
  }
  // Without a record the window could never be enabled again: leave it.
  auto* record = static_cast<DisabledWindow*>(foundation::ChainAdd(
      &requesters.disabledWindows, foundation::CHAIN_LINKS_SIZE + sizeof(DisabledWindow)));
  if (!record) return TRUE;
  record->thread = thread;
  record->window = window;
  EnableWindow(window, FALSE);
  return TRUE;
}

HWND CreateChild(HWND dialog, const char* className, const char* text, DWORD style,
                 DWORD extendedStyle, int x, int y, int width, int height, int id) {
  HWND child = CreateWindowExA(extendedStyle, className, text, style, x, y, width, height, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               foundation::programInstance, nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(requesters.text.font), TRUE);
  return child;
}

void CreateRequesterChildren(HWND dialog, const char* prompt, const char* defaultText) {
  // One line, left-aligned and never wrapped.
  CreateChild(dialog, "STATIC", prompt, WS_CHILD | WS_VISIBLE | SS_SIMPLE, 0, 10, 10, 280, 22,
              PROMPT_ID);
  requesters.text.field =
      CreateChild(dialog, "EDIT", nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                  WS_EX_CLIENTEDGE, 10, 32, 275, 21, INPUT_FIELD_ID);
  SetFocus(requesters.text.field);
  CreateChild(dialog, "BUTTON", "Ok", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 110,
              67, 80, 25, CMD_TAKE_TEXT);
  if (!defaultText) return;
  SendMessageA(requesters.text.field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(defaultText));
  // The caret after the last character, nothing selected.
  const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthA(requesters.text.field));
  SendMessageA(requesters.text.field, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void EnableRequesterWindows() {
  if (requesters.text.ownerDisabled) EnableWindow(requesters.text.owner, TRUE);
  requesters.text.ownerDisabled = false;
  EnableThreadWindows();
}

// The owner and the other windows are enabled again before the dialog goes,
// so that Win32 can hand the activation back to the owner.
void CloseRequester(HWND dialog) {
  EnableRequesterWindows();
  DestroyWindow(dialog);
}

LRESULT CALLBACK RequesterProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == CMD_TAKE_TEXT) {
        char answer[ANSWER_BUFFER_SIZE];
        answer[0] = '\0';
        GetWindowTextA(requesters.text.field, answer, ANSWER_BUFFER_SIZE);
        foundation::AppendToScratch(answer);
        CloseRequester(dialog);
      } else if (LOWORD(wParam) == CMD_CANCEL) {
        foundation::AppendToScratch(nullptr);
        CloseRequester(dialog);
      }
      return 0;
    case WM_CLOSE:
      CloseRequester(dialog);
      return 0;
    case WM_DESTROY:
      // Fails while the class still has this window; a class left registered
      // serves the next AskText as well.
      UnregisterClassA(REQUESTER_CLASS, foundation::programInstance);
      requesters.text.finished = true;
      return 0;
  }
  return DefWindowProcA(dialog, message, wParam, lParam);
}

void RegisterRequesterClass() {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = RequesterProcedure;
  windowClass.hInstance = foundation::programInstance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = REQUESTER_CLASS;
  RegisterClassExA(&windowClass);
}

HWND CreateRequesterWindow(const char* title) {
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - REQUESTER_WIDTH / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - REQUESTER_HEIGHT / 2;
  return CreateWindowExA(0, REQUESTER_CLASS, title, REQUESTER_STYLE, x, y, REQUESTER_WIDTH,
                         REQUESTER_HEIGHT, ProcessForegroundWindow(), nullptr,
                         foundation::programInstance, nullptr);
}

// Runs the dialog's own loop until it is gone. Every message of the thread
// passes the two keys first, so Enter and Escape act whatever has the focus;
// there is no dialog-key processing, so Tab does not move the focus.
void RunRequesterLoop(HWND dialog) {
  ACCEL keys[] = {
      {FVIRTKEY, VK_RETURN, CMD_TAKE_TEXT},
      {FVIRTKEY, VK_ESCAPE, CMD_CANCEL},
  };
  HACCEL keyTable = CreateAcceleratorTableA(keys, sizeof(keys) / sizeof(keys[0]));
  MSG message;
  while (!requesters.text.finished) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      // A quit request ends the question unanswered; it is posted again for
      // the caller's own loop.
      CloseRequester(dialog);
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!TranslateAcceleratorA(dialog, keyTable, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  DestroyAcceleratorTable(keyTable);
}

}  // namespace

HWND ProcessForegroundWindow() {
  HWND foreground = GetForegroundWindow();
  if (!foreground) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

void ResetRequesters() { requesters = {}; }

void DisableThreadWindows() { EnumWindows(DisableIfThreadWindow, 0); }

void EnableThreadWindows() {
  const DWORD thread = GetCurrentThreadId();
  void* payload = foundation::ChainFirstPayload(requesters.disabledWindows);
  while (payload) {
    void* older = foundation::ChainNextPayload(payload);
    auto* record = static_cast<DisabledWindow*>(payload);
    if (record->thread == thread) {
      EnableWindow(record->window, TRUE);
      foundation::ChainRemove(&requesters.disabledWindows, payload);
    }
    payload = older;
  }
}

int32_t ShowMessageBox(const char* title, const char* message, int32_t style) {
  DisableThreadWindows();
  const int answer =
      MessageBoxA(ProcessForegroundWindow(), message, title, static_cast<UINT>(style));
  EnableThreadWindows();
  return answer;
}

char* AskText(const char* title, const char* prompt, const char* defaultText) {
  char* answer = foundation::ScratchMark();
  TextRequester& requester = requesters.text;
  if (!requester.font) requester.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  RegisterRequesterClass();
  requester.finished = false;

  DisableThreadWindows();
  requester.owner = ProcessForegroundWindow();
  requester.ownerDisabled = requester.owner && IsWindowEnabled(requester.owner);
  if (requester.ownerDisabled) EnableWindow(requester.owner, FALSE);

  HWND dialog = CreateRequesterWindow(title);
  if (dialog) {
    CreateRequesterChildren(dialog, prompt, defaultText);
    SetForegroundWindow(dialog);
    BringWindowToTop(dialog);
    RunRequesterLoop(dialog);
  } else {
    EnableRequesterWindows();
  }
  // Closing without an answer wrote nothing: the empty text.
  foundation::AppendToScratch(nullptr);
  return answer;
}

}  // namespace toolkit
