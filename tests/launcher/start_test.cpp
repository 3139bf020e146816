#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installation_directory.h"
#include "recordings.h"
#include "starter_process.h"
#include "user_input.h"

namespace launcher_test {
namespace {

using launcher::CONTROL_QUIT;
using launcher::CONTROL_START;

// The Start button of the real launcher in a temporary installation whose
// game\game.exe records how it was started.
class StartTest : public ::testing::TestWithParam<Build> {
 protected:
  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
};

// Both builds where the game's arguments or the no-selection box's texts
// are read.
INSTANTIATE_TEST_SUITE_P(Builds, StartTest, ::testing::ValuesIn(BUILDS), BuildName);
// One build where only the ending is tested: the builds end alike.
class StartOneBuildTest : public StartTest {};
INSTANTIATE_TEST_SUITE_P(Builds, StartOneBuildTest, ::testing::Values(BUILDS[1]), BuildName);

// A name of 300 characters with bytes above 127.
std::string LongName() {
  std::string name = "L\xF6we";
  while (name.size() < 300) name += " \xC6thelst\xE4n";
  name.resize(300);
  return name;
}

// The game is started with the chosen name as it is, and the launcher ends
// without waiting for it.
TEST_P(StartTest, StartsTheGameWithTheChosenCharacterAndEndsWithoutWaiting) {
  struct Row {
    const char* label;
    std::vector<std::string> names;
    int chosen;
  } rows[] = {
      {"a plain name", {"Anna", "Bert", "Carl"}, 1},
      {"a name with blanks: several words", {"Anna Lee"}, 0},
      {"300 characters, bytes above 127: longer than MAX_PATH", {"Anna", LongName()}, 1},
  };
  // The game keeps running well after the launcher has ended.
  test_support::ScopedEnvironmentVariable linger(test_support::RECORDER_LINGER_VARIABLE, "8000");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    test_support::InstallationDirectory game;
    test_support::RecordFile started;
    game.WriteFile(SETTINGS_FILE, SettingsBytes('\0', row.names));
    StarterProcess starter(GetParam(), game);
    starter.ChooseCharacter(row.chosen);
    const DWORD clicked = GetTickCount();
    starter.Click(CONTROL_START);
    starter.ExpectEnded(7000);
    EXPECT_LT(GetTickCount() - clicked, 6000u) << "the launcher waited for the game";
    ExpectGameStartedAs(started, GetParam(), game, row.names[row.chosen]);
    EXPECT_EQ(SavedSettings(game), SettingsBytes(static_cast<char>(row.chosen), row.names))
        << "the selection Start read is saved";
  }
}

// The shell tells of the missing program in a box of its own; the launcher
// ends as after a start.
TEST_P(StartOneBuildTest, WithoutGameProgramTheLauncherStillEnds) {
  installation.WriteFile(SETTINGS_FILE, std::string("\x00", 1) + "Anna\r\n");
  ASSERT_TRUE(DeleteFileA(installation.GameProgram().c_str()));
  StarterProcess starter(GetParam(), installation);
  starter.Click(CONTROL_START);
  HWND box = starter.WaitForDialog();
  ASSERT_NE(box, nullptr) << "the shell showed no error";
  test_support::ClickCentre(GetDlgItem(box, IDOK));
  starter.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), std::string("\x00" "Anna\r\n", 7));
  EXPECT_TRUE(records.Read().empty());
}

TEST_P(StartTest, WithNothingChosenTheErrorShowsAndNothingStarts) {
  installation.WriteFile(SETTINGS_FILE, std::string("\xFF", 1) + "Anna\r\n");
  StarterProcess starter(GetParam(), installation);
  ASSERT_EQ(starter.SelectedCharacter(), -1);
  starter.Click(CONTROL_START);
  starter.AnswerMessageBox(GetParam().errorTitle, GetParam().noSelectionText, IDOK);
  EXPECT_TRUE(starter.Running()) << "the launcher goes on after the error";
  EXPECT_TRUE(IsWindowEnabled(starter.window()));
  starter.Click(CONTROL_QUIT);
  starter.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), std::string("\xFF" "Anna\r\n"))
      << "Start read no selection: -1";
  Sleep(300);
  EXPECT_TRUE(records.Read().empty()) << "no game was started";
}

}  // namespace
}  // namespace launcher_test
