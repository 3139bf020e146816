#include "window_driver.h"

#include "window_reading.h"

namespace test_support {
namespace {

ModalWindowDriver* activeDriver;

// Time between the window's appearance or one step and the next step.
constexpr DWORD STEP_GAP_MS = 400;

}  // namespace

ModalWindowDriver::ModalWindowDriver(const char* className, std::vector<Step> steps,
                                     DWORD timeoutMs)
    : className_(className),
      steps_(std::move(steps)),
      timeoutMs_(timeoutMs),
      since_(GetTickCount()) {
  activeDriver = this;
  timer_ = SetTimer(nullptr, 0, 100, Tick);
}

ModalWindowDriver::~ModalWindowDriver() {
  KillTimer(nullptr, timer_);
  activeDriver = nullptr;
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void CALLBACK ModalWindowDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (activeDriver) activeDriver->OnTick();
}

void ModalWindowDriver::OnTick() {
  if (busy_ || gaveUp_) return;
  busy_ = true;
  HWND found = FindVisibleWindow(GetCurrentProcessId(), className_);
  const DWORD now = GetTickCount();
  if (found && !window_) since_ = now;
  if (found) window_ = found;
  if (found && next_ < steps_.size() && now - since_ >= STEP_GAP_MS) {
    steps_[next_++](found);
    since_ = GetTickCount();
  } else if (now - since_ > timeoutMs_ && (found || !window_)) {
    gaveUp_ = true;
    PostQuitMessage(0);
  }
  busy_ = false;
}

}  // namespace test_support
