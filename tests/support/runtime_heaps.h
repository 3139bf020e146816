#pragma once
#include "foundation/heaps.h"
#include "foundation/strings.h"

namespace test_support {

// The runtime's two heaps and its scratch area, made anew for one test (as
// the first member of its fixture) or one program, and destroyed with
// everything in them when it goes.
struct RuntimeHeaps {
  RuntimeHeaps() {
    foundation::CreateMainHeap();
    foundation::CreateNodeHeap();
    foundation::InitScratchArea();
  }
  ~RuntimeHeaps() { foundation::DestroyHeaps(); }
  RuntimeHeaps(const RuntimeHeaps&) = delete;
  RuntimeHeaps& operator=(const RuntimeHeaps&) = delete;
};

}  // namespace test_support
