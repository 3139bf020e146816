#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "user_input.h"

namespace toolkit_test {
namespace {

using namespace toolkit;

bool Contains(const std::vector<int32_t>& events, int32_t value) {
  return std::find(events.begin(), events.end(), value) != events.end();
}

// The launcher's window in miniature: two pictures, seven buttons, the combo
// box and the frame, created in the launcher's order.
class FocusTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window = OpenWindow();
    SetControlParent(window);
    CreateImageControl(0, 10, 10, 300, 300, nullptr);
    CreateImageControl(1, 330, 10, 100, 64, nullptr);
    const int buttons[] = {2, 10, 3, 4, 5, 6, 7};
    int y = 100;
    for (int number : buttons) {
      CreateButtonControl(number, 330, y, 100, 18, "b");
      y += 20;
    }
    CreateComboBoxControl(8, 330, 260, 90, 100);
    CreateFrameControl(9, 320, 90, 120, 200, "frame", FRAME_GROUP_BOX);
    EventsDuring(200);
    seen.clear();
  }

  // The number of the focused control; -1 when no control has the focus (the
  // window itself may have it).
  intptr_t FocusedNumber() {
    HWND focus = GetFocus();
    return focus && IsChild(window, focus) ? GetWindowLongPtrA(focus, GWLP_ID) : -1;
  }

  // Presses the keys and lets WaitForEvent take everything they cause.
  std::vector<int32_t> Press(const char* keys) {
    test_support::PressKeys(keys);
    return EventsDuring(400);
  }

  HWND window = nullptr;
};

// Tab between buttons is a key down without event; the combo box reports
// taking the focus and losing it.
TEST_F(FocusTest, TabWalksTheTabStopsInCreationOrderAndWraps) {
  ASSERT_EQ(FocusedNumber(), -1);
  const struct {
    intptr_t focused;
    bool comboBoxEvent;
  } steps[] = {{2, false}, {10, false}, {3, false}, {4, false}, {5, false},
               {6, false}, {7, false},  {8, true},  {2, true}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.focused);
    const auto events = Press("Tab");
    EXPECT_EQ(FocusedNumber(), step.focused);
    EXPECT_EQ(Contains(events, EVENT_CONTROL), step.comboBoxEvent)
        << ::testing::PrintToString(events);
    if (step.comboBoxEvent) {
      EXPECT_EQ(LastEventControl(), 8);
    } else {
      EXPECT_TRUE(Contains(events, WM_KEYDOWN)) << ::testing::PrintToString(events);
    }
  }
}

TEST_F(FocusTest, ShiftTabWalksBackwardsTabStaysOnANonTabStopAndBothSkipUnusableControls) {
  Press("shift+Tab");
  EXPECT_EQ(FocusedNumber(), 8) << "from nothing focused to the last tab stop";
  Press("shift+Tab");
  EXPECT_EQ(FocusedNumber(), 7);
  SetFocus(GetDlgItem(window, 2));
  Press("shift+Tab");
  EXPECT_EQ(FocusedNumber(), 8) << "from the first tab stop to the last";
  // A picture with the focus: Tab leaves it there, Shift+Tab goes to the end.
  SetFocus(GetDlgItem(window, 0));
  Press("Tab");
  EXPECT_EQ(FocusedNumber(), 0);
  Press("shift+Tab");
  EXPECT_EQ(FocusedNumber(), 8);
  // Disabled and hidden controls are skipped both ways.
  EnableWindow(GetDlgItem(window, 10), FALSE);
  ShowWindow(GetDlgItem(window, 3), SW_HIDE);
  SetFocus(GetDlgItem(window, 2));
  Press("Tab");
  EXPECT_EQ(FocusedNumber(), 4);
  Press("shift+Tab");
  EXPECT_EQ(FocusedNumber(), 2);
}

}  // namespace
}  // namespace toolkit_test
