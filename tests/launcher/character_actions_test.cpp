#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "installation_directory.h"
#include "processes.h"
#include "recordings.h"
#include "starter_process.h"
#include "user_input.h"
#include "wide_texts.h"
#include "window_reading.h"

namespace launcher_test {
namespace {

using Names = std::vector<std::string>;

// New and Delete in the real launcher, answered with the mouse and keyboard.
class CharacterActionsTest : public ::testing::TestWithParam<Build> {
 protected:
  void Prepare(char selection, const Names& names) {
    installation.WriteFile(SETTINGS_FILE, SettingsBytes(selection, names));
  }
  // Full wide path of a file in the installation; `name` may hold any character.
  std::wstring WidePathOf(const std::string& folder, const std::wstring& name) const {
    return installation.WidePathOf(folder + "\\") + name;
  }

  test_support::InstallationDirectory installation;
};

// Both builds where New's requester and Delete's question, whose texts
// differ, are what is tested.
INSTANTIATE_TEST_SUITE_P(Builds, CharacterActionsTest, ::testing::ValuesIn(BUILDS), BuildName);
// One build where what New and Delete do is tested: the builds differ there
// in nothing but the texts, read above and, for the no-selection box, by the
// Start tests.
class CharacterActionsOneBuildTest : public CharacterActionsTest {};
INSTANTIATE_TEST_SUITE_P(Builds, CharacterActionsOneBuildTest, ::testing::Values(BUILDS[1]),
                         BuildName);

// A typed name is appended, Escape appends an empty one, and a name may
// repeat. A pasted name may hold line breaks and other control characters
// that typing cannot give; the settings file would read such a name back as
// several characters: it is kept as one line.
TEST_P(CharacterActionsTest, NewAppendsTheTypedOrPastedNameAsOneLineAndEscapeAnEmptyOne) {
  Prepare('\x01', {"Anna", "Bert", "Carl"});
  StarterProcess starter(GetParam(), installation);
  starter.NewCharacter("Dora");
  Names expected = {"Anna", "Bert", "Carl", "Dora"};
  EXPECT_EQ(starter.Characters(), expected);
  EXPECT_EQ(starter.SelectedCharacter(), -1) << "refilled: nothing selected";
  starter.NewCharacter("Ed", "Escape");
  expected.push_back("");
  EXPECT_EQ(starter.Characters(), expected);
  starter.NewCharacter("Anna");
  expected.push_back("Anna");
  EXPECT_EQ(starter.Characters(), expected) << "a name may repeat";
  EXPECT_FALSE(installation.Exists("game\\Dora")) << "New makes no directory";
  struct Row {
    std::string pasted;
    std::string kept;
  } rows[] = {{"Do\rra", "Dora"}, {"\tBert\x01 Lee\x1F", "\tBert Lee"}, {"\r", ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE("pasted " + ::testing::PrintToString(row.pasted));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, row.pasted.size() + 1);
    memcpy(GlobalLock(text), row.pasted.c_str(), row.pasted.size() + 1);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    starter.NewCharacter("", "ctrl+v Return");
    expected.push_back(row.kept);
    EXPECT_EQ(starter.Characters(), expected);
  }
  starter.Quit();
  EXPECT_EQ(SavedSettings(installation), SettingsBytes(0, expected));
}

// With nothing chosen the error follows the question; answered No, the
// question leaves all as it was.
TEST_P(CharacterActionsTest, DeleteWithNothingChosenOrAnsweredNoChangesNothing) {
  Prepare('\xFF', {"Anna", "Bert"});
  installation.MakeSavedGame(L"Anna");
  installation.MakeSavedGame(L"Bert");
  StarterProcess starter(GetParam(), installation);
  starter.DeleteCharacter(IDYES);
  starter.AnswerMessageBox(GetParam().errorTitle, GetParam().noSelectionText, IDOK);
  starter.DeleteCharacter(IDNO, 1);
  EXPECT_EQ(starter.Characters(), (Names{"Anna", "Bert"}));
  EXPECT_EQ(starter.SelectedCharacter(), 1);
  EXPECT_TRUE(installation.Exists("game\\Anna\\save.dat"));
  EXPECT_TRUE(installation.Exists("game\\Bert\\save.dat"));
  starter.Quit();
  EXPECT_EQ(SavedSettings(installation), SettingsBytes(0, {"Anna", "Bert"}));
}

// Its files go, and then its directory; sub-directories and what is in them
// stay, and read-only files, and with them the directory. The files stay
// while another character's name leads to the directory: the same name, or
// another case, which Windows finds it by too; the last one deleted takes
// them. (Which names lead to a folder is tested in-process, for every way.)
// No directory at all is no error.
TEST_P(CharacterActionsOneBuildTest, DeleteAnsweredYesRemovesTheCharacterAndItsOwnFiles) {
  Prepare('\x00', {"Anna", "Bert", "Carl", "anna", "Anna", "Dora"});
  installation.MakeSavedGame(L"Anna");
  installation.MakeSavedGame(L"Bert");
  installation.WriteFile("game\\Bert\\options.ini", "x");
  installation.MakeSavedGame(L"Carl");
  installation.MakeDirectory("game\\Carl\\maps");
  installation.WriteFile("game\\Carl\\maps\\one.map", "map");
  installation.WriteFile("game\\Carl\\locked.txt", "read-only");
  ASSERT_TRUE(SetFileAttributesA(installation.PathOf("game\\Carl\\locked.txt").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  StarterProcess starter(GetParam(), installation);

  starter.DeleteCharacter(IDYES, 1);
  EXPECT_EQ(starter.Characters(), (Names{"Anna", "Carl", "anna", "Anna", "Dora"}));
  EXPECT_EQ(starter.SelectedCharacter(), -1);
  EXPECT_FALSE(installation.Exists("game\\Bert")) << "its files and then the directory went";

  starter.DeleteCharacter(IDYES, 1);
  EXPECT_EQ(starter.Characters(), (Names{"Anna", "anna", "Anna", "Dora"}));
  EXPECT_FALSE(installation.Exists("game\\Carl\\save.dat"));
  EXPECT_TRUE(installation.Exists("game\\Carl\\maps\\one.map"));
  EXPECT_TRUE(installation.Exists("game\\Carl\\locked.txt"));

  for (const Names& left : {Names{"Anna", "Anna", "Dora"}, Names{"Anna", "Dora"}}) {
    starter.DeleteCharacter(IDYES, 1);
    EXPECT_EQ(starter.Characters(), left);
    EXPECT_TRUE(installation.Exists("game\\Anna\\save.dat"));
  }
  starter.DeleteCharacter(IDYES, 0);
  EXPECT_FALSE(installation.Exists("game\\Anna"));
  starter.DeleteCharacter(IDYES, 0);
  EXPECT_TRUE(starter.Characters().empty());
  EXPECT_TRUE(installation.Exists("game\\game.exe"));
  starter.Quit();
  EXPECT_EQ(SavedSettings(installation), std::string(1, '\0'));
}

// Deleting a character touches no file outside its own directory, and one
// whose name names no directory of its own none at all. A Unix symbolic link
// in the folder lists as a plain file (to a file) or as a folder (to a
// folder) under Wine; deleting through it would delete what it points at.
// Names listed in the ANSI code page come back with real separators for
// characters that best-fit to one (U+FF3C and U+2216 to a backslash, U+FF0F
// to a slash, U+FF0E to a full stop); joined to the folder they would lead
// out of it. The links and what they point at stay, and so does the folder
// holding them; the files of such names go.
TEST_P(CharacterActionsOneBuildTest, DeleteNeverReachesOutsideTheCharactersOwnDirectory) {
  const std::vector<std::wstring> planted = {
      L"..\uFF3C..\uFF3Cvictim.txt",  L"..\uFF3Cgame.exe",
      L"..\u2216..\u2216victim.txt",  L"..\u2216game.exe",
      L"..\uFF0F..\uFF0Fvictim.txt",  L"..\uFF0Fgame.exe",
      L"..\uFF3C..\uFF3Canleitung\uFF3Canleitung.html", L"\uFF0E\uFF0E\uFF3Cgame.exe"};
  test_support::ScratchDirectory outside("outside");
  outside.WriteFile("target.txt", "outside");
  outside.MakeDirectory("folder");
  outside.WriteFile("folder\\inner.txt", "inner");
  for (const char* folder : {"x", "game\\a", "game\\a\\b", "game\\x"}) {
    installation.MakeDirectory(folder);
  }
  std::vector<std::string> sentinels = {"victim.txt", "game\\sentinel.txt", "x\\sentinel.txt",
                                        "game\\a\\b\\sentinel.txt", "game\\x\\sentinel.txt"};
  for (const std::string& sentinel : sentinels) installation.WriteFile(sentinel, "sentinel");
  sentinels.insert(sentinels.end(), {"game\\game.exe", "anleitung\\anleitung.html"});
  ASSERT_TRUE(
      test_support::MakeUnixLink(outside.unixPath(), installation.unixPath() + "/game/linked"));
  installation.MakeSavedGame(L"Anna");
  for (const std::wstring& name : planted) {
    HANDLE file = CreateFileW(WidePathOf("game\\Anna", name).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot plant a name (error " << GetLastError() << ")";
    CloseHandle(file);
  }
  const std::string anna = installation.unixPath() + "/game/Anna/";
  ASSERT_TRUE(test_support::MakeUnixLink(outside.unixPath() + "/target.txt", anna + "link.txt"));
  ASSERT_TRUE(test_support::MakeUnixLink(outside.unixPath() + "/folder", anna + "folder"));
  ASSERT_TRUE(
      test_support::MakeUnixLink(installation.unixPath() + "/game/game.exe", anna + "game.exe"));
  const Names names = {"Anna", "",   ".",  "..",  "..\\x",  "a\\b", "a/b",   "C:x",
                       "*",    "x.", "x ", "NUL", "nul.txt", "COM1", "linked"};
  Prepare('\x00', names);
  StarterProcess starter(GetParam(), installation);
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE("deleting \"" + names[i] + "\"");
    starter.DeleteCharacter(IDYES, 0);
    EXPECT_EQ(starter.Characters(), Names(names.begin() + i + 1, names.end()));
    for (const std::string& sentinel : sentinels) {
      EXPECT_TRUE(installation.Exists(sentinel)) << sentinel << " was deleted";
    }
    EXPECT_EQ(outside.ReadFile("target.txt"), "outside");
    EXPECT_EQ(outside.ReadFile("folder\\inner.txt"), "inner");
  }
  for (const std::wstring& name : planted) {
    EXPECT_FALSE(test_support::WideExists(WidePathOf("game\\Anna", name)))
        << "a planted file stayed";
  }
  EXPECT_FALSE(installation.Exists("game\\Anna\\save.dat")) << "its own file went";
  starter.Quit();
  EXPECT_EQ(SavedSettings(installation), std::string(1, '\0'));
}

// At the session's end (log-off or shut-down) every launcher saves its
// changes without a question and ends, whatever box it shows and whatever
// launcher Windows (and Wine, which waits for each program in turn) ended
// before it; Start's selection counts from the moment it was read. An end
// that was cancelled changes nothing. (wineboot --shutdown alone ends no
// session: it sends no program a word.)
TEST_P(CharacterActionsOneBuildTest, EveryLauncherSavesWhateverItShowsWhenTheSessionEnds) {
  struct Row {
    const char* label;
    const char* ending;
    int control;  // the button whose box is open; 0: none
    char selection;
    bool cannotSave;  // the other launcher's file is write-protected
  } rows[] = {
      {"Delete question", "--end-session", launcher::CONTROL_DELETE_CHARACTER, '\x00', false},
      {"New requester", "--end-session --shutdown", launcher::CONTROL_NEW_CHARACTER, '\x00', false},
      {"no-selection box", "--end-session", launcher::CONTROL_START, '\xFF', false},
      {"one that cannot save ends first", "--end-session", 0, '\x00', true},
      {"the same at shut-down", "--end-session --shutdown", 0, '\x00', true},
  };
  for (const Row& row : rows) {
    // Wine loses the next launcher only now and then: a launcher that cannot
    // save is ended first three times over.
    for (int round = 0; round < (row.cannotSave ? 3 : 1); ++round) {
      SCOPED_TRACE(row.label);
      test_support::InstallationDirectory other("other");
      Prepare('\xFF', {"Anna"});
      other.WriteFile(SETTINGS_FILE, SettingsBytes(0, {"Bert"}));
      SetFileAttributesA(other.PathOf(SETTINGS_FILE).c_str(),
                         row.cannotSave ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
      // One after the other (the second gets the lower process id, and Wine
      // ends it first): the two windows lie on top of each other.
      StarterProcess second(GetParam(), other);
      if (row.cannotSave) {
        second.AnswerMessageBox(GetParam().errorTitle, GetParam().cannotSaveText, IDOK);
      }
      second.NewCharacter("Yan");
      second.DeleteCharacter(IDYES, 0);
      StarterProcess first(GetParam(), installation);
      first.NewCharacter("Zed");
      if (row.control) {
        first.Click(row.control);
        ASSERT_NE(row.control == launcher::CONTROL_NEW_CHARACTER ? first.WaitForRequester()
                                                                 : first.WaitForDialog(),
                  nullptr);
      }
      DWORD_PTR ignored = 0;
      SendMessageTimeoutA(first.window(), WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &ignored);
      EXPECT_TRUE(first.Running()) << "a cancelled end ended the launcher";
      EXPECT_EQ(SavedSettings(installation), SettingsBytes('\xFF', {"Anna"}))
          << "a cancelled end saved";
      ASSERT_EQ(test_support::RunUnixCommand(
                    std::string("/usr/lib/wine/wine64 wineboot ") + row.ending, 20000),
                0)
          << "the session's end stalled";
      first.ExpectEnded();
      second.ExpectEnded();
      EXPECT_EQ(SavedSettings(installation), SettingsBytes(row.selection, {"Anna", "Zed"}));
      EXPECT_EQ(SavedSettings(other), SettingsBytes(0, {row.cannotSave ? "Bert" : "Yan"}));
    }
  }
}

}  // namespace
}  // namespace launcher_test
