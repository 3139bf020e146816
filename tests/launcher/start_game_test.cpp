#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/heaps.h"
#include "foundation/strings.h"
#include "installation_directory.h"
#include "launcher/outside_actions.h"
#include "processes.h"
#include "recordings.h"
#include "user_input.h"
#include "window_driver.h"

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The game start of the German build, run in this process on the start-up
// steps that prepare it: the base directory is the current directory.
class StartGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(sizeof(previousDirectory_), previousDirectory_);
    foundation::CreateMainHeap();
    foundation::CreateNodeHeap();
    foundation::InitScratchArea();
  }
  void TearDown() override {
    SetCurrentDirectoryA(previousDirectory_);
    foundation::DestroyHeaps();
  }

  void PrepareIn(const std::string& directory) {
    ASSERT_TRUE(SetCurrentDirectoryA(directory.c_str()));
    launcher::ReadBaseDirectory();
    launcher::ResetGameArguments();
  }

  test_support::InstallationDirectory installation;
  test_support::RecordFile records;

 private:
  char previousDirectory_[MAX_PATH] = {};
};

TEST_F(StartGameTest, GameStartsWithTheCharacterInTheGameDirectoryWithoutWaiting) {
  test_support::ScopedEnvironmentVariable linger(test_support::RECORDER_LINGER_VARIABLE, "3000");
  PrepareIn(installation.windowsPath());
  EXPECT_STREQ(launcher::Paths().baseDirectory, Wide(installation.windowsPath()).c_str());
  EXPECT_STREQ(launcher::Paths().gameProgram, Wide(installation.GameProgram()).c_str());
  EXPECT_STREQ(launcher::Paths().manualDocument, Wide(installation.Manual()).c_str());
  EXPECT_STREQ(launcher::Paths().gameArguments, "-nj -d STARTER_USED -d GER ");

  const DWORD start = GetTickCount();
  launcher::StartGameAs("Anna");
  EXPECT_LT(GetTickCount() - start, 2000u) << "the launcher does not wait for the game";
  const auto all = records.WaitForRecords(1);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].Value("command line"),
            "\"" + installation.GameProgram() + "\" -nj -d STARTER_USED -d GER -dir Anna -pl Anna");
  EXPECT_EQ(all[0].Value("directory"), installation.GameDirectory());
  EXPECT_STREQ(launcher::Paths().gameArguments, "-nj -d STARTER_USED -d GER -dir Anna -pl Anna");
}

TEST_F(StartGameTest, NameIsPassedUnchangedSoBlanksMakeSeveralWords) {
  PrepareIn(installation.windowsPath());
  launcher::StartGameAs("Anna Lee");
  const auto all = records.WaitForRecords(1);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].Value("command line"),
            "\"" + installation.GameProgram() +
                "\" -nj -d STARTER_USED -d GER -dir Anna Lee -pl Anna Lee");
}

TEST_F(StartGameTest, MissingGameProgramShowsTheShellsErrorAndReturns) {
  PrepareIn(installation.windowsPath());
  ASSERT_TRUE(DeleteFileA(installation.GameProgram().c_str()));
  test_support::ModalWindowDriver driver("#32770", {[](HWND box) {
                                           test_support::MovePointerTo(box, 10, 10);
                                           test_support::PressKeys("Return");
                                         }});
  launcher::StartGameAs("Anna");
  EXPECT_NE(driver.window(), nullptr) << "the shell showed no error";
  EXPECT_FALSE(driver.gaveUp());
  Sleep(300);
  EXPECT_TRUE(records.Read().empty());
}

TEST_F(StartGameTest, DriveRootGivesDoubledSeparators) {
  PrepareIn("Z:\\");
  EXPECT_STREQ(launcher::Paths().baseDirectory, L"Z:\\");
  EXPECT_STREQ(launcher::Paths().gameProgram, L"Z:\\\\game\\game.exe");
  EXPECT_STREQ(launcher::Paths().manualDocument, L"Z:\\\\anleitung\\anleitung.html");
}

}  // namespace
