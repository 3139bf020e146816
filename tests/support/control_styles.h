#pragma once
#include <windows.h>

namespace test_support {

// The styles the toolkit gives its windows and controls, as Win32 reads them
// back from the window itself.
constexpr DWORD CHILD_CONTROL = WS_CHILD | WS_VISIBLE;
constexpr DWORD CAPTIONED_WINDOW_STYLE = WS_VISIBLE | WS_CAPTION;
constexpr DWORD IMAGE_STYLE = CHILD_CONTROL | SS_NOTIFY;
constexpr DWORD BUTTON_STYLE = CHILD_CONTROL | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD COMBO_BOX_STYLE = CHILD_CONTROL | WS_BORDER | WS_VSCROLL | WS_GROUP | WS_TABSTOP |
                                  CBS_HASSTRINGS | CBS_DROPDOWNLIST;
constexpr DWORD GROUP_BOX_STYLE = CHILD_CONTROL | WS_GROUP | BS_GROUPBOX;
constexpr DWORD EDGE_FRAME_STYLE = CHILD_CONTROL | WS_CLIPSIBLINGS | WS_GROUP | SS_CENTER;
// The text requester's prompt, input field and OK button.
constexpr DWORD PROMPT_STYLE = CHILD_CONTROL | SS_SIMPLE;
constexpr DWORD INPUT_FIELD_STYLE = CHILD_CONTROL | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD OK_BUTTON_STYLE = CHILD_CONTROL | WS_TABSTOP | BS_DEFPUSHBUTTON;

}  // namespace test_support
