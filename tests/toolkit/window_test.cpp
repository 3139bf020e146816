#include <string>

#include "control_styles.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "window_reading.h"

// Names a client size in test output.
void PrintTo(const SIZE& size, std::ostream* out) { *out << size.cx << "x" << size.cy; }

namespace toolkit_test {
namespace {

using namespace toolkit;
using test_support::ClassOf;

class WindowTest : public ToolkitTest, public ::testing::WithParamInterface<SIZE> {};

// Both client sizes the launcher uses: the German and the English layout.
INSTANTIATE_TEST_SUITE_P(LauncherSizes, WindowTest,
                         ::testing::Values(SIZE{460, 350}, SIZE{450, 320}),
                         [](const auto& info) {
                           return std::to_string(info.param.cx) + "x" +
                                  std::to_string(info.param.cy);
                         });

TEST_P(WindowTest, FlagsZeroGiveAFixedCaptionedWindowAtItsPlace) {
  CreationRecorder recorder;
  auto window = reinterpret_cast<HWND>(OpenNumberedWindow(0, 312, 234, GetParam().cx,
                                                          GetParam().cy, 0, "Velmora Starter"));
  ASSERT_NE(window, nullptr);
  const auto* creation = recorder.Find(window);
  ASSERT_NE(creation, nullptr);
  EXPECT_EQ(creation->style, test_support::CAPTIONED_WINDOW_STYLE);
  // Win32 itself adds the window edge to every captioned window.
  EXPECT_EQ(creation->extendedStyle & ~WS_EX_WINDOWEDGE, 0u);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(ClassOf(window), "WindowClass_0");
  char title[64] = {};
  GetWindowTextA(window, title, sizeof(title));
  EXPECT_STREQ(title, "Velmora Starter");

  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  EXPECT_EQ(outer.left, 312);
  EXPECT_EQ(outer.top, 234);
  EXPECT_EQ(client.right, GetParam().cx);
  EXPECT_EQ(client.bottom, GetParam().cy);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsChild(window, GetFocus())) << "opening a window focuses no control";
}

class WindowLifeTest : public ToolkitTest {};

TEST_F(WindowLifeTest, ClassCarriesTheToolkitDefaults) {
  auto window = reinterpret_cast<HWND>(OpenNumberedWindow(0, 312, 234, 200, 100, 0, "t"));
  WNDCLASSA registered = {};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &registered));
  EXPECT_EQ(registered.style, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(registered.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  // Icon one, whose 32 x 32 image the assets' tests check.
  ASSERT_NE(registered.hIcon, nullptr);
  EXPECT_EQ(registered.hIcon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)));
  EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "TemplateClass", &registered));
  CloseNumberedWindow(0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &registered))
      << "closing a window unregisters its class";
}

TEST_F(WindowLifeTest, OpeningANumberAgainClosesTheFirstWindowAndItsControls) {
  auto first = reinterpret_cast<HWND>(OpenNumberedWindow(0, 312, 234, 300, 200, 0, "first"));
  SetControlParent(first);
  auto button = reinterpret_cast<HWND>(CreateButtonControl(3, 10, 10, 80, 20, "b"));
  ASSERT_TRUE(IsWindow(button));
  auto second = reinterpret_cast<HWND>(OpenNumberedWindow(0, 312, 234, 300, 200, 0, "second"));
  EXPECT_TRUE(IsWindow(second));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(IsWindow(button));
  EXPECT_EQ(ReadControlState(3), 0) << "the control's number was emptied with its window";
}

TEST_F(WindowLifeTest, FlagsCentreAndHide) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  auto centred = reinterpret_cast<HWND>(
      OpenNumberedWindow(1, 5, 5, 200, 100, WINDOW_CENTRE_ON_SCREEN, "centred"));
  RECT outer;
  GetWindowRect(centred, &outer);
  EXPECT_EQ(outer.left, screenWidth / 2 - (outer.right - outer.left) / 2);
  EXPECT_EQ(outer.top, screenHeight / 2 - (outer.bottom - outer.top) / 2);

  CreationRecorder recorder;
  auto hidden = reinterpret_cast<HWND>(
      OpenNumberedWindow(2, 5, 5, 200, 100, WINDOW_HIDDEN, "hidden"));
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_EQ(recorder.Find(hidden)->style, static_cast<DWORD>(WS_CAPTION));
}

// Two automatic windows: one closed by its number, one left to CloseAllWindows.
TEST_F(WindowLifeTest, AutomaticNumbersNameTheirWindowsAndCloseAllClosesEveryKind) {
  auto zero = reinterpret_cast<HWND>(OpenNumberedWindow(0, 10, 10, 100, 100, 0, "0"));
  EXPECT_EQ(WindowTableBound(), 10);
  auto twelve = reinterpret_cast<HWND>(OpenNumberedWindow(12, 10, 10, 100, 100, 0, "12"));
  EXPECT_EQ(WindowTableBound(), 42) << "12 grows the table by its step of 30";
  ASSERT_TRUE(zero && twelve);
  EXPECT_EQ(OpenNumberedWindow(-2, 100, 100, 200, 100, 0, "bad"), 0);
  intptr_t ids[2];
  HWND automatic[2];
  for (int i = 0; i < 2; ++i) {
    ids[i] = OpenNumberedWindow(-1, 100, 100, 200, 100, 0, "auto");
    const std::string className = "WindowClass_" + std::to_string(ids[i]);
    automatic[i] = FindWindowA(className.c_str(), "auto");
    ASSERT_NE(automatic[i], nullptr) << className;
    EXPECT_NE(reinterpret_cast<intptr_t>(automatic[i]), ids[i])
        << "-1 answers the number, not the handle";
  }
  CloseNumberedWindow(ids[0]);
  EXPECT_FALSE(IsWindow(automatic[0]));
  CloseNumberedWindow(ids[0]);  // a second close finds nothing and does nothing
  EXPECT_TRUE(IsWindow(automatic[1]));
  CloseAllWindows();
  EXPECT_FALSE(IsWindow(zero));
  EXPECT_FALSE(IsWindow(twelve));
  EXPECT_FALSE(IsWindow(automatic[1]));
}

}  // namespace
}  // namespace toolkit_test
