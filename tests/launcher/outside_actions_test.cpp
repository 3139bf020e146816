#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "installation_directory.h"
#include "recordings.h"
#include "shell_handlers.h"
#include "starter_process.h"
#include "wide_texts.h"

namespace launcher_test {
namespace {

using launcher::CONTROL_WEBSITE;
using test_support::Quoted;
using test_support::Record;
using test_support::Utf8;
using test_support::WideExists;
using test_support::Widened;

constexpr char WEBSITE[] = "https://www.velmora.example";
constexpr char SHOP[] = "https://www.velmora.example/vlm.php";
// A settings file as a player's launcher leaves it: Bert selected.
const std::string SETTINGS = std::string("\x01", 1) + "Anna\r\nBert\r\n";

// The real launcher in a temporary installation, with the
// shell's handlers for web addresses and HTML files recording what they are
// asked to open.
class OutsideActionsTest : public ::testing::TestWithParam<Build> {
 protected:
  std::string Opened(const std::string& target) const {
    return Quoted(test_support::RecorderPath()) + " " + Quoted(target);
  }

  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
  test_support::RecordingShellHandlers handlers;
};

// One build: the pages, the shop mode and the launches' requests are the
// same in both; the game's arguments of each are read by the Start tests.
INSTANTIATE_TEST_SUITE_P(Builds, OutsideActionsTest, ::testing::Values(BUILDS[1]), BuildName);

// The handles another process holds, and the processes among their
// objects, found by copying each possible handle value into this process.
// (Wine answers GetProcessHandleCount with 0.)
struct HeldHandles {
  int count = 0;
  std::set<std::string> processIds;
};

HeldHandles HandlesHeldBy(HANDLE process) {
  HeldHandles held;
  for (uintptr_t value = 4; value < 0x4000; value += 4) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
      continue;
    }
    ++held.count;
    if (const DWORD id = GetProcessId(copy)) held.processIds.insert(std::to_string(id));
    CloseHandle(copy);
  }
  return held;
}

// Each click opens its target anew and gets the opened page's process handle
// back; the launcher closes it, so it holds no handle of a page it opened and
// its count of handles does not grow from click to click.
TEST_P(OutsideActionsTest, ManualWebsiteAndBuyOpenTheirTargetsEveryTimeAndKeepNoHandles) {
  StarterProcess starter(GetParam(), installation);
  struct Button {
    int control;
    std::string opened;
    std::string directory;
  };
  // A web address gets no working directory: its handler inherits the
  // launcher's, the installation directory.
  const Button buttons[] = {
      {launcher::CONTROL_MANUAL, Opened(installation.Manual()), installation.ManualDirectory()},
      {CONTROL_WEBSITE, Opened(WEBSITE), installation.windowsPath()},
      {launcher::CONTROL_BUY, Opened(SHOP), installation.windowsPath()},
  };
  size_t expected = 0;
  // Counted once each button was clicked: the shell keeps what it looked up
  // for a kind of target.
  HeldHandles afterFirstRound;
  for (int click = 1; click <= 2; ++click) {
    for (const Button& button : buttons) {
      SCOPED_TRACE("button " + std::to_string(button.control) + ", click " + std::to_string(click));
      starter.Click(button.control);
      const std::vector<Record> all = records.WaitForRecords(++expected);
      ASSERT_EQ(all.size(), expected) << "nothing was opened";
      EXPECT_EQ(all.back().Value("command line"), button.opened);
      EXPECT_EQ(all.back().Value("directory"), button.directory);
      EXPECT_TRUE(starter.Running()) << "the launcher stays open";
    }
    if (click == 1) afterFirstRound = HandlesHeldBy(starter.processHandle());
  }
  Sleep(500);
  EXPECT_EQ(records.Read().size(), expected) << "one page per click";
  const HeldHandles afterAll = HandlesHeldBy(starter.processHandle());
  EXPECT_LE(afterAll.count, afterFirstRound.count) << "handles kept by three more clicks";
  for (const Record& record : records.Read()) {
    EXPECT_EQ(afterAll.processIds.count(record.Value("process")), 0u)
        << "the launcher holds the page's process " << record.Value("process");
  }
}

TEST_P(OutsideActionsTest, OtherParametersStartNormally) {
  installation.WriteFile(SETTINGS_FILE, SETTINGS);
  for (const char* parameters : {"-buy", "-BUY2", "x -BUY", "\"-BUY \"", "-BUY\t"}) {
    SCOPED_TRACE(parameters);
    StarterProcess starter(GetParam(), installation, parameters);
    ASSERT_NE(starter.window(), nullptr);
    EXPECT_TRUE(starter.Running());
    starter.Quit();
  }
  EXPECT_TRUE(records.Read().empty()) << "no page was opened";
}

