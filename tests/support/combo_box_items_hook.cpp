// Loaded into another process by a message hook (combo_box_items.h): there it
// reads the items of a combo box with plain calls in that process's own
// thread, which a test in another process could only get one message at a
// time, and leaves them in shared memory that the test named.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "combo_box_items_protocol.h"

namespace {

// Copies the items, as Windows-1252 texts, into the view; false when they do
// not all fit. The combo box keeps its items in its list, whose procedure is
// called directly: while the hook is in place, every sent message would pass
// it, and Wine asks its server for the hook chain at each one.
bool CopyItems(HWND comboBox, char* view, size_t room) {
  COMBOBOXINFO parts = {};
  parts.cbSize = sizeof(parts);
  if (!GetComboBoxInfo(comboBox, &parts) || !parts.hwndList) return false;
  HWND list = parts.hwndList;
  const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
  auto ask = [&](UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(procedure, list, message, wParam, lParam);
  };
  const LRESULT count = ask(LB_GETCOUNT, 0, 0);
  if (count < 0) return false;
  size_t used = sizeof(combo_box_items::Header);
  wchar_t wide[combo_box_items::LONGEST_ITEM + 1];
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ask(LB_GETTEXTLEN, i, 0);
    if (length < 0 || length > combo_box_items::LONGEST_ITEM) return false;
    ask(LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
    // One byte per character in Windows-1252; the length goes first.
    const uint32_t bytes = static_cast<uint32_t>(length);
    if (used + sizeof(bytes) + bytes > room) return false;
    memcpy(view + used, &bytes, sizeof(bytes));
    used += sizeof(bytes);
    if (bytes > 0 && WideCharToMultiByte(1252, 0, wide, static_cast<int>(length), view + used,
                                         static_cast<int>(bytes), nullptr, nullptr) !=
                         static_cast<int>(bytes)) {
      return false;
    }
    used += bytes;
  }
  combo_box_items::Header header = {static_cast<uint32_t>(count), 1};
  memcpy(view, &header, sizeof(header));
  return true;
}

}  // namespace

// The hook procedure: answers the read request sent to a combo box and lets
// every other message pass.
extern "C" __declspec(dllexport) LRESULT CALLBACK ComboBoxItemsHook(int code, WPARAM wParam,
                                                                    LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION &&
      sent->message == RegisterWindowMessageA(combo_box_items::REQUEST_MESSAGE)) {
    char name[64];
    combo_box_items::SharedMemoryName(static_cast<DWORD>(sent->wParam), name);
    HANDLE memory = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (memory) {
      if (void* view = MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, 0)) {
        CopyItems(sent->hwnd, static_cast<char*>(view), combo_box_items::SHARED_MEMORY_SIZE);
        UnmapViewOfFile(view);
      }
      CloseHandle(memory);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
