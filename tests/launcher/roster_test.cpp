#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/owned_handles.h"
#include "installation_directory.h"
#include "small_disk.h"
#include "starter_process.h"
#include "user_input.h"

namespace launcher_test {
namespace {

using launcher::CONTROL_QUIT;
using Names = std::vector<std::string>;

// Starts a build on the prepared installation, checks what the combo box
// shows, quits with the Quit button and returns what the file then holds.
class RosterTest : public ::testing::TestWithParam<Build> {
 protected:
  void ExpectShown(const StarterProcess& starter, const Names& names, intptr_t selection) {
    EXPECT_EQ(starter.Characters(), names);
    EXPECT_EQ(starter.SelectedCharacter(), selection);
  }
  // The launcher says once, in its language, that changes cannot be saved;
  // OK lets the player go on.
  void ExpectCannotSaveMessage(const StarterProcess& starter) {
    starter.AnswerMessageBox(GetParam().errorTitle, GetParam().cannotSaveText, IDOK);
    EXPECT_EQ(starter.WaitForDialog(1000), nullptr) << "the message comes only once";
    EXPECT_TRUE(IsWindowEnabled(starter.window()));
  }
  // Answers the launcher's word that the save failed with Retry or Cancel.
  void AnswerSaveFailed(const StarterProcess& starter, int button) {
    starter.AnswerMessageBox(GetParam().errorTitle, GetParam().saveFailedText, button);
  }
  bool TemporaryFilesLeft() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(installation.PathOf("vlm*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
  }
  // The file beside the settings file that a launcher writes its new content to.
  static std::string SaveFileOf(DWORD processId) {
    char name[32];
    snprintf(name, sizeof(name), "vlm%08lX.tmp", processId);
    return name;
  }
  // A reader that does not let the settings file be replaced while it reads.
  static foundation::OwnedHandle HoldForReading(const test_support::ScratchDirectory& folder) {
    foundation::OwnedHandle reader(CreateFileW(folder.WidePathOf(SETTINGS_FILE).c_str(),
                                               GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader) << "cannot read the settings file (error " << GetLastError() << ")";
    return reader;
  }
  // Holds the settings file with a reader and clicks Quit: the launcher's
  // save cannot put its new content in place and it waits at its box, the
  // lock still held, until the box is answered. The reader, which a retry
  // needs gone.
  static foundation::OwnedHandle HoldSaveAtItsBox(const StarterProcess& starter,
                                                  const test_support::ScratchDirectory& folder) {
    foundation::OwnedHandle reader = HoldForReading(folder);
    starter.Click(CONTROL_QUIT);
    EXPECT_NE(starter.WaitForDialog(), nullptr) << "the save was not held off";
    return reader;
  }
  // Ends the launcher in its save, with its new content beside the settings
  // file. A reader holds the settings file: each try of the save then keeps
  // that content there while it tries to put it in place (about a second),
  // and a try that this misses ends at the box, where Retry makes another.
  void EndDuringItsSave(const StarterProcess& starter) {
    const foundation::OwnedHandle reader = HoldForReading(installation);
    const std::string saveFile = SaveFileOf(starter.processId());
    starter.Click(CONTROL_QUIT);
    for (int attempt = 0; attempt < 5; ++attempt) {
      test_support::WaitUntil(
          [&] { return installation.Exists(saveFile) || starter.WaitForDialog(0); }, 15000);
      test_support::SuspendProcess(starter.processHandle());
      if (installation.Exists(saveFile)) {
        TerminateProcess(starter.processHandle(), 1);
        EXPECT_TRUE(starter.WaitForExit(5000, nullptr));
        return;
      }
      test_support::ResumeProcess(starter.processHandle());
      AnswerSaveFailed(starter, IDRETRY);
    }
    ADD_FAILURE() << "the launcher was not caught in its save";
  }

  test_support::ScratchDirectory installation;
};

// Both builds where the messages' texts are what is tested.
INSTANTIATE_TEST_SUITE_P(Builds, RosterTest, ::testing::ValuesIn(BUILDS), BuildName);
// One build where the roster, its file and the save are tested: the builds
// share them and differ only in the texts of the messages read above.
class RosterOneBuildTest : public RosterTest {};
INSTANTIATE_TEST_SUITE_P(Builds, RosterOneBuildTest, ::testing::Values(BUILDS[1]), BuildName);

// What the settings file holds is shown in order with its selection, and is
// saved as CR LF lines; the selection saved is 0, as Start was not pressed.
// A writable file brings no message: Quit would not get through one.
TEST_P(RosterOneBuildTest, TheFileIsShownWithItsSelectionAndRewrittenWithCrLf) {
  const std::string abc = "Anna\r\nBert\r\nCarl\r\n";
  const Names annaBertCarl = {"Anna", "Bert", "Carl"};
  struct Row {
    const char* label;
    std::optional<std::string> content;  // none: no settings file
    Names names;
    intptr_t shown;
    std::string saved;  // after the selection byte
  } rows[] = {
      {"no settings file", std::nullopt, {}, -1, ""},
      {"selection 0", std::string(1, '\0') + abc, annaBertCarl, 0, abc},
      {"selection 1", "\x01" + abc, annaBertCarl, 1, abc},
      {"selection 2", "\x02" + abc, annaBertCarl, 2, abc},
      {"selection 3: beyond the roster", "\x03" + abc, annaBertCarl, -1, abc},
      {"selection 127", "\x7F" + abc, annaBertCarl, -1, abc},
      {"selection 200: above 127", "\xC8" + abc, annaBertCarl, -1, abc},
      {"selection 255: none", "\xFF" + abc, annaBertCarl, -1, abc},
      {"LF only", "\x01" "Anna\nBert\n", {"Anna", "Bert"}, 1, "Anna\r\nBert\r\n"},
      {"CR only", "\x01" "Anna\rBert\r", {"Anna", "Bert"}, 1, "Anna\r\nBert\r\n"},
      {"mixed, no final line end", "\x01" "A\nB\rC\r\nD", {"A", "B", "C", "D"}, 1,
       "A\r\nB\r\nC\r\nD\r\n"},
      {"LF CR", "\x01" "A\n\rB", {"A", "", "B"}, 1, "A\r\n\r\nB\r\n"},
      {"zero byte", std::string("\x01" "A\0B", 4), {"A", "B"}, 1, "A\r\nB\r\n"},
      {"names kept as they are", "\x01" " Anna Lee \r\nL\xF6schen\r\nAnna Lee\r\n",
       {" Anna Lee ", "L\xF6schen", "Anna Lee"}, 1, " Anna Lee \r\nL\xF6schen\r\nAnna Lee\r\n"},
      {"only the selection byte", "\x01", {}, -1, ""},
      {"an empty file", "", {}, -1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    if (row.content) installation.WriteFile(SETTINGS_FILE, *row.content);
    StarterProcess starter(GetParam(), installation);
    ExpectShown(starter, row.names, row.shown);
    starter.Quit();
    // A message would hold Quit off here, and in every row after.
    if (starter.Running()) return;
    EXPECT_EQ(SavedSettings(installation), std::string(1, '\0') + row.saved);
    EXPECT_FALSE(TemporaryFilesLeft());
  }
}

TEST_P(RosterOneBuildTest, AnOverlongLineIsCutAndTheLauncherStaysUsable) {
  installation.WriteFile(SETTINGS_FILE, "\x01" + std::string(100000, 'x') + "\r\nBert\r\n");
  StarterProcess starter(GetParam(), installation);
  HWND comboBox = starter.Control(launcher::CONTROL_CHARACTERS);
  ASSERT_EQ(SendMessageW(comboBox, CB_GETCOUNT, 0, 0), 2);
  const LRESULT cut = SendMessageW(comboBox, CB_GETLBTEXTLEN, 0, 0);
  EXPECT_GT(cut, 60000);
  EXPECT_LT(cut, 64000);
  EXPECT_EQ(starter.SelectedCharacter(), 1);
  starter.Quit();
  const std::string saved = SavedSettings(installation);
  const std::string expected =
      std::string(1, '\0') + std::string(cut, 'x') + "\r\nBert\r\n";
  EXPECT_TRUE(saved == expected) << "saved " << saved.size() << " bytes, expected "
                                 << expected.size() << ": the cut name and Bert";
}

// A second launcher shows the roster, says that it cannot save and leaves
// the file to the first. A save that another program's reader holds off is
// not dropped silently: the player is told and may try again, as often as
// needed, or give the save up, which leaves the old file whole.
TEST_P(RosterTest, ASecondLauncherLeavesTheFileAndAFailedSaveIsToldAndRetriedOrGivenUp) {
  const std::string old = "\x01" "Anna\r\nBert\r\n";
  installation.WriteFile(SETTINGS_FILE, old);
  StarterProcess first(GetParam(), installation);
  ExpectShown(first, {"Anna", "Bert"}, 1);
  {
    StarterProcess second(GetParam(), installation);
    ExpectShown(second, {"Anna", "Bert"}, 1);
    ExpectCannotSaveMessage(second);
    second.Quit();
  }
  EXPECT_EQ(SavedSettings(installation), old) << "the second left it alone";
  const foundation::OwnedHandle reader = HoldSaveAtItsBox(first, installation);
  AnswerSaveFailed(first, IDRETRY);
  ASSERT_NE(first.WaitForDialog(), nullptr) << "a retried save that fails again is told again";
  AnswerSaveFailed(first, IDCANCEL);
  first.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), old);
  EXPECT_FALSE(TemporaryFilesLeft()) << "the unused new content was removed";
}

// On a full disk the new content cannot be written: the old file stays whole,
// the player is told, and a retry once there is room saves. The disk is a
// small memory file system mounted over the installation.
TEST_P(RosterOneBuildTest, ASaveOnAFullDiskIsToldAndTheOldFileStays) {
  // Made before the launcher, so that it goes after it.
  const test_support::SmallDisk disk(installation.unixPath(), 64);
  if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
  std::string old(1, '\x01');
  for (int i = 0; i < 200; ++i) old += "Character " + std::to_string(i) + "\r\n";
  installation.WriteFile(SETTINGS_FILE, old);
  StarterProcess starter(GetParam(), installation);
  ASSERT_TRUE(disk.Fill());
  starter.Click(CONTROL_QUIT);
  AnswerSaveFailed(starter, IDRETRY);
  ASSERT_NE(starter.WaitForDialog(), nullptr) << "still full: told again";
  EXPECT_EQ(SavedSettings(installation), old);
  ASSERT_TRUE(disk.RemoveFiller());
  AnswerSaveFailed(starter, IDRETRY);
  starter.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), std::string(1, '\0') + old.substr(1));
  EXPECT_FALSE(TemporaryFilesLeft());
}

// A reader that lets go within a moment delays the save but does not fail it:
// it lets go once the save has written its new content, within the time the
// save tries to put it in place.
TEST_P(RosterOneBuildTest, AReaderThatLetsGoSoonDoesNotFailTheSave) {
  installation.WriteFile(SETTINGS_FILE, "\x01" "Anna\r\n");
  StarterProcess starter(GetParam(), installation);
  foundation::OwnedHandle reader = HoldForReading(installation);
  starter.Click(CONTROL_QUIT);
  const std::string saveFile = SaveFileOf(starter.processId());
  ASSERT_TRUE(test_support::WaitUntil([&] { return installation.Exists(saveFile); }, 10000));
  reader.Reset(nullptr);
  starter.ExpectEnded();
  EXPECT_EQ(SavedSettings(installation), std::string("\x00" "Anna\r\n", 7));
}

// A second launcher that starts while the first one saves, held off from
// putting its new list in place, may not take the settings file over: it is
// read-only and says so, and the first one's list is what stays. The lock
// holds in a folder whose path leaves no room in MAX_PATH for the settings
// file's own path too.
TEST_P(RosterOneBuildTest, ALauncherStartedDuringASaveIsReadOnly) {
  std::string deepPurpose = "deep/";
  {
    test_support::ScratchDirectory probe(deepPurpose.c_str());
    ASSERT_LT(probe.windowsPath().size(), 240u);
    deepPurpose += std::string(250 - probe.windowsPath().size(), 'd');
  }
  test_support::ScratchDirectory deep(deepPurpose.c_str());
  ASSERT_EQ(deep.windowsPath().size(), 250u);
  const std::string saved = SettingsBytes(0, {"Anna", "Bert"});
  for (const test_support::ScratchDirectory* folder : {&installation, &deep}) {
    SCOPED_TRACE(folder == &deep ? "a folder of 250 characters" : "a plain folder");
    folder->WriteFile(SETTINGS_FILE, SettingsBytes(1, {"Anna", "Bert"}));
    StarterProcess first(GetParam(), *folder);
    foundation::OwnedHandle reader = HoldSaveAtItsBox(first, *folder);
    {
      StarterProcess second(GetParam(), *folder);
      ExpectCannotSaveMessage(second);
      reader.Reset(nullptr);
      AnswerSaveFailed(first, IDRETRY);
      first.ExpectEnded(20000);
      EXPECT_TRUE(SavedSettings(*folder) == saved) << "the first launcher's list was not saved";
      second.Quit();
    }
    EXPECT_TRUE(SavedSettings(*folder) == saved) << "the second launcher changed the file";
  }
  EXPECT_FALSE(TemporaryFilesLeft());
}

// The selection byte carries 0..127; a position it cannot carry is stored as
// none, never as its low byte (300 would wrap to 44, 200 to 0xC8), and Start
// still starts the chosen character.
TEST_P(RosterOneBuildTest, PositionsTheByteCannotCarryAreStoredAsNone) {
  struct Row {
    int characters;
    char loaded;
    const char* keys;  // in the opened list
    int chosen;
    char stored;
  } rows[] = {{300, '\x7F', "Return", 127, '\x7F'},
              {300, '\x7F', "Down Return", 128, '\xFF'},
              {201, '\x00', "End Return", 200, '\xFF'},
              {300, '\x00', "End Return", 299, '\xFF'}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chosen);
    std::string names;
    for (int i = 0; i < row.characters; ++i) names += "C" + std::to_string(i) + "\r\n";
    test_support::InstallationDirectory game;
    test_support::RecordFile records;
    game.WriteFile(SETTINGS_FILE, std::string(1, row.loaded) + names);
    StarterProcess starter(GetParam(), game);
    test_support::ClickCentre(starter.Control(launcher::CONTROL_CHARACTERS));
    ASSERT_NE(test_support::WaitForProcessWindow(starter.processId(), "ComboLBox", 5000), nullptr);
    test_support::PressKeys(row.keys);
    ASSERT_TRUE(test_support::WaitUntil([&] { return starter.SelectedCharacter() == row.chosen; },
                                        5000));
    starter.Click(launcher::CONTROL_START);
    starter.ExpectEnded();
    ExpectGameStartedAs(records, GetParam(), game, "C" + std::to_string(row.chosen));
    EXPECT_EQ(game.ReadFile(SETTINGS_FILE), std::string(1, row.stored) + names);
  }
}

