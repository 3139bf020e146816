#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "installation_directory.h"
#include "launcher/installation.h"
#include "launcher/outside_actions.h"
#include "recordings.h"
#include "runtime_heaps.h"
#include "starter_process.h"
#include "wide_texts.h"

namespace {

using test_support::Widened;
using launcher_test::ExpectGameStartedAs;
const launcher_test::Build& GERMAN = launcher_test::BUILDS[0];

// The game start of the German build, run in this process on the start-up
// steps that prepare it: the base directory is the current directory.
class StartGameTest : public ::testing::Test {
 protected:
  void PrepareIn(const std::string& directory) {
    ASSERT_TRUE(SetCurrentDirectoryA(directory.c_str()));
    launcher::FixInstallationFolder();
    launcher::ReadBaseDirectory();
    launcher::ResetGameArguments();
  }

  test_support::RuntimeHeaps heaps;
  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
  // Last, so that it is back before the installation goes.
  test_support::KeptCurrentDirectory kept;
};

TEST_F(StartGameTest, GameStartsWithTheCharacterInTheGameDirectoryWithoutWaiting) {
  // The game lingers well beyond the bound the call is held to.
  test_support::ScopedEnvironmentVariable linger(test_support::RECORDER_LINGER_VARIABLE, "8000");
  PrepareIn(installation.windowsPath());
  EXPECT_STREQ(launcher::Paths().baseDirectory, Widened(installation.windowsPath()).c_str());
  EXPECT_STREQ(launcher::Paths().gameProgram, Widened(installation.GameProgram()).c_str());
  EXPECT_STREQ(launcher::Paths().manualDocument, Widened(installation.Manual()).c_str());
  EXPECT_STREQ(launcher::Paths().gameArguments, "-nj -d STARTER_USED -d GER ");

  const DWORD start = GetTickCount();
  launcher::StartGameAs("Anna");
  EXPECT_LT(GetTickCount() - start, 6000u) << "the launcher does not wait for the game";
  ExpectGameStartedAs(records, GERMAN, installation, "Anna");
  EXPECT_STREQ(launcher::Paths().gameArguments, "-nj -d STARTER_USED -d GER -dir Anna -pl Anna");
}

TEST_F(StartGameTest, DriveRootGivesDoubledSeparators) {
  PrepareIn("Z:\\");
  EXPECT_STREQ(launcher::Paths().baseDirectory, L"Z:\\");
  EXPECT_STREQ(launcher::Paths().gameProgram, L"Z:\\\\game\\game.exe");
  EXPECT_STREQ(launcher::Paths().manualDocument, L"Z:\\\\anleitung\\anleitung.html");
}

}  // namespace
