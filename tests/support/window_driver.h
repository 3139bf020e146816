#pragma once
#include <windows.h>

#include <functional>
#include <vector>

namespace test_support {

// Drives a window that a modal loop of this very thread shows (a requester,
// a message box, the shell's error box) while the call that shows it blocks
// the test. A thread timer, which that loop dispatches, waits for a visible
// window of the class in this process and then runs the steps, one per tick
// and some time apart, so that the real input one step gives has been
// handled before the next step looks. Input from a step arrives only after
// the step has returned.
//
// When the window does not appear, or is still there long after the last
// step, the driver gives up: it posts a quit message, which ends such loops,
// and removes it again when it goes. One driver at a time.
class ModalWindowDriver {
 public:
  using Step = std::function<void(HWND window)>;
  ModalWindowDriver(const char* className, std::vector<Step> steps, DWORD timeoutMs = 10000);
  ~ModalWindowDriver();
  ModalWindowDriver(const ModalWindowDriver&) = delete;
  ModalWindowDriver& operator=(const ModalWindowDriver&) = delete;

  bool gaveUp() const { return gaveUp_; }
  size_t stepsRun() const { return next_; }
  // The window found, nullptr until then.
  HWND window() const { return window_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  const char* className_;
  std::vector<Step> steps_;
  DWORD timeoutMs_;
  UINT_PTR timer_ = 0;
  DWORD since_;
  size_t next_ = 0;
  HWND window_ = nullptr;
  bool gaveUp_ = false;
  bool busy_ = false;
};

}  // namespace test_support
