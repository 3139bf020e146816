#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_styles.h"
#include "starter_process.h"
#include "window_reading.h"

namespace launcher_test {
namespace {
using test_support::TextOf;
using test_support::ClassOf;

struct ControlLayout {
  int number;
  const char* className;
  DWORD style;
  const char* text;
  RECT place;  // x, y, width, height in the window's client area
};

struct Layout {
  const Build& build;
  SIZE client;
  std::vector<ControlLayout> controls;  // in creation order
};

// As read back from Win32: a combo box keeps its border and scroll bar styles
// for its parts, so they do not show on the box itself.
constexpr DWORD IMAGE = test_support::IMAGE_STYLE;
constexpr DWORD BUTTON = test_support::BUTTON_STYLE;
constexpr DWORD COMBO_BOX = test_support::COMBO_BOX_STYLE & ~(WS_BORDER | WS_VSCROLL);
constexpr DWORD GROUP_BOX = test_support::GROUP_BOX_STYLE;

const Layout LAYOUTS[] = {
    {BUILDS[0],
     {460, 350},
     {
         {0, "Static", IMAGE, "", {20, 20, 300, 300}},
         {1, "Static", IMAGE, "", {340, 10, 100, 64}},
         {2, "Button", BUTTON, "Spiel starten", {340, 190, 100, 25}},
         {10, "Button", BUTTON, "Kaufen", {340, 220, 100, 20}},
         {3, "Button", BUTTON, "Anleitung", {340, 245, 100, 20}},
         {4, "Button", BUTTON, "Webseite", {340, 270, 100, 20}},
         {5, "Button", BUTTON, "Beenden", {340, 295, 100, 20}},
         {6, "Button", BUTTON, "Neu", {350, 130, 80, 18}},
         {7, "Button", BUTTON, "L\xF6schen", {350, 155, 80, 18}},
         {8, "ComboBox", COMBO_BOX, "", {345, 100, 90, 0}},
         {9, "Button", GROUP_BOX, "Charakter: ", {340, 80, 100, 100}},
     }},
    {BUILDS[1],
     {450, 320},
     {
         {0, "Static", IMAGE, "", {10, 10, 300, 300}},
         {1, "Static", IMAGE, "", {330, 10, 100, 64}},
         {2, "Button", BUTTON, "Start Game", {330, 190, 100, 25}},
         {10, "Button", BUTTON, "Buy", {330, 220, 100, 20}},
         {3, "Button", BUTTON, "Manual", {330, 245, 100, 20}},
         {4, "Button", BUTTON, "Website", {330, 270, 100, 20}},
         {5, "Button", BUTTON, "Quit", {330, 295, 100, 20}},
         {6, "Button", BUTTON, "New", {340, 130, 80, 18}},
         {7, "Button", BUTTON, "Delete", {340, 155, 80, 18}},
         {8, "ComboBox", COMBO_BOX, "", {335, 100, 90, 0}},
         {9, "Button", GROUP_BOX, "Character: ", {330, 80, 100, 100}},
     }},
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.build.program; }

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

class SpineTest : public ::testing::TestWithParam<Layout> {
 protected:
  test_support::ScratchDirectory installation;
};

// The layout's language, as test names give the build.
std::string LayoutName(const ::testing::TestParamInfo<Layout>& info) {
  return info.param.build.language;
}

// Both builds where the layout and its texts are read.
INSTANTIATE_TEST_SUITE_P(Builds, SpineTest, ::testing::ValuesIn(LAYOUTS), LayoutName);
// One build where the loop's answer to input is tested: the builds share it.
class SpineOneBuildTest : public SpineTest {};
INSTANTIATE_TEST_SUITE_P(Builds, SpineOneBuildTest, ::testing::Values(LAYOUTS[1]), LayoutName);

TEST_P(SpineTest, WindowShowsTheElevenControlsOfTheLayout) {
  StarterProcess starter(GetParam().build, installation);
  HWND window = starter.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TextOf(window), "Velmora Starter");
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  EXPECT_EQ(outer.left, 312);
  EXPECT_EQ(outer.top, 234);
  EXPECT_EQ(client.right, GetParam().client.cx);
  EXPECT_EQ(client.bottom, GetParam().client.cy);
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & ~WS_CLIPSIBLINGS,
            test_support::CAPTIONED_WINDOW_STYLE);

  std::vector<HWND> children;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  ASSERT_EQ(children.size(), GetParam().controls.size());
  for (size_t i = 0; i < children.size(); ++i) {
    const ControlLayout& expected = GetParam().controls[i];
    SCOPED_TRACE("control " + std::to_string(expected.number));
    HWND control = children[i];
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_ID), expected.number) << "creation order";
    EXPECT_EQ(_stricmp(ClassOf(control).c_str(), expected.className), 0) << ClassOf(control);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)), expected.style);
    EXPECT_EQ(TextOf(control), expected.text);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, expected.place.left);
    EXPECT_EQ(place.top, expected.place.top);
    EXPECT_EQ(place.right - place.left, expected.place.right);
    if (expected.place.bottom) {
      EXPECT_EQ(place.bottom - place.top, expected.place.bottom);
    }
  }
  HWND comboBox = starter.Control(launcher::CONTROL_CHARACTERS);
  EXPECT_EQ(SendMessageA(comboBox, CB_GETCOUNT, 0, 0), 0) << "no roster, no items";
  EXPECT_EQ(SendMessageA(comboBox, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_P(SpineOneBuildTest, CloseRequestsEnterAndPicturesAreIgnored) {
  StarterProcess starter(GetParam().build, installation);
  PostMessageA(starter.window(), WM_CLOSE, 0, 0);
  starter.PressKeys("alt+F4");
  starter.PressKeys("Return");
  starter.Click(launcher::CONTROL_TITLE_PICTURE);
  starter.Click(launcher::CONTROL_CHARACTER_FRAME);
  EXPECT_FALSE(starter.WaitForExit(1000, nullptr)) << "the launcher ended";
  EXPECT_TRUE(IsWindowVisible(starter.window()));
}

}  // namespace
}  // namespace launcher_test
