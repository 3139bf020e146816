#pragma once
#include <windows.h>

namespace foundation {

// The runtime keeps everything in two private heaps: the main heap for strings,
// list elements and object tables, the node heap for registry-chain nodes only.
// Destroying them at program end releases every block at once.
inline HANDLE mainHeap = nullptr;
inline HANDLE nodeHeap = nullptr;

void CreateMainHeap();
void CreateNodeHeap();
// Node heap first, then the main heap.
void DestroyHeaps();

// Zero-filled block from the main heap; nullptr when the heap has none.
void* MainHeapAllocate(size_t size);
void MainHeapFree(void* block);

}  // namespace foundation