// A launcher that ended during its save left its new content beside the
// settings file; the next launcher that saves removes such files, and only
// files of that shape, while a read-only launcher leaves them.
TEST_P(RosterOneBuildTest, SaveFilesLeftByAnEndedLauncherGoAtTheNextSave) {
  const char* others[] = {"vlmnotes.tmp", "vlm0000ABCDE.tmp", "vlm04D2.txt", "vlmABCD.tmp",
                          "vlmSAVEGAME.tmp"};
  for (const char* name : others) installation.WriteFile(name, "other");
  installation.WriteFile("vlm0000abcd.tmp", "left");
  // A link of that shape is not a file left by a launcher; what it points at stays.
  test_support::ScratchDirectory outside("outside");
  outside.WriteFile("target.txt", "outside");
  ASSERT_TRUE(test_support::MakeUnixLink(outside.unixPath() + "/target.txt",
                                         installation.unixPath() + "/vlm00001234.tmp"));
  installation.WriteFile(SETTINGS_FILE, SettingsBytes(1, {"Anna", "Bert"}));
  const std::string list = SettingsBytes(0, {"Anna", "Bert"});
  std::string left;
  {
    StarterProcess ended(GetParam(), installation);
    left = SaveFileOf(ended.processId());
    EndDuringItsSave(ended);
  }
  ASSERT_TRUE(installation.Exists(left));
  StarterProcess next(GetParam(), installation);
  {
    StarterProcess readOnly(GetParam(), installation);
    ExpectCannotSaveMessage(readOnly);
    readOnly.Quit();
  }
  EXPECT_TRUE(installation.Exists(left)) << "a read-only launcher removed it";
  next.Quit();
  EXPECT_TRUE(SavedSettings(installation) == list);
  EXPECT_FALSE(installation.Exists(left));
  EXPECT_FALSE(installation.Exists("vlm0000abcd.tmp"));
  for (const char* name : others) EXPECT_TRUE(installation.Exists(name)) << name;
  EXPECT_EQ(outside.ReadFile("target.txt"), "outside");
}

