#include <string>
#include <utility>
#include <vector>

#include "control_styles.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"
#include "toolkit_fixture.h"
#include "window_reading.h"
#include "user_input.h"

namespace toolkit_test {
namespace {

using namespace toolkit;
using test_support::TextOf;
using test_support::ClassOf;

class ControlsTest : public ToolkitTest {
 protected:
  HWND Window() {
    if (!window_) {
      window_ = OpenWindow();
      SetControlParent(window_);
    }
    return window_;
  }
  HWND Control(intptr_t number) { return GetDlgItem(Window(), static_cast<int>(number)); }
  // The items of combo box 8.
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (int index = 0; index < SendMessageA(Control(8), CB_GETCOUNT, 0, 0); ++index) {
      char text[32] = {};
      SendMessageA(Control(8), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }

 private:
  HWND window_ = nullptr;
};

TEST_F(ControlsTest, EachKindGetsItsClassStylesIdentifierTextAndFont) {
  HWND window = Window();
  CreationRecorder recorder;
  struct Row {
    const char* label;
    intptr_t handle;
    const char* className;
    DWORD style;
    DWORD extendedStyle;
    const char* text;
  } rows[] = {
      {"image", CreateImageControl(0, 10, 10, 300, 300, nullptr), "Static",
       test_support::IMAGE_STYLE, 0, ""},
      {"button", CreateButtonControl(2, 330, 190, 100, 25, "Start Game"), "Button",
       test_support::BUTTON_STYLE, 0, "Start Game"},
      {"combo box", CreateComboBoxControl(8, 335, 100, 90, 100), "ComboBox",
       test_support::COMBO_BOX_STYLE, WS_EX_CLIENTEDGE, ""},
      {"frame", CreateFrameControl(9, 330, 80, 100, 100, "Character: ", FRAME_GROUP_BOX), "Button",
       test_support::GROUP_BOX_STYLE, 0, "Character: "},
      {"edge frame", CreateFrameControl(11, 10, 10, 50, 50, "", FRAME_SUNKEN), "Static",
       test_support::EDGE_FRAME_STYLE, WS_EX_CLIENTEDGE, ""},
      {"static edge frame", CreateFrameControl(12, 10, 10, 50, 50, "", FRAME_STATIC_EDGE), "Static",
       test_support::EDGE_FRAME_STYLE, WS_EX_STATICEDGE, ""},
      {"border frame", CreateFrameControl(13, 10, 10, 50, 50, "", FRAME_BORDER), "Static",
       test_support::EDGE_FRAME_STYLE | WS_BORDER, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    auto control = reinterpret_cast<HWND>(row.handle);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(GetParent(control), window);
    EXPECT_EQ(_stricmp(ClassOf(control).c_str(), row.className), 0) << ClassOf(control);
    const auto* creation = recorder.Find(control);
    ASSERT_NE(creation, nullptr);
    EXPECT_EQ(creation->style, row.style);
    EXPECT_EQ(creation->extendedStyle, row.extendedStyle);
    EXPECT_EQ(TextOf(control), row.text);
  }
  EXPECT_EQ(GetWindowLongPtrA(Control(2), GWLP_ID), 2);
  EXPECT_EQ(GetWindowLongPtrA(Control(8), GWLP_ID), 8);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(Control(2), WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(ReadControlState(11), 0) << "an edge frame has no state";
  EXPECT_EQ(WriteControlState(11, 1), 0);
}

// The combo box operations, one row per call, each with the state it leaves.
TEST_F(ControlsTest, ComboBoxOperationsTable) {
  Window();
  CreateComboBoxControl(8, 335, 100, 90, 100);
  EXPECT_EQ(ReadControlState(8), -1) << "an empty combo box has no selection";
  EXPECT_EQ(InsertControlItem(8, -1, "b"), 0);
  EXPECT_EQ(InsertControlItem(8, -1, "a"), 1);
  EXPECT_EQ(InsertControlItem(8, 0, "first"), 0) << "position p inserts before item p";
  EXPECT_EQ(InsertControlItem(8, -1, nullptr), 3) << "a missing text inserts the empty text";
  EXPECT_EQ(Items(), (std::vector<std::string>{"first", "b", "a", ""}));
  EXPECT_EQ(ReadControlState(8), -1) << "inserting selects nothing";

  struct Row {
    intptr_t write;
    intptr_t readBack;
  } rows[] = {{0, 0}, {2, 2}, {4, -1}, {1, 1}, {-1, -1}, {3, 3}, {-56, -1}, {1000, -1}};
  for (const Row& row : rows) {
    WriteControlState(8, row.write);
    EXPECT_EQ(ReadControlState(8), row.readBack) << "after writing " << row.write;
  }

  EventsDuring(200);
  WriteControlState(8, 1);
  const auto events = EventsDuring(200);
  EXPECT_EQ(std::count(events.begin(), events.end(), EVENT_CONTROL), 0)
      << "selecting by program sends no notification " << ::testing::PrintToString(events);

  InsertControlItem(8, -1, "late");
  WriteControlState(8, 2);
  RemoveAllControlItems(8);
  EXPECT_EQ(Items(), std::vector<std::string>{});
  EXPECT_EQ(ReadControlState(8), -1);
  InsertControlItem(8, -1, "only");
  EXPECT_EQ(ReadControlState(8), -1) << "refilled: one item, no selection";
}

// What the combo box hands its list while it is refilled, recorded by a
// procedure installed on the list.
struct ListMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;  // kept for LB_INITSTORAGE only
  bool operator==(const ListMessage&) const = default;
};
std::vector<ListMessage> listMessages;
WNDPROC listProcedure;

LRESULT CALLBACK RecordListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETREDRAW || message == LB_RESETCONTENT || message == LB_INITSTORAGE ||
      message == LB_INSERTSTRING || message == LB_ADDSTRING) {
    listMessages.push_back({message, wParam, message == LB_INITSTORAGE ? lParam : 0});
  }
  return CallWindowProcA(listProcedure, list, message, wParam, lParam);
}

struct NameWalk {
  std::vector<const char*> names;
  size_t at;
};
const ItemSource NAMES_OF_WALK = {
    [](void* walk) {
      auto* w = static_cast<NameWalk*>(walk);
      w->at = 0;
      return w->names.empty() ? nullptr : w->names[0];
    },
    [](void* walk) {
      auto* w = static_cast<NameWalk*>(walk);
      return ++w->at < w->names.size() ? w->names[w->at] : nullptr;
    },
    nullptr,
};

TEST_F(ControlsTest, ARefillReplacesTheItemsInOneSweepWithDrawingOff) {
  Window();
  CreateComboBoxControl(8, 335, 100, 90, 100);
  InsertControlItem(8, -1, "old");
  WriteControlState(8, 0);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetComboBoxInfo(Control(8), &info));
  listProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      info.hwndList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordListMessage)));
  listMessages.clear();

  NameWalk walk = {{"Anna", "L\xF6we", ""}, 0};
  ItemSource names = NAMES_OF_WALK;
  names.context = &walk;
  EXPECT_EQ(RefillControlItems(8, names), 3);
  const auto appended = static_cast<WPARAM>(-1);
  const std::vector<ListMessage> expected = {
      {WM_SETREDRAW, FALSE, 0},        {LB_RESETCONTENT, 0, 0},
      {LB_INITSTORAGE, 3, 5 + 5 + 1},  {LB_INSERTSTRING, appended, 0},
      {LB_INSERTSTRING, appended, 0},  {LB_INSERTSTRING, appended, 0},
      {WM_SETREDRAW, TRUE, 0},
  };
  EXPECT_EQ(listMessages, expected) << "drawing off, storage for 3 items and 11 bytes, 3 items";
  EXPECT_EQ(Items(), (std::vector<std::string>{"Anna", "L\xF6we", ""}));
  EXPECT_EQ(ReadControlState(8), -1) << "a refill leaves nothing selected";

  WriteControlState(8, 1);
  EXPECT_EQ(RemoveControlItem(8, 1), 2) << "two items are left";
  EXPECT_EQ(Items(), (std::vector<std::string>{"Anna", ""}));
  EXPECT_EQ(RemoveControlItem(8, 2), -1) << "no item 2";

  walk.names.clear();
  EXPECT_EQ(RefillControlItems(8, names), 0);
  EXPECT_EQ(Items(), std::vector<std::string>{});
  SetWindowLongPtrA(info.hwndList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProcedure));

  CreateButtonControl(2, 10, 10, 80, 20, "b");
  EXPECT_EQ(RefillControlItems(2, names), 0) << "a button takes no items";
  EXPECT_EQ(RemoveControlItem(2, 0), 0);
  EXPECT_EQ(RefillControlItems(11, names), 0) << "no control 11";
}

