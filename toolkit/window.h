#pragma once
#include <windows.h>

#include <cstdint>

#include "foundation/object_table.h"

namespace toolkit {

using foundation::ObjectNumber;

// Values returned by WaitForEvent. Any value not listed here is the number of
// the Win32 message that the wait took from the queue, for which no event arose.
constexpr int32_t EVENT_MOVED = 3;
constexpr int32_t EVENT_RESIZED = 5;
constexpr int32_t EVENT_CLOSE_REQUEST = 16;
constexpr int32_t EVENT_CONTROL = 13100;
constexpr int32_t EVENT_COMMAND = 13101;
constexpr int32_t EVENT_TRAY = 13102;
constexpr int32_t EVENT_ACTIVATED = 13104;

// Sent by an image control to its top-level window: wParam is the control's
// number, lParam the kind of click.
constexpr UINT MSG_CONTROL_CLICK = 13103;
constexpr LPARAM CLICK_RIGHT = 1;
constexpr LPARAM CLICK_DOUBLE = 2;
constexpr LPARAM CLICK_RIGHT_DOUBLE = 3;

// A tray icon's callback message, and the form in which it is posted back.
constexpr UINT MSG_TRAY_CALLBACK = 12501;
constexpr UINT MSG_TRAY_REPOSTED = 12502;

// The commands of the two shortcuts every toolkit window carries.
constexpr WORD CMD_NEXT_CONTROL = 1212;
constexpr WORD CMD_PREVIOUS_CONTROL = 1213;

// A control whose identifier is this value reports menu-style commands.
constexpr LONG_PTR COMMAND_CONTROL_ID = -10000;

// Window flags beyond the Win32 style bits they are combined with.
constexpr DWORD WINDOW_CENTRE_ON_SCREEN = 0x00000001;
constexpr DWORD WINDOW_CENTRE_ON_ACTIVE = 0x00000002;
constexpr DWORD WINDOW_HIDDEN = 0x10000000;

void InitWindowToolkit();

// Opens a top-level window whose client area is `width` x `height` with its
// outer top-left corner at (x, y). Returns the handle, the automatic number for
// AUTOMATIC_NUMBER, or 0. An explicit number that holds a window closes it first.
intptr_t OpenNumberedWindow(ObjectNumber number, int x, int y, int width, int height,
                            DWORD flags, const char* title, HWND owner = nullptr);
void CloseNumberedWindow(ObjectNumber number);
void CloseAllWindows();

// Takes one message (or a held-back event) and returns the event it produced.
int32_t WaitForEvent();
intptr_t LastEventControl();
// Runs the action, once, when the Windows session ends for good (log-off,
// shut-down, an installer's restart of programs): WM_ENDSESSION with wParam
// TRUE at any toolkit window. The action keeps what must be kept and returns;
// once the window has answered, the system may end the process at any moment,
// and should it leave the process running, the process ends itself (exit
// code 0) a few seconds later. nullptr: nothing is done.
void SetSessionEndAction(void (*action)());
// The highest slot number of the window table.
ObjectNumber WindowTableBound();

void FocusNextControl();
void FocusPreviousControl();

}  // namespace toolkit
