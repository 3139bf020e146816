#include "starter_process.h"

#include <gtest/gtest.h>

#include "combo_box_items.h"
#include "user_input.h"
#include "window_reading.h"

namespace launcher_test {

using launcher::CONTROL_CHARACTERS;

StarterProcess::StarterProcess(const Build& build,
                               const test_support::ScratchDirectory& installation,
                               const std::string& arguments,
                               const std::vector<std::string>& wineSettings)
    : build_(build) {
  const std::string program = test_support::BuildPath(build.program);
  if (wineSettings.empty()) {
    std::string commandLine = test_support::Quoted(program);
    if (!arguments.empty()) commandLine += " " + arguments;
    process_ = test_support::StartProcess(commandLine, installation.windowsPath());
  } else {
    test_support::StartUnixCommand(test_support::WineCommand(
        test_support::UnixPathOf(program), arguments, installation.unixPath(), wineSettings));
    window_ = test_support::WaitForOtherProcessWindow("WindowClass_0", 15000, &process_);
  }
  WaitUntilReady();
}

StarterProcess::StarterProcess(const Build& build, const std::wstring& installation)
    : build_(build) {
  process_ = test_support::StartProcess(
      test_support::Quoted(test_support::BuildPath(build.program)), installation);
  WaitUntilReady();
}

StarterProcess::StarterProcess(const Build& build,
                               const test_support::ScratchDirectory& installation,
                               const std::function<void(DWORD processId)>& beforeRun)
    : build_(build) {
  process_ = test_support::StartProcessHeld(
      test_support::Quoted(test_support::BuildPath(build.program)), installation.windowsPath());
  if (!process_.process) return;
  beforeRun(process_.id);
  test_support::ResumeProcess(process_.process);
  WaitUntilReady();
}

void StarterProcess::WaitUntilReady() {
  if (!window_ && process_.id) {
    window_ = test_support::WaitForProcessWindow(process_.id, "WindowClass_0", 15000);
  }
  EXPECT_NE(window_, nullptr) << "the launcher's window did not appear";
  if (!window_) return;
  // The frame is the last control made. The roster is put into the combo box
  // after it, and the word that it cannot be saved shown after that: once the
  // launcher takes messages again, it waits in its event loop or that word's box.
  EXPECT_TRUE(test_support::WaitUntil(
      [&] { return Control(launcher::CONTROL_CHARACTER_FRAME) != nullptr; }, 10000));
  EXPECT_TRUE(test_support::WaitForWindowIdle(window_)) << "the launcher does not take input";
  test_support::MovePointerTo(window_, 5, 5);
}

StarterProcess::~StarterProcess() { test_support::EndProcess(&process_); }

HWND StarterProcess::Control(int number) const { return GetDlgItem(window_, number); }

void StarterProcess::Click(int number) const {
  HWND control = Control(number);
  ASSERT_NE(control, nullptr) << "no control " << number;
  test_support::ClickCentre(control);
}

void StarterProcess::PressKeys(const std::string& keys) const {
  test_support::MovePointerTo(window_, 5, 5);
  test_support::PressKeys(keys);
}

std::vector<std::string> StarterProcess::Characters() const {
  std::optional<std::vector<std::string>> items =
      test_support::ReadComboBoxItems(Control(CONTROL_CHARACTERS));
  EXPECT_TRUE(items.has_value()) << "the combo box's items could not be read";
  return items.value_or(std::vector<std::string>());
}

intptr_t StarterProcess::SelectedCharacter() const {
  return SendMessageW(Control(CONTROL_CHARACTERS), CB_GETCURSEL, 0, 0);
}

void StarterProcess::ChooseCharacter(int index) const {
  HWND comboBox = Control(CONTROL_CHARACTERS);
  test_support::ClickCentre(comboBox);
  HWND list = test_support::WaitForProcessWindow(process_.id, "ComboLBox", 5000);
  ASSERT_NE(list, nullptr) << "the list did not open";
  const auto itemHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  RECT client;
  GetClientRect(list, &client);
  test_support::ClickAt(list, client.right / 2, index * itemHeight + itemHeight / 2);
  EXPECT_TRUE(test_support::WaitUntil([&] { return SelectedCharacter() == index; }, 5000))
      << "item " << index << " was not chosen";
}

void StarterProcess::AnswerMessageBox(const char* title, const char* message, int button) const {
  HWND box = WaitForDialog();
  ASSERT_NE(box, nullptr) << "no message box \"" << message << "\"";
  EXPECT_EQ(test_support::TextOf(box), title);
  EXPECT_EQ(test_support::MessageBoxText(box), message);
  EXPECT_FALSE(IsWindowEnabled(window_)) << "a message box is modal";
  HWND answer = GetDlgItem(box, button);
  ASSERT_NE(answer, nullptr) << "no button " << button;
  // Another launcher's window, at the same place, may cover the box.
  SetForegroundWindow(box);
  test_support::ClickCentre(answer);
  EXPECT_TRUE(test_support::WaitUntil([&] { return !IsWindow(box); }, 5000));
}

HWND StarterProcess::WaitForRequester(DWORD timeoutMs) const {
  HWND requester = test_support::WaitForProcessWindow(process_.id, "InputRequester", timeoutMs);
  // It shows before its prompt, field and Ok button, the last child, are made.
  const auto complete = [&] { return FindWindowExA(requester, nullptr, "Button", nullptr); };
  if (!requester || !test_support::WaitUntil(complete, timeoutMs)) return nullptr;
  return test_support::WaitForWindowIdle(requester) ? requester : nullptr;
}

void StarterProcess::NewCharacter(const std::string& typed, const std::string& finish) const {
  Click(launcher::CONTROL_NEW_CHARACTER);
  HWND requester = WaitForRequester();
  ASSERT_NE(requester, nullptr) << "no requester";
  EXPECT_EQ(test_support::TextOf(requester), build_.newTitle);
  HWND prompt = FindWindowExA(requester, nullptr, "Static", nullptr);
  EXPECT_EQ(test_support::TextOf(prompt), build_.newPrompt);
  test_support::MovePointerTo(requester, 150, 5);
  if (!typed.empty()) test_support::TypeText(typed);
  test_support::PressKeys(finish);
  ASSERT_TRUE(test_support::WaitUntil([&] { return !IsWindow(requester); }, 5000));
  // The name is added after the requester has gone.
  EXPECT_TRUE(test_support::WaitForWindowIdle(window_));
}

void StarterProcess::DeleteCharacter(int answer, int chosen) const {
  if (chosen != -1) ChooseCharacter(chosen);
  Click(launcher::CONTROL_DELETE_CHARACTER);
  AnswerMessageBox(build_.deleteTitle, build_.deleteQuestion, answer);
  // The files and the list entry go after the box has gone.
  EXPECT_TRUE(test_support::WaitForWindowIdle(window_));
}

HWND StarterProcess::WaitForDialog(DWORD timeoutMs) const {
  return test_support::WaitForProcessWindow(process_.id, "#32770", timeoutMs);
}

bool StarterProcess::Running() const {
  return process_.process && WaitForSingleObject(process_.process, 0) == WAIT_TIMEOUT;
}

bool StarterProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
  return test_support::WaitForExit(process_, timeoutMs, exitCode);
}