TEST_F(ControlsTest, AbsentControlsAndKindsWithoutTheOperationGiveZero) {
  Window();
  CreateButtonControl(2, 10, 10, 80, 20, "b");
  EXPECT_EQ(ReadControlState(11), 0);
  EXPECT_EQ(WriteControlState(11, 1), 0);
  EXPECT_EQ(InsertControlItem(11, -1, "x"), 0);
  EXPECT_EQ(RemoveAllControlItems(11), 0);
  EXPECT_EQ(ReadControlState(-1), 0);
  EXPECT_EQ(ReadControlState(-56), 0);
  EXPECT_EQ(InsertControlItem(2, -1, "x"), 0) << "a button takes no items";
  EXPECT_EQ(RemoveAllControlItems(2), 0);
  EXPECT_EQ(CreateButtonControl(-2, 10, 10, 80, 20, "bad"), 0);
}

TEST_F(ControlsTest, ANumberCreatedAgainReplacesTheControlAndAutomaticNumbersAreIdentifiers) {
  Window();
  auto first = reinterpret_cast<HWND>(CreateButtonControl(5, 10, 10, 80, 20, "old"));
  auto second = reinterpret_cast<HWND>(CreateButtonControl(5, 10, 40, 80, 20, "new"));
  EXPECT_FALSE(IsWindow(first));
  ASSERT_TRUE(IsWindow(second));
  EXPECT_EQ(Control(5), second);
  const intptr_t id = CreateButtonControl(-1, 10, 70, 80, 20, "auto");
  ASSERT_NE(id, 0);
  HWND automatic = FindWindowExA(Window(), nullptr, "Button", "auto");
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(automatic, GWLP_ID), id);
  const std::pair<HWND, intptr_t> clicks[] = {{second, 5}, {automatic, id}};
  for (const auto& [button, number] : clicks) {
    test_support::ClickCentre(button);
    EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL));
    EXPECT_EQ(LastEventControl(), number);
  }
  CloseAllWindows();
  EXPECT_EQ(ReadControlState(id), 0) << "destroying the control emptied its number";
}