// The shell's own trace of each launch (Wine's "exec" channel): the mask
// the launcher's request carried, in the order of the launches.
std::vector<unsigned long> MasksIn(const std::string& trace) {
  std::vector<unsigned long> masks;
  for (size_t at = trace.find("mask=0x"); at != std::string::npos;
       at = trace.find("mask=0x", at + 1)) {
    masks.push_back(std::stoul(trace.substr(at + 7, 8), nullptr, 16));
  }
  return masks;
}

// Runs the launcher with the arguments in a Wine process of its own with
// the settings (test_support::WineCommand); its exit code.
int RunInOwnWine(const Build& build, const test_support::ScratchDirectory& installation,
                 const std::string& arguments, const std::vector<std::string>& settings) {
  return test_support::RunUnixCommand(
      test_support::WineCommand(test_support::UnixPathOf(test_support::BuildPath(build.program)),
                                arguments, installation.unixPath(), settings),
      30000);
}

// The shop mode opens the shop page alone and ends, and makes or changes no
// settings file. It and Start end the launcher right after their launch:
// the shell must finish it first (SEE_MASK_NOASYNC, 0x100), or a launch it
// completes on a thread of its own is cut off. The Manual button leaves the
// launcher running, and the shell's error boxes stay in every case.
TEST_P(OutsideActionsTest, ShopModeOpensTheShopAloneAndEndsAsStartDoesOnceTheLaunchIsDone) {
  constexpr unsigned long NO_CLOSE_PROCESS = 0x40, NO_ASYNC = 0x100;
  const std::string trace = installation.unixPath() + "/trace.log";
  const std::vector<std::string> settings = {"WINEDEBUG=+exec"};
  EXPECT_EQ(RunInOwnWine(GetParam(), installation, "-BUY 2>" + trace, settings), 0);
  EXPECT_EQ(MasksIn(installation.ReadFile("trace.log").value_or("")),
            (std::vector<unsigned long>{NO_CLOSE_PROCESS | NO_ASYNC}))
      << "the shop mode's launch";
  EXPECT_FALSE(installation.Exists(SETTINGS_FILE)) << "no settings file is created";

  installation.WriteFile(SETTINGS_FILE, SETTINGS);
  // The quotes are not part of the parameter; nothing after it is looked at.
  const test_support::ChildProcess shopMode = test_support::StartProcess(
      Quoted(test_support::BuildPath(GetParam().program)) + " \"-BUY\" -buy",
      installation.windowsPath());
  DWORD exitCode = 99;
  EXPECT_TRUE(test_support::WaitForExit(shopMode, 15000, &exitCode)) << "the launcher did not end";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(installation.ReadFile(SETTINGS_FILE), SETTINGS) << "the settings file is untouched";
  const std::vector<Record> all = records.WaitForRecords(2);
  ASSERT_EQ(all.size(), 2u);
  for (const Record& record : all) EXPECT_EQ(record.Value("command line"), Opened(SHOP));
  Sleep(500);
  EXPECT_EQ(records.Read().size(), 2u) << "only the shop page is opened";

  StarterProcess starter(GetParam(), installation, "2>" + trace, settings);
  starter.Click(launcher::CONTROL_MANUAL);
  ASSERT_EQ(records.WaitForRecords(3).size(), 3u) << "the manual was not opened";
  starter.Click(launcher::CONTROL_START);
  starter.ExpectEnded();
  ASSERT_EQ(records.WaitForRecords(4).size(), 4u) << "the game was not started";
  EXPECT_EQ(MasksIn(installation.ReadFile("trace.log").value_or("")),
            (std::vector<unsigned long>{NO_CLOSE_PROCESS, NO_CLOSE_PROCESS | NO_ASYNC}))
      << "the manual's launch, then the game's";
}

// Without the shell's library every launch fails quietly: the buttons leave
// the launcher running, Start still ends it with the list saved, and the
// shop mode still ends. One build: the two differ in their texts alone.
TEST(ShellMissingTest, LaunchesFailQuietly) {
  const Build& build = BUILDS[1];
  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
  test_support::RecordingShellHandlers handlers;
  const std::vector<std::string> noShell = {"WINEDLLOVERRIDES=shell32=d"};
  installation.WriteFile(SETTINGS_FILE, SETTINGS);
  StarterProcess starter(build, installation, "", noShell);
  for (int control : {launcher::CONTROL_MANUAL, CONTROL_WEBSITE, launcher::CONTROL_BUY}) {
    starter.Click(control);
  }
  starter.Click(launcher::CONTROL_START);
  starter.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), SETTINGS);
  EXPECT_EQ(RunInOwnWine(build, installation, "-BUY", noShell), 0);
  EXPECT_TRUE(records.Read().empty()) << "nothing was opened";
}