TEST_P(RosterOneBuildTest, AWriteProtectedFileIsShownAndLeftUntouched) {
  const std::string content = "\x01" "Anna\nBert";
  installation.WriteFile(SETTINGS_FILE, content);
  ASSERT_TRUE(
      SetFileAttributesA(installation.PathOf(SETTINGS_FILE).c_str(), FILE_ATTRIBUTE_READONLY));
  StarterProcess starter(GetParam(), installation);
  ExpectShown(starter, {"Anna", "Bert"}, 1);
  ExpectCannotSaveMessage(starter);
  starter.Quit();
  EXPECT_EQ(SavedSettings(installation), content);
  SetFileAttributesA(installation.PathOf(SETTINGS_FILE).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Whatever already has the save file's name (the launcher's process id is
// easy to guess) is never opened, emptied, moved or deleted through it: a
// symbolic or hard link planted there before the launcher starts or while it
// runs leaves its target as it was, and the save still goes through.
TEST_P(RosterOneBuildTest, ALinkAtTheSaveFileNameIsNeverFollowed) {
  using test_support::UnixLink;
  struct Row {
    UnixLink link;
    bool beforeStart;
  } rows[] = {{UnixLink::SYMBOLIC, true},
              {UnixLink::HARD, true},
              {UnixLink::SYMBOLIC, false},
              {UnixLink::HARD, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.link == UnixLink::SYMBOLIC ? "symbolic" : "hard") +
                 (row.beforeStart ? ", before the start" : ", during the run"));
    test_support::ScratchDirectory game;
    test_support::ScratchDirectory outside("outside");
    outside.WriteFile("save.dat", "precious");
    game.WriteFile(SETTINGS_FILE, SettingsBytes(1, {"Anna", "Bert"}));
    const std::function<void(DWORD)> plant = [&](DWORD processId) {
      ASSERT_TRUE(test_support::MakeUnixLink(outside.unixPath() + "/save.dat",
                                             game.unixPath() + "/" + SaveFileOf(processId),
                                             row.link));
    };
    const std::function<void(DWORD)> nothing = [](DWORD) {};
    StarterProcess starter(GetParam(), game, row.beforeStart ? plant : nothing);
    if (!row.beforeStart) plant(starter.processId());
    starter.Quit();
    EXPECT_EQ(outside.ReadFile("save.dat"), "precious");
    EXPECT_EQ(SavedSettings(game), SettingsBytes(0, {"Anna", "Bert"}));
  }
}

// Every write of the save is taken, but the disk cannot write the bytes out
// when the save flushes them: the new file is not put in place, the old one
// stays whole, and the player is told.
TEST_P(RosterOneBuildTest, ASaveWhoseFlushFailsIsNotPutInPlace) {
  // Made before the launcher, so that it goes after it.
  const test_support::WriteOutFailingDisk disk(installation.unixPath());
  if (!disk.mounted()) GTEST_SKIP() << "no loop device can be mounted here";
  // More than the last page the disk took before it was filled.
  std::string old(1, '\x01');
  for (int i = 0; i < 20000; ++i) old += "Character " + std::to_string(i) + "\r\n";
  installation.WriteFile(SETTINGS_FILE, old);
  StarterProcess starter(GetParam(), installation);
  ASSERT_TRUE(disk.FailWritingOut());
  starter.Click(launcher::CONTROL_QUIT);
  AnswerSaveFailed(starter, IDCANCEL);
  starter.ExpectEnded();
  EXPECT_TRUE(SavedSettings(installation) == old) << "the new list was put in place";
  EXPECT_FALSE(TemporaryFilesLeft());
}

// What one build writes, typed names too, the other reads unchanged.
TEST(RosterExchangeTest, EachBuildReadsWhatTheOtherWrote) {
  test_support::ScratchDirectory installation;
  Names names = {"Anna", "Bert Lee", "", "L\xF6schen"};
  installation.WriteFile(SETTINGS_FILE, SettingsBytes('\x02', names));
  const struct {
    const Build& build;
    intptr_t selection;
    // A New character's name, or none: of the letters the test display
    // keeps keys for (scripts/wine-env).
    const char* typed;
  } runs[] = {{BUILDS[0], 2, "B\xE4r Lee"}, {BUILDS[1], 0, "Gr\xFC\xDF"}, {BUILDS[0], 0, nullptr}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.build.program);
    StarterProcess starter(run.build, installation);
    EXPECT_EQ(starter.Characters(), names);
    EXPECT_EQ(starter.SelectedCharacter(), run.selection);
    if (run.typed) {
      starter.NewCharacter(run.typed);
      names.push_back(run.typed);
    }
    starter.Click(CONTROL_QUIT);
    ASSERT_TRUE(starter.WaitForExit(10000, nullptr));
    EXPECT_EQ(installation.ReadFile(SETTINGS_FILE), SettingsBytes('\0', names));
  }
}

}  // namespace
}  // namespace launcher_test
