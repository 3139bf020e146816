#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "foundation/object_table.h"
#include "runtime_heaps.h"

namespace toolkit_test {

// A fresh runtime for each test: both heaps and the scratch area, the window
// and control toolkits, and a thread timer that lets a waiting WaitForEvent
// return regularly, so that no test waits for ever.
class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens a window with flags 0 at the launcher's place and makes it the
  // foreground window with the pointer resting over it.
  HWND OpenWindow(foundation::ObjectNumber number = 0, int width = 450, int height = 320);

  // Calls WaitForEvent until it returns `expected` or the time is up; every
  // value returned on the way is appended to `seen`.
  bool WaitForEventValue(int32_t expected, DWORD timeoutMs = 5000);
  // Every value WaitForEvent returns during the given time.
  std::vector<int32_t> EventsDuring(DWORD milliseconds);

  test_support::RuntimeHeaps heaps;
  std::vector<int32_t> seen;

 private:
  UINT_PTR timer_ = 0;
};

// Records the styles that CreateWindowExA is given, before Win32 adds any of
// its own, for every window created while the recorder lives.
class CreationRecorder {
 public:
  struct Creation {
    HWND window;
    DWORD style;
    DWORD extendedStyle;
  };
  CreationRecorder();
  ~CreationRecorder();
  const Creation* Find(HWND window) const;

 private:
  HHOOK hook_;
};

}  // namespace toolkit_test