// An installation with Anna and Bert listed and Anna's saved game, moved to
// a folder of any name.
void MoveInstallationTo(const std::wstring& folder) {
  test_support::InstallationDirectory made("made");
  made.WriteFile(SETTINGS_FILE, SettingsBytes(0, {"Anna", "Bert"}));
  made.MakeSavedGame(L"Anna");
  // Literal, so that a name's trailing blank stays.
  ASSERT_TRUE(MoveFileW(Widened(made.windowsPath()).c_str(), (L"\\\\?\\" + folder).c_str()))
      << Utf8(folder);
}

std::string SavedSettingsAt(const std::wstring& folder) {
  std::ifstream file((L"\\\\?\\" + folder + L"\\velmora.cfg").c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Installations in folders whose names the ANSI code page cannot spell: its
// look-alike of such a name leads into another folder (full-width letters
// become their plain twins) or nowhere (Cyrillic becomes "????"). Delete,
// Start and Manual reach the files of the launcher's own installation only,
// and Delete works in a folder deeper than MAX_PATH. The list is saved in
// the folder it was read from, even when the shell's launches moved the
// current directory meanwhile: Win32 paths drop a name's trailing blank. One
// build: the two differ in their texts alone.
TEST(InstallationFolderTest, DeleteStartAndManualReachOnlyTheirOwnInstallation) {
  const Build& build = BUILDS[1];
  test_support::ScratchDirectory place("folders");
  const std::wstring parent = Widened(place.windowsPath());
  ASSERT_LT(parent.size(), 200u);
  struct Row {
    const char* label;
    std::wstring folder;
    std::wstring twin;  // the look-alike's folder beside it, or none
    bool launches;      // Start and Manual are tried too
  } rows[] = {
      {"full-width letters", L"\uFF36\uFF25\uFF2C", L"VEL", true},
      {"Cyrillic", L"\u0412\u0435\u043B\u044C", L"", true},
      {"letters of Windows-1252", L"V\u00E4l", L"Val", true},
      {"a name ending in a blank", L"inst ", L"inst", true},
      {"a folder of 250 characters", std::wstring(250 - parent.size() - 1, L'v'), L"", false},
  };
  test_support::RecordFile records;
  test_support::RecordingShellHandlers handlers;
  const std::wstring recorder = Widened(test_support::RecorderPath());
  size_t expected = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const std::wstring own = parent + L"\\" + row.folder;
    const std::wstring twin = parent + L"\\" + row.twin;
    MoveInstallationTo(own);
    if (!row.twin.empty()) MoveInstallationTo(twin);
    // Started in "...\inst \": the final backslash keeps the blank.
    StarterProcess starter(build, own + L"\\");
    if (row.launches) {
      starter.Click(launcher::CONTROL_MANUAL);
      const std::vector<Record> all = records.WaitForRecords(++expected);
      ASSERT_EQ(all.size(), expected) << "the manual was not opened";
      EXPECT_EQ(all.back().Value("wide command line"),
                Utf8(L"\"" + recorder + L"\" \"" + own + L"\\anleitung\\anleitung.html\""));
    }
    starter.DeleteCharacter(IDYES, 0);
    EXPECT_FALSE(WideExists(own + L"\\game\\Anna\\save.dat")) << "its own files stayed";
    if (!row.twin.empty()) {
      EXPECT_TRUE(WideExists(twin + L"\\game\\Anna\\save.dat")) << "the twin's files went";
    }
    if (row.launches) {
      starter.ChooseCharacter(0);
      starter.Click(launcher::CONTROL_START);
      starter.ExpectEnded();
      const std::vector<Record> all = records.WaitForRecords(++expected);
      ASSERT_EQ(all.size(), expected) << "the game was not started";
      EXPECT_EQ(all.back().Value("wide command line"),
                Utf8(L"\"" + own + L"\\game\\game.exe\" -nj -d STARTER_USED -dir Bert -pl Bert"));
      EXPECT_EQ(all.back().Value("wide directory"), Utf8(own + L"\\game"));
    } else {
      starter.Quit();
    }
    EXPECT_EQ(SavedSettingsAt(own), SettingsBytes(0, {"Bert"}));
    if (!row.twin.empty()) {
      EXPECT_EQ(SavedSettingsAt(twin), SettingsBytes(0, {"Anna", "Bert"})) << "the twin's list";
    }
  }
}

}  // namespace
}  // namespace launcher_test
