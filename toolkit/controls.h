#pragma once
#include <windows.h>

#include <cstdint>

#include "foundation/object_table.h"

namespace toolkit {

using foundation::ObjectNumber;

// Frame flags: 0 makes a captioned group box; the others make a bordered
// rectangle whose inside is never painted.
constexpr DWORD FRAME_GROUP_BOX = 0;
constexpr DWORD FRAME_SUNKEN = 1;
constexpr DWORD FRAME_STATIC_EDGE = 2;
constexpr DWORD FRAME_BORDER = 3;

void InitControlToolkit();

// Names the window in which the following controls are created.
HWND SetControlParent(HWND parent);

// Each creation returns the control's window handle, the automatic number for
// AUTOMATIC_NUMBER, or 0. A number that holds a control loses it first. The
// control's window identifier is its number, and events report that number.
intptr_t CreateImageControl(ObjectNumber number, int x, int y, int width, int height,
                            HANDLE image, DWORD extendedStyle = 0);
intptr_t CreateButtonControl(ObjectNumber number, int x, int y, int width, int height,
                             const char* text);
intptr_t CreateComboBoxControl(ObjectNumber number, int x, int y, int width, int height);
intptr_t CreateFrameControl(ObjectNumber number, int x, int y, int width, int height,
                            const char* text, DWORD flags);

// Operations of a control's kind. A number that holds no control, or a kind
// without the operation, does nothing and gives 0.
// Button: the check state. Combo box: the selected index, -1 for none.
intptr_t ReadControlState(ObjectNumber number);
// Button: sets the check state. Combo box: selects an index; any index outside
// the items clears the selection. Image control: shows another image.
intptr_t WriteControlState(ObjectNumber number, intptr_t value);
// Combo box: inserts before item `position`, or appends for -1; returns the
// new item's index. A missing text inserts the empty text.
intptr_t InsertControlItem(ObjectNumber number, intptr_t position, const char* text);
// Combo box: removes every item and with them the selection.
intptr_t RemoveAllControlItems(ObjectNumber number);
// Combo box: removes the item at `position`; the count of items left, -1
// for a position that holds no item.
intptr_t RemoveControlItem(ObjectNumber number, intptr_t position);

// The texts a refill puts in a control, in order: `first` gives the first
// text and `next` each following one, nullptr when there are no more. A
// refill walks them twice: once to reserve the control's storage, once to
// insert them.
struct ItemSource {
  const char* (*first)(void* context);
  const char* (*next)(void* context);
  void* context;
};
// Combo box: replaces every item by the texts of the source in one sweep,
// with drawing switched off and the storage for all of them reserved first,
// then draws once. Nothing is selected afterwards. The count of items inserted.
intptr_t RefillControlItems(ObjectNumber number, const ItemSource& items);

// The highest slot number of the control table.
ObjectNumber ControlTableBound();

}  // namespace toolkit
