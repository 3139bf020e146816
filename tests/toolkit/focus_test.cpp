#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "user_input.h"

namespace toolkit_test {
namespace {

using namespace toolkit;

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

TEST_F(FocusTest, TabWalksTheTabStopsInCreationOrderAndWraps) {
  ASSERT_EQ(FocusedNumber(), -1);
  const intptr_t order[] = {2, 10, 3, 4, 5, 6, 7, 8, 2};
  for (intptr_t expected : order) {
    Press("Tab");
    EXPECT_EQ(FocusedNumber(), expected);
  }
}

TEST_F(FocusTest, ShiftTabWalksBackwardsAndWrapsTabStaysOnANonTabStop) {
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
}

TEST_F(FocusTest, TabBetweenButtonsIsAKeyDownWithoutEvent) {
  SetFocus(GetDlgItem(window, 2));
  const auto events = Press("Tab");
  EXPECT_EQ(FocusedNumber(), 10);
  EXPECT_NE(std::find(events.begin(), events.end(), WM_KEYDOWN), events.end())
      << ::testing::PrintToString(events);
  EXPECT_EQ(std::find(events.begin(), events.end(), EVENT_CONTROL), events.end());
}

TEST_F(FocusTest, TabIntoAndOutOfTheComboBoxReportsTheComboBox) {
  SetFocus(GetDlgItem(window, 7));
  EventsDuring(200);
  auto events = Press("Tab");
  ASSERT_EQ(FocusedNumber(), 8);
  EXPECT_NE(std::find(events.begin(), events.end(), EVENT_CONTROL), events.end())
      << ::testing::PrintToString(events);
  EXPECT_EQ(LastEventControl(), 8);

  events = Press("Tab");
  EXPECT_EQ(FocusedNumber(), 2);
  EXPECT_NE(std::find(events.begin(), events.end(), EVENT_CONTROL), events.end())
      << "losing the focus is reported too";
  EXPECT_EQ(LastEventControl(), 8);
}

TEST_F(FocusTest, DisabledAndHiddenControlsAreSkipped) {
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
