#include "user_input.h"

#include <gtest/gtest.h>

#include "processes.h"

namespace test_support {
namespace {

void Xdotool(const std::string& arguments) {
  EXPECT_EQ(RunUnixCommand("/usr/bin/xdotool " + arguments), 0) << "xdotool " << arguments;
}

POINT ScreenPoint(HWND window, int clientX, int clientY) {
  POINT point = {clientX, clientY};
  ClientToScreen(window, &point);
  return point;
}

std::string MoveArguments(POINT point) {
  // No --sync: it waits for ever when the pointer is already there. The X
  // server keeps the order of the move and what follows it anyway.
  return "mousemove " + std::to_string(point.x) + " " + std::to_string(point.y);
}

}  // namespace

void MovePointerTo(HWND window, int clientX, int clientY) {
  Xdotool(MoveArguments(ScreenPoint(window, clientX, clientY)));
}

void ClickAt(HWND window, int clientX, int clientY, int button, int repeat) {
  Xdotool(MoveArguments(ScreenPoint(window, clientX, clientY)) + " click --repeat " +
          std::to_string(repeat) + " --delay 80 " + std::to_string(button));
}

void ClickCentre(HWND window, int button, int repeat) {
  RECT client;
  GetClientRect(window, &client);
  ClickAt(window, client.right / 2, client.bottom / 2, button, repeat);
}

void PressKeys(const std::string& keys) { Xdotool("key --delay 40 " + keys); }

void TypeText(const std::string& text) { Xdotool("type --delay 20 '" + text + "'"); }

}  // namespace test_support
