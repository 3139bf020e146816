#include "window_driver.h"

#include <cstring>

namespace test_support {
namespace {

ModalWindowDriver* activeDriver;

// Time between the window's appearance or one step and the next step.
constexpr DWORD STEP_GAP_MS = 400;

struct Search {
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  char name[64];
  if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof(name)) &&
      strcmp(name, search->className) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

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
  Search search = {className_, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
  const DWORD now = GetTickCount();
  if (search.found && !window_) since_ = now;
  if (search.found) window_ = search.found;
  if (search.found && next_ < steps_.size() && now - since_ >= STEP_GAP_MS) {
    steps_[next_++](search.found);
    since_ = GetTickCount();
  } else if (now - since_ > timeoutMs_ && (search.found || !window_)) {
    gaveUp_ = true;
    PostQuitMessage(0);
  }
  busy_ = false;
}

}  // namespace test_support
