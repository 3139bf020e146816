#include <gtest/gtest.h>

#include <string>

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
  std::string Saved() const { return SavedSettings(installation); }

  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
};

INSTANTIATE_TEST_SUITE_P(Builds, StartTest, ::testing::ValuesIn(BUILDS), BuildName);

TEST_P(StartTest, StartsTheGameWithTheChosenCharacterAndEndsWithoutWaiting) {
  installation.WriteFile(SETTINGS_FILE, std::string("\x00", 1) + "Anna\r\nBert\r\nCarl\r\n");
  // The game keeps running well after the launcher has ended.
  test_support::ScopedEnvironmentVariable linger(test_support::RECORDER_LINGER_VARIABLE, "8000");
  StarterProcess starter(GetParam(), installation);
  starter.ChooseCharacter(1);
  const DWORD clicked = GetTickCount();
  starter.Click(CONTROL_START);
  starter.ExpectEnded(7000);
  EXPECT_LT(GetTickCount() - clicked, 6000u) << "the launcher waited for the game";
  ExpectGameStartedAs(records, GetParam(), installation, "Bert");
  EXPECT_EQ(Saved(), std::string("\x01" "Anna\r\nBert\r\nCarl\r\n"))
      << "the selection Start read is saved";
}

TEST_P(StartTest, ANameWithBlanksBecomesSeveralWords) {
  installation.WriteFile(SETTINGS_FILE, std::string("\x00", 1) + "Anna Lee\r\n");
  StarterProcess starter(GetParam(), installation);
  ASSERT_EQ(starter.SelectedCharacter(), 0);
  starter.Click(CONTROL_START);
  starter.ExpectEnded();
  ExpectGameStartedAs(records, GetParam(), installation, "Anna Lee");
}

TEST_P(StartTest, WithoutGameProgramTheLauncherStillEnds) {
  installation.WriteFile(SETTINGS_FILE, std::string("\x00", 1) + "Anna\r\n");
  ASSERT_TRUE(DeleteFileA(installation.GameProgram().c_str()));
  StarterProcess starter(GetParam(), installation);
  starter.Click(CONTROL_START);
  // The shell tells of the missing program in a box of its own.
  if (HWND box = starter.WaitForDialog(5000)) test_support::ClickCentre(GetDlgItem(box, IDOK));
  starter.ExpectEnded();
  EXPECT_EQ(Saved(), std::string("\x00" "Anna\r\n", 7));
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
  EXPECT_EQ(Saved(), std::string("\xFF" "Anna\r\n")) << "Start read no selection: -1";
  Sleep(300);
  EXPECT_TRUE(records.Read().empty()) << "no game was started";
}

// The selection byte carries 0..127; position 200 is stored as none (0xFF),
// not as its low byte, which would read back as another value.
TEST_P(StartTest, TheTwoHundredFirstCharacterIsSavedAsNone) {
  std::string content(1, '\0');
  for (int i = 1; i <= 201; ++i) content += "C" + std::to_string(i) + "\r\n";
  installation.WriteFile(SETTINGS_FILE, content);
  {
    StarterProcess starter(GetParam(), installation);
    // Choose the last character from the keyboard: Shift+Tab from nothing
    // focused reaches the combo box, End selects its last item.
    starter.PressKeys("shift+Tab End");
    ASSERT_TRUE(test_support::WaitUntil([&] { return starter.SelectedCharacter() == 200; }, 5000));
    starter.Click(CONTROL_START);
    starter.ExpectEnded();
  }
  ExpectGameStartedAs(records, GetParam(), installation, "C201");
  const std::string saved = Saved();
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(static_cast<unsigned char>(saved[0]), 0xFF);
  EXPECT_EQ(saved.substr(1), content.substr(1));

  // Read back as -1: no selection.
  StarterProcess again(GetParam(), installation);
  EXPECT_EQ(again.SelectedCharacter(), -1);
  EXPECT_EQ(again.Characters().size(), 201u);
}

}  // namespace
}  // namespace launcher_test
