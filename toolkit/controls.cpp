#include "toolkit/controls.h"

#include <commctrl.h>

#include <cstring>

#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "toolkit/scoped_gdi.h"
#include "toolkit/window.h"

namespace toolkit {
namespace {

using foundation::ObjectTable;

// The operations that differ between kinds of control; a null operation makes
// the public operation do nothing and give 0.
struct ControlKind {
  LRESULT (*readState)(HWND control);
  LRESULT (*writeState)(HWND control, intptr_t value);
  LRESULT (*insertItem)(HWND control, intptr_t position, const char* text);
  LRESULT (*removeAllItems)(HWND control);
  LRESULT (*removeItem)(HWND control, intptr_t position);
  LRESULT (*refillItems)(HWND control, WNDPROC classProcedure, const ItemSource& items);
};

struct ControlEntry {
  HWND handle;
  const ControlKind* kind;
  HANDLE image;  // image controls: the image shown, or nullptr
  WNDPROC previousProcedure;
};

constexpr ObjectNumber CONTROL_TABLE_BOUND = 30;
constexpr ObjectNumber CONTROL_TABLE_STEP = 30;

constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD COMBO_BOX_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP |
                                  WS_TABSTOP | CBS_HASSTRINGS | CBS_DROPDOWNLIST;
constexpr DWORD GROUP_BOX_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | BS_GROUPBOX;
constexpr DWORD EDGE_FRAME_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_GROUP | SS_CENTER;
constexpr DWORD IMAGE_STYLE = WS_CHILD | WS_VISIBLE | SS_NOTIFY;

LRESULT SendToControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(control, message, wParam, lParam);
}

constexpr ControlKind IMAGE_KIND = {
    nullptr,
    [](HWND c, intptr_t v) { return SendToControl(c, STM_SETIMAGE, IMAGE_BITMAP, v); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

constexpr ControlKind BUTTON_KIND = {
    [](HWND c) { return SendToControl(c, BM_GETCHECK, 0, 0); },
    [](HWND c, intptr_t v) { return SendToControl(c, BM_SETCHECK, v, 0); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Selecting an index outside the items clears the selection and answers
// CB_ERR (-1). Windows does so for any such index; Wine only for -1, so every
// other one is turned into -1 here.
LRESULT SelectComboBoxItem(HWND control, intptr_t index) {
  const LRESULT count = SendToControl(control, CB_GETCOUNT, 0, 0);
  return SendToControl(control, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

// A long list filled item by item with drawing on repaints and grows its
// storage at every item; so drawing is off until the last one is in, and
// CB_INITSTORAGE reserves the items and their bytes at once. The items go
// straight to the class's own procedure: the control procedure would only
// pass each of them on, at a cost that a hundred thousand items make felt.
LRESULT RefillComboBox(HWND control, WNDPROC classProcedure, const ItemSource& items) {
  WPARAM count = 0;
  LPARAM bytes = 0;
  for (const char* text = items.first(items.context); text; text = items.next(items.context)) {
    ++count;
    bytes += static_cast<LPARAM>(strlen(text) + 1);
  }
  SendToControl(control, WM_SETREDRAW, FALSE, 0);
  SendToControl(control, CB_RESETCONTENT, 0, 0);
  SendToControl(control, CB_INITSTORAGE, count, bytes);
  LRESULT inserted = 0;
  for (const char* text = items.first(items.context); text; text = items.next(items.context)) {
    if (CallWindowProcA(classProcedure, control, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(text)) >= 0) {
      ++inserted;
    }
  }
  SendToControl(control, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return inserted;
}

// CB_GETCURSEL answers CB_ERR (-1) when nothing is selected.
constexpr ControlKind COMBO_BOX_KIND = {
    [](HWND c) { return SendToControl(c, CB_GETCURSEL, 0, 0); },
    SelectComboBoxItem,
    [](HWND c, intptr_t p, const char* t) {
      return SendToControl(c, CB_INSERTSTRING, p, reinterpret_cast<LPARAM>(t));
    },
    [](HWND c) { return SendToControl(c, CB_RESETCONTENT, 0, 0); },
    [](HWND c, intptr_t p) { return SendToControl(c, CB_DELETESTRING, p, 0); },
    RefillComboBox,
};

constexpr ControlKind EDGE_FRAME_KIND = {};

// The control toolkit's state; InitControlToolkit starts it anew.
struct ControlToolkit {
  ObjectTable table;
  HWND parent;  // the window new controls are made in
  HFONT font;   // the stock GUI font, never deleted
  // Every image control shares the class's procedure, which it forwards to.
  WNDPROC imagePreviousProcedure;
  bool rightDoubleClickPending;
};

ControlToolkit controls;
const char EMPTY_TEXT[] = "";

ControlEntry* EntryOfWindow(HWND control) {
  return static_cast<ControlEntry*>(
      foundation::LookUpSlot(&controls.table, GetWindowLongPtrA(control, GWLP_ID)));
}

ControlEntry* EntryOfNumber(ObjectNumber number) {
  return static_cast<ControlEntry*>(foundation::LookUpSlot(&controls.table, number));
}

// Runs an operation of the kind of the control that holds the number on that
// control; 0 when the number holds no control or its kind lacks the operation.
template <typename Operation, typename... Arguments>
intptr_t RunKindOperation(ObjectNumber number, Operation ControlKind::*operation,
                          Arguments... arguments) {
  ControlEntry* entry = EntryOfNumber(number);
  if (!entry || !(entry->kind->*operation)) return 0;
  return (entry->kind->*operation)(entry->handle, arguments...);
}

HWND TopLevelOf(HWND window) {
  while (HWND parent = GetParent(window)) window = parent;
  return window;
}

void ReportClick(HWND control, LPARAM kind) {
  SendMessageA(TopLevelOf(control), MSG_CONTROL_CLICK, GetWindowLongPtrA(control, GWLP_ID), kind);
}

SIZE ImageSize(HANDLE image) {
  SIZE size = {};
  if (GetObjectType(image) == OBJ_BITMAP) {
    BITMAP bitmap;
    if (GetObjectA(image, sizeof(bitmap), &bitmap)) size = {bitmap.bmWidth, bitmap.bmHeight};
    return size;
  }
  const ScopedIconInfo icon(static_cast<HICON>(image));
  if (!icon.valid) return size;
  BITMAP bitmap;
  if (icon.info.hbmColor && GetObjectA(icon.info.hbmColor, sizeof(bitmap), &bitmap)) {
    size = {bitmap.bmWidth, bitmap.bmHeight};
  } else if (GetObjectA(icon.info.hbmMask, sizeof(bitmap), &bitmap)) {
    // A monochrome icon keeps its image and mask stacked in one bitmap.
    size = {bitmap.bmWidth, bitmap.bmHeight / 2};
  }
  return size;
}

// An image control takes the size of the image it is given.
LRESULT SetImage(HWND control, ControlEntry* entry, HANDLE image) {
  if (entry) entry->image = image;
  if (image) {
    SIZE size = ImageSize(image);
    if (GetWindowLongPtrA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
      size.cx += 4;
      size.cy += 4;
    }
    SetWindowPos(control, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
  }
  return reinterpret_cast<LRESULT>(image);
}

void DrawImage(HDC context, HANDLE image) {
  if (!image) return;
  const UINT kind = GetObjectType(image) == OBJ_BITMAP ? DST_BITMAP : DST_ICON;
  DrawStateA(context, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, 0, 0, 0, 0,
             kind | DSS_NORMAL);
}

LRESULT CALLBACK ImageProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlEntry* entry = EntryOfWindow(control);
  HANDLE image = entry ? entry->image : nullptr;
  switch (message) {
    case STM_SETIMAGE:
      return SetImage(control, entry, reinterpret_cast<HANDLE>(lParam));
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(image);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC context = BeginPaint(control, &paint);
      DrawImage(context, image);
      EndPaint(control, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      DrawImage(reinterpret_cast<HDC>(wParam), image);
      return 0;
    case WM_ENABLE:
      // The picture looks the same enabled or disabled; repaint it at once.
      RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      return 0;
    case WM_LBUTTONDBLCLK:
      ReportClick(control, CLICK_DOUBLE);
      return 0;
    case WM_RBUTTONUP:
      // The release that ends a right double click is not a click of its own.
      if (controls.rightDoubleClickPending) {
        controls.rightDoubleClickPending = false;
      } else {
        ReportClick(control, CLICK_RIGHT);
      }
      return 0;
    case WM_RBUTTONDBLCLK:
      ReportClick(control, CLICK_RIGHT_DOUBLE);
      controls.rightDoubleClickPending = true;
      return 0;
    case WM_NCDESTROY:
      foundation::ClearSlot(&controls.table, GetWindowLongPtrA(control, GWLP_ID));
      break;
  }
  return CallWindowProcA(controls.imagePreviousProcedure, control, message, wParam, lParam);
}

LRESULT CALLBACK ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlEntry* entry = EntryOfWindow(control);
  if (!entry) return DefWindowProcA(control, message, wParam, lParam);
  const WNDPROC previous = entry->previousProcedure;
  if (message == WM_NCDESTROY) {
    foundation::ClearSlot(&controls.table, GetWindowLongPtrA(control, GWLP_ID));
  } else if (message == WM_PAINT && entry->kind == &EDGE_FRAME_KIND) {
    // The edge frame shows only its border; its inside is never painted.
    ValidateRect(control, nullptr);
  }
  return CallWindowProcA(previous, control, message, wParam, lParam);
}

struct ControlClass {
  const char* className;
  DWORD style;
  DWORD extendedStyle;
  const ControlKind* kind;
};

// The one path that creates every control: claims the number, replaces what
// it held, creates the window and installs the toolkit's procedure on it.
// Returns the control's entry, nullptr on failure.
ControlEntry* CreateControl(ObjectNumber number, const ControlClass& control, const char* text,
                            int x, int y, int width, int height) {
  auto* entry = static_cast<ControlEntry*>(foundation::ClaimSlot(&controls.table, number));
  if (!entry) return nullptr;
  if (number == foundation::AUTOMATIC_NUMBER) {
    number = foundation::AutomaticNumberOf(entry);
  } else if (entry->handle) {
    DestroyWindow(entry->handle);
  }
  HWND handle = CreateWindowExA(control.extendedStyle, control.className, text, control.style, x,
                                y, width, height, controls.parent, reinterpret_cast<HMENU>(number),
                                foundation::programInstance, nullptr);
  if (!handle) {
    foundation::ClearSlot(&controls.table, number);
    return nullptr;
  }
  *entry = {handle, control.kind, nullptr, nullptr};
  const bool isImage = control.kind == &IMAGE_KIND;
  const WNDPROC procedure = isImage ? ImageProcedure : ControlProcedure;
  const auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
  if (isImage) {
    controls.imagePreviousProcedure = previous;
  } else {
    entry->previousProcedure = previous;
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(controls.font), TRUE);
  }
  return entry;
}

constexpr ControlClass BUTTON_CLASS = {"BUTTON", BUTTON_STYLE, 0, &BUTTON_KIND};
constexpr ControlClass COMBO_BOX_CLASS = {"COMBOBOX", COMBO_BOX_STYLE, WS_EX_CLIENTEDGE,
                                          &COMBO_BOX_KIND};

}  // namespace

void InitControlToolkit() {
  controls = {};
  foundation::ObjectTableInit(&controls.table, sizeof(ControlEntry), CONTROL_TABLE_BOUND,
                              CONTROL_TABLE_STEP);
  controls.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  InitCommonControls();
}

HWND SetControlParent(HWND parent) {
  controls.parent = parent;
  return parent;
}

intptr_t CreateImageControl(ObjectNumber number, int x, int y, int width, int height,
                            HANDLE image, DWORD extendedStyle) {
  const ControlClass imageClass = {"STATIC", IMAGE_STYLE, extendedStyle, &IMAGE_KIND};
  ControlEntry* entry = CreateControl(number, imageClass, nullptr, x, y, width, height);
  if (entry) {
    SendMessageA(entry->handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
  }
  return foundation::CreationResult(number, entry);
}

intptr_t CreateButtonControl(ObjectNumber number, int x, int y, int width, int height,
                             const char* text) {
  return foundation::CreationResult(number,
                                    CreateControl(number, BUTTON_CLASS, text, x, y, width, height));
}

intptr_t CreateComboBoxControl(ObjectNumber number, int x, int y, int width, int height) {
  return foundation::CreationResult(
      number, CreateControl(number, COMBO_BOX_CLASS, nullptr, x, y, width, height));
}

intptr_t CreateFrameControl(ObjectNumber number, int x, int y, int width, int height,
                            const char* text, DWORD flags) {
  ControlClass frameClass = {"BUTTON", GROUP_BOX_STYLE, 0, &BUTTON_KIND};
  if (flags != FRAME_GROUP_BOX) {
    frameClass = {"STATIC", EDGE_FRAME_STYLE, 0, &EDGE_FRAME_KIND};
    if (flags == FRAME_SUNKEN) {
      frameClass.extendedStyle = WS_EX_CLIENTEDGE;
    } else if (flags == FRAME_STATIC_EDGE) {
      frameClass.extendedStyle = WS_EX_STATICEDGE;
    } else {
      frameClass.style |= WS_BORDER;
    }
  }
  return foundation::CreationResult(number,
                                    CreateControl(number, frameClass, text, x, y, width, height));
}

intptr_t ReadControlState(ObjectNumber number) {
  return RunKindOperation(number, &ControlKind::readState);
}

intptr_t WriteControlState(ObjectNumber number, intptr_t value) {
  return RunKindOperation(number, &ControlKind::writeState, value);
}

intptr_t InsertControlItem(ObjectNumber number, intptr_t position, const char* text) {
  return RunKindOperation(number, &ControlKind::insertItem, position, text ? text : EMPTY_TEXT);
}

intptr_t RemoveAllControlItems(ObjectNumber number) {
  return RunKindOperation(number, &ControlKind::removeAllItems);
}

intptr_t RemoveControlItem(ObjectNumber number, intptr_t position) {
  return RunKindOperation(number, &ControlKind::removeItem, position);
}

intptr_t RefillControlItems(ObjectNumber number, const ItemSource& items) {
  ControlEntry* entry = EntryOfNumber(number);
  if (!entry || !entry->kind->refillItems) return 0;
  return entry->kind->refillItems(entry->handle, entry->previousProcedure, items);
}

ObjectNumber ControlTableBound() { return controls.table.bound; }

}  // namespace toolkit