void StarterProcess::ExpectEnded(DWORD timeoutMs) const {
  DWORD exitCode = 99;
  ASSERT_TRUE(WaitForExit(timeoutMs, &exitCode)) << "the launcher did not end";
  EXPECT_EQ(exitCode, 0u);
}

void StarterProcess::Quit(DWORD timeoutMs) const {
  Click(launcher::CONTROL_QUIT);
  ExpectEnded(timeoutMs);
}

std::string SettingsBytes(char selection, const std::vector<std::string>& names) {
  std::string bytes(1, selection);
  for (const std::string& name : names) bytes += name + "\r\n";
  return bytes;
}

std::string SavedSettings(const test_support::ScratchDirectory& installation) {
  return installation.ReadFile(SETTINGS_FILE).value_or("<none>");
}

void ExpectGameStartedAs(const test_support::RecordFile& records, const Build& build,
                         const test_support::InstallationDirectory& installation,
                         const std::string& name) {
  const std::vector<test_support::Record> started = records.WaitForRecords(1);
  ASSERT_EQ(started.size(), 1u) << "the game was not started once";
  const std::string commandLine = test_support::Quoted(installation.GameProgram()) + " " +
                                  build.argumentPrefix + "-dir " + name + " -pl " + name;
  EXPECT_EQ(started[0].Value("command line"), commandLine);
  EXPECT_EQ(started[0].Value("directory"), installation.GameDirectory());
}

}  // namespace launcher_test
