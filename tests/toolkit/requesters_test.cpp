#include "toolkit/requesters.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

#include "foundation/strings.h"
#include "control_styles.h"
#include "processes.h"
#include "scratch_directory.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "user_input.h"
#include "window_driver.h"
#include "window_reading.h"

namespace toolkit_test {
namespace {

using namespace toolkit;
using test_support::ClassOf;
using test_support::ModalWindowDriver;
using test_support::TextOf;

constexpr char TEXT_REQUESTER[] = "InputRequester";
constexpr char MESSAGE_BOX[] = "#32770";
constexpr int INPUT_FIELD_ID = 10;
constexpr int OK_BUTTON_ID = 1000;

// Keys reach the window under the pointer: rest it on the requester first.
void KeysTo(HWND requester, const std::string& keys) {
  test_support::MovePointerTo(requester, 150, 5);
  test_support::PressKeys(keys);
}

void TypeInto(HWND requester, const std::string& text) {
  test_support::MovePointerTo(requester, 150, 5);
  test_support::TypeText(text);
}

// The start and end of an edit field's selection.
std::pair<DWORD, DWORD> SelectionOf(HWND field) {
  DWORD start = 99, end = 99;
  SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

RECT PlaceInParent(HWND child) {
  RECT place;
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

class RequestersTest : public ToolkitTest {
 protected:
  // Runs AskText while the driver answers it. Checks that the answer is a
  // string result at the caller's mark, with the position on its zero; bytes
  // left at the mark from before must not show through an empty answer.
  std::string Ask(std::vector<ModalWindowDriver::Step> steps, const char* defaultText = "") {
    char* mark = foundation::ScratchMark();
    foundation::AppendToScratch("left over");
    foundation::RewindScratch(mark);
    const size_t stepCount = steps.size();
    ModalWindowDriver driver(TEXT_REQUESTER, std::move(steps));
    const char* answer = AskText("Charakter Name", "Charakter Namen eingeben", defaultText);
    EXPECT_FALSE(driver.gaveUp()) << "the requester did not end by its input";
    EXPECT_EQ(driver.stepsRun(), stepCount);
    EXPECT_EQ(answer, mark);
    const std::string text = answer;
    EXPECT_EQ(foundation::ScratchMark(), mark + text.size());
    foundation::RewindScratch(mark);
    return text;
  }

  int32_t Show(const char* title, const char* message, int32_t style,
               std::vector<ModalWindowDriver::Step> steps) {
    ModalWindowDriver driver(MESSAGE_BOX, std::move(steps));
    const int32_t answer = ShowMessageBox(title, message, style);
    EXPECT_FALSE(driver.gaveUp()) << "the message box did not end by its input";
    return answer;
  }
};

TEST_F(RequestersTest, TextRequesterLooksAsGivenAndIsOwnedByTheForegroundWindow) {
  HWND owner = OpenWindow();
  CreationRecorder created;
  const std::string answer = Ask({[&](HWND dialog) {
    EXPECT_EQ(ClassOf(dialog), TEXT_REQUESTER);
    EXPECT_EQ(TextOf(dialog), "Charakter Name");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes no input meanwhile";
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_STYLE) & ~WS_CLIPSIBLINGS,
              test_support::CAPTIONED_WINDOW_STYLE);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    RECT outer;
    GetWindowRect(dialog, &outer);
    EXPECT_EQ(outer.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 150);
    EXPECT_EQ(outer.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 65);
    EXPECT_EQ(outer.right - outer.left, 300);
    EXPECT_EQ(outer.bottom - outer.top, 130);

    struct Child {
      int id;
      const char* className;
      const char* text;
      DWORD style;
      DWORD extendedStyle;
      RECT place;  // x, y, width, height
    };
    const Child children[] = {
        {0, "Static", "Charakter Namen eingeben", test_support::PROMPT_STYLE, 0, {10, 10, 280, 22}},
        {INPUT_FIELD_ID, "Edit", "", test_support::INPUT_FIELD_STYLE, WS_EX_CLIENTEDGE,
         {10, 32, 275, 21}},
        {OK_BUTTON_ID, "Button", "Ok", test_support::OK_BUTTON_STYLE, 0, {110, 67, 80, 25}},
    };
    for (const Child& expected : children) {
      SCOPED_TRACE(expected.className);
      HWND child = GetDlgItem(dialog, expected.id);
      ASSERT_NE(child, nullptr);
      EXPECT_EQ(_stricmp(ClassOf(child).c_str(), expected.className), 0) << ClassOf(child);
      EXPECT_EQ(TextOf(child), expected.text);
      const CreationRecorder::Creation* creation = created.Find(child);
      ASSERT_NE(creation, nullptr);
      EXPECT_EQ(creation->style, expected.style);
      EXPECT_EQ(creation->extendedStyle, expected.extendedStyle);
      const RECT place = PlaceInParent(child);
      EXPECT_EQ(place.left, expected.place.left);
      EXPECT_EQ(place.top, expected.place.top);
      EXPECT_EQ(place.right - place.left, expected.place.right);
      EXPECT_EQ(place.bottom - place.top, expected.place.bottom);
      EXPECT_EQ(SendMessageA(child, WM_GETFONT, 0, 0),
                reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    }
    HWND field = GetDlgItem(dialog, INPUT_FIELD_ID);
    EXPECT_EQ(GetFocus(), field);
    EXPECT_EQ(SelectionOf(field), (std::pair<DWORD, DWORD>{0, 0})) << "the caret at position 0";
    KeysTo(dialog, "Return");
  }});
  EXPECT_EQ(answer, "") << "Enter at once gives the empty text";
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(RequestersTest, EnterOrOkTakesTheFieldsTextEscapeOrCloseTheEmptyText) {
  OpenWindow();
  EXPECT_EQ(Ask({[](HWND dialog) {
              TypeInto(dialog, "Anna Lee");
              KeysTo(dialog, "Return");
            }}),
            "Anna Lee");
  EXPECT_EQ(Ask({[](HWND dialog) { TypeInto(dialog, "Bert"); },
                 [](HWND dialog) { test_support::ClickCentre(GetDlgItem(dialog, OK_BUTTON_ID)); }}),
            "Bert");
  // Escape and a close request give the empty text, even after typing.
  EXPECT_EQ(Ask({[](HWND dialog) {
              TypeInto(dialog, "Carl");
              KeysTo(dialog, "Escape");
            }}),
            "");
  EXPECT_EQ(Ask({[](HWND dialog) { TypeInto(dialog, "Dora"); },
                 [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }}),
            "");
  EXPECT_EQ(Ask({[](HWND dialog) { KeysTo(dialog, "Escape"); }}, "Emil"), "")
      << "nor does a default text come back";

  // A default text stands with the caret after it; Tab leaves the focus in the field.
  EXPECT_EQ(Ask({[](HWND dialog) {
                  HWND field = GetDlgItem(dialog, INPUT_FIELD_ID);
                  EXPECT_EQ(TextOf(field), "Carl");
                  EXPECT_EQ(SelectionOf(field), (std::pair<DWORD, DWORD>{4, 4}))
                      << "nothing selected";
                  TypeInto(dialog, "a");
                  KeysTo(dialog, "Return");
                }},
                "Carl"),
            "Carla");
  EXPECT_EQ(Ask({[](HWND dialog) {
                   TypeInto(dialog, "ab");
                   KeysTo(dialog, "Tab");
                   TypeInto(dialog, "c");
                 },
                 [](HWND dialog) {
                   EXPECT_EQ(GetFocus(), GetDlgItem(dialog, INPUT_FIELD_ID));
                   KeysTo(dialog, "Return");
                 }}),
            "abc");
}

TEST_F(RequestersTest, AnswerIsCutAt9999CharactersAndAtTheEndOfTheScratchArea) {
  OpenWindow();
  const std::string longText(12000, 'q');
  const auto setTextThenEnter = [&](HWND dialog) {
    SendMessageA(GetDlgItem(dialog, INPUT_FIELD_ID), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(longText.c_str()));
    KeysTo(dialog, "Return");
  };
  EXPECT_EQ(Ask({setTextThenEnter}), std::string(9999, 'q'));

  // Leave 50 bytes of the scratch area free: 49 characters and the zero fit.
  char* mark = foundation::ScratchMark();
  foundation::SpacesToScratch(foundation::ScratchRoom() - 51);
  foundation::StepPastScratchText();
  ASSERT_EQ(foundation::ScratchRoom(), 50u);
  EXPECT_EQ(Ask({setTextThenEnter}), std::string(49, 'q'));
  foundation::RewindScratch(mark);
}

TEST_F(RequestersTest, MessageBoxShowsTheTextsAndOkGivesOneYesSixAndNoSeven) {
  HWND owner = OpenWindow();
  EXPECT_EQ(Show("Fehler", "Kein Charakter ausgew\xE4hlt", MB_OK, {[&](HWND box) {
                   EXPECT_EQ(TextOf(box), "Fehler");
                   EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), "Kein Charakter ausgew\xE4hlt");
                   EXPECT_EQ(GetWindow(box, GW_OWNER), owner);
                   EXPECT_EQ(GetDlgItem(box, IDNO), nullptr) << "one button only";
                   KeysTo(box, "Return");
                 }}),
            IDOK);
  for (const int button : {IDYES, IDNO}) {
    EXPECT_EQ(Show("L\xF6schen", "Soll der Charakter wirklich gel\xF6scht werden?", MB_YESNO,
                   {[button](HWND box) { test_support::ClickCentre(GetDlgItem(box, button)); }}),
              button == IDYES ? 6 : 7);
  }
}

// Four windows of this thread: the foreground window, another visible and
// enabled one, one already disabled and one hidden.
struct ThreadWindows {
  HWND foreground, other, disabled, hidden;
};

class RequesterWindowsTest : public RequestersTest,
                             public ::testing::WithParamInterface<const char*> {
 protected:
  ThreadWindows OpenThreadWindows() {
    ThreadWindows w;
    w.other = reinterpret_cast<HWND>(OpenNumberedWindow(1, 20, 20, 120, 60, 0, "other"));
    w.disabled = reinterpret_cast<HWND>(OpenNumberedWindow(2, 20, 120, 120, 60, 0, "disabled"));
    EnableWindow(w.disabled, FALSE);
    w.hidden =
        reinterpret_cast<HWND>(OpenNumberedWindow(3, 20, 220, 120, 60, WINDOW_HIDDEN, "hidden"));
    w.foreground = OpenWindow(0);
    SetControlParent(w.foreground);
    CreateButtonControl(2, 20, 20, 100, 25, "Two");
    return w;
  }

  // Asks with the chosen requester; the step sees it running.
  void RunRequester(const std::function<void(HWND)>& whileRunning) {
    const bool text = std::string(GetParam()) == TEXT_REQUESTER;
    auto step = [&](HWND requester) {
      whileRunning(requester);
      KeysTo(requester, text ? "Escape" : "Return");
    };
    if (text) {
      Ask({step});
    } else {
      Show("Fehler", "Kein Charakter ausgew\xE4hlt", MB_OK, {step});
    }
  }
};

INSTANTIATE_TEST_SUITE_P(Requesters, RequesterWindowsTest,
                         ::testing::Values(TEXT_REQUESTER, MESSAGE_BOX), [](const auto& info) {
                           return std::string(info.param) == TEXT_REQUESTER ? "AskText"
                                                                            : "ShowMessageBox";
                         });

TEST_P(RequesterWindowsTest, ThreadWindowsTakeNoInputWhileItRunsAndAreRestoredAfter) {
  const ThreadWindows w = OpenThreadWindows();
  RunRequester([&](HWND requester) {
    EXPECT_EQ(GetWindow(requester, GW_OWNER), w.foreground);
    EXPECT_FALSE(IsWindowEnabled(w.foreground));
    EXPECT_FALSE(IsWindowEnabled(w.other));
    EXPECT_FALSE(IsWindowEnabled(w.disabled));
    EXPECT_FALSE(IsWindowVisible(w.hidden));
    EXPECT_TRUE(IsWindowEnabled(w.hidden)) << "a hidden window is left alone";
  });
  EXPECT_TRUE(IsWindowEnabled(w.foreground));
  EXPECT_TRUE(IsWindowEnabled(w.other));
  EXPECT_FALSE(IsWindowEnabled(w.disabled)) << "disabled before, disabled after";
  EXPECT_FALSE(IsWindowVisible(w.hidden)) << "hidden before, hidden after";

  // The owner takes input again.
  EventsDuring(300);
  test_support::ClickCentre(GetDlgItem(w.foreground, 2));
  EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL));
  EXPECT_EQ(LastEventControl(), 2);
}

