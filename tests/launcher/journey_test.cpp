// A player's journeys through the real programs, driven only by mouse clicks
// at the controls' places and keys, as a person would: no control messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installation_directory.h"
#include "recordings.h"
#include "starter_process.h"
#include "user_input.h"

namespace launcher_test {
namespace {

using Names = std::vector<std::string>;
using launcher::CONTROL_START;

class JourneyTest : public ::testing::TestWithParam<Build> {
 protected:
  // The window that has the keyboard focus in the launcher's thread.
  HWND FocusOf(const StarterProcess& starter) const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(starter.window(), nullptr), &info);
    return info.hwndFocus;
  }

  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
};

// One build: each step's texts and the game's arguments are read in both
// builds by the tests of that action; the journeys add the order of the steps.
INSTANTIATE_TEST_SUITE_P(Builds, JourneyTest, ::testing::Values(BUILDS[1]), BuildName);

// Journeys 1 to 3: first start, second start, a start with nothing chosen.
TEST_P(JourneyTest, CreateChooseStartDeleteAndQuit) {
  ASSERT_FALSE(installation.Exists(SETTINGS_FILE));
  {
    SCOPED_TRACE("first start");
    StarterProcess starter(GetParam(), installation);
    EXPECT_TRUE(starter.Characters().empty());
    starter.NewCharacter("Anna");
    starter.NewCharacter("Bert");
    EXPECT_EQ(starter.Characters(), (Names{"Anna", "Bert"}));
    starter.ChooseCharacter(1);
    starter.Click(CONTROL_START);
    starter.ExpectEnded();
    ExpectGameStartedAs(records, GetParam(), installation, "Bert");
    EXPECT_EQ(SavedSettings(installation), SettingsBytes('\x01', {"Anna", "Bert"}));
  }
  // The game keeps its data for Bert in game\Bert.
  installation.MakeSavedGame(L"Bert");
  {
    SCOPED_TRACE("second start");
    StarterProcess starter(GetParam(), installation);
    EXPECT_EQ(starter.Characters(), (Names{"Anna", "Bert"}));
    EXPECT_EQ(starter.SelectedCharacter(), 1);
    starter.DeleteCharacter(IDNO);
    EXPECT_EQ(starter.Characters(), (Names{"Anna", "Bert"}));
    EXPECT_TRUE(installation.Exists("game\\Bert\\save.dat"));
    starter.DeleteCharacter(IDYES);
    EXPECT_EQ(starter.Characters(), (Names{"Anna"}));
    EXPECT_FALSE(installation.Exists("game\\Bert"));
    starter.Quit();
    EXPECT_EQ(SavedSettings(installation), SettingsBytes('\x00', {"Anna"}));
  }
  {
    SCOPED_TRACE("start with nothing chosen");
    StarterProcess starter(GetParam(), installation);
    EXPECT_EQ(starter.SelectedCharacter(), 0);
    starter.NewCharacter("Carl");  // the list is refilled: nothing chosen
    ASSERT_EQ(starter.SelectedCharacter(), -1);
    starter.Click(CONTROL_START);
    starter.AnswerMessageBox(GetParam().errorTitle, GetParam().noSelectionText, IDOK);
    EXPECT_TRUE(starter.Running());
    starter.NewCharacter("Dora");
    EXPECT_EQ(starter.Characters(), (Names{"Anna", "Carl", "Dora"})) << "still works";
    starter.Quit();
    EXPECT_EQ(SavedSettings(installation), SettingsBytes('\xFF', {"Anna", "Carl", "Dora"}));
  }
  EXPECT_EQ(records.Read().size(), 1u) << "the game was started once";
}

// Journey 4: the keyboard alone. Tab order: Start, Buy, Manual, Website,
// Quit, and before Start the character list.
TEST_P(JourneyTest, KeyboardAlone) {
  installation.WriteFile(SETTINGS_FILE, SettingsBytes('\xFF', {"Anna", "Carl"}));
  StarterProcess starter(GetParam(), installation);
  // Presses the keys; true once the control has the focus.
  const auto reach = [&](const char* keys, int control) {
    starter.PressKeys(keys);
    return test_support::WaitUntil(
        [&] { return FocusOf(starter) == starter.Control(control); }, 3000);
  };
  const auto expectEnterDoesNothing = [&] {
    starter.PressKeys("Return");
    Sleep(500);
    EXPECT_TRUE(starter.Running()) << "Enter is not a click";
    EXPECT_EQ(starter.WaitForDialog(300), nullptr);
  };
  ASSERT_NE(FocusOf(starter), starter.Control(CONTROL_START));
  ASSERT_TRUE(reach("Tab", CONTROL_START)) << "Tab from nothing focused reaches Start";
  expectEnterDoesNothing();
  ASSERT_TRUE(reach("Tab Tab Tab Tab", launcher::CONTROL_QUIT));
  expectEnterDoesNothing();
  ASSERT_TRUE(reach("shift+Tab shift+Tab shift+Tab shift+Tab", CONTROL_START));
  ASSERT_TRUE(reach("shift+Tab", launcher::CONTROL_CHARACTERS))
      << "Shift+Tab from Start reaches the character list";
  starter.PressKeys("Down");
  ASSERT_TRUE(test_support::WaitUntil([&] { return starter.SelectedCharacter() == 0; }, 3000));
  ASSERT_TRUE(reach("Tab", CONTROL_START));
  starter.PressKeys("space");
  starter.ExpectEnded();
  ExpectGameStartedAs(records, GetParam(), installation, "Anna");
  EXPECT_EQ(SavedSettings(installation), SettingsBytes('\x00', {"Anna", "Carl"}));
}

}  // namespace
}  // namespace launcher_test
