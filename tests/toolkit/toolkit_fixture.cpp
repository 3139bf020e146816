#include "toolkit_fixture.h"

#include "foundation/instance.h"
#include "processes.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"
#include "toolkit/window.h"
#include "user_input.h"

namespace toolkit_test {

void ToolkitTest::SetUp() {
  foundation::programInstance = GetModuleHandleA(nullptr);
  toolkit::InitWindowToolkit();
  toolkit::InitControlToolkit();
  toolkit::ResetRequesters();
  timer_ = SetTimer(nullptr, 0, 50, nullptr);
}

void ToolkitTest::TearDown() {
  KillTimer(nullptr, timer_);
  toolkit::CloseAllWindows();
}

HWND ToolkitTest::OpenWindow(foundation::ObjectNumber number, int width, int height) {
  auto window = reinterpret_cast<HWND>(
      toolkit::OpenNumberedWindow(number, 312, 234, width, height, 0, "Toolkit test"));
  EXPECT_NE(window, nullptr);
  SetForegroundWindow(window);
  // Keys from the X server go to the desktop window under the pointer.
  test_support::MovePointerTo(window, width - 5, height - 5);
  // Creation leaves a resize as the pending event; let the window settle.
  EventsDuring(300);
  seen.clear();
  return window;
}

bool ToolkitTest::WaitForEventValue(int32_t expected, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    const int32_t event = toolkit::WaitForEvent();
    seen.push_back(event);
    if (event == expected) return true;
  }
  return false;
}

std::vector<int32_t> ToolkitTest::EventsDuring(DWORD milliseconds) {
  std::vector<int32_t> events;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) events.push_back(toolkit::WaitForEvent());
  seen.insert(seen.end(), events.begin(), events.end());
  return events;
}

namespace {

std::vector<CreationRecorder::Creation>* recorded;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && recorded) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    recorded->push_back({reinterpret_cast<HWND>(wParam), static_cast<DWORD>(create->style),
                         create->dwExStyle});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

CreationRecorder::CreationRecorder() {
  recorded = new std::vector<Creation>;
  hook_ = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
}

CreationRecorder::~CreationRecorder() {
  UnhookWindowsHookEx(hook_);
  delete recorded;
  recorded = nullptr;
}

const CreationRecorder::Creation* CreationRecorder::Find(HWND window) const {
  for (const Creation& creation : *recorded) {
    if (creation.window == window) return &creation;
  }
  return nullptr;
}

}  // namespace toolkit_test
