#include "window_reading.h"

namespace test_support {

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

namespace {

BOOL CALLBACK FindMessageText(HWND child, LPARAM found) {
  auto* text = reinterpret_cast<std::string*>(found);
  if (_stricmp(ClassOf(child).c_str(), "Static") != 0) return TRUE;
  *text = TextOf(child);
  return text->empty();
}

}  // namespace

std::string MessageBoxText(HWND box) {
  std::string text;
  EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace test_support
