#include "foundation/heaps.h"

namespace foundation {

void CreateMainHeap() { mainHeap = HeapCreate(0, 4000, 0); }

void CreateNodeHeap() { nodeHeap = HeapCreate(0, 1024, 0); }

void DestroyHeaps() {
  if (nodeHeap) HeapDestroy(nodeHeap);
  if (mainHeap) HeapDestroy(mainHeap);
  nodeHeap = nullptr;
  mainHeap = nullptr;
}

void* MainHeapAllocate(size_t size) { return HeapAlloc(mainHeap, HEAP_ZERO_MEMORY, size); }

void MainHeapFree(void* block) {
  if (block) HeapFree(mainHeap, 0, block);
}

}  // namespace foundation
