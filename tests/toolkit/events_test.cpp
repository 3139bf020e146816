#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "user_input.h"

namespace toolkit_test {
namespace {

using namespace toolkit;

size_t CountOf(const std::vector<int32_t>& events, int32_t value) {
  return std::count(events.begin(), events.end(), value);
}

class EventsTest : public ToolkitTest {};

TEST_F(EventsTest, MovesClicksKeysAndCloseRequestsGiveTheirEvents) {
  HWND window = OpenWindow();
  EXPECT_EQ(LastEventControl(), 0) << "no control event yet";
  // Mouse moves give their message number.
  test_support::MovePointerTo(window, 40, 40);
  test_support::MovePointerTo(window, 80, 60);
  const auto moves = EventsDuring(500);
  EXPECT_GE(CountOf(moves, WM_MOUSEMOVE), 1u) << ::testing::PrintToString(moves);
  EXPECT_EQ(CountOf(moves, EVENT_CONTROL), 0u);

  SetControlParent(window);
  auto seven = reinterpret_cast<HWND>(CreateButtonControl(7, 20, 20, 100, 25, "Seven"));
  auto three = reinterpret_cast<HWND>(CreateButtonControl(3, 20, 60, 100, 25, "Three"));
  test_support::ClickCentre(seven);
  EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL)) << "no control event after the click";
  EXPECT_EQ(LastEventControl(), 7);
  EXPECT_EQ(CountOf(seen, EVENT_CONTROL), 1u);

  // A close request is reported, the window stays, and the control number
  // stays as it was.
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitForEventValue(EVENT_CLOSE_REQUEST));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(LastEventControl(), 7);
  // Alt+F4, the usual way to ask a window without a close box to close.
  test_support::PressKeys("alt+F4");
  EXPECT_TRUE(WaitForEventValue(EVENT_CLOSE_REQUEST));
  EXPECT_TRUE(IsWindow(window));

  SetFocus(three);
  test_support::PressKeys("Return");
  EXPECT_EQ(CountOf(EventsDuring(500), EVENT_CONTROL), 0u) << "Enter is not a click";
  test_support::PressKeys("space");
  EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL));
  EXPECT_EQ(LastEventControl(), 3);
}

TEST_F(EventsTest, ActivationIsDeliveredAtOnceWithoutTakingAMessage) {
  HWND first = OpenWindow(0);
  auto second = reinterpret_cast<HWND>(OpenNumberedWindow(1, 20, 20, 100, 60, 0, "other"));
  SetActiveWindow(second);
  EventsDuring(300);

  constexpr UINT marker = WM_APP + 7;
  PostThreadMessageA(GetCurrentThreadId(), marker, 0, 0);
  SetActiveWindow(first);
  EXPECT_EQ(WaitForEvent(), EVENT_ACTIVATED);
  MSG waiting;
  EXPECT_TRUE(PeekMessageA(&waiting, nullptr, marker, marker, PM_NOREMOVE))
      << "the held-back activation takes no message";
  EXPECT_TRUE(WaitForEventValue(static_cast<int32_t>(marker), 2000));
}

// While one message is handled, a close request and then a move are recorded:
// the later event replaces the earlier.
HWND injectInto;
LRESULT CALLBACK RecordTwoEvents(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_APP + 9) {
    SendMessageA(injectInto, WM_CLOSE, 0, 0);
    SendMessageA(injectInto, WM_MOVE, 0, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(EventsTest, TwoEventsInOneMessageGiveOnlyTheLater) {
  injectInto = OpenWindow();
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RecordTwoEvents, nullptr, GetCurrentThreadId());
  PostMessageA(injectInto, WM_APP + 9, 0, 0);
  EXPECT_TRUE(WaitForEventValue(EVENT_MOVED, 2000));
  EXPECT_EQ(CountOf(seen, EVENT_CLOSE_REQUEST), 0u);
  UnhookWindowsHookEx(hook);
}

}  // namespace
}  // namespace toolkit_test