TEST_F(ControlsTest, NumbersBeyondTheTableGrowIt) {
  Window();
  EXPECT_EQ(ControlTableBound(), 30);
  CreateButtonControl(10, 10, 10, 80, 20, "ten");
  EXPECT_EQ(ControlTableBound(), 30);
  ASSERT_NE(CreateButtonControl(40, 10, 40, 80, 20, "forty"), 0);
  EXPECT_EQ(ControlTableBound(), 70);
  EXPECT_EQ(GetWindowLongPtrA(Control(40), GWLP_ID), 40);
  EXPECT_NE(Control(10), nullptr) << "control 10 survived the growth";
  EXPECT_EQ(WriteControlState(10, BST_CHECKED), 0);
  EXPECT_EQ(ReadControlState(40), BST_UNCHECKED);
}

class ImageControlTest : public ControlsTest {
 protected:
  void TearDown() override {
    ControlsTest::TearDown();
    if (bitmap) DeleteObject(bitmap);
  }
  HBITMAP Bitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    return bitmap;
  }
  std::pair<int, int> SizeOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
  }
  HBITMAP bitmap = nullptr;
};

TEST_F(ImageControlTest, TakesTheSizeOfItsPicture) {
  Window();
  auto shown = reinterpret_cast<HWND>(CreateImageControl(0, 10, 10, 300, 300, Bitmap(100, 64)));
  EXPECT_EQ(SizeOf(shown), std::make_pair(100, 64));
  EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageA(shown, STM_GETIMAGE, IMAGE_BITMAP, 0)), bitmap);

  auto empty = reinterpret_cast<HWND>(CreateImageControl(1, 10, 10, 300, 200, nullptr));
  EXPECT_EQ(SizeOf(empty), std::make_pair(300, 200)) << "without a picture the size passed stays";

  auto edged = reinterpret_cast<HWND>(
      CreateImageControl(3, 10, 10, 300, 300, bitmap, WS_EX_CLIENTEDGE));
  EXPECT_EQ(SizeOf(edged), std::make_pair(104, 68)) << "a client edge adds two pixels on each side";

  EXPECT_EQ(ReadControlState(0), 0) << "an image control has no state to read";
  WriteControlState(1, reinterpret_cast<intptr_t>(bitmap));
  EXPECT_EQ(SizeOf(empty), std::make_pair(100, 64)) << "writing the state shows another picture";
}

TEST_F(ImageControlTest, ClicksOnAPictureAreControlEvents) {
  Window();
  auto picture = reinterpret_cast<HWND>(CreateImageControl(1, 20, 20, 100, 64, Bitmap(100, 64)));
  CreateButtonControl(2, 200, 20, 80, 20, "other");
  test_support::ClickCentre(picture);
  EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL));
  EXPECT_EQ(LastEventControl(), 1);

  SendMessageA(Window(), WM_COMMAND, 0, reinterpret_cast<LPARAM>(Control(2)));
  EventsDuring(100);
  test_support::ClickCentre(picture, 3);
  EXPECT_TRUE(WaitForEventValue(EVENT_CONTROL)) << "a right click reports on release";
  EXPECT_EQ(LastEventControl(), 1);
}

TEST_F(ImageControlTest, PaintsItsPictureAtTheTopLeft) {
  Window();
  HBITMAP picture = Bitmap(40, 30);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, picture);
  RECT all = {0, 0, 40, 30};
  HBRUSH red = CreateSolidBrush(RGB(200, 10, 10));
  FillRect(memory, &all, red);
  DeleteObject(red);
  SelectObject(memory, old);
  DeleteDC(memory);

  auto control = reinterpret_cast<HWND>(CreateImageControl(0, 50, 50, 300, 300, picture));
  UpdateWindow(control);
  EventsDuring(200);
  HDC screen = GetDC(nullptr);
  POINT inside = {20, 15};
  ClientToScreen(control, &inside);
  const COLORREF pixel = GetPixel(screen, inside.x, inside.y);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(pixel, RGB(200, 10, 10));
}

}  // namespace
}  // namespace toolkit_test
