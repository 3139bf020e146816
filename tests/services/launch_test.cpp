#include "services/launch.h"

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include <algorithm>
#include <functional>
#include <string>

#include "installation_directory.h"
#include "processes.h"
#include "recordings.h"
#include "runtime_heaps.h"
#include "shell_handlers.h"
#include "user_input.h"
#include "window_driver.h"

namespace {

using namespace services;
using test_support::Quoted;
using test_support::Record;

// Every launch goes through the real shell: programs are the recording
// program (game\game.exe of a temporary installation), and web addresses and
// HTML files reach it as their registered handler. The test runs in a
// directory of its own, which is what a program started without a working
// directory inherits.
class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentDirectoryA(elsewhere.windowsPath().c_str()); }

  // Waits for the one record of a launch and checks the result against it:
  // a process handle of the recorded process (closed here) or 1.
  Record RecordOf(intptr_t result) {
    const auto all = records.WaitForRecords(++expectedRecords_);
    EXPECT_EQ(all.size(), expectedRecords_) << "one record per launch";
    if (all.size() != expectedRecords_) return {};
    const Record& record = all.back();
    EXPECT_NE(result, 0);
    if (result != 0 && result != 1) {
      auto process = reinterpret_cast<HANDLE>(result);
      EXPECT_EQ(std::to_string(GetProcessId(process)), record.Value("process"))
          << "the handle is the started process's";
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
    return record;
  }

  // The game program reached through a folder of exactly `length`
  // characters (with its last backslash), padded with "xxx\..\" steps that
  // the system folds away.
  std::string GameProgramThroughFolderOf(size_t length) {
    const std::string head = installation.windowsPath() + "\\";
    const std::string tail = "game\\";
    size_t fill = length - head.size() - tail.size();
    std::string padding;
    while (fill) {
      size_t step = std::min<size_t>(fill, 200);
      if (fill - step > 0 && fill - step < 5) step -= 5;
      padding += std::string(step - 4, 'x') + "\\..\\";
      fill -= step;
    }
    const std::string folder = head + padding + tail;
    EXPECT_EQ(folder.size(), length);
    return folder + "game.exe";
  }

  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory elsewhere{"elsewhere"};
  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
  test_support::RecordingShellHandlers handlers;
  // Last, so that it is back before the directories go.
  test_support::KeptCurrentDirectory kept;

 private:
  size_t expectedRecords_ = 0;
};

// A program starts with its parameters in the given directory, shown
// normally. Without a directory the target's folder is the working
// directory; the hidden flag gives show command 0, with or without waiting.
TEST_F(LaunchTest, ProgramStartsWithItsParametersDirectoryAndShowCommand) {
  const std::string game = installation.GameProgram();
  const intptr_t result =
      LaunchInDirectory(game.c_str(), "-nj -d STARTER_USED -dir Anna Lee -pl Anna Lee",
                        installation.ManualDirectory().c_str());
  ASSERT_GT(result, 1) << "a started program gives its process handle";
  const Record record = RecordOf(result);
  EXPECT_EQ(record.Value("command line"),
            Quoted(game) + " -nj -d STARTER_USED -dir Anna Lee -pl Anna Lee");
  EXPECT_EQ(record.Value("directory"), installation.ManualDirectory());
  EXPECT_EQ(record.Value("show"), "1") << "shown normally";

  EXPECT_EQ(RecordOf(LaunchInDirectory(game.c_str(), "-a", "")).Value("directory"),
            installation.GameDirectory());
  EXPECT_EQ(RecordOf(LaunchInDirectory(game.c_str(), nullptr, nullptr)).Value("directory"),
            installation.GameDirectory());
  EXPECT_EQ(RecordOf(LaunchItem(game.c_str(), "", "", LAUNCH_HIDDEN)).Value("show"), "0");
  EXPECT_EQ(RecordOf(LaunchItem(game.c_str(), "", "", LAUNCH_HIDDEN | LAUNCH_WAIT)).Value("show"),
            "0");
}

TEST_F(LaunchTest, DocumentsAndWebAddressesOpenWithTheirHandlers) {
  const struct {
    std::string target, directory;
  } rows[] = {
      {installation.Manual(), installation.ManualDirectory()},
      {"https://www.velmora.example", elsewhere.windowsPath()},
      {"http://www.velmora.example/vlm.php", elsewhere.windowsPath()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.target);
    const Record record = RecordOf(LaunchDocument(row.target.c_str()));
    EXPECT_EQ(record.Value("command line"),
              Quoted(test_support::RecorderPath()) + " " + Quoted(row.target));
    EXPECT_EQ(record.Value("directory"), row.directory);
  }
}