TEST_P(RequesterWindowsTest, WithAnotherProgramInFrontThereIsNoOwner) {
  const ThreadWindows w = OpenThreadWindows();
  // Another program's window comes to the front by a click into it.
  test_support::ScratchDirectory directory;
  test_support::ChildProcess other = test_support::StartProcess(
      "\"" + test_support::BuildPath("starter-en.exe") + "\"", directory.windowsPath());
  HWND otherWindow = test_support::WaitForProcessWindow(other.id, "WindowClass_0", 15000);
  if (otherWindow && test_support::WaitForWindowIdle(otherWindow)) {
    test_support::ClickAt(otherWindow, 100, 100);
  }
  const bool inFront =
      test_support::PumpUntil([&] { return GetForegroundWindow() == otherWindow; }, 5000);
  if (!otherWindow || !inFront) {
    test_support::EndProcess(&other);
    FAIL() << "the other program did not come to the front";
  }
  EXPECT_EQ(ProcessForegroundWindow(), nullptr);

  RunRequester([&](HWND requester) {
    EXPECT_EQ(GetWindow(requester, GW_OWNER), nullptr);
    EXPECT_FALSE(IsWindowEnabled(w.foreground));
    EXPECT_FALSE(IsWindowEnabled(w.other));
    EXPECT_TRUE(IsWindowEnabled(otherWindow)) << "only this thread's windows";
  });
  EXPECT_TRUE(IsWindowEnabled(w.foreground));
  EXPECT_TRUE(IsWindowEnabled(w.other));
  EXPECT_FALSE(IsWindowEnabled(w.disabled));
  test_support::EndProcess(&other);
}

