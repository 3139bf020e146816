#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "installation_directory.h"
#include "launcher/main_window.h"
#include "processes.h"
#include "recordings.h"
#include "scratch_directory.h"

namespace launcher_test {

// One of the two delivered programs as the tests see it, with the texts it
// must show (Windows-1252).
struct Build {
  const char* program;  // file name in the build directory
  const char* language;
  const char* argumentPrefix;
  const char* errorTitle;
  const char* noSelectionText;
  const char* cannotSaveText;
  const char* saveFailedText;
  const char* deleteTitle;
  const char* deleteQuestion;
  const char* newTitle;
  const char* newPrompt;
};

inline void PrintTo(const Build& build, std::ostream* out) { *out << build.program; }
// A test's name for the build it runs against: the build's language.
inline std::string BuildName(const ::testing::TestParamInfo<Build>& info) {
  return info.param.language;
}

// Builds that every whole-program test runs against.
inline constexpr Build BUILDS[] = {
    {"starter-de.exe", "de", "-nj -d STARTER_USED -d GER ", "Fehler", "Kein Charakter ausgew\xE4hlt",
     "\xC4nderungen an der Charakterliste k\xF6nnen nicht gespeichert werden.",
     "Die Charakterliste konnte nicht gespeichert werden.", "L\xF6schen",
     "Soll der Charakter wirklich gel\xF6scht werden?", "Charakter Name",
     "Charakter Namen eingeben"},
    {"starter-en.exe", "en", "-nj -d STARTER_USED ", "Error", "Choose a Character",
     "Changes to the character list cannot be saved.", "The character list could not be saved.",
     "Delete",
     "Do you really want to delete this Character?", "Character name", "Enter Character name"},
};

// The settings file in the installation directory.
inline constexpr char SETTINGS_FILE[] = "velmora.cfg";
// The settings file's bytes: the selection byte, then every name and CR LF.
std::string SettingsBytes(char selection, const std::vector<std::string>& names);
// What the settings file in the installation holds; "<none>" without one.
std::string SavedSettings(const test_support::ScratchDirectory& installation);
// Fails the test unless the game was started once, in its folder, with the
// command line with which the build starts it for the character.
void ExpectGameStartedAs(const test_support::RecordFile& records, const Build& build,
                         const test_support::InstallationDirectory& installation,
                         const std::string& name);

// A real launcher process started in an installation directory, with its
// window complete and the launcher waiting for input. Ends the process if the
// test did not.
class StarterProcess {
 public:
  // `wineSettings` ("NAME=value") start the launcher in a Wine process of its
  // own with those settings (test_support::WineCommand).
  StarterProcess(const Build& build, const test_support::ScratchDirectory& installation,
                 const std::string& arguments = "",
                 const std::vector<std::string>& wineSettings = {});
  // Starts the launcher in an installation directory of any name, which the
  // ANSI code page may not spell.
  StarterProcess(const Build& build, const std::wstring& installation);
  // Starts the launcher held, lets `beforeRun` see its process id, then lets
  // it run.
  StarterProcess(const Build& build, const test_support::ScratchDirectory& installation,
                 const std::function<void(DWORD processId)>& beforeRun);
  ~StarterProcess();
  StarterProcess(const StarterProcess&) = delete;
  StarterProcess& operator=(const StarterProcess&) = delete;

  HWND window() const { return window_; }
  // A control by its number (launcher/main_window.h).
  HWND Control(int number) const;
  // Clicks a control with the mouse, as a player would.
  void Click(int number) const;
  // Moves the pointer onto the window so that keys reach it, and presses them.
  void PressKeys(const std::string& keys) const;
  bool Running() const;
  // The items of the character combo box, as Windows-1252 texts, read inside
  // the launcher in one go (test_support::ReadComboBoxItems), and its
  // selection.
  std::vector<std::string> Characters() const;
  intptr_t SelectedCharacter() const;
  DWORD processId() const { return process_.id; }
  HANDLE processHandle() const { return process_.process; }
  // Chooses a character with the mouse: opens the combo box's list and
  // clicks the item. The item must be in view (the first six are).
  void ChooseCharacter(int index) const;
  // A message box or other dialog the launcher shows; nullptr when none
  // appears in time.
  HWND WaitForDialog(DWORD timeoutMs = 10000) const;
  // Waits for a message box of the launcher, checks its title and message,
  // clicks the button (IDOK, IDYES, IDNO) and waits for the box to go.
  void AnswerMessageBox(const char* title, const char* message, int button) const;
  // The launcher's text requester (New character), once it is complete;
  // nullptr when none appears.
  HWND WaitForRequester(DWORD timeoutMs = 10000) const;
  // Clicks New, checks the requester's title and prompt, answers it with the
  // typed text and the finishing keys, and waits until the launcher has
  // taken the answer.
  void NewCharacter(const std::string& typed, const std::string& finish = "Return") const;
  // Chooses the character at `chosen` unless that is -1, clicks Delete,
  // checks the question, answers it with IDYES or IDNO and waits until the
  // launcher has acted on the answer.
  void DeleteCharacter(int answer, int chosen = -1) const;
  // Waits for the process to end; false if it still runs after the time.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode) const;
  // Fails the test unless the launcher ends within the time with exit code 0.
  void ExpectEnded(DWORD timeoutMs = 10000) const;
  // Clicks Quit, then as ExpectEnded.
  void Quit(DWORD timeoutMs = 10000) const;

 private:
  // Waits for the window of the process started, unless it was found, then
  // for its last control and for the launcher to wait for input.
  void WaitUntilReady();

  const Build& build_;
  test_support::ChildProcess process_;
  HWND window_ = nullptr;
};

}  // namespace launcher_test
