#pragma once
#include <windows.h>

#include <new>

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

// One T in the main heap, made in zero-filled memory and destroyed and freed
// when the guard goes: for work records too large for the stack (paths of
// any length). Empty when the heap had no room. Never copied.
template <typename T>
class MainHeapBlock {
 public:
  MainHeapBlock() {
    void* memory = MainHeapAllocate(sizeof(T));
    block_ = memory ? new (memory) T : nullptr;
  }
  ~MainHeapBlock() {
    if (!block_) return;
    block_->~T();
    MainHeapFree(block_);
  }
  MainHeapBlock(const MainHeapBlock&) = delete;
  MainHeapBlock& operator=(const MainHeapBlock&) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  T* get() const { return block_; }
  T* operator->() const { return block_; }
  T& operator*() const { return *block_; }

 private:
  T* block_;
};

}  // namespace foundation