// Waits for an event while dispatching the thread's messages, as a thread
// with windows must.
void WaitDispatching(HANDLE event) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 10000) {
    if (MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) return;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

bool Signalled(HANDLE event) {
  return test_support::PumpUntil([&] { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; },
                                 10000);
}

TEST_F(RequestersTest, EachThreadEnablesOnlyWhatItDisabled) {
  HANDLE disable = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE enable = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWND foreign = nullptr;
  std::thread other([&] {
    foreign = CreateWindowExA(0, "STATIC", "other thread", WS_OVERLAPPED | WS_VISIBLE, 600, 20, 120,
                              60, nullptr, nullptr, nullptr, nullptr);
    WaitDispatching(disable);
    DisableThreadWindows();
    SetEvent(done);
    WaitDispatching(enable);
    EnableThreadWindows();
    SetEvent(done);
    WaitDispatching(disable);  // keeps the window until the checks are made
    DestroyWindow(foreign);
  });
  HWND own = OpenWindow(0);
  HWND second = reinterpret_cast<HWND>(OpenNumberedWindow(1, 20, 20, 120, 60, 0, "second"));
  SetForegroundWindow(own);
  SetEvent(disable);
  EXPECT_TRUE(Signalled(done));
  EXPECT_NE(foreign, nullptr);
  EXPECT_FALSE(IsWindowEnabled(foreign));
  EXPECT_TRUE(IsWindowEnabled(own)) << "another thread's windows are not its own";

  DisableThreadWindows();
  EXPECT_TRUE(IsWindowEnabled(own)) << "the foreground window is left to the requester";
  EXPECT_FALSE(IsWindowEnabled(second));
  EnableThreadWindows();
  EXPECT_TRUE(IsWindowEnabled(second));
  EXPECT_FALSE(IsWindowEnabled(foreign)) << "the other thread's record is left alone";

  SetEvent(enable);
  EXPECT_TRUE(Signalled(done));
  EXPECT_TRUE(IsWindowEnabled(foreign));
  SetEvent(disable);
  other.join();
  CloseHandle(disable);
  CloseHandle(enable);
  CloseHandle(done);
}

}  // namespace
}  // namespace toolkit_test
