#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>

// What a test and the hook library it puts into another process
// (combo_box_items_hook.cpp) agree on.
namespace combo_box_items {

// Sent to the combo box, with the test's process id as wParam: the hook in
// the combo box's thread sees it before the box, which ignores it.
constexpr char REQUEST_MESSAGE[] = "VelmoraTestComboBoxItems";
// The test's shared memory: a Header, then per item its length in bytes
// (uint32_t) and its Windows-1252 bytes.
constexpr size_t SHARED_MEMORY_SIZE = 32u << 20;
constexpr int LONGEST_ITEM = 4096;

struct Header {
  uint32_t count;
  uint32_t complete;  // 1 once every item was copied
};

inline void SharedMemoryName(DWORD testProcessId, char (&name)[64]) {
  snprintf(name, sizeof(name), "VelmoraTestComboBoxItems-%lu", testProcessId);
}

}  // namespace combo_box_items
