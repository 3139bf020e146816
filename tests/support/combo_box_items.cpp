#include "combo_box_items.h"

#include <gtest/gtest.h>

#include <cstring>

#include "combo_box_items_protocol.h"
#include "foundation/owned_handles.h"
#include "processes.h"

namespace test_support {
namespace {

constexpr char HOOK_LIBRARY[] = "tests/combo_box_items_hook.dll";
constexpr DWORD READ_TIMEOUT_MS = 30000;

using OwnedView = foundation::Owned<LPCVOID, UnmapViewOfFile>;
using OwnedHook = foundation::Owned<HHOOK, UnhookWindowsHookEx>;

// The texts the hook left in the view; nullopt unless it copied them all.
std::optional<std::vector<std::string>> ItemsIn(const char* view) {
  combo_box_items::Header header;
  memcpy(&header, view, sizeof(header));
  if (header.complete != 1) return std::nullopt;
  std::vector<std::string> items;
  items.reserve(header.count);
  size_t at = sizeof(header);
  for (uint32_t i = 0; i < header.count; ++i) {
    uint32_t length;
    memcpy(&length, view + at, sizeof(length));
    at += sizeof(length);
    items.emplace_back(view + at, length);
    at += length;
  }
  return items;
}

}  // namespace

std::optional<std::vector<std::string>> ReadComboBoxItems(HWND comboBox) {
  // Kept loaded: the hook's address is taken from this process's copy.
  static HMODULE library = LoadLibraryA(BuildPath(HOOK_LIBRARY).c_str());
  const auto procedure = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library, "ComboBoxItemsHook")));
  EXPECT_NE(procedure, nullptr) << "no hook in " << HOOK_LIBRARY;
  if (!procedure) return std::nullopt;

  char name[64];
  combo_box_items::SharedMemoryName(GetCurrentProcessId(), name);
  const foundation::OwnedHandle memory(CreateFileMappingA(
      INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
      static_cast<DWORD>(combo_box_items::SHARED_MEMORY_SIZE), name));
  if (!memory) return std::nullopt;
  const OwnedView view(MapViewOfFile(memory.get(), FILE_MAP_WRITE, 0, 0, 0));
  if (!view) return std::nullopt;

  const DWORD thread = GetWindowThreadProcessId(comboBox, nullptr);
  const OwnedHook hook(SetWindowsHookExA(WH_CALLWNDPROC, procedure, library, thread));
  EXPECT_TRUE(hook) << "cannot hook the combo box's thread (error " << GetLastError() << ")";
  if (!hook) return std::nullopt;
  DWORD_PTR answer = 0;
  const UINT request = RegisterWindowMessageA(combo_box_items::REQUEST_MESSAGE);
  if (!SendMessageTimeoutW(comboBox, request, GetCurrentProcessId(), 0, SMTO_NORMAL,
                           READ_TIMEOUT_MS, &answer)) {
    return std::nullopt;
  }
  return ItemsIn(static_cast<const char*>(view.get()));
}

}  // namespace test_support