TEST_F(LaunchTest, WaitFlagWaitsForTheEndOfTheProgram) {
  test_support::ScopedEnvironmentVariable linger(test_support::RECORDER_LINGER_VARIABLE, "1500");
  const std::string game = installation.GameProgram();

  DWORD start = GetTickCount();
  auto process = reinterpret_cast<HANDLE>(LaunchItem(game.c_str(), "", "", LAUNCH_WAIT));
  EXPECT_GE(GetTickCount() - start, 1400u);
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "the program has ended";
  CloseHandle(process);

  // Without the flag, and with every bit but the two ignored: the call comes
  // back long before the program, which now lingers for 20 s, ends.
  const test_support::ScopedEnvironmentVariable longer(test_support::RECORDER_LINGER_VARIABLE,
                                                       "20000");
  for (int32_t flags : {0, ~(LAUNCH_WAIT | LAUNCH_HIDDEN)}) {
    SCOPED_TRACE(flags);
    start = GetTickCount();
    const test_support::ChildProcess started(
        reinterpret_cast<HANDLE>(LaunchItem(game.c_str(), "", "", flags)), 0);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(WaitForSingleObject(started.process, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "still running";
    records.WaitForRecords(flags ? 3 : 2);
  }
  const auto all = records.Read();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].Value("show"), "1") << "other bits do not hide";
}

TEST_F(LaunchTest, NoTargetGivesZeroAndStartsNothing) {
  EXPECT_EQ(LaunchItem(nullptr, "x", "", 0), 0);
  EXPECT_EQ(LaunchDocument(static_cast<const char*>(nullptr)), 0);
  Sleep(500);
  EXPECT_TRUE(records.Read().empty());
}

TEST_F(LaunchTest, MissingTargetGivesZeroAfterTheShellsOwnErrorBox) {
  const std::string document = installation.PathOf("anleitung\\missing.html");
  const std::string game = installation.GameProgram();
  ASSERT_TRUE(DeleteFileA(game.c_str()));
  const struct {
    const char* label;
    std::function<intptr_t()> launch;
  } rows[] = {
      {"a document", [&] { return LaunchDocument(document.c_str()); }},
      {"the game in its folder",
       [&] {
         return LaunchInDirectory(game.c_str(), "-dir Anna -pl Anna",
                                  installation.GameDirectory().c_str());
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    // The shell's error box is not suppressed: it runs on this thread until
    // it is answered.
    test_support::ModalWindowDriver driver("#32770", {[](HWND box) {
                                             test_support::MovePointerTo(box, 10, 10);
                                             test_support::PressKeys("Return");
                                           }});
    EXPECT_EQ(row.launch(), 0);
    EXPECT_NE(driver.window(), nullptr) << "no error box";
    EXPECT_FALSE(driver.gaveUp());
  }
  Sleep(300);
  EXPECT_TRUE(records.Read().empty());
}

TEST_F(LaunchTest, FolderBeyond511CharactersGivesNoWorkingDirectory) {
  const std::string fits = GameProgramThroughFolderOf(511);
  EXPECT_EQ(RecordOf(LaunchDocument(fits.c_str())).Value("directory"),
            installation.GameDirectory());
  const std::string tooLong = GameProgramThroughFolderOf(512);
  EXPECT_EQ(RecordOf(LaunchDocument(tooLong.c_str())).Value("directory"), elsewhere.windowsPath())
      << "started, without a working directory of its own";
  EXPECT_EQ(RecordOf(LaunchInDirectory(tooLong.c_str(), "", installation.GameDirectory().c_str()))
                .Value("directory"),
            installation.GameDirectory())
      << "a directory argument still counts";
}

// What kind of COM apartment this thread is in; -1 for none.
int ApartmentType() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return CoGetApartmentType(&type, &qualifier) == S_OK ? type : -1;
}

TEST(ShellSetUpTest, MakesTheThreadAnApartmentUntilReleased) {
  SetUpShell();
  EXPECT_EQ(ApartmentType(), APTTYPE_MAINSTA);
  ReleaseShell();
  EXPECT_EQ(ApartmentType(), -1);
}

// A thread whose COM is of another kind keeps it as it is.
TEST(ShellSetUpTest, AFailedSetUpChangesNothing) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  SetUpShell();
  ReleaseShell();
  EXPECT_EQ(ApartmentType(), APTTYPE_MTA);
  CoUninitialize();
}

}  // namespace
